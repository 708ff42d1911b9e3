// Files by Windows path: copy, create a folder, delete, and the thread's last error.
//
// Calls are shaped like their Win32 namesakes: they return a BOOL (or a handle) and leave the
// Windows error code for GetLastError(). Paths longer than 255 characters are refused with
// ERROR_FILENAME_EXCED_RANGE, never cut.
#pragma once

#include "wintypes.h"

#include <QByteArray>
#include <QString>

namespace win {

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// Not Win32: the Windows error code for a C library errno value.
LONG ErrorFromErrno(int error);

// Not Win32: a host path that names the very file open in fd (an O_PATH descriptor will do),
// whatever its names lead to meanwhile, for the calls that take nothing but a path.
QByteArray HostPathOfOpenFile(int fd);
// Not Win32: copies every byte of the open file in, from where it stands, to out: in the kernel
// where the two file systems allow it, else by reading and writing. 0, or ERROR_READ_FAULT,
// ERROR_WRITE_FAULT or ERROR_DISK_FULL.
LONG CopyFileContents(int in, int out);

// Copies a file's bytes, permissions, hidden/system/archive attributes and access and write times.
// The copy is written beside the target under a temporary name and renamed over it when it is
// complete, so a failed copy leaves no partial target and an existing target either keeps its old
// bytes or gets all the new ones. With bFailIfExists an existing target gives ERROR_FILE_EXISTS.
// As on Windows, an existing target that is read-only is not replaced (ERROR_ACCESS_DENIED);
// clear its attributes first. A folder as source or target gives
// ERROR_ACCESS_DENIED.
BOOL CopyFile(const QString &lpExistingFileName, const QString &lpNewFileName, BOOL bFailIfExists);

// Makes one folder; its parent must exist (ERROR_PATH_NOT_FOUND), it must not (ERROR_ALREADY_EXISTS).
BOOL CreateDirectory(const QString &lpPathName, void *lpSecurityAttributes = nullptr);

// Deletes a file (a symbolic link itself, not what it leads to). A read-only file or a folder gives
// ERROR_ACCESS_DENIED, as on Windows.
BOOL DeleteFile(const QString &lpFileName);

} // namespace win
