// TTreeListView: the tree control that shows a TTreeList with the bitmap of each node's kind and
// each name as shownName shows it, and keeps the list's selection and expanded nodes in step with
// what the user does. It never starts a drag of its own items; as a drop target it reports drops
// and leaves them to its owner.
#pragma once

#include "core/archivelist/treelist.h"

#include <QPixmap>
#include <QPointer>
#include <QTreeView>

class QIdentityProxyModel;

class TTreeListView : public QTreeView
{
    Q_OBJECT

public:
    // Shows its own, empty TTreeList.
    explicit TTreeListView(QWidget *parent = nullptr);
    ~TTreeListView() override;

    TTreeList *treeList() const { return m_list.data(); }
    // Shows another list (not owned) instead of the current one.
    void setTreeList(TTreeList *list);

    // The bitmap of a node kind (0 to 4) from the program's resources, white made transparent;
    // a null pixmap for any other number.
    static QPixmap nodeBitmap(int imageIndex);

    QModelIndex viewIndexOf(const TreeListNode *node) const;

    // Lets drags that carry data of this type be dropped here (none at creation, so no drops).
    // Other drags are refused: what they carry is not what a drop here adds.
    void setDropFormat(const QString &mimeType);

Q_SIGNALS:
    // A mouse button went down, after the view has handled it (the selection it made is in force).
    void MouseDown();
    // Something was dropped on the view.
    void DragDrop();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool accepts(const QDropEvent *event) const;

    QString m_dropFormat;

    void listSelected(TreeListNode *node);
    void listExpanded(TreeListNode *node, bool expanded);
    void applyExpandedStates();

    QPointer<TTreeList> m_list;
    TTreeList *m_ownList = nullptr;
    QIdentityProxyModel *m_proxy = nullptr;
    QList<QMetaObject::Connection> m_listConnections;
};
