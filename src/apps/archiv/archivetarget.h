// One archive root, open for writing. Every folder and file below the root is opened relative to
// the folder above it and never through a symbolic link, so nothing written or deleted through
// this class can land outside the root, whatever links someone has placed inside it.
#pragma once

#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"

#include "core/platform/filebeside.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include <sys/stat.h>

namespace archiver {

class FileCommitter;
class VersionKeeper;

// Where the archived copy that a new file replaces is kept: by keeper, as the earlier version of
// the file at folders (below the root) and its name. Without a keeper it is simply replaced.
struct KeepReplaced
{
    VersionKeeper *keeper = nullptr;
    QStringList folders;
};

// A folder of the archive held open while files wait in it for their names.
struct HeldFolder
{
    explicit HeldFolder(int folderFd) : fd(folderFd) {}
    ~HeldFolder();
    HeldFolder(const HeldFolder &) = delete;
    HeldFolder &operator=(const HeldFolder &) = delete;
    const int fd;
};

class ArchiveTarget
{
public:
    ArchiveTarget() = default;
    ~ArchiveTarget();
    ArchiveTarget(const ArchiveTarget &) = delete;
    ArchiveTarget &operator=(const ArchiveTarget &) = delete;

    // Opens destination\archiveName (Windows paths), making the archive folder when the
    // destination exists without it. The destination itself must exist: a missing or unmapped
    // one gives StatePathNotFound. With create false a missing archive folder is not made (and
    // open fails with StatePathNotFound).
    StateCode open(const QString &destination, const QString &archiveName, bool create, QString *why);
    bool isOpen() const { return m_rootFd >= 0; }
    int rootFd() const { return m_rootFd; }
    const QString &rootPath() const { return m_rootPath; }

    // Opens the folder below the root, making the missing ones; -1 with errno on failure (ELOOP
    // or ENOTDIR when a link or a file stands where a folder belongs).
    int openFolder(const QStringList &folders) const;

    // Whether the archived copy in folderFd already matches a source: a regular file (not a link)
    // with the same modification time and, when sizeToo, the same size.
    static bool isCurrent(int folderFd, const QByteArray &name, const struct stat &source, bool sizeToo);
    // The same for the status of an archived copy already looked up.
    static bool matches(const struct stat &archived, const struct stat &source, bool sizeToo);

    // Writes a file into folderFd under a temporary name and renames it into place when it is
    // complete and on the disk, with the given modification time and permissions. fill() fills the
    // open file and returns false (with the outcome filled) to give up; the temporary file is
    // removed then. With a committer, the complete file is handed to it instead: the result says
    // pending, and done is called, on the committer's thread, once the file has its name or has
    // failed. The archived copy it replaces is kept as keep says.
    struct WriteResult
    {
        bool stopped = false;
        bool pending = false;
        StateCode state = StateCorrect;
        int error = 0;
    };
    using CommitDone = std::function<void(const WriteResult &)>;
    template <typename Fill>
    static WriteResult writeFile(int folderFd, const QByteArray &name, const struct stat &source, Fill fill,
                                 FileCommitter *committer = nullptr, CommitDone done = {},
                                 KeepReplaced keep = {});
    static WriteResult failed(int error, FileStage stage);
    // Gives a complete file its name in folderFd, the archived copy there kept as keep says (and
    // given its name back when the rename fails). False with errno set.
    static bool commitKeeping(win::FileBeside &file, int folderFd, const QByteArray &name,
                              const KeepReplaced &keep);

    // Makes the data written so far durable on the root's file system.
    void sync() const;

private:
    static WriteResult finish(int folderFd, std::unique_ptr<win::FileBeside> file,
                              std::shared_ptr<HeldFolder> folder, const QByteArray &name,
                              const struct stat &source, FileCommitter *committer, CommitDone done,
                              KeepReplaced keep);

    int m_rootFd = -1;
    QString m_rootPath;
};

// Takes the complete files of a run and gives them their names later, in batches (see Committer).
class FileCommitter
{
public:
    virtual ~FileCommitter() = default;
    // The folder open in folderFd, held open for the files written into it; null with errno set.
    virtual std::shared_ptr<HeldFolder> hold(int folderFd) = 0;
    // Takes a complete file, closed, written into folder for the target name; bytes its size.
    virtual void add(std::shared_ptr<HeldFolder> folder, std::unique_ptr<win::FileBeside> file,
                     QByteArray name, qint64 bytes, ArchiveTarget::CommitDone done, KeepReplaced keep) = 0;
};

template <typename Fill>
ArchiveTarget::WriteResult
ArchiveTarget::writeFile(int folderFd, const QByteArray &name, const struct stat &source, Fill fill,
                         FileCommitter *committer, CommitDone done, KeepReplaced keep)
{
    // A file handed to the committer outlives the caller's folder descriptor.
    std::shared_ptr<HeldFolder> folder = committer ? committer->hold(folderFd) : nullptr;
    if (committer && !folder)
        return failed(errno, FileStage::CreateTarget);
    auto file = std::make_unique<win::FileBeside>();
    if (!file->createAt(folder ? folder->fd : folderFd, name))
        return failed(errno, FileStage::CreateTarget);
    WriteResult result;
    // Given up: the temporary file goes with `file`.
    if (!fill(file->fd(), &result))
        return result;
    const int fd = folder ? folder->fd : folderFd;
    return finish(fd, std::move(file), std::move(folder), name, source, committer, std::move(done),
                  std::move(keep));
}

} // namespace archiver
