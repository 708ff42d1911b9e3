// ArchiveListPage: the main window's archive list page: the directory tree and the file list
// with the path above them, the archive list below with its tool strip, the splitters between
// the panes, the pop-up menus, and the list's editing. Every edit ends in listEdited().
#pragma once

#include "latepage.h"

#include "gui/appearance/kovapanel.h"

#include <functional>
#include <memory>

class PanelDialogs;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QToolButton;
class TDirectoryTreeView;
class TFileListView;
class TFindFile;
class TSplitter;
class TTreeList;
class TTreeListView;
class TreeListNode;

class ArchiveListPage : public TKovaPanel
{
    Q_OBJECT

public:
    // geometry: the page's place in the normal layout, where the panes are first laid out; list:
    // the archive list it shows and edits, kept by the caller; dialogs asks, informs and shows the
    // progress.
    ArchiveListPage(QWidget *parent, TkovaProvider *provider, const QRect &geometry, TTreeList &list,
                    PanelDialogs &dialogs);
    ~ArchiveListPage() override;

    // What the main window's start has done to its pages so far, for a page built after it.
    struct StartState
    {
        LatePage page;
        QString drive;            // where the directory tree opens
        int fileListPercent = 50; // the shares read at start
        int archiveListPercent = 50;
        bool laidOut = false; // the start laid the panes out by the shares
        bool confirmationOn = true;
    };
    // Gives a page built after the start, hidden, what the start gave the other pages, in the
    // start's order.
    void catchUp(const StartState &start);

    // The archive list being edited.
    TTreeList *list() const;
    // Opens the directory tree at path and shows the tree's path above it.
    void openDirectoryTree(const QString &path);
    // Entering the page: the tree is read anew before the page shows, then opened at the folder
    // last shown (the program's drive the first time) with that folder's files.
    void rebuildDirectoryTree();
    void openLastFolder(const QString &programDir);
    // Adds the directory selected in the tree with the current extension set, and its
    // subdirectories when the box says so (with the progress window).
    void addSelectedDirectory();
    // The extension set directories are added with; every extension again at each activation
    // of the window.
    QString extensionSet() const { return m_extensionSet; }
    void resetExtensionSet();
    // Whether deletions ask first (the settings page's confirmation box).
    void setConfirmationOn(bool on) { m_confirmationOn = on; }
    void applyTexts(const std::function<QString(const char *)> &text);
    // Adds with the extension set chosen in the extension list window from now on, and shows it on
    // the extensions button.
    void takeExtensionSet(const QString &set);

    // The panes' shares in percent: the file list's of the width, the archive list's of the height.
    int fileListPercent() const { return m_fileListPercent; }
    int archiveListPercent() const { return m_archiveListPercent; }
    void setShares(int fileListPercent, int archiveListPercent);
    // Takes a share from the panes as they are.
    void measureFileListShare();
    void measureArchiveListShare();
    // Lays the panes out by the shares for the page's size; the large layout only keeps each pane
    // at its least, the normal one also at its most.
    void applyShares(bool large);
    void updateSplitterHints();

Q_SIGNALS:
    // The list was edited: it is to be copied to the start page and saved.
    void listEdited();
    // A splitter drag has ended.
    void splitterMoved();
    // The extension button was pressed at this point of it (the window it opens is placed by it).
    void buttonPressed(QPoint at);
    // The extension list window is to open for the archive list's selection.
    void extensionListRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildBottomStrip();
    void buildMenus();
    void layoutPanes(int fileListWidth, int bottomHeight);
    void moveFileListSplitter(int delta);
    void moveArchiveListSplitter(int delta);
    void updateDirectoryPath();
    void showAddedNode(TreeListNode *node);

    // Events of the views.
    void directoryTreeClicked();
    void directoryTreeChanged();
    void directoryTreeKey();
    void fileListUsed();
    void archiveListPressed();
    void archiveListSelectionChanged();
    void archiveListDropped();
    void prepareListMenu();

    // Commands.
    void addDirectory();
    void addSelectedFiles();
    void deleteSelected(bool childOnly);
    void refuseItem(const QString &path);

    PanelDialogs &m_dialogs;
    std::function<QString(const char *)> m_text;
    std::unique_ptr<TFindFile> m_findFile;
    QString m_extensionSet;
    QString m_currentDirPath;
    bool m_dragFromDirectoryTree = false;
    bool m_confirmationOn = false;
    int m_fileListPercent = 50;
    int m_archiveListPercent = 50;

    QLabel *m_pathLabel;
    TKovaPanel *m_directoryPane;
    TDirectoryTreeView *m_directoryTree;
    TKovaPanel *m_filePane;
    TFileListView *m_fileList;
    TSplitter *m_paneSplitter;
    TSplitter *m_listSplitter;
    TKovaPanel *m_bottomPane;
    QLabel *m_listCaption = nullptr;
    QCheckBox *m_subdirectoriesBox = nullptr;
    QLabel *m_subdirectoriesLabel = nullptr;
    QToolButton *m_addDirectoryButton = nullptr;
    QToolButton *m_addFilesButton = nullptr;
    QToolButton *m_deleteButton = nullptr;
    QToolButton *m_extensionsButton = nullptr;
    TTreeListView *m_listView = nullptr;
    QMenu *m_directoryMenu = nullptr;
    QAction *m_addDirectoryAction = nullptr;
    QAction *m_extensionsAction = nullptr;
    QAction *m_subdirectoriesAction = nullptr;
    QMenu *m_listMenu = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_deleteChildrenAction = nullptr;
    QAction *m_extensionListAction = nullptr;
};
