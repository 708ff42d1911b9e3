// TApp_user_window: the panel's main window, a frame around its three pages. It holds the title
// strip, switches the pages and the two layouts, loads the settings and the archive list at the
// first activation, keeps the values the other windows share, and leaves the program with its
// confirmations.
#pragma once

#include "archivedestinations.h"
#include "archivelistfile.h"
#include "latepage.h"
#include "settingsvalues.h"
#include "zoomplacements.h"

#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class ArchiveListPage;
class ArchiverCommands;
class Communicator;
class ConfigError;
class HelpViewer;
class PanelDialogs;
class QTimer;
class SettingsPage;
class StartPage;
class TKovaImage;
class TKovaLanguage;
class TKovaPanel;
class TMouseMove;
class TTreeList;
class TitleStrip;
class Tconfig;
class TkovaProvider;
struct OpeningPlace;

class TApp_user_window : public QWidget
{
    Q_OBJECT

public:
    // Builds the window and loads what it can before the first activation. dialogs shows the
    // questions, information, progress and registry failures of the panel's windows (created
    // after this one). A ConfigError from creating the settings store leaves the constructor: without a store
    // there is no panel.
    TApp_user_window(PanelDialogs &dialogs, const QString &programDir, int screenWidth);
    ~TApp_user_window() override;

    // Appends windows to those the first activation registers with the language component and
    // the texture image, in their order (this one first). Windows given after the first
    // activation registered its windows are registered at once and get what the activation gave
    // the others: the language's texts and flag, the texture, the about window's logo and the
    // restore window's empty file list.
    void registerWindows(const QList<QWidget *> &windows);

    // ---- what the other windows share ----
    const QString &programDir() const { return m_programDir; }
    Tconfig &config() const { return *m_config; }
    TKovaLanguage *language() const { return m_language; }
    TKovaImage *texture() const { return m_texture; }
    // The link to the Archiver and the main window's Archiver commands.
    ArchiverCommands &archiverCommands() const { return *m_archiverCommands; }
    StartPage *startPage() const { return m_startPage; }
    // The archive list and settings pages are built after the first paint (finishPages), or when
    // asked for.
    ArchiveListPage *archiveListPage();
    SettingsPage *settingsPage();
    bool zoomedIn() const { return m_zoomedIn; }
    bool activatedOnce() const { return m_activatedOnce; }
    bool loadingSettings() const { return m_loadingSettings; }
    void setLoadingSettings(bool loading) { m_loadingSettings = loading; }
    bool settingsChanged() const { return m_settingsChanged; }
    void setSettingsChanged(bool changed) { m_settingsChanged = changed; }
    // Where the last of the buttons that place the window they open was pressed, in the button.
    QPoint pressPosition() const { return m_pressPosition; }
    // Where a window opened from a button is placed from: this window, the press, the layout.
    OpeningPlace openingPlace() const;
    // An archive side's destination, its folder name ("\Archive1") and the full folder as the
    // hints show it ("---" when no destination is set).
    QString destination(bool primary) const { return m_destinations.side(primary).destination; }
    QString dirName(bool primary) const { return m_destinations.side(primary).dirName; }
    QString destinationHint(bool primary) const { return m_destinations.side(primary).hint; }
    void setDestination(bool primary, const QString &destination, const QString &dirName, const QString &hint)
    {
        m_destinations.side(primary) = {destination, dirName, hint};
    }

    // ---- the archive list ----
    // The list the start page shows and the one the archive list page edits.
    TTreeList *startList() const;
    TTreeList *archiveList() const;
    // The archive list file beside the program.
    QString archiveListFile() const { return m_listFile->path(); }
    // Copies one list to the other (1: start page to archive list page, 2: back) and writes the file.
    void SyncArchiveLists(int direction) { m_listFile->sync(direction); }

