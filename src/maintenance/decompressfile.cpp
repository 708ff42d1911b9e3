// DecompressFile: one bzip2 file back into the file it was made from, streamed in fixed chunks.
#include "decompressfile.h"

#include "bzip2stream.h"
#include "stream.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <memory>
#include <new>

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

        const int slash = m_target.lastIndexOf(QLatin1Char('/'));
        // Part of the name only, so that a target with a name near the length limit still gets one.
        const QString prefix = m_target.left(slash + 1) + QLatin1Char('.') + m_target.mid(slash + 1, 40) +
                               QStringLiteral(".dunlivo-");
        for (int attempt = 0; !m_temp; ++attempt) {
            const QString candidate =
                prefix + QString::number(QRandomGenerator::global()->generate() | 0x80000000u, 36);
            try {
                m_temp = std::make_unique<FileStream>(candidate, FileStream::Mode::CreateNew);
            } catch (const FileCreateError &e) {
                if (e.osError() != EEXIST || attempt >= 100)
                    throw FileCreateError(m_target, e.osError());
            }
        }

        if (replaces) {
            m_replaces = true;
            const int fd = m_temp->handle();
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

    ~ReplacementFile()
    {
        if (m_temp && !m_committed) {
            const QByteArray name = QFile::encodeName(m_temp->fileName());
            m_temp.reset();
            ::unlink(name.constData());
        }
    }

    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    FileStream &stream() { return *m_temp; }

    void commit()
    {
        // The previous contents go away with the rename: the new ones must be on disk first.
        if (m_replaces && ::fdatasync(m_temp->handle()) != 0)
            throw WriteError();
        if (::rename(QFile::encodeName(m_temp->fileName()).constData(),
                     QFile::encodeName(m_target).constData()) != 0)
            throw FileCreateError(m_target, errno);
        m_committed = true;
    }

private:
    QString m_target; // host path
    std::unique_ptr<FileStream> m_temp;
    bool m_replaces = false;
    bool m_committed = false;
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
