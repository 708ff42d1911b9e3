// Writing into an archive root without leaving it.
#include "archivetarget.h"

#include "versionkeeper.h"

#include "core/platform/paths.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// From this size on a file's write-out starts as soon as it is written.
constexpr off_t kEarlyWriteOutBytes = 64 * 1024;

int openOrMakeFolder(int parentFd, const QByteArray &name)
{
    int fd = ::openat(parentFd, name.constData(), kDirFlags);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    if (::mkdirat(parentFd, name.constData(), 0777) != 0 && errno != EEXIST)
        return -1;
    return ::openat(parentFd, name.constData(), kDirFlags);
}

} // namespace

HeldFolder::~HeldFolder()
{
    ::close(fd);
}

ArchiveTarget::~ArchiveTarget()
{
    if (m_rootFd >= 0)
        ::close(m_rootFd);
}

StateCode ArchiveTarget::open(const QString &destination, const QString &archiveName, bool create,
                              QString *why)
{
    if (destination.trimmed().isEmpty()) {
        *why = QStringLiteral("no destination is set");
        return StatePathNotFound;
    }
    if (!isPlainFolderName(archiveName)) {
        *why = QStringLiteral("the archive name \"%1\" is not a folder name").arg(archiveName);
        return StatePathNotFound;
    }
    m_rootPath = archiveRoot(destination, archiveName);
    QString hostDestination;
    win::LONG error = 0;
    if (!win::ToHostPath(trimTrailingBackslash(destination), &hostDestination, &error)) {
        *why = QStringLiteral("the destination %1 is not on a known drive").arg(destination);
        return StatePathNotFound;
    }
    // The destination is where the user chose to keep the archive; a link on the way there is
    // the user's own and is followed.
    const int destinationFd =
        ::open(QFile::encodeName(hostDestination).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (destinationFd < 0) {
        const int e = errno;
        *why = QStringLiteral("the destination %1 can not be opened: %2")
                   .arg(destination, QString::fromLocal8Bit(strerror(e)));
        return e == ENOENT || e == ENOTDIR ? StatePathNotFound : StateCantReach;
    }
    const QByteArray name = QFile::encodeName(archiveName);
    int fd = ::openat(destinationFd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(destinationFd, name.constData(), 0777) == 0 || errno == EEXIST)
            fd = ::openat(destinationFd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    const int e = errno;
    ::close(destinationFd);
    if (fd < 0) {
        *why = QStringLiteral("the archive folder %1 can not be opened: %2")
                   .arg(m_rootPath, QString::fromLocal8Bit(strerror(e)));
        if (e == ENOENT || e == ENOTDIR)
            return StatePathNotFound;
        if (e == EROFS)
            return StateDriveLocked;
        return stateForError(e, FileStage::CreateTarget);
    }
    m_rootFd = fd;
    return StateCorrect;
}

int ArchiveTarget::openFolder(const QStringList &folders) const
{
    int fd = ::fcntl(m_rootFd, F_DUPFD_CLOEXEC, 0);
    for (const QString &folder : folders) {
        if (fd < 0)
            return -1;
        const int next = openOrMakeFolder(fd, QFile::encodeName(folder));
        const int e = errno;
        ::close(fd);
        errno = e;
        fd = next;
    }
    return fd;
}

bool ArchiveTarget::isCurrent(int folderFd, const QByteArray &name, const struct stat &source, bool sizeToo)
{
    struct stat archived;
    if (::fstatat(folderFd, name.constData(), &archived, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(archived.st_mode))
        return false;
    return matches(archived, source, sizeToo);
}

bool ArchiveTarget::matches(const struct stat &archived, const struct stat &source, bool sizeToo)
{
    if (archived.st_mtim.tv_sec != source.st_mtim.tv_sec)
        return false;
    // A file system that keeps whole seconds only stores no fraction; that still counts as the same time.
    if (archived.st_mtim.tv_nsec != source.st_mtim.tv_nsec && archived.st_mtim.tv_nsec != 0)
        return false;
    return !sizeToo || archived.st_size == source.st_size;
}

ArchiveTarget::WriteResult ArchiveTarget::failed(int error, FileStage stage)
{
    WriteResult result;
    result.error = error;
    result.state = stateForError(error, stage);
    return result;
}

ArchiveTarget::WriteResult ArchiveTarget::finish(int folderFd, std::unique_ptr<win::FileBeside> file,
                                                 std::shared_ptr<HeldFolder> folder, const QByteArray &name,
                                                 const struct stat &source, FileCommitter *committer,
                                                 CommitDone done, KeepReplaced keep)
{
    // The temporary file goes before the folder it is reached through.
    const auto giveUp = [&](FileStage stage) {
        const int error = errno;
        file.reset();
        return failed(error, stage);
    };
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    ::fchmod(file->fd(), (source.st_mode & 0777) | S_IRUSR | S_IWUSR);
    if (::futimens(file->fd(), times) != 0)
        return giveUp(FileStage::WriteTarget);
    // The data reaches the disk before the name does: renamed first, a power cut could leave an
    // empty or partial file under the final name with the source's time, which the next run
    // would take for current (a compressed copy is not compared by size) and never copy again.
    if (committer) {
        // A large file starts its write-out now, so the batch's sync does not wait for all of it;
        // small ones are written out together by that sync, which merges them into few requests
        // instead of sending each to the disk by itself.
        struct stat written;
        if (::fstat(file->fd(), &written) != 0)
            return giveUp(FileStage::WriteTarget);
        if (written.st_size >= kEarlyWriteOutBytes)
            ::sync_file_range(file->fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
        if (!file->close(false))
            return giveUp(FileStage::WriteTarget);
        committer->add(std::move(folder), std::move(file), name, written.st_size, std::move(done),
                       std::move(keep));
        WriteResult result;
        result.pending = true;
        return result;
    }
    if (!file->close(true))
        return failed(errno, FileStage::WriteTarget);
    // A rename replaces a link standing at the name, never what it points to.
    if (!commitKeeping(*file, folderFd, name, keep))
        return failed(errno, FileStage::CreateTarget);
    if (keep.keeper)
        keep.keeper->sync();
    return WriteResult();
}

bool ArchiveTarget::commitKeeping(win::FileBeside &file, int folderFd, const QByteArray &name,
                                  const KeepReplaced &keep)
{
    // Kept first: a kill between the two leaves the old copy under both names, nothing lost.
    const VersionKeeper::Kept kept =
        keep.keeper ? keep.keeper->keep(folderFd, keep.folders, name) : VersionKeeper::Kept();
    // An earlier copy that could not be kept stays the archived one; the new file is given up.
    if (kept.refused) {
        file.discard();
        errno = kept.error;
        return false;
    }
    if (file.commit(name))
        return true;
    const int error = errno;
    if (kept.moved)
        keep.keeper->putBack(kept, folderFd, name);
    errno = error;
    return false;
}

void ArchiveTarget::sync() const
{
    if (m_rootFd >= 0)
        ::syncfs(m_rootFd);
}

} // namespace archiver
