// File attributes as Windows knows them, kept on the host as Samba and Wine keep them.
//
// Read-only is the owner's write permission, read from the mode bits (so it holds for root too).
// Hidden, system and archive live in the extended attribute user.DOSATTRIB as the text "0x%x". A
// name that starts with "." is hidden unless that attribute says otherwise. Where the file system
// refuses extended attributes, only the name and the permission count, and setting hidden or system
// is a quiet no-op.
#pragma once

#include "wintypes.h"

#include <QString>

struct stat;

namespace win {

enum : DWORD {
    FILE_ATTRIBUTE_READONLY = 0x01,
    FILE_ATTRIBUTE_HIDDEN = 0x02,
    FILE_ATTRIBUTE_SYSTEM = 0x04,
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_ARCHIVE = 0x20,
    FILE_ATTRIBUTE_NORMAL = 0x80,
};
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// The attributes of a file or folder; INVALID_FILE_ATTRIBUTES with GetLastError() on failure.
// FILE_ATTRIBUTE_NORMAL stands alone for a file that has none of the others.
DWORD GetFileAttributes(const QString &lpFileName);
// Sets read-only, hidden, system and archive to exactly what dwFileAttributes holds (the other
// bits are ignored; FILE_ATTRIBUTE_NORMAL clears them all).
BOOL SetFileAttributes(const QString &lpFileName, DWORD dwFileAttributes);

// Not Win32: GetFileAttributes and SetFileAttributes of the file open in fd (an O_PATH descriptor
// will do), whose name starts with "." when dotName: that one file, whatever its name leads to
// meanwhile.
DWORD GetFileAttributesOfOpenFile(int fd, bool dotName);
BOOL SetFileAttributesOfOpenFile(int fd, DWORD dwFileAttributes, bool dotName);

// Not Win32: hidden, system and archive of a host entry, from its extended attribute or, without
// one, from its name. This is the one attribute look-up a walk over folders needs.
DWORD HostDosAttributes(const char *hostPath, bool dotName);
// Not Win32: the same for an entry that is open (a folder about to be read).
DWORD HostDosAttributesOfOpenFile(int fd, bool dotName);
// Not Win32: every attribute of a host entry whose status is known.
DWORD HostFileAttributes(const char *hostPath, const struct stat &status, bool dotName);

// Not Win32, for tests: makes every extended-attribute call fail with this errno (0 ends it), as
// on a file system that has none.
void SetExtendedAttributeFailureForTesting(int error);

} // namespace win
