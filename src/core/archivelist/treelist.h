// TTreeList: the archive list as a tree of drives, directories and files, with the operations
// the panel edits it by, its file afiles.lst, and an item model that views show it through.
#pragma once

#include "listerror.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

class TTreeList;

// One node of the archive list. Its text is the name, followed by " [" + extension set + "]" for
// an archived directory or drive; its image index is the kind (TTreeList::NodeKind).
class TreeListNode
{
public:
    // Only a TTreeList makes nodes.
    class Key
    {
        friend class TTreeList;
        Key() = default;
    };
    TreeListNode(Key, TreeListNode *parent, QString text, int kind);

    const QString &text() const { return m_text; }
    int imageIndex() const { return m_kind; }
    // The parent node; none for a top-level (drive) node.
    TreeListNode *parent() const { return m_parent && m_parent->m_parent ? m_parent : nullptr; }
    int childCount() const { return int(m_children.size()); }
    TreeListNode *child(int row) const { return m_children[size_t(row)]; }
    // The position among its siblings.
    int row() const { return m_row; }
    // 0 for a top-level node, 1 for its children, and so on.
    int level() const;
    bool expanded() const { return m_expanded; }

    TreeListNode(const TreeListNode &) = delete;
    TreeListNode &operator=(const TreeListNode &) = delete;

private:
    friend class TTreeList;
    using ChildIndex = QHash<QString, QVarLengthArray<TreeListNode *, 1>>;

    QString m_text;
    TreeListNode *m_parent;                 // the hidden root for top-level nodes; none for the root itself
    std::vector<TreeListNode *> m_children; // owned by the list's node store
    // Children by upper-cased name, made when a parent is first searched and kept up to date
    // after that, so that finding a child does not walk a long list.
    std::unique_ptr<ChildIndex> m_index;
    int m_row = 0;
    qint8 m_kind = 0;
    bool m_expanded = false;
};

// Where a list's nodes live: in blocks of many nodes, so that a list of many nodes is made and
// freed in few large allocations. A node keeps its place until the store is cleared.
class TreeNodeStore
{
public:
    TreeNodeStore() = default;
    ~TreeNodeStore() { clear(); }
    TreeNodeStore(const TreeNodeStore &) = delete;
    TreeNodeStore &operator=(const TreeNodeStore &) = delete;

    template <typename... Args> TreeListNode *make(Args &&...args)
    {
        if (m_blocks.empty() || m_used == kBlockNodes) {
            m_blocks.push_back(std::make_unique_for_overwrite<Place[]>(kBlockNodes));
            m_used = 0;
        }
        return ::new (&m_blocks.back()[m_used++]) TreeListNode(std::forward<Args>(args)...);
    }
    // Destroys every node made.
    void clear();

private:
    struct alignas(TreeListNode) Place
    {
        std::byte bytes[sizeof(TreeListNode)];
    };
    static constexpr int kBlockNodes = 512;

    std::vector<std::unique_ptr<Place[]>> m_blocks;
    int m_used = 0; // of the last block
};

