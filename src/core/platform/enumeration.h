// Listing a folder by Windows pattern, with each entry's attributes, times and size.
#pragma once

#include "filetime.h"
#include "wintypes.h"

#include <QString>

namespace win {

struct WIN32_FIND_DATA
{
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    QString cFileName;
};

// Lists the entries of a folder whose names match the last component of lpFileName ("*" and "?"
// as wildcards, without regard to case; "*.*" matches every name), in the order the file system
// gives them. "." and ".." come as on Windows, except in a drive root. Fifos, sockets and devices
// are not listed, nor names that hold a backslash. No match gives ERROR_FILE_NOT_FOUND, a missing
// folder ERROR_PATH_NOT_FOUND; both with INVALID_HANDLE_VALUE.
HANDLE FindFirstFile(const QString &lpFileName, WIN32_FIND_DATA *lpFindFileData);
// The next match; false with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFile(HANDLE hFindFile, WIN32_FIND_DATA *lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

// Not Win32: whether name matches a Windows wildcard pattern, without regard to case.
bool MatchesWildcard(QStringView name, QStringView pattern);

} // namespace win