    // ---- pages and layouts ----
    // Builds what the first frame does not show: the settings and archive list pages.
    void finishPages()
    {
        settingsPage();
        archiveListPage();
    }
    // The page shown (1 to 3), and showing one; other numbers change nothing.
    int currentPage() const;
    void showPage(int page);
    // The progress window hands the focus back to this window when it hides; that runs the
    // activation again.
    void watchProgressWindow(QWidget *progress)
    {
        m_progress = progress;
        progress->installEventFilter(this);
    }
    // One tick of the 3-second Archiver status poll.
    void pollArchiverStatus();
    void saveSettings();
    // Whether exit and deletions ask first: the settings page's confirmation box.
    bool confirmationOn();
    // Places a window the start page opens by this one (large or normal layout) and runs it.
    void placeAndShow(QWidget *window, QPoint large, QPoint normal);

    // ---- texts, questions and failures ----
    void ShowInfoText(const QString &firstKey, const QString &secondText);
    // Asks the question of a key, without the delayed Yes; the second line is the text of
    // secondKey, or empty.
    bool ask(const QString &key, const QString &secondKey = QString());
    // Runs a handler's body; a registry failure is shown and abandons the rest. False then.
    bool guarded(const std::function<void()> &body);
    // The text of one of the main window's keys: the language in force, else the English default.
    QString textOf(const QString &key) const;
    // Shows a registry failure in a message box of its own: without a window, or when no handler is set.
    static void showRegistryErrorBox(const ConfigError &error);

    // How the program ends; QApplication::quit by default. Tests count it instead.
    std::function<void()> terminateHandler;

Q_SIGNALS:
    // A language was applied; its flag is shown by the language window too.
    void languageApplied(const QImage &flag);
    // The first activation loaded the logo; the about window shows the built-in one.
    void aboutLogoReady(const QPixmap &logo);
    // The first activation read the settings: the restore window starts with an empty file list.
    void restoreListResetRequested();
    // An activation is over; the first one has loaded the settings and the archive list.
    void activated();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildTitleStrip();
    void buildArchivePage();
    // Dragging the surface moves the window.
    void letMove(TKovaPanel *surface);
    std::function<QString(const char *)> keyText() const;
    // What the start gave every page so far, for a page built now.
    LatePage latePage() const;
    void registerDefaults();
    void applyTexts();
    void createComponents();
    void activate();
    void showHelp();
    void toggleZoom();
    void applyZoomLayout();
    void storeSplitRatios();
    void exitPanel();
    void terminate();

    PanelDialogs &m_dialogs;
    QString m_programDir;
    int m_screenWidth;
    QList<QWidget *> m_registeredWindows;
    QWidget *m_progress = nullptr;
    std::unique_ptr<Tconfig> m_config;
    std::unique_ptr<Communicator> m_communicator;
    TKovaLanguage *m_language = nullptr;
    TKovaImage *m_texture = nullptr;
    TkovaProvider *m_provider = nullptr;
    TMouseMove *m_mover = nullptr;
    QTimer *m_statusPoll = nullptr; // the 3-second status poll, running from creation
    std::unique_ptr<ArchiverCommands> m_archiverCommands;
    ZoomPlacements m_placements;
    std::unique_ptr<ArchiveListFile> m_listFile;
    HelpViewer *m_helpViewer = nullptr;

    bool m_settingsChanged = false;
    bool m_loadingSettings = true;
    bool m_activatedOnce = false;
    bool m_zoomedIn = false;
    QPoint m_pressPosition;
    QString m_browserCommand;
    ArchiveDestinations m_destinations;
    bool m_closing = false;
    bool m_activating = false;
    bool m_shownOnce = false;
    // How far the first activation went: what windows given later are still to get.
    bool m_windowsRegistered = false;
    bool m_aboutLogoGiven = false;
    bool m_restoreListReset = false;

    TKovaPanel *m_surface = nullptr;
    TitleStrip *m_titleStrip = nullptr;
    StartPage *m_startPage = nullptr;
    ArchiveListPage *m_archivePage = nullptr;
    // The list the archive list page edits; it is loaded before the page is built.
    TTreeList *m_archiveList = nullptr;
    // What the start did to the archive list page, done to it when it is built: the panes' shares
    // read from the settings, and whether they were laid out.
    int m_fileListShare = 50;
    int m_archiveListShare = 50;
    bool m_archivePaneLaidOut = false;
    SettingsPage *m_settingsPage = nullptr;
    // What the first activation read for the settings page.
    SettingsValues m_settingsValues;
};
