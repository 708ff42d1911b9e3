// TDriveTreeModel: the folders of the prefix's drives as a tree for browsing, below one pseudo-root
// "Drives". Folders are read only when a view opens them, sorted by name without regard to case;
// hidden and system folders are left out, as the directory walker leaves them out.
#pragma once

#include <QAbstractItemModel>
#include <QString>

#include <memory>
#include <vector>

class TDriveTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // The path text of the pseudo-root.
    static QString rootPath() { return QStringLiteral("Drives"); }

    enum class Kind { Root, Drive, Folder };
    // The role under which data() gives an item's Kind as an int.
    static constexpr int KindRole = Qt::UserRole + 1;

    explicit TDriveTreeModel(QObject *parent = nullptr);
    ~TDriveTreeModel() override;

    // Forgets every folder read so far and reads the drives again.
    void Rebuild();

    // The path text of an item: "Drives" for the pseudo-root, "C:\" for a drive, "C:\Data" for a
    // folder. The pseudo-root's for an invalid index.
    QString pathOf(const QModelIndex &index) const;
    // The item of a path (a drive root with or without its backslash, a folder with or without a
    // trailing one), reading the folders on the way. Where a part of the path is not in the tree,
    // the deepest item found; the pseudo-root for "Drives", an empty path or an unknown drive.
    QModelIndex indexOfPath(const QString &path);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Node
    {
        QString name;
        QString path;
        Kind kind;
        Node *parent;
        int row;
        bool read; // the subfolders have been read
        std::vector<std::unique_ptr<Node>> children;
    };

    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(const Node *node) const;
    void readChildren(Node *node);
    Node *childNamed(Node *node, const QString &name);

    Node m_top; // invisible; holds the pseudo-root
};
