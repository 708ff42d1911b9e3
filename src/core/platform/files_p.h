// Helpers shared by the file calls of the platform layer (not for use outside it).
#pragma once

#include "files.h"
#include "wintypes.h"

#include <QByteArray>
#include <QString>

namespace win::detail {

// Resolves the Windows path of a file call to its host path; on failure sets the thread's last
// error and returns false. driveRoot tells whether the path names a drive itself.
bool resolveForFileCall(const QString &windowsPath, QByteArray *host, bool *driveRoot = nullptr);

// The Windows error for errno on host: for ENOENT it is ERROR_PATH_NOT_FOUND when the folder
// that should hold host is missing too, ERROR_FILE_NOT_FOUND otherwise.
LONG errorForPath(int error, const QByteArray &host);

// Sets the last error and returns false, for "return fail(...)".
inline bool fail(LONG code)
{
    SetLastError(DWORD(code));
    return false;
}

} // namespace win::detail
