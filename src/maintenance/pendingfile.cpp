// PendingFile: a restored file made ready beside its target, renamed into place on request.
#include "pendingfile.h"

#include "bzip2stream.h"
#include "decompressfile.h"
#include "stream.h"

#include "platform/filebeside.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
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

// The host path of an archive member that is a regular file, not reached through a link of its
// own: opening a pipe or a device could wait for ever, and a link could lead out of the archive.
bool regularSource(const QString &source, QString *host)
{
    struct stat info;
    return win::ToHostPath(source, host) && ::lstat(QFile::encodeName(*host).constData(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

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
    } catch (const WriteError &) {
        return DecompressWriteFailure;
    } catch (const StreamError &) {
        return DecompressStreamFailure;
    } catch (...) {
        return DecompressOtherFailure;
    }
}

} // namespace

// The temporary file beside the target. Writing through a link writes the file it names, so the
// temporary file goes beside that file and replaces it.
struct PendingFile::Replacement
{
    explicit Replacement(const QString &windowsTarget)
    {
        win::LONG error = win::ERROR_SUCCESS;
        if (!win::ToHostPath(windowsTarget, &target, &error))
            throw FileCreateError(windowsTarget, errnoFor(error));
        const QFileInfo info(target);
        if (info.isSymLink() && info.exists())
            target = info.canonicalFilePath();
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
    // overwritten in place; with inherit its permissions, owner and DOS attributes pass to the
    // new file, as truncating it would have kept them.
    void commit(bool inherit)
    {
        stream.reset();
        const QByteArray host = QFile::encodeName(target);
        struct stat existing;
        const bool replaces = ::stat(host.constData(), &existing) == 0;
        if (replaces) {
            if (S_ISDIR(existing.st_mode))
                throw FileCreateError(target, EISDIR);
            // Devices, pipes and sockets are not replaced by a plain file.
            if (!S_ISREG(existing.st_mode))
                throw FileCreateError(target, EINVAL);
            // Read-only is the owner's write bit, for every user including root.
            if (!(existing.st_mode & S_IWUSR) || ::access(host.constData(), W_OK) != 0)
                throw FileCreateError(target, EACCES);
            if (inherit) {
                const int fd = file.fd();
                // Best effort: the owner can only be given away by a privileged user, and a file
                // system may refuse extended attributes.
                if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
                    (void)!::fchown(fd, existing.st_uid, existing.st_gid);
                ::fchmod(fd, existing.st_mode & 07777);
                char attributes[64];
                const ssize_t n = ::getxattr(host.constData(), kDosAttribName, attributes, sizeof attributes);
                if (n > 0)
                    ::fsetxattr(fd, kDosAttribName, attributes, static_cast<size_t>(n), 0);
            }
        } else if (errno != ENOENT) {
            throw FileCreateError(target, errno);
        }
        // The previous contents go away with the rename: the new ones must be on disk first. A new
        // file needs no such wait; at worst it is missing after a crash, as it was before.
        if (!file.close(replaces))
            throw WriteError();
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

std::unique_ptr<PendingFile> PendingFile::decompress(const QString &source, const QString &target)
{
    std::unique_ptr<PendingFile> pending(new PendingFile(Kind::Decompressed));
    QString hostSource;
    if (!regularSource(source, &hostSource)) {
        pending->m_result = DecompressSourceMissing;
        return pending;
    }
    try {
        const std::unique_ptr<char[]> buffer(new char[kOutputChunk]);
        FileStream input(hostSource, FileStream::Mode::OpenRead);
        auto file = std::make_unique<Replacement>(target);
        TBZDecompressionStream decompressor(input);
        qint64 n = 0;
        do {
            n = decompressor.read(buffer.get(), kOutputChunk);
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
    if (!regularSource(source, &hostSource)) {
        pending->m_result = DecompressSourceMissing;
        return pending;
    }
    try {
        const QByteArray host = QFile::encodeName(hostSource);
        const int in = ::open(host.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (in < 0)
            throw FileOpenError(hostSource, errno);
        FileStream input(in, hostSource);
        struct stat from;
        if (::fstat(in, &from) != 0 || !S_ISREG(from.st_mode))
            throw FileOpenError(hostSource, EINVAL);
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
