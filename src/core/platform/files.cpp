// Copy, create and delete by Windows path; the thread's last error.
#include "files.h"

#include "filebeside.h"

#include "posixio.h"

#include "attributes.h"
#include "files_p.h"
#include "paths.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace win {

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;

constexpr const char *kDosAttribName = "user.DOSATTRIB";

QByteArray parentOf(const QByteArray &host)
{
    const qsizetype slash = host.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : host.left(slash);
}

bool isDirectory(const QByteArray &host)
{
    struct stat st;
    return ::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

LONG CopyFileContents(int in, int out)
{
    bool plain = false;
    for (;;) {
        if (!plain) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return ERROR_SUCCESS;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM)
                return errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
            plain = true; // this pair of file systems copies only by reading and writing
        }
        std::vector<char> buffer(size_t(1) << 20);
        for (;;) {
            const ssize_t got = ::read(in, buffer.data(), buffer.size());
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return ERROR_READ_FAULT;
            }
            if (got == 0)
                return ERROR_SUCCESS;
            if (!WriteAll(out, buffer.data(), size_t(got)))
                return errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
        }
    }
}

QByteArray HostPathOfOpenFile(int fd)
{
    // The descriptor's link in /proc leads to the file itself, not to what its name holds now.
    return "/proc/self/fd/" + QByteArray::number(fd);
}

DWORD GetLastError()
{
    return lastError;
}
void SetLastError(DWORD dwErrCode)
{
    lastError = dwErrCode;
}

LONG ErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME;
    case ENOTSUP:
        return ERROR_NOT_SUPPORTED;
    case EIO:
        return ERROR_GEN_FAILURE;
    default:
        return ERROR_GEN_FAILURE;
    }
}

namespace detail {

bool resolveForFileCall(const QString &windowsPath, QByteArray *host, bool *driveRoot)
{
    QString hostPath;
    LONG error = ERROR_SUCCESS;
    if (!ToHostPath(windowsPath, &hostPath, &error, driveRoot))
        return fail(error);
    *host = QFile::encodeName(hostPath);
    return true;
}

LONG errorForPath(int error, const QByteArray &host)
{
    if (error == ENOENT && !isDirectory(parentOf(host)))
        return ERROR_PATH_NOT_FOUND;
    return ErrorFromErrno(error);
}

} // namespace detail

using detail::fail;

BOOL CopyFile(const QString &lpExistingFileName, const QString &lpNewFileName, BOOL bFailIfExists)
{
    QByteArray source;
    QByteArray target;
    if (!detail::resolveForFileCall(lpExistingFileName, &source) ||
        !detail::resolveForFileCall(lpNewFileName, &target))
        return false;

    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return fail(errno == EISDIR ? ERROR_ACCESS_DENIED : detail::errorForPath(errno, source));
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closeIn{in};
    struct stat from;
    if (::fstat(in, &from) != 0)
        return fail(ERROR_READ_FAULT);
    if (!S_ISREG(from.st_mode))
        return fail(ERROR_ACCESS_DENIED);

    // A target that is a link is replaced where the link leads, so the link stays a link.
    struct stat to;
    bool targetExists = ::lstat(target.constData(), &to) == 0;
    if (targetExists && S_ISLNK(to.st_mode)) {
        char real[PATH_MAX];
        if (::realpath(target.constData(), real)) {
            target = QByteArray(real);
            targetExists = ::lstat(target.constData(), &to) == 0;
        } else {
            targetExists = ::stat(target.constData(), &to) == 0; // a dangling link is replaced itself
        }
    }
    if (targetExists) {
        if (bFailIfExists)
            return fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(to.st_mode))
            return fail(ERROR_ACCESS_DENIED);
        // Windows also refuses a hidden target; here that would make a dot-file on a file system
        // without extended attributes impossible to restore, so only read-only is refused.
        if (!(to.st_mode & S_IWUSR))
            return fail(ERROR_ACCESS_DENIED);
    }

    const QByteArray folder = parentOf(target);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray name = target.mid(slash + 1);
    FileBeside temp;
    if (!temp.create(folder, name))
        return fail(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    if (const LONG copied = CopyFileContents(in, temp.fd()); copied != ERROR_SUCCESS)
        return fail(copied);

    // The copy carries what Windows carries: attributes and times.
    ::fchmod(temp.fd(), from.st_mode & 0777);
    char attrib[256];
    const ssize_t attribSize = ::fgetxattr(in, kDosAttribName, attrib, sizeof(attrib));
    if (attribSize > 0)
        ::fsetxattr(temp.fd(), kDosAttribName, attrib, size_t(attribSize), 0);
    const timespec times[2] = {from.st_atim, from.st_mtim};
    ::futimens(temp.fd(), times);
    if (!temp.close(true))
        return fail(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);

    // With bFailIfExists only a name that is still free may be taken.
    if (!temp.commit(name, !bFailIfExists))
        return fail(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno));
    SetLastError(ERROR_SUCCESS);
    return true;
}

BOOL CreateDirectory(const QString &lpPathName, void *)
{
    QByteArray host;
    if (!detail::resolveForFileCall(lpPathName, &host))
        return false;
    if (::mkdir(host.constData(), 0777) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return fail(ERROR_PATH_NOT_FOUND);
        return fail(ErrorFromErrno(errno));
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

BOOL DeleteFile(const QString &lpFileName)
{
    QByteArray host;
    bool driveRoot = false;
    if (!detail::resolveForFileCall(lpFileName, &host, &driveRoot))
        return false;
    struct stat st;
    if (::lstat(host.constData(), &st) != 0)
        return fail(detail::errorForPath(errno, host));
    if (driveRoot || S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED);
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR))
        return fail(ERROR_ACCESS_DENIED); // read-only, as Windows refuses it
    if (::unlink(host.constData()) != 0)
        return fail(detail::errorForPath(errno, host));
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace win
