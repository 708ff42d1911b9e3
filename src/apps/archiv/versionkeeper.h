// Keeping the archived copies a run replaces as earlier versions: just before a new copy is renamed
// over an archived one, the archived one gets a second name in the run's folder of the versions
// area (versions\<run>\<its archived path>), so the rename that follows only takes the current
// name from it and nothing is copied. Where the file system has no hard links the old copy is
// moved there instead. Folders are made on demand and opened below the root without following
// links; the run folder gets a copy of the form record with its first copy.
#pragma once

#include "logline.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace archiver {

class VersionKeeper
{
public:
    // rootFd: the archive root (it stays the caller's); runName: the run folder's name; formRecord:
    // the bytes of the form record the run's copies are in.
    VersionKeeper(int rootFd, QString runName, QByteArray formRecord, LogLine log);
    ~VersionKeeper();
    VersionKeeper(const VersionKeeper &) = delete;
    VersionKeeper &operator=(const VersionKeeper &) = delete;

    // What keep() did with the archived copy.
    struct Kept
    {
        bool moved = false; // it no longer has its archived name (no hard links)
        int versionFd = -1; // the version folder it was moved into, while moved
        // It could not be kept (errno-like code in error): the replacement must not go on, or the
        // only copy of the earlier file would be lost.
        bool refused = false;
        int error = 0;
    };
    // Keeps the archived copy name in the folder folderFd, which lies at folders below the root,
    // before it is replaced. Nothing is kept for a name that holds no regular file. A failure is
    // logged and refuses the replacement, apart from a run folder that already holds a copy of the
    // same file (replaced twice within one second), where the replacement goes on.
    Kept keep(int folderFd, const QStringList &folders, const QByteArray &name);
    // Gives a copy that was moved its archived name back, when its replacement failed.
    void putBack(const Kept &kept, int folderFd, const QByteArray &name);
    // Makes the names given since the last call durable: fsyncs the version folders and the folders
    // the new ones were made in.
    void sync();

    int keptCount() const;

private:
    int versionFolder(const QStringList &folders);
    int openOrMake(int parentFd, const QByteArray &name, bool *made);
    void touched(int fd);
    void closeCached();

    const int m_rootFd;
    const QByteArray m_runName;
    const QByteArray m_formRecord;
    LogLine m_log;
    mutable std::mutex m_mutex;
    bool m_runFolderReady = false;
    bool m_noLinks = false; // the file system refused a hard link: copies are moved
    QStringList m_cachedFolders;
    int m_cachedFd = -1;
    // Folders whose entries changed since the last sync, held open until then.
    std::vector<int> m_touched;
    std::set<std::pair<dev_t, ino_t>> m_touchedIds;
    int m_kept = 0;
    int m_failuresLogged = 0;
};

} // namespace archiver
