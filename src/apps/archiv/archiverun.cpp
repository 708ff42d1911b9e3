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
#include "verifier.h"
#include "versionkeeper.h"
#include "versionsarea.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/runprogress.h"
#include "core/archiveinfo/checksumrecord.h"
#include "core/archiveinfo/versionslayout.h"

#include "core/archivelist/listerror.h"
#include "core/archivelist/safefile.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/posixio.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
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
// With earlier versions kept, the free space of the archive's disk is read once every this many
// bytes archived; below the reserve, earlier versions make room, and this much more is made so
// the next check does not find it short again at once.
constexpr qint64 kSpaceCheckBytes = qint64(4) * 1024 * 1024;
constexpr qint64 kRoomMargin = 16 * kSpaceCheckBytes;
// A run that replaces more than this share (in percent) of the archived files it finds, and at
// least kMassChangeFiles of them, changes many files at once: more likely a program that
// encrypted or wiped them than the user's work.
constexpr int kMassChangePercent = 30;
constexpr int kMassChangeFiles = 100;

bool looksLikeMassChange(qint64 replaced, qint64 unchanged)
{
    return replaced >= kMassChangeFiles && replaced * 100 > kMassChangePercent * (replaced + unchanged);
}

// The folder of a file's Windows path; a drive's root keeps its backslash.
QStringList folderParts(const QString &windowsPath)
{
    QStringList parts = windowsPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty())
        parts.removeLast();
    return parts;
}

QString joinedFolder(const QStringList &parts)
{
    return parts.size() == 1 ? parts.first() + QLatin1Char('\\') : parts.join(QLatin1Char('\\'));
}

// "1,240 files changed at once in C:\Docs; ...": the deepest folder that holds every replaced file,
// or, when they lie on several drives, the folder of the first of them.
QString massChangeText(int replaced, const std::vector<SourceFile> &files,
                       const std::vector<char> &replacedFlags)
{
    QStringList common;
    QStringList first;
    bool any = false;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!replacedFlags[i])
            continue;
        const QStringList parts = folderParts(files[i].windowsPath);
        if (!any) {
            any = true;
            common = first = parts;
            continue;
        }
        qsizetype same = 0;
        while (same < common.size() && same < parts.size() &&
               common.at(same).compare(parts.at(same), Qt::CaseInsensitive) == 0)
            ++same;
        common = common.mid(0, same);
    }
    const QString folder = joinedFolder(common.isEmpty() ? first : common);
    return QStringLiteral("%1 files changed at once in %2; their earlier versions are kept")
        .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(replaced), folder);
}

struct FileOutcome
{
    bool copied = false;
    bool stopped = false;
    bool pending = false;  // handed to the committer, which reports it
    bool replaces = false; // an archived copy stood at the name
    qint64 bytes = 0;      // the size of the source read
    qint64 seenBytes = 0;  // the source's size, also when it was unchanged (for the progress)
    StateCode state = StateCorrect;
    int error = 0;
    // The failure lies with the source (missing, unreadable): no run can archive the file as it
    // is. Otherwise the archive could not take it, and the archive's list must not name it yet.
    bool sourceSide = false;
};

// The archived copy of a file as the run left it, for the checksum record: its size and time,
// and, for a plain copy the run wrote, the checksum of the bytes written. size < 0: no copy known.
struct CopyFacts
{
    qint64 size = -1;
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
    bool written = false;
    bool hasSum = false;
    quint64 sum = 0;
};

// Every copy is read back whole a slice at a time, at most one slice in kSlicePause seconds: a side archived
// every few minutes reads the archive about once a month too, and its runs with nothing changed write
// nothing; a slice after a longer pause is larger (see ChecksumRecord::slicePartsAfter).
constexpr qint64 kSlicePause = 20 * 60 * 60;

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

// A compressed copy found damaged is written again by libbz2, so that a fault of our own encoder
// on this file's bytes cannot damage the new copy too.
Bzip2Encoding encodingFor(bool damagedCopy)
{
    return damagedCopy ? Bzip2Encoding::Libbz2 : configuredBzip2Encoding();
}

