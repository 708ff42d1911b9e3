// Converting an archive side between its forms.
#include "archiveconversion.h"

#include "archivefiles.h"
#include "archivelog.h"
#include "archivetarget.h"
#include "committer.h"
#include "compressor.h"

#include "core/platform/paths.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

// A batch ends after this many files or bytes read: its old forms wait for one flush of the disk.
constexpr int kBatchFiles = 4096;
constexpr qint64 kBatchBytes = qint64(512) * 1024 * 1024;
constexpr int kLoggedFailures = 50;
constexpr char kListMagic[] = "dunlivo conversion list";
// Far more than the list of any archive; a larger file is none of ours and is not read into memory.
constexpr qint64 kMaxListBytes = qint64(1) << 30;

using FileDone = ArchiveConversion::FileDone;

ArchiveConversion::FileResult convertOne(int folderFd, const QByteArray &oldName, const QByteArray &newName,
                                         bool toCompressed, const std::atomic<bool> &stop,
                                         Committer &committer, ArchiveTarget::CommitDone done)
{
    ArchiveConversion::FileResult result;
    if (folderFd < 0) {
        result.error = errno;
        result.done = result.error == ENOENT ? FileDone::Gone : FileDone::Failed;
        result.state = stateForError(result.error, FileStage::OpenSource);
        return result;
    }
    const int in =
        ::openat(folderFd, oldName.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) {
        result.error = errno;
        // Removed by someone since the list was made: nothing left to convert.
        result.done = result.error == ENOENT ? FileDone::Gone : FileDone::Failed;
        result.state =
            result.error == ENOENT ? StateCorrect : stateForError(result.error, FileStage::OpenSource);
        return result;
    }
    struct stat status;
    if (::fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        result.error = errno;
        result.state = StateFileReadError;
        ::close(in);
        return result;
    }
    ::fcntl(in, F_SETFL, O_RDONLY);
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    const ArchiveTarget::WriteResult written = ArchiveTarget::writeFile(
        folderFd, newName, status,
        [&](int out, ArchiveTarget::WriteResult *outcome) {
            const CopyOutcome copy =
                toCompressed ? copyCompressed(in, out, stop) : copyDecompressed(in, out, stop);
            if (copy.result == CopyResult::Done)
                return true;
            outcome->stopped = copy.result == CopyResult::Stopped;
            outcome->error = copy.error;
            if (!outcome->stopped)
                outcome->state = stateForError(copy.error, copy.stage);
            return false;
        },
        &committer, std::move(done));
    ::close(in);
    if (written.pending) {
        result.done = FileDone::Pending;
    } else if (written.stopped) {
        result.done = FileDone::Stopped;
    } else if (written.state != StateCorrect) {
        result.state = written.state;
        result.error = written.error;
    } else {
        result.done = FileDone::Converted;
    }
    return result;
}

QByteArray listName(qint64 list)
{
    return QByteArray(kConversionListPrefix) + QByteArray::number(list);
}

} // namespace

