// One archive root, open for writing. Every folder and file below the root is opened relative to
// the folder above it and never through a symbolic link, so nothing written or deleted through
// this class can land outside the root, whatever links someone has placed inside it.
#pragma once

#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"

#include "core/platform/filebeside.h"

#include <QByteArray>
#include <QString>

#include <atomic>

#include <sys/stat.h>

namespace archiver {

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

    // Writes a file into folderFd under a temporary name and renames it into place when it is
    // complete and on the disk, with the given modification time and permissions. write() fills the open file and
    // returns false (with the outcome filled) to give up; the temporary file is removed then.
    struct WriteResult
    {
        bool stopped = false;
        StateCode state = StateCorrect;
        int error = 0;
    };
    template <typename Fill>
    static WriteResult writeFile(int folderFd, const QByteArray &name, const struct stat &source, Fill fill);

    // Makes the data written so far durable on the root's file system.
    void sync() const;

private:
    static WriteResult failed(int error, FileStage stage);
    static WriteResult finish(win::FileBeside &file, const QByteArray &name, const struct stat &source);

    int m_rootFd = -1;
    QString m_rootPath;
};

template <typename Fill>
ArchiveTarget::WriteResult ArchiveTarget::writeFile(int folderFd, const QByteArray &name,
                                                    const struct stat &source, Fill fill)
{
    win::FileBeside file;
    if (!file.createAt(folderFd, name))
        return failed(errno, FileStage::CreateTarget);
    WriteResult result;
    // Given up: the temporary file goes with `file`.
    if (!fill(file.fd(), &result))
        return result;
    return finish(file, name, source);
}

} // namespace archiver
