// TApp_user_window: the panel's main window. It loads the settings and the archive list, holds
// the values the other windows share, switches its three pages and its two layouts, and leaves
// the program with its confirmations.
#pragma once

#include "archivelist/listsaving.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class ArchiverHooks;
class ConfigError;
class DunlivoPanel;
class HelpViewer;
class QCheckBox;
class QImage;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class SettingsPage;
class TDirectoryTreeView;
class TFileListView;
class TFindFile;
class TKovaImage;
class TKovaLanguage;
class TKovaPanel;
class TMouseMove;
class TSplitter;
class TTreeListView;
class TreeListNode;
class Tconfig;
class TkovaProvider;

// The 6-pixel bar between two panes of the archive list page. Dragging it asks the owner to move
// the boundary; the owner keeps both sides at their minimums.
class TSplitter : public QWidget
{
    Q_OBJECT

public:
    TSplitter(Qt::Orientation orientation, QWidget *parent);

    Qt::Orientation orientation() const { return m_orientation; }

Q_SIGNALS:
    // delta: how far the pointer has moved since the last report, along the splitter's axis.
    void dragged(int delta);
    // The drag has ended (the button went up).
    void Moved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::Orientation m_orientation;
    bool m_dragging = false;
    int m_last = 0;
};

class TApp_user_window : public QWidget
{
    Q_OBJECT

public:
    // Runs FormCreate. The panel gives the other windows (created after this one), the program
    // folder and the screen width. A ConfigError from creating the settings store leaves the
    // constructor: without a store there is no panel.
    explicit TApp_user_window(DunlivoPanel *panel);
    ~TApp_user_window() override;

    // ---- shared values ----
    QString ProgramDir;
    bool SettingsChanged = false;
    bool LoadingSettings = true;
    bool ActivatedOnce = false;
    bool ZoomedIn = false;
    int FileListPercent = 50;
    int ArchiveListPercent = 50;
    QString CurrentExtSet = QStringLiteral(".*");
    bool DragFromDirTree = false;
    QString CurrentDirPath;
    int PressX = 0;
    int PressY = 0;
    QString PrimaryDirName = QStringLiteral("\\Archive1");
    QString SecondaryDirName = QStringLiteral("\\Archive2");
    QString BrowserCommand;
    QString PrimaryDestination;
    QString SecondaryDestination;
    // The full archive folders as the destination hints show them ("---" when none is set).
    QString PrimaryDestinationHint;
    QString SecondaryDestinationHint;

    // ---- components ----
    std::unique_ptr<Tconfig> config;
    std::unique_ptr<TFindFile> FindFile1;
    TKovaLanguage *KovaLanguage1 = nullptr;
    TKovaImage *KovaImage1 = nullptr;
    TkovaProvider *kovaProvider1 = nullptr;
    TMouseMove *MouseMove1 = nullptr;
    QTimer *Timer1 = nullptr; // the 3-second status poll, running from creation
    // The link to the Archiver and the main window's Archiver commands.
    std::unique_ptr<ArchiverHooks> archiverHooks;

    // ---- controls ----
    TKovaPanel *KovaPanel1 = nullptr;     // the window's surface
    QToolButton *SpeedButton2 = nullptr;  // help
    QToolButton *SpeedButton15 = nullptr; // minimise
    QToolButton *zoombutton = nullptr;    // normal / large layout
    QToolButton *exit_speedbutton = nullptr;
    QToolButton *SpeedButton4 = nullptr; // start page
    QToolButton *SpeedButton5 = nullptr; // archive list page
    QToolButton *SpeedButton6 = nullptr; // settings page
    QToolButton *SpeedButton1 = nullptr; // manual archiving
    QToolButton *SpeedButton3 = nullptr; // close
    TKovaPanel *oldal1 = nullptr;
    TKovaPanel *oldal2 = nullptr;
    TKovaPanel *oldal3 = nullptr;

    // start page
    QLabel *Label24 = nullptr;
    TTreeListView *TLmain = nullptr;
    QToolButton *SpeedButton21 = nullptr; // language
    QLabel *Image2 = nullptr;             // flag of the language in force
    QToolButton *SpeedButton22 = nullptr; // texture
    QLabel *Image4 = nullptr;
    QToolButton *statusbutton = nullptr;
    QLabel *Image5 = nullptr;  // status light
    QLabel *Image1 = nullptr;  // logo
    QLabel *Image13 = nullptr; // about, and its hover twin
    QLabel *Image14 = nullptr;

    // archive list page
    QLabel *Label20 = nullptr;
    TKovaPanel *DirPanel = nullptr; // the directory tree pane
    TDirectoryTreeView *LsDT = nullptr;
    TKovaPanel *FilePanel = nullptr; // the file list pane (LFV's container)
    TFileListView *LFV = nullptr;
    TSplitter *Splitter2 = nullptr;
    TSplitter *Splitter1 = nullptr;
    TKovaPanel *BottomPanel = nullptr; // tool strip and TLarchive
    QCheckBox *CheckBox7 = nullptr;
    QLabel *Label22 = nullptr;
    QToolButton *SpeedButton17 = nullptr;
    QToolButton *SpeedButton16 = nullptr;
    QToolButton *SBdelitem = nullptr;
    QToolButton *SpeedButton20 = nullptr;
    QLabel *Label8 = nullptr;
    TTreeListView *TLarchive = nullptr;
    // the directory tree's pop-up menu
    QMenu *PopupMenu2 = nullptr;
    QAction *Adddir1 = nullptr;
    QAction *Extensions1 = nullptr;
    QAction *Subdir = nullptr;
    // the archive list's pop-up menu
    QMenu *PopupMenu3 = nullptr;
    QAction *delitem1 = nullptr;
    QAction *Delchild1 = nullptr;
    QAction *Extlist1 = nullptr;

