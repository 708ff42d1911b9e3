// The versions area of an archive root (layout in core/archiveinfo/versionslayout.h): thinning
// its earlier versions by age and making room on a full disk. Everything is opened below the
// root without following links, so nothing outside the root is touched.
#pragma once

#include <QDateTime>

namespace archiver {

struct VersionsRemoved
{
    int removedFiles = 0;
    int failures = 0;
};

// Thins the versions area of the root open in rootFd as of now: every version of the last 48
// hours stays; older ones, the newest per file per day for 30 days, then the newest per file per
// week up to keepDays days. The newest earlier version of each file stays for the whole keepDays
// whatever else applies; nothing older than keepDays stays (keepDays 0: the area is emptied).
// Run folders left empty go. A version that can not be removed is counted in failures and the
// thinning goes on. Only called at the end of a run that archived something and did
// not fail.
VersionsRemoved thinVersions(int rootFd, const QDateTime &now, int keepDays);

// The free space a run leaves on the archive's disk: 1 % of the disk, at least 64 MiB and at most
// 1 GiB. -1 when the disk's size can not be read.
qint64 archiveReserve(int rootFd);

// The bytes free for an unprivileged writer on the disk of fd; -1 when the disk can not tell.
qint64 freeBytes(int fd);

// Removes versions that are not the newest earlier version of their file, oldest first, until
// the root's disk has at least needed bytes free. True when it has; the newest earlier version of
// a file is never removed. The free space is read again after each run folder; when it can not be
// read at all, nothing is removed and the answer is false.
bool makeRoom(int rootFd, qint64 needed);

} // namespace archiver
