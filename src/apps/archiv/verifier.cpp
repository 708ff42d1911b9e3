// Reading an archive side back.
#include "verifier.h"

#include "compressor.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/versionslayout.h"
#include "core/platform/filebeside.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Deeper folders than any path of a listed file reaches are not entered.
constexpr int kMaxDepth = 256;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Opens path below rootFd, each part without following a link; -1 with errno.
int openBelow(int rootFd, const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('\\'));
    int fd = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    for (qsizetype i = 0; i < parts.size() && fd >= 0; ++i) {
        const bool last = i == parts.size() - 1;
        const int next = ::openat(fd, QFile::encodeName(parts.at(i)).constData(),
                                  last ? O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC : kDirFlags);
        const int error = errno;
        ::close(fd);
        errno = error;
        fd = next;
    }
    return fd;
}

bool isCompressedName(const QString &path)
{
    return path.endsWith(QLatin1String(kCompressedSuffix));
}

struct Job
{
    QString path;
    bool compressed = false; // the form of the archive (or of the run folder) it lies in
    bool version = false;
};

// Every regular file below folder (path prefix given), into jobs; false when a folder could not be
// read.
bool walk(int folderFd, const QString &prefix, bool compressed, bool version, int depth,
          std::vector<Job> *jobs)
{
    if (depth > kMaxDepth)
        return false;
    const int listFd = ::openat(folderFd, ".", kDirFlags);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return false;
    }
    bool whole = true;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
            win::FileBeside::isTemporaryName(name))
            continue;
        struct stat status;
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const QString path = prefix + QFile::decodeName(name);
        if (S_ISDIR(status.st_mode)) {
            const int sub = ::openat(folderFd, name, kDirFlags);
            if (sub < 0) {
                whole = false;
                continue;
            }
            whole = walk(sub, path + QLatin1Char('\\'), compressed, version, depth + 1, jobs) && whole;
            ::close(sub);
        } else if (S_ISREG(status.st_mode)) {
            jobs->push_back({path, compressed, version});
        }
    }
    ::closedir(dir);
    return whole;
}

bool formOf(int folderFd, bool fallback)
{
    FormRecord record;
    if (readFormRecord(folderFd, &record) != RecordRead::Present)
        return fallback;
    return record.compressed || record.converting;
}

// The current copies (the drive folders of the root) and the earlier versions (the run folders).
bool walkArchive(int rootFd, bool compressed, std::vector<Job> *jobs)
{
    bool whole = true;
    const auto folders = [](int fd, const auto &take) {
        const int listFd = ::openat(fd, ".", kDirFlags);
        DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir) {
            if (listFd >= 0)
                ::close(listFd);
            return false;
        }
        while (const dirent *entry = ::readdir(dir)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name == QLatin1String(".") || name == QLatin1String(".."))
                continue;
            const int sub = ::openat(fd, entry->d_name, kDirFlags);
            if (sub >= 0) {
                take(name, sub);
                ::close(sub);
            }
        }
        ::closedir(dir);
        return true;
    };
    whole = folders(rootFd,
                    [&](const QString &name, int fd) {
                        if (name != QLatin1String(kVersionsFolder)) {
                            whole = walk(fd, name + QLatin1Char('\\'), compressed, false, 1, jobs) && whole;
                            return;
                        }
                        folders(fd, [&](const QString &run, int runFd) {
                            if (!versionRunTime(run).isValid())
                                return;
                            const bool runCompressed = formOf(runFd, compressed);
                            folders(runFd, [&](const QString &drive, int driveFd) {
                                const QString prefix = QLatin1String(kVersionsFolder) + QLatin1Char('\\') +
                                                       run + QLatin1Char('\\') + drive + QLatin1Char('\\');
                                whole = walk(driveFd, prefix, runCompressed, true, 3, jobs) && whole;
                            });
                        });
                    }) &&
            whole;
    return whole;
}

