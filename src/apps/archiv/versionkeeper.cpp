// Keeping replaced archived copies as earlier versions.
#include "versionkeeper.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/versionslayout.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// More failures than this are not each written to the log.
constexpr int kLoggedFailures = 20;
// Folders held open for the next sync; past this many they are synced at once, so a batch of
// files in many new folders never runs out of descriptors.
constexpr size_t kHeldFolders = 256;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Moves name from one folder to another only when the name is free there.
int moveNoReplace(int fromFd, const QByteArray &name, int toFd)
{
    if (::renameat2(fromFd, name.constData(), toFd, name.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: the name is looked at first.
    struct stat there;
    if (::fstatat(toFd, name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fromFd, name.constData(), toFd, name.constData()) == 0 ? 0 : errno;
}

} // namespace

VersionKeeper::VersionKeeper(int rootFd, QString runName, QByteArray formRecord, LogLine log)
    : m_rootFd(rootFd), m_runName(QFile::encodeName(runName)), m_formRecord(std::move(formRecord)),
      m_log(std::move(log))
{
}

VersionKeeper::~VersionKeeper()
{
    sync();
    closeCached();
}

int VersionKeeper::keptCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_kept;
}

void VersionKeeper::closeCached()
{
    if (m_cachedFd >= 0)
        ::close(m_cachedFd);
    m_cachedFd = -1;
    m_cachedFolders.clear();
}

void VersionKeeper::touched(int fd)
{
    struct stat status;
    if (::fstat(fd, &status) != 0 || !m_touchedIds.insert({status.st_dev, status.st_ino}).second)
        return;
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (held >= 0)
        m_touched.push_back(held);
    else
        ::fsync(fd);
}

int VersionKeeper::openOrMake(int parentFd, const QByteArray &name, bool *made)
{
    *made = false;
    int fd = ::openat(parentFd, name.constData(), kDirFlags);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    if (::mkdirat(parentFd, name.constData(), 0777) == 0) {
        *made = true;
        touched(parentFd);
    } else if (errno != EEXIST) {
        return -1;
    }
    return ::openat(parentFd, name.constData(), kDirFlags);
}

int VersionKeeper::versionFolder(const QStringList &folders)
{
    if (m_cachedFd >= 0 && folders == m_cachedFolders)
        return m_cachedFd;
    closeCached();
    bool made = false;
    const int versions = openOrMake(m_rootFd, QByteArray(kVersionsFolder), &made);
    if (versions < 0)
        return -1;
    int fd = openOrMake(versions, m_runName, &made);
    int error = errno;
    ::close(versions);
    if (fd >= 0 && made && !m_runFolderReady) {
        // The copies of this run are read in the form this record gives.
        if (!writeRootFileDurably(fd, QByteArray(kFormRecordName), m_formRecord))
            m_log(QStringLiteral("the form record can not be written into the versions folder %1: %2")
                      .arg(QFile::decodeName(m_runName), errorText(errno)));
    }
    if (fd >= 0)
        m_runFolderReady = true;
    for (const QString &folder : folders) {
        if (fd < 0)
            break;
        const int next = openOrMake(fd, QFile::encodeName(folder), &made);
        error = errno;
        ::close(fd);
        fd = next;
    }
    if (fd < 0) {
        errno = error;
        return -1;
    }
    m_cachedFd = fd;
    m_cachedFolders = folders;
    return fd;
}

VersionKeeper::Kept VersionKeeper::keep(int folderFd, const QStringList &folders, const QByteArray &name)
{
    const std::lock_guard lock(m_mutex);
    Kept kept;
    struct stat archived;
    if (::fstatat(folderFd, name.constData(), &archived, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(archived.st_mode))
        return kept;
    const QString shown = (folders + QStringList{QFile::decodeName(name)}).join(QLatin1Char('\\'));
    const auto failed = [&](const QString &what, int error) {
        if (++m_failuresLogged <= kLoggedFailures)
            m_log(QStringLiteral("the earlier version of %1 can not be kept: %2 (%3)")
                      .arg(shown, what, errorText(error)));
    };
    const int fd = versionFolder(folders);
    if (fd < 0) {
        kept.refused = true;
        kept.error = errno;
        failed(QStringLiteral("its versions folder can not be made"), kept.error);
        return kept;
    }
    if (m_touched.size() >= kHeldFolders) {
        for (const int held : m_touched) {
            ::fsync(held);
            ::close(held);
        }
        m_touched.clear();
        m_touchedIds.clear();
    }
    int error = 0;
    if (!m_noLinks) {
        // A second name: the rename that follows takes the current one away from it.
        if (::linkat(folderFd, name.constData(), fd, name.constData(), 0) == 0) {
            touched(fd);
            ++m_kept;
            return kept;
        }
        error = errno;
        // FAT and some network file systems have no hard links, and a protected system refuses
        // them for files of others: the copy is moved there instead.
        if (error == EPERM || error == EOPNOTSUPP || error == EXDEV || error == EMLINK)
            m_noLinks = true;
    }
    if (m_noLinks) {
        error = moveNoReplace(folderFd, name, fd);
        if (error == 0) {
            touched(fd);
            touched(folderFd);
            ++m_kept;
            kept.moved = true;
            kept.versionFd = fd;
            return kept;
        }
    }
    // The same file replaced twice within one second: the run folder already holds the first.
    if (error == EEXIST)
        failed(QStringLiteral("the versions folder %1 already holds one").arg(QFile::decodeName(m_runName)),
               error);
    else {
        kept.refused = true;
        kept.error = error;
        failed(QStringLiteral("it can not be placed in the versions folder"), error);
    }
    return kept;
}

void VersionKeeper::putBack(const Kept &kept, int folderFd, const QByteArray &name)
{
    if (!kept.moved)
        return;
    const std::lock_guard lock(m_mutex);
    if (moveNoReplace(kept.versionFd, name, folderFd) == 0)
        --m_kept;
}

void VersionKeeper::sync()
{
    const std::lock_guard lock(m_mutex);
    for (const int held : m_touched) {
        ::fsync(held);
        ::close(held);
    }
    m_touched.clear();
    m_touchedIds.clear();
}

} // namespace archiver
