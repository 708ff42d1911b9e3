// The archive list tree: finding and making path nodes, extension sets, deletion with pruning,
// paths, expansion and selection, and the item model over it.
#include "treelist.h"

#include "core/platform/codepage.h"

#include <QStringList>

#include <utility>

namespace {

// Below this many children a parent is searched by walking them; from it on by its index.
constexpr int kIndexedFrom = 16;

const QString kSetOpen = QStringLiteral(" [");

QString upperName(const TreeListNode *node)
{
    return TTreeList::NodeName(node).toUpper();
}

bool isDirectoryKind(int kind)
{
    return kind >= TTreeList::DirectoryNode && kind <= TTreeList::ArchivedDriveNode;
}

} // namespace

TreeListNode::TreeListNode(Key, TreeListNode *parent, QString text, int kind)
    : m_text(std::move(text)), m_parent(parent), m_kind(qint8(kind))
{
}

int TreeListNode::level() const
{
    int level = 0;
    for (const TreeListNode *p = parent(); p; p = p->parent())
        ++level;
    return level;
}

void TreeNodeStore::clear()
{
    for (size_t b = 0; b < m_blocks.size(); ++b) {
        const int made = b + 1 == m_blocks.size() ? m_used : kBlockNodes;
        for (int i = 0; i < made; ++i)
            std::destroy_at(std::launder(reinterpret_cast<TreeListNode *>(&m_blocks[b][i])));
    }
    m_blocks.clear();
    m_used = 0;
}

TTreeList::TTreeList(QObject *parent)
    : QAbstractItemModel(parent), m_root(TreeListNode::Key(), nullptr, QString(), -1)
{
}

TTreeList::~TTreeList() = default;

QString TTreeList::NodeName(const TreeListNode *node)
{
    const qsizetype p = node->text().indexOf(kSetOpen);
    return p < 0 ? node->text() : node->text().left(p);
}

QString TTreeList::NodeExt(const TreeListNode *node)
{
    const QString &text = node->text();
    const qsizetype p = text.indexOf(kSetOpen);
    if (p < 0)
        return QString();
    // Everything after " [" but the closing "]"; a hand-edited set without one keeps its last
    // character.
    const qsizetype end = text.endsWith(QLatin1Char(']')) ? text.size() - 1 : text.size();
    return text.mid(p + 2, end - p - 2);
}

void TTreeList::SetNodeExt(TreeListNode *node, const QString &extSet)
{
    if (!node)
        return;
    const bool hadSet = !NodeExt(node).isEmpty();
    const QString name = NodeName(node);
    int kind = node->m_kind;
    // Only drives and directories move between their plain and archived kinds; a file whose
    // text is given a set stays a file rather than turning into a drive.
    if (!extSet.isEmpty()) {
        node->m_text = name + kSetOpen + extSet + QLatin1Char(']');
        if (!hadSet && (kind == DirectoryNode || kind == DriveNode))
            kind += 2;
    } else {
        node->m_text = name;
        if (hadSet && (kind == ArchivedDirectoryNode || kind == ArchivedDriveNode))
            kind -= 2;
    }
    node->m_kind = qint8(kind);
    const QModelIndex i = indexOf(node);
    Q_EMIT dataChanged(i, i);
}

TreeListNode *TTreeList::findChild(TreeListNode *parent, const QString &name)
{
    const QString key = name.toUpper();
    if (!parent->m_index && parent->childCount() < kIndexedFrom) {
        for (TreeListNode *c : parent->m_children) {
            if (upperName(c) == key)
                return c;
        }
        return nullptr;
    }
    if (!parent->m_index) {
        parent->m_index = std::make_unique<TreeListNode::ChildIndex>();
        parent->m_index->reserve(parent->childCount());
        for (TreeListNode *c : parent->m_children)
            (*parent->m_index)[upperName(c)].append(c);
    }
    const auto it = parent->m_index->constFind(key);
    return it == parent->m_index->cend() ? nullptr : it->first();
}

TreeListNode *TTreeList::appendChild(TreeListNode *parent, const QString &text, int kind)
{
    const int row = parent->childCount();
    beginInsertRows(indexOfParent(parent), row, row);
    TreeListNode *node = makeNode(parent, text, kind);
    node->m_row = row;
    parent->m_children.push_back(node);
    if (parent->m_index)
        (*parent->m_index)[upperName(node)].append(node);
    endInsertRows();
    return node;
}

void TTreeList::forgetSelectionWithin(const TreeListNode *subtree)
{
    for (const TreeListNode *p = m_selected; p; p = p->m_parent) {
        if (p == subtree) {
            SetSelected(nullptr);
            return;
        }
    }
}

TreeListNode *TTreeList::makeNode(TreeListNode *parent, QString text, int kind)
{
    if (m_freeNodes.empty())
        return m_nodes.make(TreeListNode::Key(), parent, std::move(text), kind);
    TreeListNode *node = m_freeNodes.back();
    m_freeNodes.pop_back();
    node->m_text = std::move(text);
    node->m_parent = parent;
    node->m_kind = qint8(kind);
    node->m_row = 0;
    node->m_expanded = false;
    return node;
}

