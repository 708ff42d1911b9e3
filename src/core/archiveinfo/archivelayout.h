// Where an archive side lives and where each archived file lies in it. The restore reads the same
// layout: <destination>\<archive name>\<drive letter>\<path below the drive>[.bz2], with the
// archive list afiles.lst directly in the root.
#pragma once

#include "core/settings/settings.h"

#include <QString>
#include <QStringList>

class Tconfig;

namespace archiver {

using ::Side;

// "primary" or "secondary", for the log.
QString sideLabel(Side side);

// What a run of one side needs to know from the settings.
struct SideSettings
{
    QString destination; // Windows path, as stored
    QString archiveName; // without a leading backslash; an empty stored name is the side's default
    bool compressed = true;
    bool archivedBefore = false; // the side has a last-run time
    int keepVersionsDays = 180;  // how long earlier versions of replaced files are kept; 0: none
};
SideSettings readSideSettings(Tconfig &config, Side side);

inline constexpr char kListFileName[] = "afiles.lst";
inline constexpr char kCompressedSuffix[] = ".bz2";

// The free space a write leaves on a disk of diskSize bytes: 1 % of it, at least 64 MiB and at most
// 1 GiB, so that the system and the user's programs keep room (a decompression or an archive run).
qint64 diskReserve(qint64 diskSize);

// The destination without its trailing backslash, unless it is a drive root ("E:\").
QString trimTrailingBackslash(const QString &path);
// The archive root: destination and archive name joined by exactly one backslash.
QString archiveRoot(const QString &destination, const QString &archiveName);

// Whether an archive name is one plain folder name: not empty, no separator, not "." or "..".
bool isPlainFolderName(const QString &name);

// The folders below the archive root that hold an archived file, and the file's own name there:
// C:\Docs\a.txt gives {"C", "Docs"} and "a.txt" (".bz2" appended when compressed). Empty
// components and "." are dropped; false for a path that is not a drive path or that climbs with "..".
struct ArchivedLocation
{
    QStringList folders;
    QString fileName;
    // The location as a Windows path below the root: C\Docs\a.txt.bz2.
    QString relativePath() const;
};
bool archivedLocation(const QString &originPath, bool compressed, ArchivedLocation *location);

} // namespace archiver