    // settings page
    SettingsPage *settingsPage = nullptr;

    // ---- operations ----
    void FormCreate();
    void FormActivate();
    // The progress window hands the focus back to this window when it hides; that runs
    // FormActivate as an activation would.
    void watchProgressWindow(QWidget *progress);
    void ShowPage(int page);
    void ShowInfo(const QString &firstKey, const QString &secondKey);
    void ShowInfoText(const QString &firstKey, const QString &secondText);
    void SaveSettings();
    void ExitPanel();
    void ShowHelp();
    void ApplyZoomLayout();
    void StoreSplitRatios();
    void ApplySplitRatios(bool large);
    void LoadLogo();
    void SyncArchiveLists(int direction);
    // Opens the directory tree at path and shows the tree's path in Label20.
    void OpenDirectoryTree(const QString &path);

    // ---- archive list editing ----
    // Adds the directory selected in the tree with CurrentExtSet, and its subdirectories when
    // CheckBox7 is checked (with the progress window).
    void AddSelectedDirectory();
    // Adds the files selected in the file list.
    void AddSelectedFiles();
    // Deletes the selected item of the archive list, or only its children.
    void DeleteSelected(bool childOnly);
    // Opens the extension list window for the archive list's selection.
    void ShowExtensionList();
    // Shows path in the information window as a path the list cannot hold.
    void RefuseItem(const QString &path);

    // The archive list file beside the program.
    QString archiveListFile() const;
    // The command line that ShowHelp runs.
    QString helpCommandLine() const;
    // Asks the question of a key in the confirmation window, without the delayed Yes; the second
    // line is the text of secondKey, or empty.
    bool ask(const QString &key, const QString &secondKey = QString());
    bool askText(const QString &first, const QString &second);
    // Whether exit and deletions ask first: the settings page's confirmation box.
    bool confirmationOn() const;
    // Runs a handler's body; a registry failure is shown and abandons the rest. False then.
    bool guarded(const std::function<void()> &body);
    // Shows a registry failure the way guarded() does.
    void reportRegistryError(const ConfigError &error);
    // The text of one of the main window's keys: the language in force, else the English default.
    QString textOf(const QString &key) const;
    // The English default of one of the main window's keys; empty for a key it does not register.
    static QString defaultTextOf(const QString &key);
    // Gives a control its places in the normal and the large layout.
    void place(QWidget *widget, const QRect &normal, const QRect &large);
    DunlivoPanel *panel() const { return m_panel; }

    // Handlers of the shell's buttons.
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton2Click();
    void SpeedButton15Click();
    void zoombuttonClick();
    void exit_speedbuttonClick();
    void SpeedButton3Click();
    void Image13Click();
    void SpeedButton21Click();
    void SpeedButton22Click();
    void statusbuttonClick();
    void SpeedButton1Click();
    void SpeedButton16Click();
    void SpeedButton17Click();
    void SpeedButton20Click();
    void SBdelitemClick();
    void Adddir1Click();
    void Extensions1Click();
    void SubdirClick();
    void delitem1Click();
    void Delchild1Click();
    void Extlist1Click();
    void CheckBox7Click();
    void LsDTClick();
    void LsDTChange();
    void LsDTKey();
    void LFVEvent();
    void TLarchiveMouseDown();
    void TLarchiveChange();
    void TLarchiveDragDrop();
    void PopupMenu3Popup();
    // The Archiver's commands on the settings page: start/stop and restore.
    void SpeedButton7Click();
    void SpeedButton19Click();
    void UpdateStartStopCaption();
    void Timer1Timer();
    void Splitter1Moved();
    void Splitter2Moved();
    void KovaPanel1MouseMove(Qt::MouseButtons buttons, int x, int y);

    // How the program ends; QApplication::quit by default. Tests count it instead.
    std::function<void()> terminateHandler;
    // How a registry failure is shown; a message box by default.
    std::function<void(const ConfigError &)> registryErrorHandler;

    // The page shown (1 to 3).
    int currentPage() const;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Placement
    {
        QWidget *widget;
        QRect normal;
        QRect large;
    };

    void buildTitleStrip();
    void buildStartPage();
    void buildArchivePage();
    void buildArchiveMenus();
    void updateDirectoryPath();
    void showAddedNode(TreeListNode *node);
    void buildSettingsPage();
    void applyPlacements();
    void layoutArchivePage(int fileListWidth, int bottomHeight);
    void moveSplitter2(int delta);
    void moveSplitter1(int delta);
    void updateSplitterHints();
    void registerDefaults();
    void applyTexts();
    void showFlag(const QImage &flag);
    void loadDestinations();
    void loadArchiveList();
    void setStatusLight();
    void placeAndShow(QWidget *window, QPoint large, QPoint normal);
    void terminate();

    DunlivoPanel *m_panel;
    std::vector<Placement> m_placements;
    bool m_closing = false;
    bool m_activating = false;
    bool m_shownOnce = false;
    ArchiveListSaving m_listSaving;
    bool m_listFileFaulty = false; // afiles.lst could not be read at start and is not yet replaced
    HelpViewer *m_helpViewer = nullptr;
};