class TTreeList : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum NodeKind {
        FileNode = 0,
        DirectoryNode = 1,
        DriveNode = 2,
        ArchivedDirectoryNode = 3,
        ArchivedDriveNode = 4,
    };
    // The role under which data() gives a node's image index.
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    explicit TTreeList(QObject *parent = nullptr);
    ~TTreeList() override;

    // Clears the tree and fills it from the list file at fileName, a Windows path ("C:\...").
    // Throws ListFileError when the file cannot be read, ETreeViewError when the list is damaged
    // (the text names the line): at a line whose level does not fit (the nodes read before it
    // stay), or once every line is read when a line holds bytes that are not text in the code
    // page or a name that cannot be one step of a path. Such a name (a drive that is not one
    // letter A to Z in either case and a colon; below a drive an empty name, "." or "..", or one
    // holding "\", "/" or ":") is left out of the tree with everything below it. An empty line
    // holds no node. Views are refreshed once.
    void LoadFromFile(const QString &fileName);
    // Writes the whole tree to the list file at fileName, a Windows path, in the system's ANSI
    // code page. Throws ListFileError when a text cannot be stored (a character outside the code
    // page, a line break) or the file cannot be written; the previous file then stays as it was.
    void SaveToFile(const QString &fileName) const;
    // The file's bytes for the tree, as SaveToFile writes them; throws as SaveToFile does for a
    // text that cannot be stored.
    QByteArray ListFileBytes() const;
    // Fills the tree from the bytes of a list file, as LoadFromFile does.
    void LoadFromBytes(const QByteArray &bytes);
    // What the last load took as it stands but found amiss in an extension set, one text per line
    // ("Line 12: the set is not closed by "]""), as extensionset::setProblem says it: the first
    // kKeptReadNotes of ReadNoteCount(). A set only decides which files are archived; it is
    // never a path, and such a set does not make the list damaged.
    const QStringList &ReadNotes() const { return m_readNotes; }
    int ReadNoteCount() const { return m_readNoteCount; }
    static constexpr int kKeptReadNotes = 50;

    // Finds or makes the nodes of a directory path (C:\Data\Sub, C:\ or C:) and gives the last
    // one extSet (an empty extSet leaves a found node's set as it is). None for a path that is
    // not a drive path (a name of four or more characters without a backslash).
    TreeListNode *AddDir(const QString &path, const QString &extSet);
    // Finds or makes the nodes of a file path; the last node becomes a file node. None for a path
    // that is not a drive path.
    TreeListNode *AddFile(const QString &path);
    // Deletes node, or only its children, then removes the steps left empty above it. A file node
    // goes even when its text still holds the set of the directory it was made over.
    void DeleteNode(TreeListNode *node, bool childrenOnly);

    static QString NodeName(const TreeListNode *node);
    static QString NodeExt(const TreeListNode *node);
    void SetNodeExt(TreeListNode *node, const QString &extSet);

    // The selected node and its path: a directory ends in "\" (C:\Data\), a file does not, a
    // drive gives its root (C:\). Empty when nothing is selected.
    TreeListNode *Selected() const { return m_selected; }
    void SetSelected(TreeListNode *node);
    QString Path() const;
    // True when a node is selected and it is a drive or directory.
    bool Dir() const;
    static QString NodePath(const TreeListNode *node);

    // Expands each top-level node by one level.
    void ExpandTopLevel();
    // Expands every ancestor of node from the top down, and node itself.
    void MakeNodeVisible(TreeListNode *node);
    void SetExpanded(TreeListNode *node, bool expanded);

    void Clear();
    // Replaces this tree by a copy of other's nodes, texts and kinds, all collapsed.
    void Assign(const TTreeList &other);

    int topLevelCount() const { return m_root.childCount(); }
    TreeListNode *topLevelNode(int row) const { return m_root.child(row); }
    int nodeCount() const;

    QModelIndex indexOf(const TreeListNode *node) const;
    static TreeListNode *nodeOf(const QModelIndex &index);

    // A text that the list file cannot hold: one with a line break, or a character the code page
    // cannot represent. Returns false and says why.
    static bool CanStoreText(const QString &text, QString *why = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void selectedChanged(TreeListNode *node);
    void expandedChanged(TreeListNode *node, bool expanded);

private:
    TreeListNode *makeNode(TreeListNode *parent, QString text, int kind);
    void releaseSubtree(TreeListNode *node);
    void clearNodes();
    void finishReset();
    void fillFromBytes(const QByteArray &bytes);
    TreeListNode *AddPath(TreeListNode *parent, const QString &path, const QString &extSet);
    TreeListNode *addStep(TreeListNode *searchIn, const QString &name, int base, const QString &extSet);
    TreeListNode *findChild(TreeListNode *parent, const QString &name);
    TreeListNode *appendChild(TreeListNode *parent, const QString &text, int kind);
    void removeNode(TreeListNode *node);
    void removeChildren(TreeListNode *node);
    void forgetSelectionWithin(const TreeListNode *subtree);
    QModelIndex indexOfParent(const TreeListNode *parent) const;

    TreeListNode m_root;
    // Every node lives here; the places of deleted nodes are reused by the next ones made.
    TreeNodeStore m_nodes;
    std::vector<TreeListNode *> m_freeNodes;
    TreeListNode *m_selected = nullptr;
    bool m_selectionDropped = false;
    QStringList m_readNotes;
    int m_readNoteCount = 0;
};
