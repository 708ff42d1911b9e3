// TrewriteF: the restore window. It shows the archive list kept in the chosen archive, lists the
// files the archive holds for a chosen directory, and gives back the selected files, a whole
// directory (with its subdirectories when asked) or the archive's list. Files are decompressed or
// copied and put in place in the command's order on worker threads; the GUI thread shows each
// failure before anything after it happens, and every outcome goes to restore.log. The file list shows each
// archived copy's size and time and marks a file whose original is gone; the find and versions window opens
// from here and gives its versions back through this window's restore.
#pragma once

#include "core/restore/restorerun.h"

#include "versionsf.h"

#include "gui/appearance/panelwindow.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ArchivedFileDelegate;
class PanelDialogs;
class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QToolButton;
class RestoreLog;
class TTreeList;
class TTreeListView;
class Tconfig;

namespace restore {
struct ArchivedCopy;
}

class TrewriteF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TrewriteF(PanelDialogs &dialogs, QWidget *parent = nullptr);
    ~TrewriteF() override;

    // Opens the window on a side's archive (primary true for the first one): its tree shows the
    // archive list kept in that archive, or archiveList when the archive keeps none, under the
    // heading. dirName is the side's archive folder name with its leading "\". False when the
    // window was not shown: the kept list could not be read (that is reported) or a registry
    // failure abandoned the opening.
    bool Open(bool primary, const QString &dirName, const QString &heading, const TTreeList &archiveList);
    // Shows a list in the tree, its top level expanded (after the archive's list was restored).
    void showArchiveList(const TTreeList &list);
    // Clears the file list of the directory chosen in the tree.
    void ClearFileList();

public Q_SLOTS:
    void restoreFiles();
    void restoreDirectory();
    void restoreArchiveList();

Q_SIGNALS:
    // The user asked for the archive's copy of the archive list to replace the panel's list.
    void archiveListRestoreRequested(bool primary);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void showChosenItem();
    void fileListClicked();
    void selectAll();
    void goBack();

private:
    // One step of a restore command, in the order the command takes them.
    struct Step
    {
        enum class Kind { File, NoFileSelected, Refused, TooLong };
        Kind kind;
        QString name; // the refused name, or the path that is too long
        size_t item = 0;
    };
    struct Plan
    {
        std::vector<Step> steps;
        std::vector<RestoreRun::Item> items;
    };
    struct Side
    {
        QString destination;
        QString folderName;
        bool compressed = true;
        bool converting = false; // the Archiver is moving the archive to the other form
    };

    // What a restore command came to, for its closing report.
    struct Outcome
    {
        QString keepNewer; // the suffix a newer file at a target is kept under
        int restored = 0;
        int failed = 0;
        int kept = 0;
        QString firstKept; // the first newer file kept, under its new name
    };

    // Says so and returns true while the side's archive is being converted.
    bool refusedWhileConverting(const Side &side);
    // Says so, logs it and returns true when the side's archive folder cannot be reached (no
    // destination, or a disk that is not there).
    bool refusedUnreachable(const Side &side);
    // Lists the files of an archive folder in the file list; with describe, each with its archived
    // copy's size and time and whether its original (below the chosen folder) is gone.
    void showFolder(const QString &archiveFolder, bool describe = false);
    void describeFiles(const QString &archiveFolder, bool isCompressed);
    // The origin folder chosen in the tree, without a trailing "\" (C: for a drive).
    QString chosenFolder() const;
    // Opens the find and versions window, on the versions of origin when it is not empty.
    void openVersions(const QString &origin);
    // Gives an archived copy back at target, by the rules of every restore.
    void restoreCopies(const std::vector<TversionsF::Chosen> &copies);
    // The names of the selected file list entries, from the last to the first.
    QStringList selectedFromLast() const;
    // The steps for the selected entries below origin P, or for the file P itself.
    void planWorker(Plan &plan, const Side &side, const QString &P, const QStringList &selectedNames);
    void addFile(Plan &plan, const Side &side, const restore::FileOrigin &origin);
    bool readSide(Side *side);
    // Reads the side and asks before a restore of chosen files: false when the archive cannot be
    // reached, the user says no, or the archive is being converted (each said so).
    bool confirmedRestore(Side *side);
    // Runs a command's steps: the files made ready ahead, then put in place in order.
    void execute(const Plan &plan, const Side &side);
    using Inform = std::function<void(const QString &first, const QString &second)>;
    // Counts a file the run put in place, logs it unless the run did, and shows its failure with
    // inform.
    void putInPlace(const RestoreRun::Item &item, const RestoreRun::Taken &taken, RestoreLog &log,
                    const Inform &inform, Outcome &outcome);
    // The log's line of the newer file at target kept under the name kept (none when it is empty).
    static void logKept(RestoreLog &log, const QString &target, const QString &kept);
    // The log's lines of a file restored: the newer file kept, then the file.
    static void logRestored(RestoreLog &log, const QString &target, const QString &kept);
    // The Windows path of the newer file kept beside target under the name kept.
    static QString keptPath(const QString &target, const QString &kept);
    // The closing report of a command: files restored, failed and kept.
    void report(const Outcome &outcome);
    QString failureText(int code) const;
    static bool failureNamesTarget(int code);
    QStringList nodeChain() const;
    QString text(const char *key) const;
    void registerDefaults();
    void applyTexts();
    // The side's archive folder: the destination (one trailing "\" removed) + "\" + folder name.
    QString archiveRoot();
    // The side's compression flag, or the archive's own record of its form.
    bool compressed();
    Tconfig &store();

    PanelDialogs &m_dialogs;
    std::unique_ptr<Tconfig> m_config;
    // The side shown and its archive folder name (with its leading "\").
    bool m_primary = true;
    QString m_dirName;

    QLabel *headingLabel = nullptr;
    TTreeListView *archiveTree = nullptr;
    QLabel *fileListLabel = nullptr;
    QListWidget *fileList = nullptr;
    QMenu *fileListMenu = nullptr;
    QAction *selectAllAction = nullptr;
    QAction *versionsAction = nullptr;
    ArchivedFileDelegate *fileDelegate = nullptr;
    TversionsF *m_versions = nullptr;
    QCheckBox *subdirectoriesBox = nullptr;
    QLabel *subdirectoriesLabel = nullptr; // a click toggles the box
    QToolButton *restoreFilesButton = nullptr;
    QToolButton *restoreDirectoryButton = nullptr;
    QToolButton *restoreListButton = nullptr;
    QToolButton *backButton = nullptr;
    QToolButton *versionsButton = nullptr;
};
