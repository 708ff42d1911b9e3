// One archive run of one side, on threads of its own: it opens the archive root, reads the
// archive list, copies or compresses every listed file that changed since its archived copy,
// and copies the list itself into the root last. The settings are read by the caller (the
// registry is used from the main thread only) and the result is handed back when done.
#pragma once

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
};

} // namespace archiver
