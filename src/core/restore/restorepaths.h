// The path rules of the restore and the destinations: whether an entry exists as they count it,
// and making a folder with every missing parent.
#pragma once

#include <QString>

// The entry test: path exists when the file system has an entry of that name that is neither
// hidden nor system. A plain file of that name counts as existing.
bool entryExists(const QString &path);

// Makes the folder path and every missing parent. Returns true on failure (false when the folder
// is there afterwards). A path of three characters or fewer ("C:\") is never created. A folder
// that exists but is hidden or system is not a failure.
bool EnsureDirectory(const QString &path);
