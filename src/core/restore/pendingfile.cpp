// PendingFile: a restored file made ready beside its target, renamed into place on request.
#include "pendingfile.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/compression/bzip2stream.h"
#include "core/compression/stream.h"
#include "decompressfile.h"

#include "restorelinks.h"

#include "core/platform/attributes.h"
#include "core/platform/filebeside.h"
#include "core/platform/files.h"
#include "core/platform/filetime.h"
#include "core/platform/paths.h"
#include "core/platform/posixio.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr qint64 kOutputChunk = 100000;
constexpr const char *kDosAttribName = "user.DOSATTRIB";

// Opens an archive member for reading: a regular file, not reached through a link of its own.
// Opening a pipe or a device could wait for ever (or act on the device), and a link could lead out
// of the archive: the name is looked at first, and the opened file checked again, since the name
// may have changed in between. Returns the descriptor, or -1 with the result that says why; info
// is then the opened file's. A host path already given (not empty) is taken as the member's.
int openMember(const QString &source, QString *host, int *result, win::HostPathCache *paths,
               struct stat &info)
{
    *result = DecompressSourceMissing;
    if (host->isEmpty() && !win::ToHostPath(source, host, nullptr, nullptr, paths))
        return -1;
    const QByteArray name = QFile::encodeName(*host);
    if (::lstat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT && errno != ELOOP && errno != ENOTDIR)
            *result = DecompressCannotOpenSource;
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    *result = DecompressOk;
    return fd;
}

// How much a decompression may write. The archive records no original size, so a member that
// unpacks to far more than it could hold (a decompression bomb) is stopped by the room left on
// the target's disk: once every kSpaceCheckInterval bytes of output the free space is read, and
// the output fails as a full disk when writing on for another interval could leave less than the
// reserve free. Output below the first interval is never checked, so that small files still come
// back to a nearly full disk.
class SpaceBudget
{
public:
    SpaceBudget(int fd, qint64 reserve) : m_fd(fd), m_reserve(reserve) {}

    void wrote(qint64 count)
    {
        m_sinceCheck += count;
        if (m_sinceCheck < PendingFile::kSpaceCheckInterval)
            return;
        m_sinceCheck = 0;
        struct statvfs disk;
        if (::fstatvfs(m_fd, &disk) != 0)
            return; // a file system that cannot tell is written on, as before
        const qint64 unit = qint64(disk.f_frsize ? disk.f_frsize : disk.f_bsize);
        const qint64 available = qint64(disk.f_bavail) * unit;
        const qint64 reserve =
            m_reserve >= 0 ? m_reserve : PendingFile::defaultReserve(qint64(disk.f_blocks) * unit);
        if (available < reserve + PendingFile::kSpaceCheckInterval)
            throw WriteError(ENOSPC);
    }

private:
    int m_fd;
    qint64 m_reserve;
    qint64 m_sinceCheck = 0;
};

// The result code of a failure raised while a file is made ready or put in place.
int resultOf(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc &) {
        return DecompressOutOfMemory;
    } catch (const EBZDecompressionError &) {
        return DecompressStreamMisused;
    } catch (const EBZip2Error &) {
        return DecompressLibraryError;
    } catch (const FileCreateError &) {
        return DecompressCannotCreateTarget;
    } catch (const FileOpenError &) {
        return DecompressCannotOpenSource;
    } catch (const ReadError &) {
        return DecompressReadFailure;
    } catch (const WriteError &e) {
        return e.osError() == ENOSPC || e.osError() == EDQUOT ? DecompressDiskFull : DecompressWriteFailure;
    } catch (const StreamError &) {
        return DecompressStreamFailure;
    } catch (...) {
        return DecompressOtherFailure;
    }
}

} // namespace

// The temporary file beside the target, in the target's folder, which stays open while the file
// lives. A target that is a link is replaced by the file, as a hard link is: the file the link
// names (anywhere, anyone's) is never written.
struct PendingFile::Replacement
{
    Replacement(std::shared_ptr<const restore::TargetFolder> targetFolder, const QString &targetName)
        : folder(std::move(targetFolder)), name(targetName)
    {
        if (folder->state() != restore::TargetFolder::State::Open)
            throw FileCreateError(name, folder->error() ? folder->error() : ENOENT);
        // Looked up here, on the thread that makes the file ready: a name that is not there in
        // exactly its case costs a reading of the whole folder.
        host = folder->entryName(name);
        if (!file.createAt(folder->fd(), host, 0666))
            throw FileCreateError(name, errno);
        // The stream writes through a descriptor of its own; the file stays file's to rename.
        const int streamFd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
        if (streamFd < 0)
            throw FileCreateError(name, errno);
        stream = std::make_unique<FileStream>(streamFd, name);
    }

