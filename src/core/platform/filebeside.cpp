// The temporary file beside a target.
#include "filebeside.h"

#include "posixio.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

namespace {

// Only the first part of the target's name goes into the temporary name, so that a target with
// a name near the length limit still gets a temporary file beside it.
constexpr int kNamePart = 40;

} // namespace

FileBeside::~FileBeside()
{
    discard();
    releaseLock();
    if (m_ownsFolder && m_folderFd >= 0)
        ::close(m_folderFd);
}

bool FileBeside::create(const QByteArray &folder, const QByteArray &targetName, mode_t mode)
{
    const int folderFd = ::open(folder.isEmpty() ? "/" : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    m_folderFd = folderFd;
    m_ownsFolder = true;
    return openIn(folderFd, targetName, mode);
}

bool FileBeside::createAt(int folderFd, const QByteArray &targetName, mode_t mode)
{
    m_folderFd = folderFd;
    m_ownsFolder = false;
    return openIn(folderFd, targetName, mode);
}

bool FileBeside::openIn(int folderFd, const QByteArray &targetName, mode_t mode)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = "." + targetName.left(kNamePart) + ".new-" +
                          QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        int fd;
        do
            fd = ::openat(folderFd, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            // The lock tells a sweep that this file has a live writer. A sweep may have taken the
            // file between its creation and the lock: then it has no name any more, and another
            // is made.
            struct stat status;
            if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &status) != 0) {
                const int err = errno;
                ::unlinkat(folderFd, name.constData(), 0);
                ::close(fd);
                errno = err;
                return false;
            }
            if (status.st_nlink == 0) {
                ::close(fd);
                continue;
            }
            // The lock belongs to the open file, and lives on in this copy of the descriptor after
            // the file is closed for writing, until the rename.
            m_lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            if (m_lockFd < 0) {
                const int err = errno;
                ::unlinkat(folderFd, name.constData(), 0);
                ::close(fd);
                errno = err;
                return false;
            }
            m_fd = fd;
            m_name = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool FileBeside::close(bool durable)
{
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    if (durable && ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return false;
    }
    return ::close(fd) == 0;
}

bool FileBeside::syncClosed() const
{
    return ::fdatasync(m_lockFd >= 0 ? m_lockFd : m_fd) == 0;
}

bool FileBeside::commit(const QByteArray &targetName, bool replace)
{
    if (m_name.isEmpty()) {
        errno = EBADF;
        return false;
    }
    if (!close(false)) {
        const int err = errno;
        discard();
        errno = err;
        return false;
    }
    const bool renamed =
        replace ? ::renameat(m_folderFd, m_name.constData(), m_folderFd, targetName.constData()) == 0
                : RenameWithoutReplacing(m_folderFd, m_name.constData(), m_folderFd, targetName.constData());
    if (!renamed) {
        const int err = errno;
        discard();
        errno = err;
        return false;
    }
    m_name.clear();
    releaseLock();
    return true;
}

bool FileBeside::isTemporaryName(const char *name)
{
    if (name[0] != '.')
        return false;
    const char *marker = std::strstr(name + 1, ".new-");
    if (!marker)
        return false;
    // The random part is the last one: a later ".new-" in the name is the real marker.
    while (const char *later = std::strstr(marker + 1, ".new-"))
        marker = later;
    const char *random = marker + 5;
    const size_t length = std::strlen(random);
    if (length == 0 || length > 13)
        return false;
    for (const char *c = random; *c; ++c) {
        if (!((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z')))
            return false;
    }
    return true;
}

bool FileBeside::removeIfDead(int folderFd, const char *name)
{
    // Opened for the lock only; a file its writer made write-only is opened for writing instead.
    int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::openat(folderFd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened;
    struct stat named;
    // A writer that still lives holds the lock; the name is checked again under the lock, since
    // the file may have been renamed into place and its name taken by another in between.
    const bool dead = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
                      ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                      ::fstatat(folderFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                      named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    const bool removed = dead && ::unlinkat(folderFd, name, 0) == 0;
    ::close(fd);
    return removed;
}

int FileBeside::removeLeftovers(int folderFd, const QByteArray &targetName)
{
    const QByteArray start = "." + targetName.left(kNamePart) + ".new-";
    const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return 0;
    }
    std::vector<QByteArray> found;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strncmp(name, start.constData(), size_t(start.size())) == 0 && isTemporaryName(name) &&
            std::strlen(name) - size_t(start.size()) <= 13)
            found.emplace_back(name);
    }
    ::closedir(dir);
    int removed = 0;
    for (const QByteArray &name : found)
        removed += removeIfDead(folderFd, name.constData()) ? 1 : 0;
    return removed;
}

void FileBeside::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    // Removed while still locked, so that no sweep finds it unlocked under its name.
    if (!m_name.isEmpty())
        ::unlinkat(m_folderFd, m_name.constData(), 0);
    m_name.clear();
    releaseLock();
}

void FileBeside::releaseLock()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

} // namespace win
