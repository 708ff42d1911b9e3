// Files and folders of the prefix that only this user may change: made private from the start,
// and refused when another user owns them or could write them.
#pragma once

#include <QString>

namespace win {

// What an entry is, for the words of a refusal ("The registry hive /p/registry/... belongs to ...").
enum class PrivateKind { Folder, Hive, DriveEntry, LogFile, LockFile };

// Makes the folder with mode 0700 when it is missing (whatever the umask; parents as usual), then
// checks it; one of ours that others may read is made 0700. False with a reason naming the folder
// when it cannot be made or is refused.
bool MakePrivateFolder(const QString &path, QString *error);

// Checks an entry that exists: it must belong to this user and be writable by nobody else (a
// group may write only when it is the user's own private group). A link
// is judged by its own owner; a hive reached through a link also by what it leads to. A missing
// entry passes (it is made private when it is made). A hive that passes loses the read bits of
// group and others.
bool CheckPrivateEntry(const QString &path, PrivateKind kind, QString *error);

// Opens (creating with mode 0600 whatever the umask) a file for appending, never through a link;
// a file there that is refused gives -1 with the reason, one that others may read is made
// private. The descriptor closes on exec.
int OpenPrivateFileForAppend(const QString &path, PrivateKind kind, QString *error);

} // namespace win