QString findingLine(Side side, const Job &job, const CheckOutcome &outcome)
{
    const QString what = outcome.result == CopyCheck::Missing ? QStringLiteral("missing")
                         : job.version                        ? QStringLiteral("damaged earlier version")
                                                              : QStringLiteral("damaged");
    return QStringLiteral("%1 archive: %2: %3%4")
        .arg(sideLabel(side), what, job.path,
             outcome.why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(outcome.why));
}

} // namespace

CheckOutcome checkCopy(int rootFd, const QString &path, bool compressed, const ChecksumEntry *entry,
                       const std::atomic<bool> &stop)
{
    CheckOutcome outcome;
    const int fd = openBelow(rootFd, path);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = fd < 0 ? errno : EINVAL;
        if (fd >= 0)
            ::close(fd);
        outcome.result = error == ENOENT ? CopyCheck::Missing : CopyCheck::Damaged;
        outcome.why = error == ENOENT ? QString() : errorText(error);
        return outcome;
    }
    ::fcntl(fd, F_SETFL, O_RDONLY);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    outcome.size = qint64(status.st_size);
    outcome.mtimeSec = qint64(status.st_mtim.tv_sec);
    outcome.mtimeNsec = qint64(status.st_mtim.tv_nsec);
    if (compressed && isCompressedName(path)) {
        const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        const CopyOutcome decoded = copyDecompressed(fd, sink, stop);
        ::close(sink);
        if (decoded.result == CopyResult::Stopped)
            outcome.result = CopyCheck::Stopped;
        else if (decoded.result == CopyResult::Failed) {
            outcome.result = CopyCheck::Damaged;
            outcome.why = decoded.stage == FileStage::Compress ? QStringLiteral("the bzip2 data is damaged")
                                                               : errorText(decoded.error);
        }
        ::close(fd);
        return outcome;
    }
    const bool described = entry && entry->describes(outcome.size, outcome.mtimeSec, outcome.mtimeNsec);
    StreamChecksum sum;
    std::vector<char> buffer(256 * 1024);
    qint64 read = 0;
    for (;;) {
        if (stop.load(std::memory_order_relaxed)) {
            outcome.result = CopyCheck::Stopped;
            break;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            outcome.result = CopyCheck::Damaged;
            outcome.why = errorText(errno);
            break;
        }
        if (got == 0) {
            if (read != outcome.size) {
                outcome.result = CopyCheck::Damaged;
                outcome.why = QStringLiteral("%1 bytes where %2 were expected").arg(read).arg(outcome.size);
            } else if (described && entry->hasSum && sum.value() != entry->sum) {
                outcome.result = CopyCheck::Damaged;
                outcome.why =
                    QStringLiteral("the checksum differs from the one recorded when it was written");
            }
            break;
        }
        read += got;
        if (described && entry->hasSum)
            sum.add(buffer.data(), size_t(got));
    }
    ::close(fd);
    return outcome;
}

void markDamaged(int rootFd, const std::vector<std::pair<QString, CheckOutcome>> &damaged)
{
    if (damaged.empty())
        return;
    const ChecksumRecordLock lock(rootFd);
    ChecksumRecord record;
    QString why;
    record.read(rootFd, &why);
    for (const auto &[path, outcome] : damaged) {
        ChecksumEntry entry;
        if (const ChecksumEntry *known = record.find(path))
            entry = *known;
        if (!entry.describes(outcome.size, outcome.mtimeSec, outcome.mtimeNsec)) {
            entry = ChecksumEntry();
            entry.size = outcome.size;
            entry.mtimeSec = outcome.mtimeSec;
            entry.mtimeNsec = outcome.mtimeNsec;
        }
        entry.damaged = true;
        record.set(path, entry);
    }
    record.write(rootFd);
}

Verifier::Verifier(Side side, SideSettings settings, int threads, Line finding)
    : m_side(side), m_settings(std::move(settings)), m_threads(std::max(1, threads)),
      m_finding(std::move(finding))
{
}

