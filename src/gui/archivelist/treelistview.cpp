// The tree control of the archive list and its node bitmaps.
#include "treelistview.h"

#include "shownnamedelegate.h"

#include <QDragEnterEvent>
#include <QIdentityProxyModel>
#include <QImage>
#include <QImageReader>
#include <QMimeData>

#include <array>

namespace {

const char *const kBitmapNames[] = {":/_FILE", ":/_DIRECTORY", ":/_DRIVE", ":/_CDIRECTORY", ":/_CDRIVE"};

// Gives each node the icon of its kind on top of the list's own texts.
class NodeIconModel : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DecorationRole)
            return QIdentityProxyModel::data(index, role);
        const int kind = QIdentityProxyModel::data(index, TTreeList::ImageIndexRole).toInt();
        if (kind < 0 || kind > 4)
            return QVariant();
        // Made when a node is first drawn: a view that stays empty or unseen never decodes them.
        if (m_icons[0].isNull()) {
            for (int i = 0; i < 5; ++i)
                m_icons[i] = TTreeListView::nodeBitmap(i);
        }
        return m_icons[kind];
    }

private:
    mutable QPixmap m_icons[5];
};

} // namespace

// The bitmaps are linked in from a static library, where nothing else would keep them.
static void loadBitmapResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(treelistbitmaps);
        return true;
    }();
    Q_UNUSED(loaded)
}

QPixmap TTreeListView::nodeBitmap(int imageIndex)
{
    if (imageIndex < 0 || imageIndex > 4)
        return QPixmap();
    // Decoded once per process: every tree view of the panel shows the same five.
    static const std::array<QImage, 5> images = [] {
        loadBitmapResources();
        std::array<QImage, 5> decoded;
        for (int i = 0; i < 5; ++i) {
            // Read as the BMP it is, without asking every image plugin whether it reads it.
            QImageReader reader(QString::fromLatin1(kBitmapNames[i]), "bmp");
            reader.setAutoDetectImageFormat(false);
            QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    if ((line[x] & 0xFFFFFF) == 0xFFFFFF)
                        line[x] = 0;
                }
            }
            decoded[size_t(i)] = image;
        }
        return decoded;
    }();
    return QPixmap::fromImage(images[size_t(imageIndex)]);
}

TTreeListView::TTreeListView(QWidget *parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    // A name is shown with its control characters written out; the node keeps it as it is.
    setItemDelegate(new ShownNameDelegate(this));
    m_proxy = new NodeIconModel(this);
    setModel(m_proxy);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        if (m_list)
            m_list->SetExpanded(TTreeList::nodeOf(m_proxy->mapToSource(index)), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        if (m_list)
            m_list->SetExpanded(TTreeList::nodeOf(m_proxy->mapToSource(index)), false);
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (m_list)
            m_list->SetSelected(TTreeList::nodeOf(m_proxy->mapToSource(current)));
    });
    m_ownList = new TTreeList(this);
    setTreeList(m_ownList);
}

TTreeListView::~TTreeListView()
{
    for (const auto &c : std::as_const(m_listConnections))
        disconnect(c);
}

void TTreeListView::setTreeList(TTreeList *list)
{
    for (const auto &c : std::as_const(m_listConnections))
        disconnect(c);
    m_listConnections.clear();
    m_list = list;
    m_proxy->setSourceModel(list);
    if (!list)
        return;
    m_listConnections << connect(list, &TTreeList::selectedChanged, this, &TTreeListView::listSelected)
                      << connect(list, &TTreeList::expandedChanged, this, &TTreeListView::listExpanded)
                      << connect(list, &QAbstractItemModel::modelReset, this,
                                 &TTreeListView::applyExpandedStates);
    applyExpandedStates();
    listSelected(list->Selected());
}

QModelIndex TTreeListView::viewIndexOf(const TreeListNode *node) const
{
    return m_list ? m_proxy->mapFromSource(m_list->indexOf(node)) : QModelIndex();
}

void TTreeListView::listSelected(TreeListNode *node)
{
    const QModelIndex index = viewIndexOf(node);
    if (index == currentIndex())
        return;
    if (index.isValid())
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
}

void TTreeListView::listExpanded(TreeListNode *node, bool expanded)
{
    setExpanded(viewIndexOf(node), expanded);
}

// After a reset the view has forgotten which nodes were open; the list still knows.
void TTreeListView::applyExpandedStates()
{
    if (!m_list)
        return;
    std::vector<const TreeListNode *> pending;
    for (int i = 0; i < m_list->topLevelCount(); ++i)
        pending.push_back(m_list->topLevelNode(i));
    while (!pending.empty()) {
        const TreeListNode *node = pending.back();
        pending.pop_back();
        if (node->expanded())
            setExpanded(viewIndexOf(node), true);
        for (int i = 0; i < node->childCount(); ++i)
            pending.push_back(node->child(i));
    }
}

void TTreeListView::setDropFormat(const QString &mimeType)
{
    m_dropFormat = mimeType;
    setAcceptDrops(!mimeType.isEmpty());
    viewport()->setAcceptDrops(!mimeType.isEmpty());
}

bool TTreeListView::accepts(const QDropEvent *event) const
{
    return !m_dropFormat.isEmpty() && event->mimeData() && event->mimeData()->hasFormat(m_dropFormat);
}

void TTreeListView::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    Q_EMIT MouseDown();
}

void TTreeListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (accepts(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TTreeListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (accepts(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TTreeListView::dropEvent(QDropEvent *event)
{
    if (!accepts(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT DragDrop();
}
