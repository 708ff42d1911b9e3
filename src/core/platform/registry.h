// The registry: a Win32-shaped subset over one SQLite file per root hive in the prefix.
//
// Keys and value names are case-insensitive and keep the case they were created with. Data are
// stored as Windows stores them (REG_SZ as code-page bytes with the terminating NUL, REG_DWORD as
// 4 bytes), so sizes and type checks behave the same. Several processes may use a hive at once:
// every write is one transaction, and a busy hive is waited for, never reported as locked.
#pragma once

#include "wintypes.h"

#include <QString>

namespace win {

struct HKEY__;
using HKEY = HKEY__ *;
using PHKEY = HKEY *;
using REGSAM = DWORD;

// Predefined roots. Only these two hives exist.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<quintptr>(0x80000000u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<quintptr>(0x80000002u));

// Value types.
enum : DWORD {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

// Access rights.
enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_NOTIFY = 0x0010,
    KEY_CREATE_LINK = 0x0020,
    KEY_DELETE = 0x00010000,
    KEY_READ = 0x00020019,
    KEY_WRITE = 0x00020006,
    KEY_ALL_ACCESS = 0x000F003F,
};
inline constexpr REGSAM KEY_WRITE_RIGHTS = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | KEY_DELETE;

// Options and dispositions of RegCreateKeyEx.
enum : DWORD {
    REG_OPTION_NON_VOLATILE = 0,
    REG_CREATED_NEW_KEY = 1,
    REG_OPENED_EXISTING_KEY = 2,
};

LONG RegOpenKeyEx(HKEY hKey, const QString &lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegCreateKeyEx(HKEY hKey, const QString &lpSubKey, DWORD Reserved, const QString *lpClass, DWORD dwOptions,
                    REGSAM samDesired, void *lpSecurityAttributes, PHKEY phkResult, DWORD *lpdwDisposition);
LONG RegCloseKey(HKEY hKey);

// lpValueName empty means the key's unnamed (default) value. With lpData null only the type and
// size are returned; with a buffer too small the size is set and ERROR_MORE_DATA returned.
LONG RegQueryValueEx(HKEY hKey, const QString &lpValueName, DWORD *lpReserved, DWORD *lpType, BYTE *lpData,
                     DWORD *lpcbData);
LONG RegSetValueEx(HKEY hKey, const QString &lpValueName, DWORD Reserved, DWORD dwType, const BYTE *lpData,
                   DWORD cbData);
LONG RegDeleteValue(HKEY hKey, const QString &lpValueName);

// Deletes a key that has no subkeys; a key with subkeys gives ERROR_ACCESS_DENIED.
LONG RegDeleteKey(HKEY hKey, const QString &lpSubKey);
// Deletes a key with everything below it; an empty lpSubKey empties hKey itself.
LONG RegDeleteTree(HKEY hKey, const QString &lpSubKey);

// Enumeration by index, in the order keys and values were created; ERROR_NO_MORE_ITEMS past the end.
// Subkey names come back as they were created (in their case).
LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, QString *lpName);
LONG RegEnumValue(HKEY hKey, DWORD dwIndex, QString *lpValueName, DWORD *lpType, BYTE *lpData, DWORD *lpcbData);

// Not Win32: what went wrong with the last failing call of this thread, in words, naming the hive
// file where a file is at fault (for example a hive that is not a database). Empty after success.
QString RegLastErrorText();

// Not Win32: the hive file that holds a root, and the root's long name ("HKEY_CLASSES_ROOT").
QString RegHiveFile(HKEY root);
QString RegRootName(HKEY root);

// Not Win32: opens a root's hive as every call does (making it on first use) and says whether it
// can be used: ERROR_SUCCESS; ERROR_BADDB when the file is damaged (SQLite finds no database or a
// corrupt one, or the registry's tables, format mark or root key are not as it wrote them); any
// other code for what else keeps it closed (ERROR_CANTOPEN for a prefix or hive refused as unsafe
// or a folder in its place, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION for a lock that is not
// let go). RegLastErrorText() names the file and the reason.
LONG RegCheckHive(HKEY root);

// Not Win32: replaces a damaged hive (ERROR_BADDB above) by a fresh one, seeded as on first use.
// The damaged file is renamed in its folder to NAME.yyyy-MM-dd-hhmmss.bad (a number is added
// before ".bad" when that is taken; nothing is overwritten or deleted), and its SQLite companions
// (-wal, -shm, -journal) to that name with their suffix, so SQLite still reads them together.
// *keptAs gets that name. A sound hive is left as it is (ERROR_SUCCESS, *keptAs empty), and a
// hive closed for any other reason too (its code). A move that fails puts back what it moved.
LONG RegReplaceDamagedHive(HKEY root, QString *keptAs);

// Not Win32: the predefined root of a handle, and the full path of the key below it
// ("SOFTWARE\Microsoft\..."; empty for a root), in the case the keys were created with.
HKEY RegRootOf(HKEY hKey);
QString RegKeyPath(HKEY hKey);

} // namespace win
