// The drive and folder tree for browsing.
#include "drivetree.h"

#include "folderentries.h"

#include "core/platform/paths.h"

#include <algorithm>

TDriveTreeModel::TDriveTreeModel(QObject *parent)
    : QAbstractItemModel(parent), m_top{QString(), QString(), Kind::Root, nullptr, 0, true, {}}
{
    Rebuild();
}

TDriveTreeModel::~TDriveTreeModel() = default;

void TDriveTreeModel::Rebuild()
{
    beginResetModel();
    m_top.children.clear();
    auto root = std::make_unique<Node>(Node{rootPath(), rootPath(), Kind::Root, &m_top, 0, true, {}});
    QList<win::DriveMapping> drives = win::DriveMap();
    std::sort(drives.begin(), drives.end(),
              [](const win::DriveMapping &a, const win::DriveMapping &b) { return a.letter < b.letter; });
    int row = 0;
    for (const win::DriveMapping &drive : std::as_const(drives)) {
        const QString path = QString(drive.letter) + QStringLiteral(":\\");
        root->children.push_back(
            std::make_unique<Node>(Node{path, path, Kind::Drive, root.get(), row++, false, {}}));
    }
    m_top.children.push_back(std::move(root));
    endResetModel();
}

TDriveTreeModel::Node *TDriveTreeModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : const_cast<Node *>(&m_top);
}

QModelIndex TDriveTreeModel::indexOf(const Node *node) const
{
    return node && node != &m_top ? createIndex(node->row, 0, const_cast<Node *>(node)) : QModelIndex();
}

QString TDriveTreeModel::pathOf(const QModelIndex &index) const
{
    return index.isValid() ? nodeOf(index)->path : rootPath();
}

void TDriveTreeModel::readChildren(Node *node)
{
    if (node->read)
        return;
    node->read = true;
    const QStringList names = archivelist::folderEntries(node->path, archivelist::FolderEntryKind::Folders);
    if (names.isEmpty()) {
        // The expander drawn before the folder was read goes away.
        const QModelIndex i = indexOf(node);
        Q_EMIT dataChanged(i, i);
        return;
    }
    beginInsertRows(indexOf(node), 0, int(names.size()) - 1);
    int row = 0;
    for (const QString &name : names) {
        node->children.push_back(std::make_unique<Node>(
            Node{name, archivelist::childPath(node->path, name), Kind::Folder, node, row++, false, {}}));
    }
    endInsertRows();
}

TDriveTreeModel::Node *TDriveTreeModel::childNamed(Node *node, const QString &name)
{
    readChildren(node);
    Node *caseless = nullptr;
    for (const auto &child : node->children) {
        if (child->name == name)
            return child.get();
        if (!caseless && child->name.compare(name, Qt::CaseInsensitive) == 0)
            caseless = child.get();
    }
    return caseless;
}

QModelIndex TDriveTreeModel::indexOfPath(const QString &path)
{
    Node *root = m_top.children.front().get();
    if (path.size() < 2 || path.at(1) != QLatin1Char(':'))
        return indexOf(root);
    Node *node = childNamed(root, path.left(1).toUpper() + QStringLiteral(":\\"));
    if (!node)
        return indexOf(root);
    const QStringList parts = path.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        Node *child = childNamed(node, part);
        if (!child)
            break;
        node = child;
    }
    return indexOf(node);
}

QModelIndex TDriveTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const Node *p = nodeOf(parent);
    if (column != 0 || row < 0 || row >= int(p->children.size()))
        return QModelIndex();
    return createIndex(row, 0, p->children[size_t(row)].get());
}

QModelIndex TDriveTreeModel::parent(const QModelIndex &child) const
{
    return child.isValid() ? indexOf(nodeOf(child)->parent) : QModelIndex();
}

int TDriveTreeModel::rowCount(const QModelIndex &parent) const
{
    return parent.column() > 0 ? 0 : int(nodeOf(parent)->children.size());
}

int TDriveTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool TDriveTreeModel::hasChildren(const QModelIndex &parent) const
{
    // A folder not read yet may have subfolders; reading every folder just to know would make
    // opening a large folder slow.
    const Node *p = nodeOf(parent);
    return !p->read || !p->children.empty();
}

bool TDriveTreeModel::canFetchMore(const QModelIndex &parent) const
{
    return !nodeOf(parent)->read;
}

void TDriveTreeModel::fetchMore(const QModelIndex &parent)
{
    readChildren(nodeOf(parent));
}

QVariant TDriveTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Node *node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
        return node->name;
    case KindRole:
        return int(node->kind);
    default:
        return QVariant();
    }
}