    // Renames the finished file over the target. An existing target must be one that could be
    // overwritten in place, or a link; with inherit a file's permissions, owner and DOS
    // attributes pass to the new file, as truncating it would have kept them. restoring: the
    // restore's rules (Rules::Restore). keepNewer: see PendingFile::commit.
    void commit(bool inherit, bool restoring, const QString &keepNewer)
    {
        stream.reset();
        // What stands at the name is opened itself, without following it: every look and change
        // below is about that one file, whatever the name leads to meanwhile.
        const win::FileDescriptor existing(
            ::openat(folder->fd(), host.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (existing.get() < 0 && errno != ENOENT)
            throw FileCreateError(name, errno);
        const bool replaces = existing.get() >= 0;
        struct stat info;
        if (replaces && ::fstat(existing.get(), &info) != 0)
            throw FileCreateError(name, errno);
        const QByteArray existingPath = replaces ? win::HostPathOfOpenFile(existing.get()) : QByteArray();
        const bool dotName = host.startsWith('.');
        win::DWORD attributesBack = win::INVALID_FILE_ATTRIBUTES;
        QByteArray keptHost;
        try {
            if (replaces && !S_ISLNK(info.st_mode)) {
                if (S_ISDIR(info.st_mode))
                    throw FileCreateError(name, EISDIR);
                // Devices, pipes and sockets are not replaced by a plain file.
                if (!S_ISREG(info.st_mode))
                    throw FileCreateError(name, EINVAL);
                // A file with other names too is replaced under this one only; the restore never
                // changes it, not even to clear its read-only attribute. The new file is then what
                // the file would have become with its attributes cleared.
                const bool shared = info.st_nlink > 1;
                if (restoring && !shared) {
                    attributesBack = win::GetFileAttributesOfOpenFile(existing.get(), dotName);
                    if (attributesBack != win::INVALID_FILE_ATTRIBUTES)
                        win::SetFileAttributesOfOpenFile(existing.get(), win::FILE_ATTRIBUTE_NORMAL, dotName);
                    if (::fstat(existing.get(), &info) != 0)
                        throw FileCreateError(name, errno);
                }
                // Read-only is the owner's write bit, for every user including root.
                if (!shared && (!(info.st_mode & S_IWUSR) || ::access(existingPath.constData(), W_OK) != 0))
                    throw FileCreateError(name, EACCES);
                if (inherit) {
                    const int fd = file.fd();
                    // Best effort: the owner can only be given away by a privileged user, and a
                    // file system may refuse extended attributes.
                    if (info.st_uid != ::geteuid() || info.st_gid != ::getegid())
                        (void)!::fchown(fd, info.st_uid, info.st_gid);
                    ::fchmod(fd, (info.st_mode | (shared ? S_IWUSR : 0)) & 07777);
                    char attributes[64];
                    const ssize_t n = shared ? 0
                                             : ::getxattr(existingPath.constData(), kDosAttribName,
                                                          attributes, sizeof attributes);
                    if (n > 0)
                        ::fsetxattr(fd, kDosAttribName, attributes, static_cast<size_t>(n), 0);
                }
            }
            // The member's time, only on a file that comes back whole, so that an old file never
            // looks restored.
            if (restoring && memberTime)
                win::SetOpenFileDosDateTime(file.fd(), *memberTime);
            // The previous contents go away with the rename: the new ones must be on disk first. A
            // new file needs no such wait; at worst it is missing after a crash, as it was before.
            if (!file.close(replaces))
                throw WriteError(errno);
            // A file changed since the archive's copy was made is work the restore must not
            // destroy: it steps aside under a dated name, and keeps its attributes there.
            const bool keep = replaces && S_ISREG(info.st_mode) && !keepNewer.isEmpty() && memberModified &&
                              info.st_mtim.tv_sec - memberModified->tv_sec >= 2;
            if (keep)
                keptHost = keepAside(keepNewer);
            if (!file.commit(host)) {
                const int error = errno;
                if (keep)
                    win::RenameWithoutReplacing(folder->fd(), keptHost.constData(), folder->fd(),
                                                host.constData());
                throw FileCreateError(name, error);
            }
            if (keep) {
                if (attributesBack != win::INVALID_FILE_ATTRIBUTES)
                    win::SetFileAttributesOfOpenFile(existing.get(), attributesBack, dotName);
                kept = QFile::decodeName(keptHost);
            }
        } catch (...) {
            if (attributesBack != win::INVALID_FILE_ATTRIBUTES)
                win::SetFileAttributesOfOpenFile(existing.get(), attributesBack, dotName);
            throw;
        }
    }

    // Renames the file at the target's name, in the same folder, to its stem + suffix (+ " 2",
    // " 3", ... while that name is taken) + its extension, never over another entry. Returns the
    // name it took.
    QByteArray keepAside(const QString &suffix) const
    {
        const QString current = QFile::decodeName(host);
        const qsizetype dot = current.lastIndexOf(QLatin1Char('.'));
        const qsizetype split = dot > 0 ? dot : current.size();
        for (int n = 1;; ++n) {
            const QString number = n > 1 ? QStringLiteral(" %1").arg(n) : QString();
            const QByteArray candidate =
                QFile::encodeName(current.left(split) + suffix + number + current.mid(split));
            if (win::RenameWithoutReplacing(folder->fd(), host.constData(), folder->fd(),
                                            candidate.constData()))
                return candidate;
            if (errno != EEXIST || n >= 1000)
                throw FileCreateError(name, errno);
        }
    }

    std::shared_ptr<const restore::TargetFolder> folder; // outlives file, which is made in it
    QString name;                                        // as the archive holds it
    QByteArray host;                                     // as the folder has it
    std::optional<win::DWORD> memberTime;                // a decompressed member's, as a DOS date-time
    std::optional<timespec> memberModified;              // the member's modification time
    QString kept;                                        // the name a newer file was kept under
    win::FileBeside file;                                // removed unless committed
    std::unique_ptr<FileStream> stream;
};

PendingFile::PendingFile(Kind kind) : m_kind(kind) {}

PendingFile::~PendingFile() = default;

qint64 PendingFile::defaultReserve(qint64 diskSize)
{
    return archiver::diskReserve(diskSize);
}

std::unique_ptr<PendingFile> PendingFile::decompress(const QString &source, const QString &target,
                                                     qint64 reserve)
{
    const qsizetype slash =
        std::max(target.lastIndexOf(QLatin1Char('\\')), target.lastIndexOf(QLatin1Char('/')));
    const QString folder = slash >= 0 ? target.left(slash) : target;
    return decompress(source, restore::TargetFolder::open(folder, ::geteuid(), false), target.mid(slash + 1),
                      reserve);
}

std::unique_ptr<PendingFile> PendingFile::decompress(const QString &source,
                                                     std::shared_ptr<const restore::TargetFolder> folder,
                                                     const QString &name, qint64 reserve,
                                                     win::HostPathCache *paths, const QString &host)
{
    std::unique_ptr<PendingFile> pending(new PendingFile(Kind::Decompressed));
    QString hostSource = host;
    struct stat member;
    const int in = openMember(source, &hostSource, &pending->m_result, paths, member);
    if (in < 0)
        return pending;
    try {
        FileStream input(in, hostSource);
        const std::unique_ptr<char[]> buffer(new char[kOutputChunk]);
        auto file = std::make_unique<Replacement>(std::move(folder), name);
        win::DWORD time = 0;
        if (win::GetOpenFileDosDateTime(in, &time))
            file->memberTime = time;
        file->memberModified = member.st_mtim;
        SpaceBudget budget(file->file.fd(), reserve);
        TBZDecompressionStream decompressor(input);
        qint64 n = 0;
        do {
            n = decompressor.read(buffer.get(), kOutputChunk);
            budget.wrote(n);
            file->stream->writeBuffer(buffer.get(), n);
        } while (n == kOutputChunk);
        // The Archiver never writes an empty member (an empty file is a stream of 14 bytes): one
        // of zero bytes was damaged, and restoring it would wipe the file it should give back.
        if (input.position() == 0)
            throw EBZCompressionError(QStringLiteral("error -7"));
        pending->m_file = std::move(file);
    } catch (...) {
        pending->m_result = resultOf(std::current_exception());
    }
    return pending;
}

std::unique_ptr<PendingFile> PendingFile::copy(const QString &source,
                                               std::shared_ptr<const restore::TargetFolder> folder,
                                               const QString &name, win::HostPathCache *paths,
                                               const QString &host)
{
    std::unique_ptr<PendingFile> pending(new PendingFile(Kind::Copied));
    QString hostSource = host;
    struct stat from;
    const int in = openMember(source, &hostSource, &pending->m_result, paths, from);
    if (in < 0)
        return pending;
    try {
        FileStream input(in, hostSource);
        auto file = std::make_unique<Replacement>(std::move(folder), name);
        switch (win::CopyFileContents(in, file->stream->handle())) {
        case win::ERROR_SUCCESS:
            break;
        case win::ERROR_READ_FAULT:
            throw ReadError();
        case win::ERROR_DISK_FULL:
            throw WriteError(ENOSPC);
        default:
            throw WriteError();
        }
        // The copy carries what a copy on Windows carries: attributes and times.
        const int fd = file->file.fd();
        ::fchmod(fd, from.st_mode & 0777);
        char attributes[256];
        const ssize_t n = ::fgetxattr(in, kDosAttribName, attributes, sizeof attributes);
        if (n > 0)
            ::fsetxattr(fd, kDosAttribName, attributes, static_cast<size_t>(n), 0);
        const timespec times[2] = {from.st_atim, from.st_mtim};
        ::futimens(fd, times);
        file->memberModified = from.st_mtim;
        pending->m_file = std::move(file);
    } catch (...) {
        pending->m_result = resultOf(std::current_exception());
    }
    return pending;
}

std::unique_ptr<PendingFile> PendingFile::failed(Kind kind, int result)
{
    std::unique_ptr<PendingFile> pending(new PendingFile(kind));
    pending->m_result = result;
    return pending;
}

int PendingFile::commit(Rules rules, const QString &keepNewer)
{
    if (m_result != DecompressOk || !m_file)
        return m_result != DecompressOk ? m_result : DecompressOtherFailure;
    try {
        m_file->commit(m_kind == Kind::Decompressed, rules == Rules::Restore, keepNewer);
        m_kept = m_file->kept;
    } catch (...) {
        m_result = resultOf(std::current_exception());
    }
    m_file.reset();
    return m_result;
}