// Frees what a deleted subtree holds and keeps the places of its nodes for reuse.
void TTreeList::releaseSubtree(TreeListNode *node)
{
    std::vector<TreeListNode *> pending{node};
    while (!pending.empty()) {
        TreeListNode *n = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), n->m_children.begin(), n->m_children.end());
        std::vector<TreeListNode *>().swap(n->m_children);
        n->m_index.reset();
        n->m_text = QString();
        n->m_parent = nullptr;
        m_freeNodes.push_back(n);
    }
}

void TTreeList::removeNode(TreeListNode *node)
{
    forgetSelectionWithin(node);
    TreeListNode *parent = node->m_parent;
    const int row = node->m_row;
    beginRemoveRows(indexOfParent(parent), row, row);
    if (parent->m_index) {
        const auto it = parent->m_index->find(upperName(node));
        if (it != parent->m_index->end()) {
            it->removeOne(node);
            if (it->isEmpty())
                parent->m_index->erase(it);
        }
    }
    parent->m_children.erase(parent->m_children.begin() + row);
    for (size_t i = size_t(row); i < parent->m_children.size(); ++i)
        parent->m_children[i]->m_row = int(i);
    releaseSubtree(node);
    endRemoveRows();
}

void TTreeList::removeChildren(TreeListNode *node)
{
    if (node->m_children.empty())
        return;
    if (m_selected != node)
        forgetSelectionWithin(node);
    beginRemoveRows(indexOfParent(node), 0, node->childCount() - 1);
    node->m_index.reset();
    for (TreeListNode *c : node->m_children)
        releaseSubtree(c);
    std::vector<TreeListNode *>().swap(node->m_children);
    endRemoveRows();
}

TreeListNode *TTreeList::AddPath(TreeListNode *parent, const QString &path, const QString &extSet)
{
    // The path is taken apart from its end: what is left once it is shorter than four characters
    // names the drive (C:\, C: or C), and each part cut off on the way is a directory below it.
    // A longer remainder without a backslash is not a drive path and adds nothing.
    QStringList names;
    QString rest = path;
    while (rest.size() >= 4) {
        const qsizetype cut = rest.lastIndexOf(QLatin1Char('\\'));
        if (cut < 0)
            return nullptr;
        names.prepend(rest.mid(cut + 1));
        rest.truncate(cut);
    }
    TreeListNode *node = addStep(parent ? parent : &m_root, rest.left(2).toUpper(), DriveNode,
                                 names.isEmpty() ? extSet : QString());
    for (qsizetype i = 0; i < names.size(); ++i)
        node = addStep(node, names.at(i), DirectoryNode, i + 1 == names.size() ? extSet : QString());
    return node;
}

TreeListNode *TTreeList::addStep(TreeListNode *searchIn, const QString &name, int base, const QString &extSet)
{
    TreeListNode *node = findChild(searchIn, name);
    if (!node) {
        // A new node's text is made as SetNodeExt makes it: the name up to any " [", then the set.
        const QString plain = name.left(name.indexOf(kSetOpen));
        return appendChild(searchIn, extSet.isEmpty() ? plain : plain + kSetOpen + extSet + QLatin1Char(']'),
                           extSet.isEmpty() ? base : base + 2);
    }
    if (!extSet.isEmpty())
        SetNodeExt(node, extSet);
    const int kind = NodeExt(node).isEmpty() ? base : base + 2;
    if (node->m_kind != kind) {
        node->m_kind = qint8(kind);
        const QModelIndex i = indexOf(node);
        Q_EMIT dataChanged(i, i);
    }
    return node;
}

TreeListNode *TTreeList::AddDir(const QString &path, const QString &extSet)
{
    return AddPath(nullptr, path, extSet);
}

TreeListNode *TTreeList::AddFile(const QString &path)
{
    TreeListNode *node = AddPath(nullptr, path, QString());
    if (node && node->m_kind != FileNode) {
        node->m_kind = FileNode;
        const QModelIndex i = indexOf(node);
        Q_EMIT dataChanged(i, i);
    }
    return node;
}

void TTreeList::DeleteNode(TreeListNode *node, bool childrenOnly)
{
    if (!node || node == &m_root)
        return;
    TreeListNode *candidate;
    if (node->m_kind == FileNode || childrenOnly) {
        removeChildren(node);
        candidate = node;
    } else {
        candidate = node->m_parent;
        removeNode(node);
    }
    // A file keeps no set, even when its text holds one (a hand-edited list): it goes once empty.
    while (candidate && candidate != &m_root && candidate->m_children.empty() &&
           (NodeExt(candidate).isEmpty() || candidate->m_kind == FileNode)) {
        TreeListNode *parent = candidate->m_parent;
        removeNode(candidate);
        candidate = parent;
    }
}

