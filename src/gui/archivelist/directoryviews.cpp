// The directory tree and the file list of the archive list page.
#include "directoryviews.h"

#include "core/archivelist/drivetree.h"
#include "core/archivelist/folderfiles.h"
#include "shownnamedelegate.h"

#include <QApplication>
#include <QIdentityProxyModel>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

namespace {

// Gives the pseudo-root, the drives and the folders the style's pictures.
class DriveIconModel : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DecorationRole)
            return QIdentityProxyModel::data(index, role);
        const auto kind =
            TDriveTreeModel::Kind(QIdentityProxyModel::data(index, TDriveTreeModel::KindRole).toInt());
        QStyle *style = QApplication::style();
        switch (kind) {
        case TDriveTreeModel::Kind::Root:
            return style->standardIcon(QStyle::SP_ComputerIcon);
        case TDriveTreeModel::Kind::Drive:
            return style->standardIcon(QStyle::SP_DriveHDIcon);
        case TDriveTreeModel::Kind::Folder:
            return style->standardIcon(QStyle::SP_DirIcon);
        }
        return QVariant();
    }
};

} // namespace

// ---- TDirectoryTreeView ----

TDirectoryTreeView::TDirectoryTreeView(QWidget *parent)
    : QTreeView(parent), m_model(new TDriveTreeModel(this))
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    auto *icons = new DriveIconModel(this);
    icons->setSourceModel(m_model);
    setModel(icons);
    setItemDelegate(new ShownNameDelegate(this)); // names with control characters written out
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        showFolder();
        Q_EMIT Change();
    });
    connect(this, &QTreeView::collapsed, this, &TDirectoryTreeView::Collapse);
    connect(this, &QAbstractItemView::clicked, this, &TDirectoryTreeView::Click);
}

void TDirectoryTreeView::setFileList(TFileListView *files)
{
    m_files = files;
    showFolder();
}

QString TDirectoryTreeView::Path() const
{
    const auto *proxy = static_cast<QIdentityProxyModel *>(model());
    return m_model->pathOf(proxy->mapToSource(currentIndex()));
}

void TDirectoryTreeView::Rebuild()
{
    m_model->Rebuild();
}

void TDirectoryTreeView::OpenAt(const QString &path)
{
    const auto *proxy = static_cast<QIdentityProxyModel *>(model());
    const QModelIndex target = proxy->mapFromSource(m_model->indexOfPath(path));
    for (QModelIndex up = target.parent(); up.isValid(); up = up.parent())
        expand(up);
    setCurrentIndex(target);
    // Scrolling lays out the rows, pictures and all; a hidden tree does it when it is shown.
    m_scrollPending = !isVisible();
    if (!m_scrollPending)
        scrollTo(target);
}

void TDirectoryTreeView::showFolder()
{
    if (m_files)
        m_files->setFolder(Path());
}

void TDirectoryTreeView::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    if (m_scrollPending) {
        m_scrollPending = false;
        scrollTo(currentIndex());
    }
}

void TDirectoryTreeView::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    Q_EMIT MouseDown();
}

void TDirectoryTreeView::keyPressEvent(QKeyEvent *event)
{
    QTreeView::keyPressEvent(event);
    Q_EMIT KeyDown();
}

void TDirectoryTreeView::keyReleaseEvent(QKeyEvent *event)
{
    QTreeView::keyReleaseEvent(event);
    Q_EMIT KeyUp();
}

// ---- TFileListView ----

TFileListView::TFileListView(QWidget *parent) : QListView(parent), m_model(new TFileListModel(this))
{
    setModel(m_model);
    setItemDelegate(new ShownNameDelegate(this)); // names with control characters written out
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TFileListView::Change);
    connect(this, &QAbstractItemView::clicked, this, &TFileListView::Click);
}

void TFileListView::setFolder(const QString &folder)
{
    m_model->setFolder(folder);
}

QString TFileListView::Folder() const
{
    return m_model->folder();
}

int TFileListView::SelCount() const
{
    return int(selectionModel()->selectedRows().size());
}

QStringList TFileListView::SelectedNames() const
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList names;
    for (const QModelIndex &row : std::as_const(rows))
        names.append(m_model->nameAt(row.row()));
    return names;
}

void TFileListView::mousePressEvent(QMouseEvent *event)
{
    QListView::mousePressEvent(event);
    Q_EMIT MouseDown();
}
