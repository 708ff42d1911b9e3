// An archive run of one side.
#include "archiverun.h"

#include "archiveconversion.h"
#include "archivelog.h"
#include "archivesources.h"
#include "archivetarget.h"
#include "committer.h"
#include "compressor.h"
#include "leftovers.h"
#include "priority.h"

#include "core/archivelist/listerror.h"
#include "core/archivelist/safefile.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/posixio.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

// More failures than this are counted but not each written to the log.
constexpr int kLoggedFailures = 50;

struct FileOutcome
{
    bool copied = false;
    bool stopped = false;
    bool pending = false; // handed to the committer, which reports it
    StateCode state = StateCorrect;
    int error = 0;
    // The failure lies with the source (missing, unreadable): no run can archive the file as it
    // is. Otherwise the archive could not take it, and the archive's list must not name it yet.
    bool sourceSide = false;
};

// The archive folder of the last file a thread handled, kept open: the files of one listed
// folder follow each other, so most files reuse it.
class FolderCache
{
public:
    ~FolderCache() { reset(); }
    int get(const ArchiveTarget &target, const QStringList &folders)
    {
        if (m_fd >= 0 && folders == m_folders)
            return m_fd;
        reset();
        m_fd = target.openFolder(folders);
        if (m_fd >= 0)
            m_folders = folders;
        return m_fd;
    }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_folders.clear();
    }

private:
    QStringList m_folders;
    int m_fd = -1;
};

FileOutcome failed(StateCode state, int error, bool sourceSide)
{
    FileOutcome outcome;
    outcome.state = state;
    outcome.error = error;
    outcome.sourceSide = sourceSide;
    return outcome;
}

FileOutcome sourceFailed(StateCode state, int error)
{
    return failed(state, error, true);
}

FileOutcome archiveFailed(StateCode state, int error)
{
    return failed(state, error, false);
}

