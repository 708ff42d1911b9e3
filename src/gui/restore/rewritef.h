// TrewriteF: the restore window. It shows the archive list kept in the chosen archive, lists the
// files the archive holds for a chosen directory, and gives back the selected files, a whole
// directory (with its subdirectories when asked) or the archive's list. Files are decompressed or
// copied ahead on worker threads and put in place in the command's order on the GUI thread;
// every outcome goes to restore.log.
#pragma once

#include "core/restore/restorerun.h"

#include "gui/appearance/panelwindow.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QToolButton;
class RestoreLog;
class TTreeListView;
class Tconfig;

// What the restore window needs of the main window and the common dialogs.
struct RewriteHost
{
    // The archive folder name of a side (1 primary, 2 secondary) with its leading "\".
    std::function<QString(int side)> dirName;
    // Asks a question in the confirmation window (without the delayed Yes); true for Yes.
    std::function<bool(const QString &first, const QString &second)> ask;
    // Shows two lines in the information window and waits until it is closed.
    std::function<void(const QString &first, const QString &second)> inform;
    // Shows the progress window with a line (or changes the line), and says the work is done.
    std::function<void(const QString &line)> showProgress;
    std::function<void()> progressDone;
    // Replaces the panel's archive list by the copy kept in a side's archive.
    std::function<void(int side)> restoreArchiveList;
    // Runs a body that reads the registry; a failure is shown and abandons it (false then).
    std::function<bool(const std::function<void()> &body)> guarded;
    // The folder of restore.log.
    std::function<QString()> logFolder;
};

class TrewriteF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TrewriteF(QWidget *parent = nullptr);
    ~TrewriteF() override;

    void setHost(RewriteHost host) { m_host = std::move(host); }

    QLabel *Label1 = nullptr;            // heading: which archive the restore reads
    TTreeListView *TLrewrite = nullptr;  // the archive list kept in that archive
    QLabel *Label2 = nullptr;            // the file list's caption
    QListWidget *FileListBox1 = nullptr; // the files the archive holds for the chosen directory
    QMenu *PopupMenu = nullptr;          // the file list's menu
    QAction *selectall1 = nullptr;
    QCheckBox *CBsubdir = nullptr;       // restore directory: with every subdirectory
    QLabel *Lsubdir = nullptr;           // CBsubdir's caption; a click toggles the box
    QToolButton *SpeedButton2 = nullptr; // restore file(s)
    QToolButton *SBrewritedir = nullptr; // restore directory(s)
    QToolButton *B_backfiles = nullptr;  // restore the archive's list
    QToolButton *SpeedButton1 = nullptr; // back: closes this window and the chooser behind it
    // The side shown: true for the primary archive, false for the secondary one.
    bool Primary = true;

    // Worker threads for a restore; 0 for one per core.
    int Threads = 0;

    // Clears the file list of the directory chosen in the tree.
    void ClearFileList();
    // The side's archive folder: the destination (one trailing "\" removed) + "\" + folder name.
    QString ArchiveRoot();
    // The side's compression flag.
    bool Compressed();

    void TLrewriteChange();
    void FileListBox1Click();
    void SelectAll();
    void SpeedButton2Click();
    void SBrewritedirClick();
    void B_backfilesClick();
    void SpeedButton1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

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

    // Says so and returns true while the side's archive is being converted.
    bool refusedWhileConverting(const Side &side);
    // Lists the files of an archive folder in the file list.
    void showFolder(const QString &archiveFolder);
    // The names of the selected file list entries, from the last to the first.
    QStringList selectedFromLast() const;
    // The steps for the selected entries below origin P, or for the file P itself.
    void planWorker(Plan &plan, const Side &side, const QString &P, const QStringList &selectedNames);
    void addFile(Plan &plan, const Side &side, const restore::FileOrigin &origin);
    bool readSide(Side *side);
    // Runs a command's steps: the files made ready ahead, then put in place in order.
    void execute(const Plan &plan, const Side &side);
    using Inform = std::function<void(const QString &first, const QString &second)>;
    // Puts one file in place (RestoreRun::putInPlace), logs it, and shows its failure with inform.
    void putInPlace(const RestoreRun::Item &item, RestoreRun::Prepared prepared, RestoreLog &log,
                    const Inform &inform);
    QString failureText(int code) const;
    static bool failureNamesTarget(int code);
    QStringList nodeChain() const;
    QString text(const char *key) const;
    void registerDefaults();
    void applyTexts();

    RewriteHost m_host;
    std::unique_ptr<Tconfig> m_config;
};