FileOutcome archiveOne(const ArchiveTarget &target, FolderCache &folders, const SourceFile &source,
                       bool compressed, const ArchiveConversion &conversion, const std::atomic<bool> &stop,
                       Committer &committer, VersionKeeper *keeper, ArchiveTarget::CommitDone done,
                       const QSet<QString> &damagedCopies, CopyFacts *facts)
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
    struct stat archived;
    const bool replaces =
        ::fstatat(folder, name.constData(), &archived, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(archived.st_mode);
    // A copy found damaged is not current, whatever its time: it is archived afresh (and, with
    // versions kept, goes to the versions area like any replaced copy).
    const bool damaged = !damagedCopies.isEmpty() && damagedCopies.contains(location.relativePath());
    if (replaces && !damaged && ArchiveTarget::matches(archived, status, !compressed)) {
        facts->size = qint64(archived.st_size);
        facts->mtimeSec = qint64(archived.st_mtim.tv_sec);
        facts->mtimeNsec = qint64(archived.st_mtim.tv_nsec);
        FileOutcome unchanged;
        unchanged.seenBytes = qint64(status.st_size);
        return unchanged;
    }

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
            StreamChecksum sum;
            const CopyOutcome copy = compressed ? copyCompressed(in, out, stop, encodingFor(damaged))
                                                : copyPlain(in, out, stop, &sum);
            struct stat copyStatus;
            if (copy.result == CopyResult::Done && ::fstat(out, &copyStatus) == 0) {
                *facts = {qint64(copyStatus.st_size),
                          qint64(status.st_mtim.tv_sec),
                          qint64(status.st_mtim.tv_nsec),
                          true,
                          !compressed,
                          compressed ? 0 : sum.value()};
            }
            if (copy.result == CopyResult::Done)
                return true;
            result->stopped = copy.result == CopyResult::Stopped;
            result->error = copy.error;
            sourceSide = copy.stage == FileStage::ReadSource;
            if (!result->stopped)
                result->state = stateForError(copy.error, copy.stage);
            return false;
        },
        &committer, std::move(done), KeepReplaced{keeper, location.folders});
    ::close(in);
    FileOutcome outcome = outcomeOf(written, sourceSide);
    outcome.replaces = replaces;
    outcome.bytes = outcome.seenBytes = qint64(status.st_size);
    return outcome;
}

// Publishes a run's counters for the panel a few times a second from a thread of its own, so the
// workers only add to atomics; the file goes when the publisher does. The folder at hand is that
// of the file taken last. DUNLIVO_BENCH_NO_PROGRESS switches it off, for the benchmark that
// measures what it costs.
class ProgressPublisher
{
public:
    static constexpr int kIntervalMs = 250;

    ProgressPublisher(Side side, const ProgressCounters &counters) : m_side(side), m_counters(counters)
    {
        static const bool off = qEnvironmentVariableIntValue("DUNLIVO_BENCH_NO_PROGRESS") != 0;
        if (!off)
            m_thread = std::thread([this] { loop(); });
    }
    ~ProgressPublisher()
    {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
        withdrawProgress(m_side);
    }
    ProgressPublisher(const ProgressPublisher &) = delete;
    ProgressPublisher &operator=(const ProgressPublisher &) = delete;

    // The files of the run and the index of the next one to take; null before they are collected
    // and once they are gone.
    void setFiles(const std::vector<SourceFile> *files, const std::atomic<size_t> *next)
    {
        const std::lock_guard lock(m_mutex);
        m_files = files;
        m_next = next;
    }

private:
    void loop()
    {
        std::unique_lock lock(m_mutex);
        while (!m_done) {
            RunProgress progress;
            progress.filesDone = m_counters.filesDone.load(std::memory_order_relaxed);
            progress.filesTotal = m_counters.filesTotal.load(std::memory_order_relaxed);
            progress.bytesDone = m_counters.bytesDone.load(std::memory_order_relaxed);
            // The bytes still to come are guessed from the sizes seen so far.
            if (progress.filesTotal >= 0)
                progress.filesDone = std::min(progress.filesDone, progress.filesTotal);
            if (progress.filesTotal > 0 && progress.filesDone > 0)
                progress.bytesTotal = std::max(
                    progress.bytesDone, qint64(double(progress.bytesDone) * double(progress.filesTotal) /
                                               double(progress.filesDone)));
            if (m_files && m_next && !m_files->empty()) {
                const size_t at = std::min(m_next->load(std::memory_order_relaxed), m_files->size());
                const QString &path = (*m_files)[at > 0 ? at - 1 : 0].windowsPath;
                progress.folder = path.left(std::max<qsizetype>(0, path.lastIndexOf(QLatin1Char('\\'))));
            }
            lock.unlock();
            if (!(progress == m_published) || !m_anyPublished) {
                m_anyPublished = publishProgress(m_side, progress);
                m_published = progress;
            }
            lock.lock();
            m_changed.wait_for(lock, std::chrono::milliseconds(kIntervalMs), [this] { return m_done; });
        }
    }