// Tests stand in for a file access that never returns (a network file system that no longer
// answers) with the file named in DUNLIVO_TEST_STALL_FILE: reading it stalls for an hour, deaf
// to the stop request, once a file of that name + ".stalled" beside it says it has begun.
void stallWhenAsked(const SourceFile &source)
{
    static const QByteArray stallOn = qgetenv("DUNLIVO_TEST_STALL_FILE");
    if (stallOn.isEmpty() || !source.hostPath.endsWith("/" + stallOn))
        return;
    const int mark = ::open((source.hostPath + ".stalled").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (mark >= 0)
        ::close(mark);
    std::this_thread::sleep_for(std::chrono::hours(1));
}

FileOutcome outcomeOf(const ArchiveTarget::WriteResult &result, bool sourceSide)
{
    FileOutcome outcome;
    outcome.stopped = result.stopped;
    outcome.pending = result.pending;
    outcome.state = result.state;
    outcome.error = result.error;
    outcome.sourceSide = sourceSide;
    outcome.copied = !result.stopped && !result.pending && result.state == StateCorrect;
    return outcome;
}

FileOutcome archiveOne(const ArchiveTarget &target, FolderCache &folders, const SourceFile &source,
                       bool compressed, const ArchiveConversion &conversion, const std::atomic<bool> &stop,
                       Committer &committer, ArchiveTarget::CommitDone done)
{
    stallWhenAsked(source);
    ArchivedLocation location;
    if (!archivedLocation(source.windowsPath, compressed, &location))
        return sourceFailed(StateOtherError, 0);
    if (conversion.blocks(location))
        return archiveFailed(conversion.blockedState(), 0);
    // An unchanged file costs two status look-ups: its own and its archived copy's.
    struct stat status;
    if (::stat(source.hostPath.constData(), &status) != 0)
        return sourceFailed(stateForError(errno, FileStage::OpenSource), errno);
    if (!S_ISREG(status.st_mode))
        return sourceFailed(StateFileOpenError, EINVAL);
    const int folder = folders.get(target, location.folders);
    if (folder < 0)
        return archiveFailed(stateForError(errno, FileStage::CreateTarget), errno);
    const QByteArray name = QFile::encodeName(location.fileName);
    if (ArchiveTarget::isCurrent(folder, name, status, !compressed))
        return FileOutcome();

    const int in = ::open(source.hostPath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (in < 0)
        return sourceFailed(stateForError(errno, FileStage::OpenSource), errno);
    // The times and size of what is actually read: the file may have changed since the look-up.
    if (::fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = errno;
        ::close(in);
        return sourceFailed(StateFileReadError, error);
    }
    ::fcntl(in, F_SETFL, O_RDONLY);
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    bool sourceSide = false;
    const ArchiveTarget::WriteResult written = ArchiveTarget::writeFile(
        folder, name, status,
        [&](int out, ArchiveTarget::WriteResult *result) {
            const CopyOutcome copy = compressed ? copyCompressed(in, out, stop) : copyPlain(in, out, stop);
            if (copy.result == CopyResult::Done)
                return true;
            result->stopped = copy.result == CopyResult::Stopped;
            result->error = copy.error;
            sourceSide = copy.stage == FileStage::ReadSource;
            if (!result->stopped)
                result->state = stateForError(copy.error, copy.stage);
            return false;
        },
        &committer, std::move(done));
    ::close(in);
    return outcomeOf(written, sourceSide);
}

// Whether the archive's copy of the list already holds these bytes with this time.
bool sameListInArchive(int rootFd, const QByteArray &bytes, const struct stat &status)
{
    if (!ArchiveTarget::isCurrent(rootFd, QByteArray(kListFileName), status, true))
        return false;
    const int fd = ::openat(rootFd, kListFileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray archived(bytes.size(), Qt::Uninitialized);
    const ssize_t got = ::read(fd, archived.data(), size_t(archived.size()));
    ::close(fd);
    return got == bytes.size() && archived == bytes;
}

} // namespace

ArchiveRun::ArchiveRun(Side side, SideSettings settings, QString listFile, int threads, int prioritas,
                       ArchiveLog *log)
    : m_side(side), m_settings(std::move(settings)), m_listFile(std::move(listFile)),
      m_threads(std::max(1, threads)), m_prioritas(prioritas), m_log(log)
{
}

ArchiveRun::~ArchiveRun()
{
    stop();
    wait();
}

void ArchiveRun::start(std::function<void()> finished)
{
    m_thread = std::thread([this, finished = std::move(finished)] {
        run();
        {
            const std::lock_guard<std::mutex> lock(m_doneMutex);
            m_done = true;
        }
        m_doneChanged.notify_all();
        finished();
    });
}

void ArchiveRun::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool ArchiveRun::waitFor(int timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    {
        std::unique_lock<std::mutex> lock(m_doneMutex);
        if (!m_doneChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_done; }))
            return false;
    }
    // Past run() only the call that reports the end is left.
    m_thread.join();
    return true;
}