StateCode openSideArchive(ArchiveTarget &target, const SideSettings &settings, QString *why)
{
    const StateCode opened = target.open(settings.destination, settings.archiveName, false, why);
    if (opened != StatePathNotFound || !isPlainFolderName(settings.archiveName))
        return opened;
    QString host;
    win::LONG error = 0;
    struct stat status;
    if (!win::ToHostPath(trimTrailingBackslash(settings.destination), &host, &error) ||
        ::stat(QFile::encodeName(host).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return opened;
    if (settings.archivedBefore) {
        *why = QStringLiteral(
                   "the archive folder %1 is missing, though this side has been archived before: is "
                   "the disk of the archive there? Choose the destination again to start a new archive "
                   "on purpose")
                   .arg(archiveRoot(settings.destination, settings.archiveName));
        return StateCantReach;
    }
    return target.open(settings.destination, settings.archiveName, true, why);
}

ArchiveConversion::ArchiveConversion(const ArchiveTarget &target, bool compressed, int threads,
                                     const std::atomic<bool> &stop, ArchiveLog *log, QString label)
    : m_target(target), m_compressed(compressed), m_threads(std::max(1, threads)), m_stop(stop), m_log(log),
      m_label(std::move(label))
{
}

QByteArray ArchiveConversion::newName(const QByteArray &oldName, bool toCompressed) const
{
    return toCompressed ? oldName + kCompressedSuffix : oldName.chopped(int(std::strlen(kCompressedSuffix)));
}

bool ArchiveConversion::loadList(const FormRecord &record, QList<Entry> *entries)
{
    QFile file;
    const int fd = ::openat(m_target.rootFd(), listName(record.list).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMaxListBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const QList<QByteArray> parts = file.readAll().split('\0');
    // The magic, the entries, and the empty part after the last terminator.
    if (parts.size() < 2 || parts.first() != kListMagic || !parts.last().isEmpty())
        return false;
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        const QByteArray &relative = parts.at(i);
        const qsizetype slash = relative.lastIndexOf('/');
        if (slash <= 0 || !isSafeRelative(relative.left(slash), relative.mid(slash + 1)))
            return false;
        entries->append({relative.left(slash), relative.mid(slash + 1), 0});
    }
    // The record's positions must lie in this list.
    for (qint64 index : record.failed) {
        if (index >= record.done)
            return false;
    }
    return record.done <= entries->size();
}

bool ArchiveConversion::replaceList(FormRecord *record, const QList<Entry> &entries)
{
    QByteArray bytes = QByteArray(kListMagic) + '\0';
    for (const Entry &entry : entries)
        bytes += entry.relative() + '\0';
    const qint64 previous = record->converting ? record->list : 0;
    qint64 list = QDateTime::currentMSecsSinceEpoch();
    if (list == previous)
        ++list;
    if (!writeRootFileDurably(m_target.rootFd(), listName(list), bytes))
        return false;
    record->converting = true;
    record->list = list;
    record->committed = 0;
    record->done = 0;
    record->failed.clear();
    if (!writeFormRecord(m_target.rootFd(), *record)) {
        const int error = errno;
        ::unlinkat(m_target.rootFd(), listName(list).constData(), 0);
        errno = error;
        return false;
    }
    if (previous != 0)
        ::unlinkat(m_target.rootFd(), listName(previous).constData(), 0);
    return true;
}

bool ArchiveConversion::startConversion(FormRecord *record, QList<Entry> *entries)
{
    *entries = archivedFiles(m_target.rootFd(), record->compressed);
    record->converting = false;
    return replaceList(record, *entries);
}

ArchiveConversion::Outcome ArchiveConversion::prepare(bool archivedBefore)
{
    Outcome outcome;
    const int root = m_target.rootFd();
    FormRecord record;
    const RecordRead read = readFormRecord(root, &record);
    if (read == RecordRead::Damaged) {
        m_log->write(
            QStringLiteral("%1 archive: the form record in %2 can not be read; the archive is left as it "
                           "is")
                .arg(m_label, m_target.rootPath()));
        outcome.state = StateFileOpenError;
        outcome.mayRun = false;
        return outcome;
    }
    if (read == RecordRead::Absent) {
        QString why;
        if (!isOwnArchive(root, archivedBefore, m_target.rootPath(), &why)) {
            m_log->write(QStringLiteral("%1 archive: %2").arg(m_label, why));
            outcome.state = StateCantReach;
            outcome.mayRun = false;
            return outcome;
        }
        // A new archive, or one archived before the record existed: it is in the flag's form.
        record = FormRecord();
        record.compressed = m_compressed;
        if (!writeFormRecord(root, record)) {
            const int error = errno;
            m_log->write(QStringLiteral("%1 archive: the form record can not be written: %2")
                             .arg(m_label, QString::fromLocal8Bit(strerror(error))));
            outcome.state = stateForError(error, FileStage::WriteTarget);
            outcome.mayRun = false;
        }
        return outcome;
    }

    if (record.converting) {
        QList<Entry> entries;
        if (!loadList(record, &entries)) {
            m_log->write(
                QStringLiteral("%1 archive: the list of the conversion under way is missing or damaged; the "
                               "archive is left as it is")
                    .arg(m_label));
            outcome.state = StateFileOpenError;
            outcome.mayRun = false;
            return outcome;
        }
        m_log->write(
            QStringLiteral("%1 archive: going on with the conversion to the %2 form, %3 of %4 files left")
                .arg(m_label,
                     record.targetCompressed() ? QStringLiteral("compressed") : QStringLiteral("plain"))
                .arg(entries.size() - record.done + record.failed.size())
                .arg(entries.size()));
        outcome = convert(record, entries);
        if (outcome.stopped || outcome.state != StateCorrect || !outcome.mayRun)
            return outcome;
        if (readFormRecord(root, &record) != RecordRead::Present) {
            outcome.state = StateFileOpenError;
            outcome.mayRun = false;
            return outcome;
        }
    }
    if (record.compressed == m_compressed && !record.converting)
        return outcome;

    QList<Entry> entries;
    if (!startConversion(&record, &entries)) {
        const int error = errno;
        m_log->write(QStringLiteral("%1 archive: the conversion can not be started: %2")
                         .arg(m_label, QString::fromLocal8Bit(strerror(error))));
        outcome.state = stateForError(error, FileStage::WriteTarget);
        outcome.mayRun = false;
        return outcome;
    }
    m_log->write(QStringLiteral("%1 archive: converting %2 files to the %3 form")
                     .arg(m_label)
                     .arg(entries.size())
                     .arg(m_compressed ? QStringLiteral("compressed") : QStringLiteral("plain")));
    const Outcome second = convert(record, entries);
    outcome.converted += second.converted;
    outcome.failed = second.failed;
    outcome.state = second.state;
    outcome.stopped = second.stopped;
    outcome.mayRun = second.mayRun;
    return outcome;
}

std::vector<ArchiveConversion::FileResult> ArchiveConversion::convertRange(
    const QList<Entry> &entries, qint64 start, qint64 end, bool toCompressed, const QSet<qint64> &deferred,
    const std::function<void(const Entry &, const FileResult &)> &report, std::atomic<bool> &diskFull) const
{
    // Each thread takes the next file; a full disk stops them all, as every further file would
    // fail the same way.
    std::vector<FileResult> results(size_t(end - start));
    std::atomic<qint64> next{start};
    const auto failedFile = [&](const Entry &entry, const FileResult &result) {
        if (result.state == StateDiskFull)
            diskFull.store(true);
        report(entry, result);
    };
    Committer committer(m_target.rootFd());
    const auto work = [&] {
        RootFolders folders(m_target.rootFd());
        for (;;) {
            if (m_stop.load() || diskFull.load())
                return;
            const qint64 i = next.fetch_add(1);
            if (i >= end)
                return;
            const Entry &entry = entries.at(i);
            FileResult &result = results[size_t(i - start)];
            if (deferred.contains(i)) {
                result.done = FileDone::Deferred;
                continue;
            }
            // The committer fills in the result of a file handed to it.
            const auto done = [&result, &entry, &failedFile](const ArchiveTarget::WriteResult &written) {
                result.done = written.stopped                 ? FileDone::Stopped
                              : written.state == StateCorrect ? FileDone::Converted
                                                              : FileDone::Failed;
                result.state = written.state;
                result.error = written.error;
                if (result.done == FileDone::Failed)
                    failedFile(entry, result);
            };
            const FileResult converted =
                convertOne(folders.get(entry.folder), entry.name, newName(entry.name, toCompressed),
                           toCompressed, m_stop, committer, done);
            if (converted.done == FileDone::Pending)
                continue;
            result = converted;
            if (result.done == FileDone::Failed)
                failedFile(entry, result);
        }
    };
    const int threadCount = int(std::min<qint64>(m_threads, end - start));
    std::vector<std::thread> workers;
    for (int t = 1; t < threadCount; ++t)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();
    // A stopped conversion gives up the files still waiting for their names.
    if (m_stop.load())
        committer.drop();
    else
        committer.flush();
    return results;
}

ArchiveConversion::Outcome ArchiveConversion::convert(FormRecord record, QList<Entry> entries)
{
    Outcome outcome;
    const int root = m_target.rootFd();
    const bool toCompressed = record.targetCompressed();
    const qint64 count = entries.size();
    if (record.done > count) {
        outcome.state = StateFileOpenError;
        outcome.mayRun = false;
        return outcome;
    }
    QSet<qint64> failed(record.failed.cbegin(), record.failed.cend());
    // The old forms that stay where they are in this pass: no other file may take their names.
    QSet<QByteArray> staying;
    for (qint64 i : std::as_const(failed))
        staying.insert(entries.at(i).relative());

    // Stopped after the record moved on but before the old forms of its last batch went.
    {
        QList<const ArchivedFile *> leftOver;
        for (qint64 i = record.committed; i < record.done; ++i) {
            if (!failed.contains(i))
                leftOver.append(&entries.at(i));
        }
        removeFiles(root, leftOver);
    }

    StateCode firstState = StateCorrect;
    qint64 firstStateIndex = count;
    std::atomic<bool> diskFull{false};
    std::atomic<int> logged{0};
    const auto report = [&](const Entry &entry, const FileResult &result) {
        if (logged.fetch_add(1) < kLoggedFailures)
            m_log->write(
                QStringLiteral("%1 archive: %2 can not be converted: %3%4")
                    .arg(m_label, QFile::decodeName(entry.relative()), stateDescription(result.state),
                         result.error
                             ? QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(strerror(result.error)))
                             : QString()));
    };
    qint64 start = record.done;
    while (start < count && !m_stop.load() && !diskFull.load()) {
        // The batch: no file in it takes a name another file of it still holds in the old form.
        // A file whose new name is held by an old form that failed waits for a later pass.
        QSet<QByteArray> oldNames;
        QSet<qint64> deferred;
        qint64 end = start;
        qint64 bytes = 0;
        while (end < count && end - start < kBatchFiles && (bytes < kBatchBytes || end == start)) {
            const Entry &entry = entries.at(end);
            const QByteArray target = entry.folder + '/' + newName(entry.name, toCompressed);
            if (oldNames.contains(target))
                break;
            if (staying.contains(target)) {
                deferred.insert(end);
                staying.insert(entry.relative());
            }
            oldNames.insert(entry.relative());
            bytes += std::max<qint64>(entry.size, 4096);
            ++end;
        }

        const std::vector<FileResult> results =
            convertRange(entries, start, end, toCompressed, deferred, report, diskFull);

        if (m_stop.load()) {
            // The batch is not recorded: its new files, whole as they are, are made again next time
            // from the old forms, which are all still there.
            outcome.stopped = true;
            outcome.state = StateUserBreak;
            outcome.mayRun = false;
            return outcome;
        }
        // Files not reached (the disk filled up) stay in the old form like the failed ones.
        for (qint64 i = start; i < end; ++i) {
            const FileResult &result = results[size_t(i - start)];
            if (result.done == FileDone::Converted || result.done == FileDone::Gone) {
                if (result.done == FileDone::Converted)
                    ++outcome.converted;
                continue;
            }
            failed.insert(i);
            staying.insert(entries.at(i).relative());
            if (result.done == FileDone::Failed && i < firstStateIndex) {
                firstStateIndex = i;
                firstState = result.state;
            }
        }
        if (diskFull.load() && firstState == StateCorrect)
            firstState = StateDiskFull;

        // The new forms reach the disk, then the record says so, then the old forms go.
        m_target.sync();
        record.committed = start;
        record.done = end;
        record.failed = QList<qint64>(failed.cbegin(), failed.cend());
        std::sort(record.failed.begin(), record.failed.end());
        if (!writeFormRecord(root, record)) {
            const int error = errno;
            m_log->write(QStringLiteral("%1 archive: the conversion's progress can not be recorded: %2")
                             .arg(m_label, QString::fromLocal8Bit(strerror(error))));
            // Unrecorded, the batch's new files would only take room: their old forms are all there.
            RootFolders folders(root);
            for (qint64 i = start; i < end; ++i) {
                if (results[size_t(i - start)].done != FileDone::Converted)
                    continue;
                const Entry &entry = entries.at(i);
                const int folder = folders.get(entry.folder);
                if (folder >= 0)
                    ::unlinkat(folder, newName(entry.name, toCompressed).constData(), 0);
            }
            outcome.state = stateForError(error, FileStage::WriteTarget);
            outcome.mayRun = false;
            return outcome;
        }
        QList<const ArchivedFile *> replaced;
        for (qint64 i = start; i < end; ++i) {
            if (results[size_t(i - start)].done == FileDone::Converted)
                replaced.append(&entries.at(i));
        }
        removeFiles(root, replaced);
        start = end;
    }
    if (m_stop.load()) {
        outcome.stopped = true;
        outcome.state = StateUserBreak;
        outcome.mayRun = false;
        return outcome;
    }
    for (qint64 i = start; i < count; ++i)
        failed.insert(i);

    if (failed.isEmpty()) {
        const qint64 list = record.list;
        FormRecord finished;
        finished.compressed = toCompressed;
        if (!writeFormRecord(root, finished)) {
            outcome.state = stateForError(errno, FileStage::WriteTarget);
            outcome.mayRun = false;
            return outcome;
        }
        ::unlinkat(root, listName(list).constData(), 0);
        m_log->write(QStringLiteral("%1 archive: converted to the %2 form, %3 files")
                         .arg(m_label, toCompressed ? QStringLiteral("compressed") : QStringLiteral("plain"))
                         .arg(outcome.converted));
        return outcome;
    }

    // What failed is tried again at the next run, as the whole of a new list.
    QList<qint64> order(failed.cbegin(), failed.cend());
    std::sort(order.begin(), order.end());
    QList<Entry> left;
    for (qint64 i : order)
        left.append(entries.at(i));
    outcome.failed = int(left.size());
    outcome.state = firstState == StateCorrect ? StateFileWriteError : firstState;
    if (!replaceList(&record, left)) {
        outcome.mayRun = false;
        return outcome;
    }
    m_log->write(QStringLiteral("%1 archive: %2 files converted, %3 left in the old form for the next run")
                     .arg(m_label)
                     .arg(outcome.converted)
                     .arg(left.size()));
    outcome.mayRun = toCompressed == m_compressed;
    if (outcome.mayRun)
        setPending(record, left, outcome.state);
    return outcome;
}

void ArchiveConversion::setPending(const FormRecord &record, const QList<Entry> &entries, StateCode state)
{
    m_pendingRecord = record;
    m_pending = entries;
    m_pendingState = state;
    m_pendingOld.clear();
    for (const Entry &entry : entries)
        m_pendingOld.insert(entry.relative());
}

bool ArchiveConversion::blocks(const ArchivedLocation &location) const
{
    if (m_pendingOld.isEmpty())
        return false;
    QByteArray relative;
    for (const QString &folder : location.folders)
        relative += QFile::encodeName(folder) + '/';
    relative += QFile::encodeName(location.fileName);
    return m_pendingOld.contains(relative);
}

void ArchiveConversion::afterRun()
{
    if (m_pending.isEmpty())
        return;
    const bool toCompressed = m_pendingRecord.targetCompressed();
    const int root = m_target.rootFd();
    QList<Entry> left;
    QList<Entry> superseded;
    RootFolders folders(root);
    for (const Entry &entry : std::as_const(m_pending)) {
        const QByteArray fresh = newName(entry.name, toCompressed);
        const int folder = folders.get(entry.folder);
        struct stat oldStatus;
        struct stat newStatus;
        // The run wrote the new form from the source, at least as new as the old form.
        if (folder >= 0 && !m_pendingOld.contains(entry.folder + '/' + fresh) &&
            ::fstatat(folder, entry.name.constData(), &oldStatus, AT_SYMLINK_NOFOLLOW) == 0 &&
            ::fstatat(folder, fresh.constData(), &newStatus, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(newStatus.st_mode) &&
            (newStatus.st_mtim.tv_sec > oldStatus.st_mtim.tv_sec ||
             (newStatus.st_mtim.tv_sec == oldStatus.st_mtim.tv_sec &&
              newStatus.st_mtim.tv_nsec >= oldStatus.st_mtim.tv_nsec)))
            superseded.append(entry);
        else
            left.append(entry);
    }
    if (superseded.isEmpty())
        return;
    m_target.sync();
    for (const Entry &entry : std::as_const(superseded)) {
        const int folder = folders.get(entry.folder);
        if (folder >= 0)
            ::unlinkat(folder, entry.name.constData(), 0);
    }
    FormRecord record = m_pendingRecord;
    if (left.isEmpty()) {
        FormRecord finished;
        finished.compressed = toCompressed;
        if (writeFormRecord(root, finished))
            ::unlinkat(root, listName(record.list).constData(), 0);
    } else {
        replaceList(&record, left);
    }
    m_log->write(QStringLiteral("%1 archive: %2 files left in the old form were archived anew")
                     .arg(m_label)
                     .arg(superseded.size()));
    setPending(record, left, m_pendingState);
}

} // namespace archiver
