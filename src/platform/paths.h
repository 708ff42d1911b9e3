// Drive-letter paths: the program handles Windows paths ("C:\Docs\a.txt") everywhere; only here
// are they turned into host paths and back.
//
// Drive letters are the links in the prefix's dosdevices folder (c: -> home, z: -> / by default).
// A component that does not exist with exactly its case is looked up without regard to case, as
// Windows would find it. Paths longer than 255 characters are refused, never cut.
#pragma once

#include "wintypes.h"

#include <QList>
#include <QString>

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

// A Windows path to the host path. Both "\" and "/" separate components; "." and ".." are
// resolved in the text, never above the drive root. Returns false with a Windows error code when
// the drive is not mapped (ERROR_PATH_NOT_FOUND), the path is not a drive path
// (ERROR_INVALID_NAME) or it is longer than 255 characters (ERROR_FILENAME_EXCED_RANGE).
// Components below the first one that does not exist are taken as written. isDriveRoot tells
// whether the path names the drive itself ("C:\", "C:", "C:\Docs\..").
bool ToHostPath(const QString &windowsPath, QString *hostPath, LONG *error = nullptr,
                bool *isDriveRoot = nullptr);
// The same, empty on failure.
QString HostPath(const QString &windowsPath);

// A host path to the Windows path through the deepest drive mapping that holds it; empty when no
// drive holds it. A drive root keeps its backslash ("C:\"), other folders have none.
QString ToWindowsPath(const QString &hostPath);

// The program folder in Windows form, without a trailing backslash unless it is a drive root: the
// folder of the running executable, or the user's own program folder of an installed program
// (programfolder.h).
QString ProgramDir();

} // namespace win
