// One archive run of one side, on threads of its own: it opens the archive root, reads the
// archive list, copies or compresses every listed file that changed since its archived copy,
// and copies the list itself into the root last. The settings are read by the caller (the
// registry is used from the main thread only) and the result is handed back when done.
#pragma once

#include "archivesources.h"
#include "conditions.h"
#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace archiver {

class ArchiveLog;

// The list a run read and when its content was chosen (nanoseconds since the epoch): a list written
// again unchanged, as the panel writes it at every start, keeps the time of the earlier run.
struct ListChosen
{
    QByteArray digest; // SHA-256 of the list's bytes
    qint64 chosenNs = -1;

    // As the setting keeps it: the digest in hex, a space, the time; a value that does not read
    // so gives no time.
    QString toText() const;
    static ListChosen fromText(const QString &text);
};

struct RunResult
{
    StateCode state = StateCorrect;
    // Every file was handled, with or without failures (the list is copied only when none of
    // them is missing from the archive).
    bool completed = false;
    bool stopped = false;
    int copied = 0;
    int unchanged = 0;
    int failed = 0;
    // Copied files that replaced an archived copy.
    int replaced = 0;
    // Set when the run replaced so many of the archived files at once that the user should look
    // at them (encrypted or wiped by some program?): the text for the log, the desktop and the panel.
    QString massChangeNotice;
    // What the state's failure is about: the first failing file, the list, or the archive folder.
    QString failedPath;
    // New folders under fully listed folders (see SourceOptions), when the run read a sound list
    // and looked for them; and that list, for the next run.
    bool lookedForNewFolders = false;
    QStringList newFolders;
    ListChosen list;
    // What the run saw of its side's conditions: the listed folders missing at their source, and
    // the archive's disk below its reserve as the run left it (unset when not seen).
    SideLook look;
    // The rolling checks of the runs have read every copy of the archive since the last full check.
    bool fullCheck = false;
};

class ArchiveRun
{
public:
    // listFile is the archive list as a Windows path; threads the number of copying threads;
    // prioritas the priority setting, applied to the run's own threads; started the run's start by
    // the Archiver's clock (it names the run's folder of earlier versions).
    ArchiveRun(Side side, SideSettings settings, QString listFile, int threads, int prioritas,
               ArchiveLog *log, QDateTime started = QDateTime::currentDateTime());
    ~ArchiveRun();
    ArchiveRun(const ArchiveRun &) = delete;
    ArchiveRun &operator=(const ArchiveRun &) = delete;

    // The archive folders and declined folders (see SourceOptions) and the list the last run read;
    // set before start.
    void setSourceOptions(SourceOptions options, ListChosen lastList)
    {
        m_sourceOptions = std::move(options);
        m_lastList = std::move(lastList);
    }
    // Starts the run; finished is called on the run's thread when it has ended.
    void start(std::function<void()> finished);
    // Asks the run to stop: the files being written are given up (no partial file stays), no
    // further file is started.
    void stop() { m_stop.store(true); }
    // Waits until the run's threads have ended.
    void wait();
    // Waits at most timeoutMs for that; false when a thread is still inside a call that blocks
    // (a read on a file system that does not answer). The run must then outlive the wait.
    bool waitFor(int timeoutMs);

    Side side() const { return m_side; }
    const SideSettings &settings() const { return m_settings; }
    // Valid once finished has been called.
    const RunResult &result() const { return m_result; }

private:
    void run();

    Side m_side;
    SideSettings m_settings;
    QString m_listFile;
    int m_threads;
    int m_prioritas;
    ArchiveLog *m_log;
    QDateTime m_started;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_doneMutex;
    std::condition_variable m_doneChanged;
    bool m_done = false;
    RunResult m_result;
    SourceOptions m_sourceOptions;
    ListChosen m_lastList;
};

} // namespace archiver
