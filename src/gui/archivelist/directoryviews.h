// The browsing views of the archive list page: the directory tree over the prefix's drives and the
// file list of the folder chosen in it. Both tell of the user's clicks, presses and keys after
// handling them, so that a handler sees the selection they made.
#pragma once

#include <QListView>
#include <QPointer>
#include <QTreeView>

class TDriveTreeModel;
class TFileListModel;
class TFileListView;

class TDirectoryTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit TDirectoryTreeView(QWidget *parent = nullptr);

    TDriveTreeModel *driveModel() const { return m_model; }
    // The file list that shows the files of the folder selected here.
    void setFileList(TFileListView *files);

    // The path text of the selected folder: "Drives" for the pseudo-root (and when nothing is
    // selected), a drive root with its backslash ("C:\"), another folder without one.
    QString Path() const;
    // Reads the drives and forgets every folder read; the tree is closed and nothing is selected.
    void Rebuild();
    // Opens the tree at path and selects it (the deepest existing folder on the way when it is
    // not there; the pseudo-root for "Drives" or an unknown drive).
    void OpenAt(const QString &path);

Q_SIGNALS:
    void Click();
    void Change();
    void Collapse();
    void MouseDown();
    void KeyDown();
    void KeyUp();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showFolder();

    TDriveTreeModel *m_model;
    QPointer<TFileListView> m_files;
    bool m_scrollPending = false; // opened while hidden: brought into view at the next show
};

class TFileListView : public QListView
{
    Q_OBJECT

public:
    explicit TFileListView(QWidget *parent = nullptr);

    TFileListModel *fileModel() const { return m_model; }
    // Shows the files of folder; "Drives" shows none.
    void setFolder(const QString &folder);
    // The folder shown, ending in a backslash; empty while none is.
    QString Folder() const;
    int SelCount() const;
    // The names of the selected files, in list order.
    QStringList SelectedNames() const;

Q_SIGNALS:
    void Click();
    void Change();
    void MouseDown();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    TFileListModel *m_model;
};
