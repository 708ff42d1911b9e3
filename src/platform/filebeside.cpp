// The temporary file beside a target.
#include "filebeside.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
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
    int rc;
    if (replace) {
        rc = ::renameat(m_folderFd, m_name.constData(), m_folderFd, targetName.constData());
    } else {
        rc = ::renameat2(m_folderFd, m_name.constData(), m_folderFd, targetName.constData(), RENAME_NOREPLACE);
        // A file system without the no-replace rename: a hard link takes only a free name too.
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            rc = ::linkat(m_folderFd, m_name.constData(), m_folderFd, targetName.constData(), 0);
            if (rc == 0) {
                discard();
                return true;
            }
        }
    }
    if (rc != 0) {
        const int err = errno;
        discard();
        errno = err;
        return false;
    }
    m_name.clear();
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
        // Another writer's temporary name for the same target carries a different random part,
        // but it is the same program's: only one panel or Archiver writes a given target.
        if (std::strncmp(name, start.constData(), size_t(start.size())) != 0 || !isTemporaryName(name) ||
            std::strlen(name) - size_t(start.size()) > 13)
            continue;
        struct stat status;
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode) &&
            status.st_uid == ::geteuid())
            found.emplace_back(name);
    }
    ::closedir(dir);
    int removed = 0;
    for (const QByteArray &name : found)
        removed += ::unlinkat(folderFd, name.constData(), 0) == 0 ? 1 : 0;
    return removed;
}

void FileBeside::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_name.isEmpty())
        ::unlinkat(m_folderFd, m_name.constData(), 0);
    m_name.clear();
}

} // namespace win
