// The Archiver's work: archive runs of both sides on command and on their timers, emptying on
// command and on its period, and the reports in the settings key. Runs happen on threads of
// their own; the registry is read and written only here, on the main thread.
#pragma once

#include "archivelog.h"
#include "archiverun.h"
#include "conditions.h"
#include "core/archiveinfo/archivelayout.h"
#include "mountwatch.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class Tconfig;

namespace archiver {

struct ArchiverOptions
{
    // Started by the autostart entry ("-d").
    bool autostart = false;
    // How long after start the first timer check happens, and how often it repeats.
    int startDelayMs = 10 * 1000;
    int tickMs = 30 * 1000;
    // The archive list; by default afiles.lst in the program's folder.
    QString listFile;
    // Copying threads per run; by default one per core.
    int threads = 0;
    // The clock the timers count by.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};

class Archiver : public QObject
{
    Q_OBJECT
public:
    Archiver(ArchiverOptions options, ArchiveLog *log, QObject *parent = nullptr);
    ~Archiver() override;

    // Clears what a previous life left behind (a run it did not finish is reported as such) and
    // starts the timers.
    void startUp();

    // Commands 2 and 3: starts the side's run unless one is under way. Its Progress flag is set
    // when this returns.
    void archiveNow(Side side);
    // Command 1: stops the runs under way and empties both archives before it returns.
    void emptyNow();
    // WM_CLOSE: stops the runs under way (each side stopped reports state 9) and waits for them,
    // at most a few seconds: a run still inside a call that blocks is left behind.
    void stopAll();
    // A stopped run that was left behind: the program must end without waiting for its threads.
    bool leftRunsBehind() const { return !m_leftBehind.empty(); }
    // How long a stop waits for the runs under way.
    static constexpr int kStopWaitMs = 5000;
    // The session is ending (SIGTERM): with ArchiveAtShutdown set, archives the sides that have
    // timed archiving before ending; otherwise ends at once. mayQuit is emitted when it may end.
    void sessionEnding();

    bool isRunning(Side side) const { return bool(m_runs[index(side)]); }
    const ArchiverOptions &options() const { return m_options; }

Q_SIGNALS:
    void mayQuit();
    // A run's state was reported: the side's state went from previous to state; failedPath names
    // what failed first (empty when nothing did or it was no file).
    void runReported(Side side, int previous, int state, const QString &failedPath);
    // A run of the side replaced many archived files at once; notice is the text shown for it.
    void massChange(Side side, const QString &notice);
    // A settings hive was found damaged; nothing is archived until it is sound again. Once per
    // damage, not at every check.
    void settingsDamaged(const QString &hiveFile);
    // For the conditions' watch: a timer check happened on sound settings; a run that was not
    // stopped was reported, with what it saw of its side.
    void timerChecked();
    void runLooked(Side side, const SideLook &look);

private:
    static int index(Side side) { return side == Side::Primary ? 0 : 1; }
    bool startRun(Side side);
    void runFinished(Side side, quint64 runId);
    // Reports the side's run and lets it go once it has ended; waits at most waitMs (-1: for
    // good) for that.
    void finishRun(Side side, int waitMs = -1);
    void tick();
    void checkEmptying(const QDateTime &now);
    // Automatic emptying keeps the versions area; the command empties it too.
    void emptyArchives(bool keepVersions);
    QDateTime storedTime(TimeSetting setting, Side side = Side::None);
    qint64 periodSeconds(Side side);
    void logConfigError(const QString &during, const std::exception &error);
    // Whether the settings can be read: false while a settings hive is damaged. The damage is
    // logged and signalled when it is first found, and the return to sound settings is logged.
    bool settingsSound();
    // Opens the store and clears what a previous life left in it.
    void takeUpSettings();
    // What a side's run looks at besides the list: both archive folders, the folders declined.
    SourceOptions sourceOptions(Side side, const SideSettings &settings);
    // Writes the new folders a run found (NewFolders) and keeps the list it read.
    void reportNewFolders(const RunResult &result);

    ArchiverOptions m_options;
    ArchiveLog *m_log;
    std::unique_ptr<Tconfig> m_config;
    std::unique_ptr<ArchiveRun> m_runs[2];
    // Runs that did not end in time after a stop; they must outlive their threads.
    std::vector<std::unique_ptr<ArchiveRun>> m_leftBehind;
    quint64 m_runIds[2] = {0, 0};
    quint64 m_nextRunId = 1;
    QDateTime m_lastAttempt[2];
    QTimer m_timer;
    bool m_ending = false;
    bool m_settingsDamaged = false;

    // The mount table is watched: a side overdue for want of its disk starts once the disk is
    // mounted, once per appearance of its archive folder.
    void watchMounts();
    void mountsChanged();
    void foldersLooked(const std::array<FolderSeen, 2> &folders);
    MountWatch m_mountWatch;
    FolderLook m_folderLook;
    Appearances m_appearances;
    bool m_lookAgain = false; // the table changed during a look
    // The list the last run read, so that the list written again unchanged keeps the time its
    // content was chosen (new folders are those made after it).
    ListChosen m_listChosen;
};

} // namespace archiver
