// Whole-file reads and crash-safe replacement of small text files.
#include "safefile.h"

#include "core/platform/filebeside.h"
#include "core/platform/posixio.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace archivelist {

namespace {

QString reason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}


// The user attributes (where the hidden and system flags live) of the old file carry over to
// its replacement; a file system without them has nothing to copy.
void copyUserAttributes(const QByteArray &from, int toFd)
{
    char names[4096];
    const ssize_t length = ::listxattr(from.constData(), names, sizeof(names));
    for (ssize_t at = 0; length > 0 && at < length;) {
        const char *name = names + at;
        at += ssize_t(std::strlen(name)) + 1;
        if (std::strncmp(name, "user.", 5) != 0)
            continue;
        char value[1024];
        const ssize_t size = ::getxattr(from.constData(), name, value, sizeof(value));
        if (size >= 0)
            ::fsetxattr(toFd, name, value, size_t(size), 0);
    }
}

// Makes the rename itself durable; a folder that cannot be synced changes nothing about the result.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool readWholeFile(const QString &hostPath, QByteArray *data, QString *error, qint64 maxSize)
{
    const QByteArray name = QFile::encodeName(hostPath);
    // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, reason(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(error, reason(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(error, S_ISDIR(st.st_mode) ? reason(EISDIR) : QStringLiteral("not a regular file"));
    }
    if (st.st_size > maxSize) {
        ::close(fd);
        return fail(error, QStringLiteral("the file is larger than %1 bytes").arg(maxSize));
    }
    QByteArray bytes;
    qsizetype used = 0;
    // One byte more than the size, so that a file that grew since fstat is noticed.
    bytes.resize(qsizetype(qMin<qint64>(st.st_size, maxSize)) + 1);
    for (;;) {
        if (used == bytes.size()) {
            if (used > maxSize) {
                ::close(fd);
                return fail(error, QStringLiteral("the file is larger than %1 bytes").arg(maxSize));
            }
            bytes.resize(qsizetype(qMin<qint64>(qint64(bytes.size()) * 2, maxSize + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, size_t(bytes.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return fail(error, reason(err));
        }
        if (n == 0)
            break;
        used += n;
    }
    ::close(fd);
    if (used > maxSize)
        return fail(error, QStringLiteral("the file is larger than %1 bytes").arg(maxSize));
    bytes.truncate(used);
    *data = std::move(bytes);
    return true;
}

bool replaceFileSafely(const QString &hostPath, const QByteArray &data, QString *error, AtLink atLink)
{
    QString targetPath = hostPath;
    const QByteArray given = QFile::encodeName(hostPath);
    struct stat old;
    bool exists = ::lstat(given.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, reason(errno));
    if (exists && S_ISLNK(old.st_mode)) {
        QByteArray readable;
        if (atLink == AtLink::FollowReadable && readWholeFile(hostPath, &readable, nullptr)) {
            targetPath = QFileInfo(hostPath).canonicalFilePath();
            exists = !targetPath.isEmpty() && ::stat(QFile::encodeName(targetPath).constData(), &old) == 0;
            if (!exists)
                return fail(error, reason(errno ? errno : ENOENT));
        } else {
            // The link goes; what it names, if anything, is not the list's to replace.
            exists = false;
        }
    }
    const QByteArray target = QFile::encodeName(targetPath);
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return fail(error, reason(EISDIR));
        if (!(old.st_mode & S_IWUSR))
            return fail(error, reason(EACCES));
    }

    const QFileInfo info(targetPath);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray name = QFile::encodeName(info.fileName());
    const win::FileDescriptor folderFd(
        ::open(folder.isEmpty() ? "/" : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0)
        return fail(error, reason(errno));
    // What an earlier write of this file left when it was killed before its rename goes first.
    win::FileBeside::removeLeftovers(folderFd.get(), name);
    win::FileBeside file;
    if (!file.createAt(folderFd.get(), name, 0666))
        return fail(error, reason(errno));
    if (exists) {
        if (::fchmod(file.fd(), old.st_mode & 07777) != 0)
            return fail(error, reason(errno));
        copyUserAttributes(target, file.fd());
    }
    if (!win::WriteAll(file.fd(), data.constData(), size_t(data.size())) || !file.close(true) ||
        !file.commit(name))
        return fail(error, reason(errno));
    syncFolder(folder);
    return true;
}

bool keepDamagedFile(const QString &hostPath, const QString &keptPath)
{
    QByteArray bytes;
    if (readWholeFile(hostPath, &bytes, nullptr)) {
        if (!replaceFileSafely(keptPath, bytes, nullptr, AtLink::Replace))
            return false;
        // The rewrite that follows replaces a plain file, not the one the link names.
        if (QFileInfo(hostPath).isSymLink())
            return replaceFileSafely(hostPath, bytes, nullptr, AtLink::Replace);
        return true;
    }
    return ::rename(QFile::encodeName(hostPath).constData(), QFile::encodeName(keptPath).constData()) == 0;
}

} // namespace archivelist
