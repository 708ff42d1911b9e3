// The temporary file beside a target.
#include "filebeside.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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