    Side m_side;
    const ProgressCounters &m_counters;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    const std::vector<SourceFile> *m_files = nullptr;
    const std::atomic<size_t> *m_next = nullptr;
    RunProgress m_published;
    bool m_anyPublished = false;
    std::thread m_thread;
};

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

// The checksum record as a run sees it: read at its start, a rolling slice of it read back, and
// written afresh once the run's files are durable.
class RunRecord
{
public:
    RunRecord(int rootFd, bool compressed, QString label, ArchiveLog *log)
        : m_rootFd(rootFd), m_compressed(compressed), m_label(std::move(label)), m_log(log)
    {
        QString why;
        m_identity = recordIdentity();
        if (m_record.read(rootFd, &why) == ChecksumRecord::Read::Damaged)
            m_log->write(QStringLiteral("%1 archive: the checksum record is damaged (%2); it is made afresh")
                             .arg(m_label, why));
        for (const auto &[path, entry] : m_record.entries()) {
            if (entry.damaged)
                m_damaged.insert(path);
        }
    }

    // Reads the copies checked longest ago back whole (a slice); a damaged one is
    // archived afresh by this run. False when stopped.
    bool checkSlice(const std::atomic<bool> &stop)
    {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const qint64 last = m_record.lastSlice();
        if (last > 0 && now >= last && now - last < kSlicePause)
            return true;
        m_sliced = true;
        const int parts = ChecksumRecord::slicePartsAfter(last > 0 && now > last ? now - last : 0);
        for (const QString &path : m_record.slice(parts)) {
            const CheckOutcome outcome = checkCopy(m_rootFd, path, m_compressed, m_record.find(path), stop);
            if (outcome.result == CopyCheck::Stopped)
                return false;
            ++m_sliceChecked;
            if (outcome.result == CopyCheck::Sound) {
                m_checked.emplace_back(path, outcome);
                continue;
            }
            m_log->write(
                QStringLiteral("%1 archive: %2 copy %3%4; it is archived afresh")
                    .arg(m_label,
                         outcome.result == CopyCheck::Missing ? QStringLiteral("missing")
                                                              : QStringLiteral("damaged"),
                         path, outcome.why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(outcome.why)));
            if (outcome.result == CopyCheck::Damaged)
                m_damaged.insert(path);
        }
        return true;
    }
    const QSet<QString> &damagedCopies() const { return m_damaged; }

