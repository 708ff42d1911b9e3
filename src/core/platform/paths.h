// Drive-letter paths: the program handles Windows paths ("C:\Docs\a.txt") everywhere; only here
// are they turned into host paths and back.
//
// Drive letters are the links in the prefix's dosdevices folder (c: -> home, z: -> / by default).
// A component that does not exist with exactly its case is looked up without regard to case, as
// Windows would find it. Paths longer than 255 characters are refused, never cut.
#pragma once

#include "wintypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace win {

inline constexpr int kMaxPathLength = 255;

struct DriveMapping
{
    QChar letter;            // upper case
    QString target;          // absolute host folder, as the link names it
    QString canonicalTarget; // the same with every link resolved (equal to target when it has none)
};

// The drives of the prefix, by letter. Read again only when the dosdevices folder changes.
QList<DriveMapping> DriveMap();

class HostPathCache;

// A Windows path to the host path. Both "\" and "/" separate components; "." and ".." are
// resolved in the text, never above the drive root. Returns false with a Windows error code when
// the drive is not mapped (ERROR_PATH_NOT_FOUND), the path is not a drive path
// (ERROR_INVALID_NAME) or it is longer than 255 characters (ERROR_FILENAME_EXCED_RANGE).
// Components below the first one that does not exist are taken as written. isDriveRoot tells
// whether the path names the drive itself ("C:\", "C:", "C:\Docs\..").
// With a cache, the folder of the path is looked at once per cache (see HostPathCache).
bool ToHostPath(const QString &windowsPath, QString *hostPath, LONG *error = nullptr,
                bool *isDriveRoot = nullptr, HostPathCache *cache = nullptr);
// The same, empty on failure.
QString HostPath(const QString &windowsPath);

// Not Win32: a drive path taken apart, for a caller that walks it one folder at a time: the host
// folder its drive letter names (as the drive's link names it) and the components below the drive,
// "." and ".." applied. Fails as ToHostPath does.
bool SplitDrivePath(const QString &windowsPath, QString *driveFolder, QStringList *components,
                    LONG *error = nullptr);
// Not Win32: the entry of the folder open in folderFd whose name equals name without regard to
// case, as the host spells it (the first one the folder lists); empty when none does. This is the
// look-up ToHostPath makes for a component that does not exist with exactly its case.
QByteArray FindEntryWithoutCase(int folderFd, const QString &name);

// Not Win32: what one run of many conversions learns of the folders its paths lie in, so that a
// folder costs one look, not one per path: where the folder is on the host, and its names or that
// it is missing. Answers are those of ToHostPath without a cache, as the folders were when first
// looked at: what changes on the disk or in the drive map later is not seen through the same cache. Bounded: it is
// emptied when it holds kMaxFolders folders, and a folder of more than kMaxNames names (or one
// whose entries can not be looked up) is looked at anew for each path.
class HostPathCache
{
public:
    static constexpr qsizetype kMaxFolders = 20000;
    static constexpr qsizetype kMaxNames = 200000;

private:
    friend bool ToHostPath(const QString &, QString *, LONG *, bool *, HostPathCache *);
    struct Folder
    {
        enum State { Missing, Listed, Unlisted };
        QString host; // the folder's host path, in the case found
        State state = Missing;
        qsizetype nameCount = 0;
        // The folder's names by their case-folded form, each group in the order the folder lists it.
        QHash<QString, QList<QByteArray>> byFoldedName;
    };
    const Folder &folder(const QString &writtenHost, QStringView base, const QStringList &levels);
    QString childOf(const Folder &folder, const QString &name) const;

    QList<DriveMapping> m_drives; // the drive map, read once
    bool m_haveDrives = false;
    QHash<QString, Folder> m_folders; // by the folder's host path as written
    QHash<QString, QString> m_byFolderText; // a folder's Windows text to its key in m_folders
    qsizetype m_names = 0;
};

// A host path to the Windows path through the deepest drive mapping that holds it; empty when no
// drive holds it. A drive root keeps its backslash ("C:\"), other folders have none.
QString ToWindowsPath(const QString &hostPath);

// The program folder in Windows form, without a trailing backslash unless it is a drive root: the
// folder of the running executable, or the user's own program folder of an installed program
// (programfolder.h).
QString ProgramDir();

} // namespace win
