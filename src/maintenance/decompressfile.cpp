// DecompressFile: one bzip2 file back into the file it was made from, streamed in fixed chunks.
#include "decompressfile.h"

#include "bzip2stream.h"
#include "stream.h"

#include "platform/filebeside.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr qint64 kOutputChunk = 100000;

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

// The file that will become the target: a temporary file beside it, renamed over it by commit()
// and removed when the object goes without a commit. An existing target must be one that could
// be overwritten in place (a writable regular file); its permissions, owner and DOS attributes
// pass to the new file, as truncating it would have kept them.
class ReplacementFile
{
public:
    explicit ReplacementFile(const QString &windowsTarget)
    {
        win::LONG error = win::ERROR_SUCCESS;
        if (!win::ToHostPath(windowsTarget, &m_target, &error))
            throw FileCreateError(windowsTarget, errnoFor(error));
        // Writing through a link writes the file it names; so does the replacement.
        const QFileInfo info(m_target);
        if (info.isSymLink() && info.exists())
            m_target = info.canonicalFilePath();

        const QByteArray target = QFile::encodeName(m_target);
        struct stat existing;
        const bool replaces = ::stat(target.constData(), &existing) == 0;
        if (replaces) {
            if (S_ISDIR(existing.st_mode))
                throw FileCreateError(m_target, EISDIR);
            // Devices, pipes and sockets are not replaced by a plain file.
            if (!S_ISREG(existing.st_mode))
                throw FileCreateError(m_target, EINVAL);
            // Read-only is the owner's write bit, for every user including root.
            if (!(existing.st_mode & S_IWUSR) || ::access(target.constData(), W_OK) != 0)
                throw FileCreateError(m_target, EACCES);
        } else if (errno != ENOENT) {
            throw FileCreateError(m_target, errno);
        }

        const QFileInfo targetInfo(m_target);
        m_name = QFile::encodeName(targetInfo.fileName());
        if (!m_file.create(QFile::encodeName(targetInfo.absolutePath()), m_name, 0666))
            throw FileCreateError(m_target, errno);
        // The stream writes through a descriptor of its own; the file stays m_file's to rename.
        const int streamFd = ::fcntl(m_file.fd(), F_DUPFD_CLOEXEC, 0);
        if (streamFd < 0)
            throw FileCreateError(m_target, errno);
        m_temp = std::make_unique<FileStream>(streamFd, m_target);

        if (replaces) {
            m_replaces = true;
            const int fd = m_file.fd();
            // Best effort: the owner can only be given away by a privileged user, and a file
            // system may refuse extended attributes.
            if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
                (void)!::fchown(fd, existing.st_uid, existing.st_gid);
            ::fchmod(fd, existing.st_mode & 07777);
            char attributes[64];
            const ssize_t n = ::getxattr(target.constData(), "user.DOSATTRIB", attributes, sizeof attributes);
            if (n > 0)
                ::fsetxattr(fd, "user.DOSATTRIB", attributes, static_cast<size_t>(n), 0);
        }
    }

    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    FileStream &stream() { return *m_temp; }

    void commit()
    {
        m_temp.reset();
        // The previous contents go away with the rename: the new ones must be on disk first.
        if (!m_file.close(m_replaces))
            throw WriteError();
        if (!m_file.commit(m_name))
            throw FileCreateError(m_target, errno);
    }

private:
    QString m_target; // host path
    QByteArray m_name;
    win::FileBeside m_file; // removed unless committed
    std::unique_ptr<FileStream> m_temp;
    bool m_replaces = false;
};

} // namespace

int DecompressFile(const QString &source, const QString &target)
{
    QString hostSource;
    struct stat sourceInfo;
    // Only a regular file counts: opening a pipe or a device could wait for ever or never end.
    if (!win::ToHostPath(source, &hostSource) ||
        ::stat(QFile::encodeName(hostSource).constData(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode))
        return DecompressSourceMissing;

    try {
        const std::unique_ptr<char[]> buffer(new char[kOutputChunk]);
        FileStream input(hostSource, FileStream::Mode::OpenRead);
        ReplacementFile output(target);
        TBZDecompressionStream decompressor(input);
        qint64 n = 0;
        do {
            n = decompressor.read(buffer.get(), kOutputChunk);
            output.stream().writeBuffer(buffer.get(), n);
        } while (n == kOutputChunk);
        output.commit();
        return DecompressOk;
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