    // Writes the record under its lock, over what a check may have marked meanwhile. With allSeen
    // it names exactly the current copies of the listed files; otherwise the earlier entries stay
    // beside this run's. Returns whether the rolling slices have now read every copy this round.
    bool write(const std::vector<SourceFile> &files, const std::vector<CopyFacts> &facts,
               const std::vector<char> &copiedFlags, bool allSeen)
    {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const ChecksumRecordLock lock(m_rootFd);
        // Read again only when a check has replaced it since the start.
        ChecksumRecord latest;
        QString why;
        if (recordIdentity() == m_identity)
            latest = m_record;
        else
            latest.read(m_rootFd, &why);
        const ChecksumRecord before = latest;
        for (const auto &[path, outcome] : m_checked) {
            const ChecksumEntry *entry = latest.find(path);
            if (entry && entry->describes(outcome.size, outcome.mtimeSec, outcome.mtimeNsec)) {
                ChecksumEntry checked = *entry;
                checked.checked = now;
                latest.set(path, checked);
            }
        }
        for (const QString &path : m_damaged) {
            if (const ChecksumEntry *entry = latest.find(path)) {
                ChecksumEntry marked = *entry;
                marked.damaged = true;
                latest.set(path, marked);
            }
        }
        ChecksumRecord next = allSeen ? ChecksumRecord() : latest;
        next.setRoundStart(latest.roundStart() > 0 ? latest.roundStart() : now);
        next.setLastSlice(m_sliced ? now : latest.lastSlice());
        for (size_t i = 0; i < files.size(); ++i) {
            const CopyFacts &copy = facts[i];
            ArchivedLocation location;
            if (!archivedLocation(files[i].windowsPath, m_compressed, &location))
                continue;
            const QString path = location.relativePath();
            const ChecksumEntry *known = latest.find(path);
            ChecksumEntry entry;
            if (copy.size < 0) {
                // The file failed this run (its source is gone, say): the copy there stays as recorded.
                if (known)
                    next.set(path, *known);
                continue;
            }
            if (copiedFlags[i]) {
                entry = {copy.size, copy.mtimeSec, copy.mtimeNsec, copy.hasSum, copy.sum, now, false};
            } else if (copy.written ||
                       (known && known->describes(copy.size, copy.mtimeSec, copy.mtimeNsec))) {
                // Unchanged as recorded, or its new write failed and the earlier copy stays.
                if (!known)
                    continue;
                entry = *known;
            } else {
                entry = {copy.size, copy.mtimeSec, copy.mtimeNsec, false, 0, 0, false};
            }
            next.set(path, entry);
        }
        const bool whole = m_sliceChecked > 0 && !next.entries().empty() && next.roundWhole();
        if (whole)
            next.setRoundStart(now);
        // A record with nothing in it is not made: an archive folder holding only that would no longer
        // count as empty.
        if (next.entries().empty() && latest.entries().empty())
            return whole;
        const bool same = next.entries() == before.entries() && next.roundStart() == before.roundStart() &&
                          next.lastSlice() == before.lastSlice();
        if (!same && !next.write(m_rootFd))
            m_log->write(QStringLiteral("%1 archive: the checksum record can not be written: %2")
                             .arg(m_label, QString::fromLocal8Bit(std::strerror(errno))));
        return whole;
    }

private:
    // Which file the record is (replaced by a rename, it is another), and its size and time.
    std::array<qint64, 5> recordIdentity() const
    {
        struct stat status;
        if (::fstatat(m_rootFd, kChecksumRecordName, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return {-1, -1, -1, -1, -1};
        return {qint64(status.st_dev), qint64(status.st_ino), qint64(status.st_size),
                qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec)};
    }

    const int m_rootFd;
    const bool m_compressed;
    const QString m_label;
    ArchiveLog *const m_log;
    ChecksumRecord m_record;
    std::array<qint64, 5> m_identity{};
    QSet<QString> m_damaged;
    std::vector<std::pair<QString, CheckOutcome>> m_checked;
    int m_sliceChecked = 0;
    bool m_sliced = false;
};

} // namespace

QString ListChosen::toText() const
{
    return QString::fromLatin1(digest.toHex()) + QLatin1Char(' ') + QString::number(chosenNs);
}

ListChosen ListChosen::fromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    bool ok = false;
    const qint64 chosenNs = parts.size() == 2 ? parts[1].toLongLong(&ok) : -1;
    const QByteArray digest = parts.size() == 2 ? QByteArray::fromHex(parts[0].toLatin1()) : QByteArray();
    if (!ok || chosenNs < 0 || digest.size() != 32)
        return {};
    return {digest, chosenNs};
}

