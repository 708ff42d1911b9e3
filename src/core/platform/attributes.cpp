// File attributes: the owner's write bit and the user.DOSATTRIB extended attribute.
#include "attributes.h"

#include "files.h"
#include "files_p.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace win {

namespace {

constexpr const char *kDosAttribName = "user.DOSATTRIB";
constexpr DWORD kKeptInAttribute = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

std::atomic<int> forcedXattrError{0};

// Reads user.DOSATTRIB of a path or, with path null, of an open file.
ssize_t getDosAttrib(const char *path, int fd, char *buffer, size_t size)
{
    return path ? ::getxattr(path, kDosAttribName, buffer, size)
                : ::fgetxattr(fd, kDosAttribName, buffer, size);
}

// The value of user.DOSATTRIB: "0x" and hex digits, which Samba may follow with a NUL and a binary
// record. False when the entry has none, it cannot be read, or it is not in that form.
bool readDosAttrib(const char *path, int fd, DWORD *bits)
{
    if (const int e = forcedXattrError.load(std::memory_order_relaxed)) {
        errno = e;
        return false;
    }
    char small[128];
    std::vector<char> large;
    const char *text = small;
    ssize_t size = getDosAttrib(path, fd, small, sizeof(small) - 1);
    if (size < 0 && errno == ERANGE) {
        const ssize_t needed = getDosAttrib(path, fd, nullptr, 0);
        if (needed <= 0)
            return false;
        large.resize(size_t(needed) + 1);
        size = getDosAttrib(path, fd, large.data(), size_t(needed));
        text = large.data();
    }
    if (size < 3)
        return false;
    if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    DWORD value = 0;
    ssize_t i = 2;
    for (; i < size && i < 10; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value << 4 | DWORD(digit);
    }
    if (i == 2 || (i < size && text[i] != 0))
        return false;
    *bits = value & kKeptInAttribute;
    return true;
}

// Writes or removes user.DOSATTRIB. Returns 0 or the errno of the refusal.
int writeDosAttrib(const char *path, DWORD bits, bool remove)
{
    if (const int e = forcedXattrError.load(std::memory_order_relaxed))
        return e;
    if (remove)
        return ::removexattr(path, kDosAttribName) == 0 || errno == ENODATA ? 0 : errno;
    char text[16];
    const int length = std::snprintf(text, sizeof(text), "0x%x", unsigned(bits));
    return ::setxattr(path, kDosAttribName, text, size_t(length), 0) == 0 ? 0 : errno;
}

bool isDotName(const QByteArray &host, bool driveRoot)
{
    if (driveRoot)
        return false;
    const qsizetype slash = host.lastIndexOf('/');
    return slash + 1 < host.size() && host[slash + 1] == '.';
}

// Sets the attributes of the entry at host, whose status is st.
BOOL setHostAttributes(const QByteArray &host, const struct stat &st, bool dotName, DWORD dwFileAttributes)
{
    // The extended attribute first: without write permission it could no longer be changed.
    const DWORD wanted = dwFileAttributes & kKeptInAttribute;
    DWORD current = 0;
    const bool present = readDosAttrib(host.constData(), -1, &current);
    const DWORD byName = dotName ? DWORD(FILE_ATTRIBUTE_HIDDEN) : 0;
    if (present ? current != wanted : wanted != byName) {
        // A plain name without attributes needs no record; a dot name needs one to be shown.
        const int refused = writeDosAttrib(host.constData(), wanted, wanted == 0 && !dotName);
        if (refused != 0 && refused != ENOTSUP && refused != EPERM)
            return detail::fail(ErrorFromErrno(refused));
        // Without extended attributes only the name and the permission count: quietly done.
    }

    const mode_t mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                            ? st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                            : st.st_mode | S_IWUSR;
    if (mode != st.st_mode && ::chmod(host.constData(), mode & 07777) != 0)
        return detail::fail(ErrorFromErrno(errno));
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace

DWORD HostDosAttributes(const char *hostPath, bool dotName)
{
    DWORD bits = 0;
    if (readDosAttrib(hostPath, -1, &bits))
        return bits;
    return dotName ? DWORD(FILE_ATTRIBUTE_HIDDEN) : DWORD(0);
}

DWORD HostDosAttributesOfOpenFile(int fd, bool dotName)
{
    DWORD bits = 0;
    if (readDosAttrib(nullptr, fd, &bits))
        return bits;
    return dotName ? DWORD(FILE_ATTRIBUTE_HIDDEN) : DWORD(0);
}

DWORD HostFileAttributes(const char *hostPath, const struct stat &status, bool dotName)
{
    DWORD attributes = HostDosAttributes(hostPath, dotName);
    if (S_ISDIR(status.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(status.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : DWORD(FILE_ATTRIBUTE_NORMAL);
}

DWORD GetFileAttributes(const QString &lpFileName)
{
    QByteArray host;
    bool driveRoot = false;
    if (!detail::resolveForFileCall(lpFileName, &host, &driveRoot))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (::stat(host.constData(), &st) != 0 && ::lstat(host.constData(), &st) != 0) {
        detail::fail(detail::errorForPath(errno, host));
        return INVALID_FILE_ATTRIBUTES;
    }
    SetLastError(ERROR_SUCCESS);
    return HostFileAttributes(host.constData(), st, isDotName(host, driveRoot));
}

BOOL SetFileAttributes(const QString &lpFileName, DWORD dwFileAttributes)
{
    QByteArray host;
    bool driveRoot = false;
    if (!detail::resolveForFileCall(lpFileName, &host, &driveRoot))
        return false;
    struct stat st;
    if (::stat(host.constData(), &st) != 0)
        return detail::fail(detail::errorForPath(errno, host));
    return setHostAttributes(host, st, isDotName(host, driveRoot), dwFileAttributes);
}

DWORD GetFileAttributesOfOpenFile(int fd, bool dotName)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        detail::fail(ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    SetLastError(ERROR_SUCCESS);
    return HostFileAttributes(HostPathOfOpenFile(fd).constData(), st, dotName);
}

BOOL SetFileAttributesOfOpenFile(int fd, DWORD dwFileAttributes, bool dotName)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return detail::fail(ErrorFromErrno(errno));
    return setHostAttributes(HostPathOfOpenFile(fd), st, dotName, dwFileAttributes);
}

void SetExtendedAttributeFailureForTesting(int error)
{
    forcedXattrError.store(error, std::memory_order_relaxed);
}

} // namespace win