void TTreeList::SetSelected(TreeListNode *node)
{
    if (node == &m_root)
        node = nullptr;
    if (m_selected == node)
        return;
    m_selected = node;
    Q_EMIT selectedChanged(node);
}

QString TTreeList::NodePath(const TreeListNode *node)
{
    if (!node)
        return QString();
    // Built from the top down in one string: putting each ancestor in front would move the
    // whole path once per level.
    std::vector<const TreeListNode *> chain;
    for (const TreeListNode *p = node; p; p = p->parent())
        chain.push_back(p);
    QString path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += NodeName(*it);
        if (*it != node || isDirectoryKind(node->imageIndex()))
            path += QLatin1Char('\\');
    }
    return path;
}

QString TTreeList::Path() const
{
    return NodePath(m_selected);
}

bool TTreeList::Dir() const
{
    return m_selected && isDirectoryKind(m_selected->m_kind);
}

void TTreeList::SetExpanded(TreeListNode *node, bool expanded)
{
    if (!node || node == &m_root || node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    Q_EMIT expandedChanged(node, expanded);
}

void TTreeList::ExpandTopLevel()
{
    for (TreeListNode *top : m_root.m_children)
        SetExpanded(top, true);
}

void TTreeList::MakeNodeVisible(TreeListNode *node)
{
    if (!node)
        return;
    std::vector<TreeListNode *> chain;
    for (TreeListNode *p = node; p && p != &m_root; p = p->m_parent)
        chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        SetExpanded(*it, true);
}

void TTreeList::clearNodes()
{
    m_selectionDropped = m_selected != nullptr;
    m_selected = nullptr;
    m_readNotes.clear();
    m_readNoteCount = 0;
    m_root.m_index.reset();
    m_root.m_children.clear();
    m_freeNodes.clear();
    m_nodes.clear();
}

void TTreeList::finishReset()
{
    endResetModel();
    // Told only now, when views already show the new rows.
    if (m_selectionDropped) {
        m_selectionDropped = false;
        Q_EMIT selectedChanged(nullptr);
    }
}

void TTreeList::Clear()
{
    beginResetModel();
    clearNodes();
    finishReset();
}

void TTreeList::Assign(const TTreeList &other)
{
    if (&other == this)
        return;
    beginResetModel();
    clearNodes();
    std::vector<std::pair<const TreeListNode *, TreeListNode *>> pending{{&other.m_root, &m_root}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        to->m_children.reserve(from->m_children.size());
        for (const TreeListNode *c : from->m_children) {
            TreeListNode *copy = makeNode(to, c->m_text, c->m_kind);
            copy->m_row = c->m_row;
            pending.emplace_back(c, copy);
            to->m_children.push_back(copy);
        }
    }
    finishReset();
}

int TTreeList::nodeCount() const
{
    int count = 0;
    std::vector<const TreeListNode *> pending{&m_root};
    while (!pending.empty()) {
        const TreeListNode *node = pending.back();
        pending.pop_back();
        count += node->childCount();
        for (const TreeListNode *c : node->m_children)
            pending.push_back(c);
    }
    return count;
}

bool TTreeList::CanStoreText(const QString &text, QString *why)
{
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        if (why)
            *why = QStringLiteral("\"%1\" holds a line break").arg(text);
        return false;
    }
    bool ok = true;
    win::AnsiCodePage::encode(text, &ok);
    if (!ok && why)
        *why = QStringLiteral("\"%1\" has characters that code page %2 cannot hold")
                   .arg(text, QString::number(win::AnsiCodePage::current()));
    return ok;
}

QModelIndex TTreeList::indexOfParent(const TreeListNode *parent) const
{
    return parent == &m_root ? QModelIndex() : indexOf(parent);
}

QModelIndex TTreeList::indexOf(const TreeListNode *node) const
{
    if (!node || node == &m_root)
        return QModelIndex();
    return createIndex(node->m_row, 0, const_cast<TreeListNode *>(node));
}

TreeListNode *TTreeList::nodeOf(const QModelIndex &index)
{
    return index.isValid() ? static_cast<TreeListNode *>(index.internalPointer()) : nullptr;
}

QModelIndex TTreeList::index(int row, int column, const QModelIndex &parent) const
{
    const TreeListNode *p = parent.isValid() ? nodeOf(parent) : &m_root;
    if (column != 0 || row < 0 || row >= p->childCount())
        return QModelIndex();
    return createIndex(row, 0, p->child(row));
}

QModelIndex TTreeList::parent(const QModelIndex &child) const
{
    const TreeListNode *node = nodeOf(child);
    return node ? indexOfParent(node->m_parent) : QModelIndex();
}

int TTreeList::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const TreeListNode *p = parent.isValid() ? nodeOf(parent) : &m_root;
    return p->childCount();
}

int TTreeList::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant TTreeList::data(const QModelIndex &index, int role) const
{
    const TreeListNode *node = nodeOf(index);
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->m_text;
    case ImageIndexRole:
        return int(node->m_kind);
    default:
        return QVariant();
    }
}