ArchiveRun::ArchiveRun(Side side, SideSettings settings, QString listFile, int threads, int prioritas,
                       ArchiveLog *log, QDateTime started)
    : m_side(side), m_settings(std::move(settings)), m_listFile(std::move(listFile)),
      m_threads(std::max(1, threads)), m_prioritas(prioritas), m_log(log), m_started(std::move(started))
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
    QElapsedTimer elapsed;
    elapsed.start();
    const QString label = sideLabel(m_side);
    // Linux keeps the nice value and I/O class per thread: the run's threads get the setting of
    // this run, and the main thread, which only answers messages, keeps its own.
    const QString priority = applyPriority(m_prioritas);
    ProgressCounters counters;
    ProgressPublisher publisher(m_side, counters);
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

    // The archived copies this run replaces are kept in a folder of its own in the versions area,
    // in the form the record gives. The free space is watched then: earlier versions make room
    // before the disk fills.
    std::unique_ptr<VersionKeeper> keeper;
    qint64 reserve = -1;
    if (m_settings.keepVersionsDays > 0) {
        FormRecord record;
        if (readFormRecord(target.rootFd(), &record) != RecordRead::Present) {
            record = FormRecord();
            record.compressed = m_settings.compressed;
        }
        keeper = std::make_unique<VersionKeeper>(
            target.rootFd(), versionRunName(m_started), record.toBytes(), [this, label](const QString &line) {
                m_log->write(QStringLiteral("%1 archive: %2").arg(label, line));
            });
        reserve = archiveReserve(target.rootFd());
    }

    // Copies found damaged (by a check, or by this run's rolling slice) are archived afresh.
    RunRecord sums(target.rootFd(), m_settings.compressed, label, m_log);
    if (!sums.checkSlice(m_stop)) {
        m_result.stopped = true;
        m_result.state = StateUserBreak;
        m_log->write(QStringLiteral("%1 archive: stopped while checking").arg(label));
        return;
    }

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
    // New folders are looked for under a list read whole; a list written again unchanged keeps the
    // time its content was chosen.
    SourceOptions sourceOptions = m_sourceOptions;
    if (haveList && listState == StateCorrect) {
        const qint64 modified = qint64(listStatus.st_mtim.tv_sec) * 1000000000 + listStatus.st_mtim.tv_nsec;
        const QByteArray digest = QCryptographicHash::hash(listBytes, QCryptographicHash::Sha256);
        const bool unchanged = m_lastList.chosenNs >= 0 && m_lastList.digest == digest;
        sourceOptions.listChosenNs = unchanged ? m_lastList.chosenNs : modified;
        m_result.list = {digest, sourceOptions.listChosenNs};
        m_result.lookedForNewFolders = true;
    }
    const SourceList sources = collectSources(list, sourceOptions);
    std::atomic<size_t> next{0};
    publisher.setFiles(&sources.files, &next);
    const auto forgetFiles = qScopeGuard([&publisher] { publisher.setFiles(nullptr, nullptr); });
    counters.filesTotal.store(qint64(sources.files.size()), std::memory_order_relaxed);
    m_result.newFolders = sources.newFolders;
    m_result.look.missingFolders = sources.missingFolders;
    for (const SourceList::InArchive &met : sources.inArchive)
        m_log->write(QStringLiteral("%1 archive: %2 listed items lie in the archive folder %3 and are not "
                                    "archived (the first: %4)")
                         .arg(label)
                         .arg(met.count)
                         .arg(met.archiveFolder, met.first));
    for (const QString &problem : sources.problems)
        m_log->write(QStringLiteral("%1 archive: %2").arg(label, problem));
    if (sources.problemCount > sources.problems.size())
        m_log->write(QStringLiteral("%1 archive: %2 more items can not be listed")
                         .arg(label)
                         .arg(sources.problemCount - sources.problems.size()));

    // Each thread takes the next file; the failure reported is that of the first file in list
    // order, whichever thread met it.
    std::atomic<int> copied{0};
    std::atomic<int> failed{0};
    std::mutex failureMutex;
    size_t firstFailedIndex = sources.files.size();
    StateCode firstFailedState = StateCorrect;
    std::atomic<bool> diskFull{false};
    std::atomic<int> missingFromArchive{0};
    // Per file in list order: copied, and whether an archived copy stood where it went.
    std::vector<char> copiedFlags(sources.files.size(), 0);
    std::vector<char> replacesFlags(sources.files.size(), 0);
    std::vector<CopyFacts> copyFacts(sources.files.size());
    std::atomic<int> replacing{0};
    std::atomic<int> unchangedSoFar{0};
    std::atomic<qint64> sinceSpaceCheck{0};
    std::mutex roomMutex;
    std::atomic<bool> outOfRoom{false};
    // What became of a file, from the worker that wrote it or, once it has its name, the committer.
    const auto settle = [&](size_t index, const FileOutcome &outcome) {
        if (outcome.stopped)
            return;
        if (outcome.copied) {
            copied.fetch_add(1);
            copiedFlags[index] = 1;
        }
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
    // Whether the disk still has the reserve free, after earlier versions made room if needed; one
    // worker at a time makes room. A run that looks like many files changed at once stops
    // instead: making room for it would remove the versions it may have to be undone with.
    const auto roomLeft = [&] {
        const auto available = [&] {
            const qint64 free = freeBytes(target.rootFd());
            return free < 0 ? reserve : free; // a file system that can not tell is written on, as before
        };
        if (available() >= reserve)
            return true;
        const std::lock_guard lock(roomMutex);
        if (outOfRoom.load())
            return false;
        if (available() >= reserve)
            return true;
        if (looksLikeMassChange(replacing.load(), unchangedSoFar.load())) {
            m_log->write(QStringLiteral("%1 archive: the disk is nearly full and many files changed at once; "
                                        "no earlier version is removed to make room")
                             .arg(label));
        } else if (makeRoom(target.rootFd(), reserve + kRoomMargin)) {
            m_log->write(QStringLiteral("%1 archive: earlier versions removed to make room").arg(label));
            return true;
        } else {
            m_log->write(
                QStringLiteral("%1 archive: the disk is nearly full and earlier versions can not make room")
                    .arg(label));
        }
        outOfRoom.store(true);
        return false;
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
            const FileOutcome outcome = archiveOne(
                target, folders, sources.files[index], m_settings.compressed, conversion, m_stop, committer,
                keeper.get(),
                [&settle, index](const ArchiveTarget::WriteResult &result) {
                    settle(index, outcomeOf(result, false));
                },
                sums.damagedCopies(), &copyFacts[index]);
            if (outcome.stopped)
                return;
            counters.filesDone.fetch_add(1, std::memory_order_relaxed);
            counters.bytesDone.fetch_add(outcome.seenBytes, std::memory_order_relaxed);
            if (outcome.replaces) {
                replacesFlags[index] = 1;
                replacing.fetch_add(1);
            } else if (!outcome.pending && !outcome.copied && outcome.state == StateCorrect) {
                unchangedSoFar.fetch_add(1);
            }
            if (!outcome.pending)
                settle(index, outcome);
            if (reserve >= 0 && outcome.bytes > 0 &&
                sinceSpaceCheck.fetch_add(outcome.bytes) + outcome.bytes >= kSpaceCheckBytes) {
                sinceSpaceCheck.store(0);
                if (!roomLeft()) {
                    diskFull.store(true);
                    return;
                }
            }
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

    // The record names only files that have their names on the disk by now.
    const bool allSeen = !m_stop.load() && !diskFull.load() && haveList && listState == StateCorrect &&
                         sources.firstFailure == StateCorrect;
    m_result.fullCheck = sums.write(sources.files, copyFacts, copiedFlags, allSeen);
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
            },
            nullptr, {}, KeepReplaced{keeper.get(), {}});
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
    const std::pair<StateCode, QString> failures[] = {
        {converted.state, target.rootPath()},
        {listState, m_listFile},
        {sources.firstFailure, sources.firstFailedPath},
        {outOfRoom.load() ? StateDiskFull : StateCorrect, target.rootPath()},
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
    for (size_t i = 0; i < sources.files.size(); ++i) {
        if (copiedFlags[i] && replacesFlags[i])
            ++m_result.replaced;
        else
            replacesFlags[i] = 0;
    }
    if (keeper && looksLikeMassChange(m_result.replaced, m_result.unchanged))
        m_result.massChangeNotice = massChangeText(m_result.replaced, sources.files, replacesFlags);
    // Earlier versions past their time go only after a run that archived something and went
    // well: a failing source or a full disk is no time to remove what might be needed.
    if (m_result.copied > 0 && m_result.state == StateCorrect) {
        const VersionsRemoved thinned =
            thinVersions(target.rootFd(), m_started.addMSecs(elapsed.elapsed()), m_settings.keepVersionsDays);
        if (thinned.removedFiles > 0 || thinned.failures > 0)
            m_log->write(QStringLiteral("%1 archive: %2 earlier versions past their time removed%3")
                             .arg(label)
                             .arg(thinned.removedFiles)
                             .arg(thinned.failures
                                      ? QStringLiteral(", %1 could not be removed").arg(thinned.failures)
                                      : QString()));
    }
    // The disk as the run leaves it, for the notice of a disk nearly full.
    if (const qint64 free = freeBytes(target.rootFd()), reserveNow = archiveReserve(target.rootFd());
        free >= 0 && reserveNow >= 0)
        m_result.look.lowDisk = free < reserveNow;
    m_log->write(QStringLiteral("%1 archive: done, %2 copied, %3 unchanged, %4 failed; state %5 (%6)")
                     .arg(label)
                     .arg(m_result.copied)
                     .arg(m_result.unchanged)
                     .arg(m_result.failed)
                     .arg(int(m_result.state))
                     .arg(stateDescription(m_result.state)));
}

} // namespace archiver