void ArchiveRun::run()
{
    const QString label = sideLabel(m_side);
    // Linux keeps the nice value and I/O class per thread: the run's threads get the setting of
    // this run, and the main thread, which only answers messages, keeps its own.
    const QString priority = applyPriority(m_prioritas);
    ArchiveTarget target;
    QString why;
    const StateCode opened = openSideArchive(target, m_settings, &why);
    if (opened != StateCorrect) {
        m_log->write(QStringLiteral("%1 archive: %2").arg(label, why));
        m_result.state = opened;
        m_result.failedPath = target.rootPath();
        return;
    }
    // Temporary files of a run that was killed before its renames would stay for good.
    if (const int swept = removeLeftovers(target.rootFd()))
        m_log->write(QStringLiteral("%1 archive: %2 temporary files of an interrupted run removed")
                         .arg(label)
                         .arg(swept));
    // The archive is brought into the flag's form first; the run writes only in that form.
    ArchiveConversion conversion(target, m_settings.compressed, m_threads, m_stop, m_log, label);
    const ArchiveConversion::Outcome converted = conversion.prepare(m_settings.archivedBefore);
    if (converted.stopped) {
        m_result.stopped = true;
        m_result.state = StateUserBreak;
        m_log->write(QStringLiteral("%1 archive: stopped while converting").arg(label));
        return;
    }
    if (!converted.mayRun) {
        m_result.state = converted.state;
        return;
    }
    m_log->write(QStringLiteral("%1 archive: run into %2 (%3, %4)")
                     .arg(label, target.rootPath(),
                          m_settings.compressed ? QStringLiteral("compressed") : QStringLiteral("plain"),
                          priority));

    // The list is read once, and exactly those bytes are archived with the files they name.
    StateCode listState = StateCorrect;
    QByteArray listBytes;
    bool haveList = false;
    const QByteArray listHost = QFile::encodeName(win::HostPath(m_listFile));
    struct stat listStatus;
    // Only a list that is not there at all means "nothing to archive"; a link that leads nowhere,
    // a FIFO, a device or a runaway file is a list that can not be read.
    if (!listHost.isEmpty() && ::lstat(listHost.constData(), &listStatus) == 0) {
        QString listWhy;
        // The copy in the archive takes the time of the list itself, not of a link to it.
        if (archivelist::readWholeFile(QFile::decodeName(listHost), &listBytes, &listWhy)) {
            if (::stat(listHost.constData(), &listStatus) == 0)
                haveList = true;
            else
                listWhy = QString::fromLocal8Bit(std::strerror(errno));
        }
        if (!haveList) {
            listState = StateFileOpenError;
            m_log->write(QStringLiteral("%1 archive: the list %2 can not be read: %3")
                             .arg(label, m_listFile, listWhy));
        }
    } else {
        m_log->write(
            QStringLiteral("%1 archive: there is no list %2; nothing to archive").arg(label, m_listFile));
    }
    TTreeList list;
    if (haveList) {
        try {
            list.LoadFromBytes(listBytes);
        } catch (const ListFileError &error) {
            // What was read before the faulty line is still archived.
            listState = StateFileOpenError;
            m_log->write(QStringLiteral("%1 archive: the list %2 is damaged: %3")
                             .arg(label, m_listFile, error.text()));
        }
    }

    for (const QString &note : list.ReadNotes())
        m_log->write(QStringLiteral("%1 archive: the list %2, %3").arg(label, m_listFile, note));
    if (list.ReadNoteCount() > list.ReadNotes().size())
        m_log->write(QStringLiteral("%1 archive: the list %2, %3 more lines like these")
                         .arg(label, m_listFile)
                         .arg(list.ReadNoteCount() - list.ReadNotes().size()));
    const SourceList sources = collectSources(list);
    for (const QString &problem : sources.problems)
        m_log->write(QStringLiteral("%1 archive: %2").arg(label, problem));
    if (sources.problemCount > sources.problems.size())
        m_log->write(QStringLiteral("%1 archive: %2 more items can not be listed")
                         .arg(label)
                         .arg(sources.problemCount - sources.problems.size()));

    // Each thread takes the next file; the failure reported is that of the first file in list
    // order, whichever thread met it.
    std::atomic<size_t> next{0};
    std::atomic<int> copied{0};
    std::atomic<int> failed{0};
    std::mutex failureMutex;
    size_t firstFailedIndex = sources.files.size();
    StateCode firstFailedState = StateCorrect;
    std::atomic<bool> diskFull{false};
    std::atomic<int> missingFromArchive{0};
    // What became of a file, from the worker that wrote it or, once it has its name, the committer.
    const auto settle = [&](size_t index, const FileOutcome &outcome) {
        if (outcome.stopped)
            return;
        if (outcome.copied)
            copied.fetch_add(1);
        if (outcome.state == StateCorrect)
            return;
        const int count = failed.fetch_add(1) + 1;
        if (count <= kLoggedFailures)
            m_log->write(QStringLiteral("%1 archive: %2: %3%4")
                             .arg(label, sources.files[index].windowsPath, stateDescription(outcome.state),
                                  outcome.error ? QStringLiteral(" (%1)").arg(
                                                      QString::fromLocal8Bit(strerror(outcome.error)))
                                                : QString()));
        // A full disk stops the run: every further file would fail the same way.
        if (outcome.state == StateDiskFull)
            diskFull.store(true);
        if (!outcome.sourceSide)
            missingFromArchive.fetch_add(1);
        const std::lock_guard lock(failureMutex);
        if (index < firstFailedIndex) {
            firstFailedIndex = index;
            firstFailedState = outcome.state;
        }
    };
    Committer committer(target.rootFd());
    const auto work = [&] {
        FolderCache folders;
        for (;;) {
            if (m_stop.load() || diskFull.load())
                return;
            const size_t index = next.fetch_add(1);
            if (index >= sources.files.size())
                return;
            const FileOutcome outcome =
                archiveOne(target, folders, sources.files[index], m_settings.compressed, conversion, m_stop,
                           committer, [&settle, index](const ArchiveTarget::WriteResult &result) {
                               settle(index, outcomeOf(result, false));
                           });
            if (outcome.stopped)
                return;
            if (!outcome.pending)
                settle(index, outcome);
        }
    };
    const int threadCount =
        int(std::min<size_t>(size_t(m_threads), std::max<size_t>(1, sources.files.size())));
    std::vector<std::thread> workers;
    for (int i = 1; i < threadCount; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();
    // A stopped run gives up the files still waiting for their names.
    if (m_stop.load())
        committer.drop();
    else
        committer.flush();

    m_result.copied = copied.load();
    m_result.failed = failed.load();
    m_result.unchanged = int(std::min(next.load(), sources.files.size())) - m_result.copied - m_result.failed;
    if (m_stop.load()) {
        m_result.stopped = true;
        m_result.state = StateUserBreak;
        m_log->write(
            QStringLiteral("%1 archive: stopped after %2 copied files").arg(label).arg(m_result.copied));
        return;
    }

    // The list goes in last, so an archive's list never names files that were not yet written,
    // and only after a run that left none of them out: a full disk stops the run halfway, and a
    // file the archive could not take is not in it. The list kept from the last whole run stays
    // then, naming what the archive does hold; the next run that gets through replaces it.
    const bool listWithheld = diskFull.load() || missingFromArchive.load() > 0;
    if (haveList && listWithheld)
        m_log->write(
            QStringLiteral(
                "%1 archive: the list is not copied into the archive, %2 of its files are not in it")
                .arg(label)
                .arg(diskFull.load() ? QStringLiteral("some") : QString::number(missingFromArchive.load())));
    // Every renamed file and folder is on the disk before the list that names them is.
    bool synced = false;
    if (haveList && !listWithheld && m_result.copied > 0) {
        target.sync();
        synced = true;
    }
    StateCode listCopyState = StateCorrect;
    bool listWritten = false;
    if (haveList && !listWithheld && !sameListInArchive(target.rootFd(), listBytes, listStatus)) {
        listWritten = true;
        const ArchiveTarget::WriteResult written = ArchiveTarget::writeFile(
            target.rootFd(), QByteArray(kListFileName), listStatus,
            [&](int out, ArchiveTarget::WriteResult *result) {
                if (win::WriteAll(out, listBytes.constData(), size_t(listBytes.size())))
                    return true;
                result->error = errno;
                result->state = stateForError(result->error, FileStage::WriteTarget);
                return false;
            });
        listCopyState = written.state;
        if (written.state != StateCorrect)
            m_log->write(QStringLiteral("%1 archive: the list can not be copied into the archive: %2")
                             .arg(label, stateDescription(written.state)));
    }
    // Written files reach the disk before the run is reported as done.
    if ((m_result.copied > 0 && !synced) || listWritten)
        target.sync();
    conversion.afterRun();

    const QString firstFailedFile =
        firstFailedIndex < sources.files.size() ? sources.files[firstFailedIndex].windowsPath : QString();
    const std::pair<StateCode, QString> failures[] = {{converted.state, target.rootPath()},
                                                      {listState, m_listFile},
                                                      {sources.firstFailure, sources.firstFailedPath},
                                                      {firstFailedState, firstFailedFile},
                                                      {listCopyState, m_listFile}};
    for (const auto &[code, path] : failures) {
        if (code != StateCorrect) {
            m_result.state = code;
            m_result.failedPath = path;
            break;
        }
    }
    m_result.completed = !diskFull.load();
    m_log->write(QStringLiteral("%1 archive: done, %2 copied, %3 unchanged, %4 failed; state %5 (%6)")
                     .arg(label)
                     .arg(m_result.copied)
                     .arg(m_result.unchanged)
                     .arg(m_result.failed)
                     .arg(int(m_result.state))
                     .arg(stateDescription(m_result.state)));
}

} // namespace archiver
