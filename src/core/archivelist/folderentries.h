// The entries of one folder as the browsing views of the archive list page show them.
#pragma once

#include <QString>
#include <QStringList>

namespace archivelist {

enum class FolderEntryKind {
    Folders, // subfolders that are neither hidden nor system, without "." and ".."
    Files,   // every file, hidden and system ones too
};

// The names of folder's entries of one kind (folder: a Windows path, with or without a trailing
// backslash), sorted without regard to case. Empty when the folder cannot be listed.
QStringList folderEntries(const QString &folder, FolderEntryKind kind);

// folder + "\" + name, without doubling the backslash of a drive root.
QString childPath(const QString &folder, const QString &name);

} // namespace archivelist
