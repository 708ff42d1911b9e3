// File times: Windows FILETIME (100 ns steps since 1601-01-01 UTC), the DOS date-time of FAT
// (2-second resolution, years 1980 to 2107) and the conversions between them.
//
// As on Windows, local file times differ from UTC by the zone's offset now, not by the offset the
// date had; so a time taken to local and back is always the same time again.
#pragma once

#include "wintypes.h"

#include <QString>

#include <ctime>

namespace win {

struct FILETIME
{
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

BOOL FileTimeToLocalFileTime(const FILETIME *lpFileTime, FILETIME *lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME *lpLocalFileTime, FILETIME *lpFileTime);
// Fails with ERROR_INVALID_PARAMETER for a time before 1980 or after 2107; odd seconds are cut to
// the even second below.
BOOL FileTimeToDosDateTime(const FILETIME *lpFileTime, WORD *lpFatDate, WORD *lpFatTime);
// Fails with ERROR_INVALID_PARAMETER for a date or time that does not exist (month 13, 30 February).
BOOL DosDateTimeToFileTime(WORD wFatDate, WORD wFatTime, FILETIME *lpFileTime);

// The times of a file by its Windows path (this layer has no file handles). The creation time is
// the last write time: the host keeps no other. A null pointer asks for nothing.
BOOL GetFileTime(const QString &lpFileName, FILETIME *lpCreationTime, FILETIME *lpLastAccessTime,
                 FILETIME *lpLastWriteTime);
// Sets the access and last write times; a null pointer leaves that time alone, and the creation
// time cannot be set on the host, so it is ignored.
BOOL SetFileTime(const QString &lpFileName, const FILETIME *lpCreationTime, const FILETIME *lpLastAccessTime,
                 const FILETIME *lpLastWriteTime);

// Not Win32: a file's last write time as a local DOS date-time (date in the high word, time in the
// low word), and setting it from one. This is how a modification time is carried from one file to
// another at DOS resolution.
BOOL GetFileDosDateTime(const QString &lpFileName, DWORD *lpDosDateTime);
BOOL SetFileDosDateTime(const QString &lpFileName, DWORD dwDosDateTime);
// Not Win32: the same for the file open in fd.
BOOL GetOpenFileDosDateTime(int fd, DWORD *lpDosDateTime);
BOOL SetOpenFileDosDateTime(int fd, DWORD dwDosDateTime);

// Not Win32: host times and FILETIMEs.
FILETIME FileTimeFromTimespec(const timespec &time);
timespec TimespecFromFileTime(const FILETIME &time);

} // namespace win