Verifier::Result Verifier::run(const std::atomic<bool> &stop)
{
    Result result;
    ArchiveTarget target;
    QString why;
    if (target.open(m_settings.destination, m_settings.archiveName, false, &why) != StateCorrect) {
        m_finding(QStringLiteral("%1 archive: can not be checked: %2").arg(sideLabel(m_side), why));
        return result;
    }
    result.reached = true;
    const qint64 started = QDateTime::currentSecsSinceEpoch();
    const int rootFd = target.rootFd();
    ChecksumRecord record;
    if (record.read(rootFd, &why) == ChecksumRecord::Read::Damaged)
        m_finding(QStringLiteral("%1 archive: the checksum record is damaged (%2); plain copies are checked "
                                 "for readability only until the next run records it afresh")
                      .arg(sideLabel(m_side), why));
    std::vector<Job> jobs;
    bool whole = walkArchive(rootFd, formOf(rootFd, m_settings.compressed), &jobs);

    // Each thread takes the next file; the findings are few and wait behind one lock.
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::vector<std::pair<size_t, CheckOutcome>> findings;
    std::vector<char> sound(jobs.size(), 0);
    std::atomic<bool> stopped{false};
    const auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < jobs.size();) {
            const Job &job = jobs[i];
            const CheckOutcome outcome = checkCopy(rootFd, job.path, job.compressed,
                                                   job.version ? nullptr : record.find(job.path), stop);
            if (outcome.result == CopyCheck::Stopped) {
                stopped.store(true);
                return;
            }
            if (outcome.result == CopyCheck::Sound) {
                sound[i] = 1;
                continue;
            }
            const std::lock_guard lock(mutex);
            findings.emplace_back(i, outcome);
        }
    };
    std::vector<std::thread> workers;
    for (int i = 1; i < m_threads; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();
    if (stopped.load())
        return result;
    result.files = qint64(jobs.size());

    // A copy the record names that is not there at all.
    QSet<QString> present;
    for (const Job &job : jobs) {
        if (!job.version)
            present.insert(job.path);
    }
    for (const auto &[path, entry] : record.entries()) {
        if (!present.contains(path)) {
            CheckOutcome missing;
            missing.result = CopyCheck::Missing;
            findings.emplace_back(jobs.size(), missing);
            jobs.push_back({path, false, false});
        }
    }

    // A run may have replaced a copy meanwhile: each finding is read again against the record and
    // the file as they are now, and only what is still wrong is reported.
    std::sort(findings.begin(), findings.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    ChecksumRecord now;
    now.read(rootFd, &why);
    std::vector<std::pair<QString, CheckOutcome>> damaged;
    for (const auto &[index, first] : findings) {
        const Job &job = jobs[index];
        if (first.result == CopyCheck::Missing && !job.version && !now.find(job.path))
            continue;
        const CheckOutcome again =
            checkCopy(rootFd, job.path, job.compressed, job.version ? nullptr : now.find(job.path), stop);
        if (again.result == CopyCheck::Stopped)
            return result;
        if (again.result == CopyCheck::Sound)
            continue;
        ++result.findings;
        m_finding(findingLine(m_side, job, again));
        if (again.result == CopyCheck::Damaged && !job.version)
            damaged.emplace_back(job.path, again);
    }
    markDamaged(rootFd, damaged);

    // The sound current copies count as checked now; the next round of rolling slices starts here.
    result.whole = whole;
    if (whole) {
        const ChecksumRecordLock lock(rootFd);
        ChecksumRecord latest;
        if (latest.read(rootFd, &why) == ChecksumRecord::Read::Present) {
            for (size_t i = 0; i < sound.size(); ++i) {
                const ChecksumEntry *entry =
                    sound[i] && !jobs[i].version ? latest.find(jobs[i].path) : nullptr;
                if (entry && !entry->damaged) {
                    ChecksumEntry checked = *entry;
                    checked.checked = started;
                    latest.set(jobs[i].path, checked);
                }
            }
            latest.setRoundStart(started);
            latest.write(rootFd);
        }
    }
    return result;
}

} // namespace archiver
