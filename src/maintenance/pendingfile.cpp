// PendingFile: a restored file made ready beside its target, renamed into place on request.
#include "pendingfile.h"

#include "bzip2stream.h"
#include "decompressfile.h"
#include "stream.h"

#include "platform/filebeside.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr qint64 kOutputChunk = 100000;
constexpr const char *kDosAttribName = "user.DOSATTRIB";

int errnoFor(win::LONG error)
{
    switch (error) {
    case win::ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case win::ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return ENOENT;
    }
}

// Opens an archive member for reading: a regular file, not reached through a link of its own.
// Opening a pipe or a device could wait for ever (or act on the device), and a link could lead out
// of the archive: the name is looked at first, and the opened file checked again, since the name
// may have changed in between. Returns the descriptor, or -1 with the result that says why.
int openMember(const QString &source, QString *host, int *result)
{
    struct stat info;
    *result = DecompressSourceMissing;
    if (!win::ToHostPath(source, host))
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

// The temporary file beside the target. A target that is a link is replaced by the file, as a
// hard link is: the file the link names (anywhere, anyone's) is never written.
struct PendingFile::Replacement
{
    explicit Replacement(const QString &windowsTarget)
    {
        win::LONG error = win::ERROR_SUCCESS;
        if (!win::ToHostPath(windowsTarget, &target, &error))
            throw FileCreateError(windowsTarget, errnoFor(error));
        const QFileInfo targetInfo(target);
        name = QFile::encodeName(targetInfo.fileName());
        if (!file.create(QFile::encodeName(targetInfo.absolutePath()), name, 0666))
            throw FileCreateError(target, errno);
        // The stream writes through a descriptor of its own; the file stays file's to rename.
        const int streamFd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
        if (streamFd < 0)
            throw FileCreateError(target, errno);
        stream = std::make_unique<FileStream>(streamFd, target);
    }

    // Renames the finished file over the target. An existing target must be one that could be
    // overwritten in place, or a link; with inherit a file's permissions, owner and DOS
    // attributes pass to the new file, as truncating it would have kept them.
    void commit(bool inherit)
    {
        stream.reset();
        const QByteArray host = QFile::encodeName(target);
        struct stat existing;
        const bool replaces = ::lstat(host.constData(), &existing) == 0;
        if (replaces && !S_ISLNK(existing.st_mode)) {
            if (S_ISDIR(existing.st_mode))
                throw FileCreateError(target, EISDIR);
            // Devices, pipes and sockets are not replaced by a plain file.
            if (!S_ISREG(existing.st_mode))
                throw FileCreateError(target, EINVAL);
            // A file with other names too is replaced under this one only; the restore never
            // changes it, not even to clear its read-only attribute. The new file is then what
            // the file would have become with its attributes cleared.
            const bool shared = existing.st_nlink > 1;
            // Read-only is the owner's write bit, for every user including root.
            if (!shared && (!(existing.st_mode & S_IWUSR) || ::access(host.constData(), W_OK) != 0))
                throw FileCreateError(target, EACCES);
            if (inherit) {
                const int fd = file.fd();
                // Best effort: the owner can only be given away by a privileged user, and a file
                // system may refuse extended attributes.
                if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
                    (void)!::fchown(fd, existing.st_uid, existing.st_gid);
                ::fchmod(fd, (existing.st_mode | (shared ? S_IWUSR : 0)) & 07777);
                char attributes[64];
                const ssize_t n =
                    shared ? 0 : ::getxattr(host.constData(), kDosAttribName, attributes, sizeof attributes);
                if (n > 0)
                    ::fsetxattr(fd, kDosAttribName, attributes, static_cast<size_t>(n), 0);
            }
        } else if (!replaces && errno != ENOENT) {
            throw FileCreateError(target, errno);
        }
        // The previous contents go away with the rename: the new ones must be on disk first. A new
        // file needs no such wait; at worst it is missing after a crash, as it was before.
        if (!file.close(replaces))
            throw WriteError(errno);
        if (!file.commit(name))
            throw FileCreateError(target, errno);
    }

    QString target; // host path
    QByteArray name;
    win::FileBeside file; // removed unless committed
    std::unique_ptr<FileStream> stream;
};

PendingFile::PendingFile(Kind kind) : m_kind(kind) {}

PendingFile::~PendingFile() = default;

qint64 PendingFile::defaultReserve(qint64 diskSize)
{
    constexpr qint64 MiB = 1024 * 1024;
    return std::max(64 * MiB, std::min(diskSize / 100, 1024 * MiB));
}

std::unique_ptr<PendingFile> PendingFile::decompress(const QString &source, const QString &target,
                                                     qint64 reserve)
{
    std::unique_ptr<PendingFile> pending(new PendingFile(Kind::Decompressed));
    QString hostSource;
    const int in = openMember(source, &hostSource, &pending->m_result);
    if (in < 0)
        return pending;
    try {
        FileStream input(in, hostSource);
        const std::unique_ptr<char[]> buffer(new char[kOutputChunk]);
        auto file = std::make_unique<Replacement>(target);
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

std::unique_ptr<PendingFile> PendingFile::copy(const QString &source, const QString &target)
{
    std::unique_ptr<PendingFile> pending(new PendingFile(Kind::Copied));
    QString hostSource;
    const int in = openMember(source, &hostSource, &pending->m_result);
    if (in < 0)
        return pending;
    try {
        FileStream input(in, hostSource);
        struct stat from;
        if (::fstat(in, &from) != 0)
            throw FileOpenError(hostSource, errno);
        auto file = std::make_unique<Replacement>(target);
        const std::unique_ptr<char[]> buffer(new char[kOutputChunk * 4]);
        for (;;) {
            const qint64 n = input.read(buffer.get(), kOutputChunk * 4);
            if (n <= 0)
                break;
            file->stream->writeBuffer(buffer.get(), n);
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

int PendingFile::commit()
{
    if (m_result != DecompressOk || !m_file)
        return m_result != DecompressOk ? m_result : DecompressOtherFailure;
    try {
        m_file->commit(m_kind == Kind::Decompressed);
    } catch (...) {
        m_result = resultOf(std::current_exception());
    }
    m_file.reset();
    return m_result;
}
