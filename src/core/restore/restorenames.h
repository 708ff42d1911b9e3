// The names a restore works with: which names from an archive may be written back, how the file
// list shows an archive folder's files, and where one file of an archive is and goes back to.
#pragma once

#include <QString>
#include <QStringList>

namespace restore {

// True when a name read from an archive (a file or folder name of its folder, or an item of its
// list) may be used as one path component: not empty, not "." or "..", and without "\", "/", ":"
// or a control character. Anything else could make a restore write somewhere else than the
// origin the tree shows.
bool nameAllowed(const QString &name);
// True when a top item of an archive's list names a drive: one letter and a colon.
bool driveAllowed(const QString &name);
// The first name of the chain (drive item first, then the items below it) that is not allowed,
// or an empty string when every name is.
QString refusedName(const QStringList &chain);

// The file names of an archive folder as the file list shows them. The Archiver's temporary files
// (a member being written) are not archived files and are never shown. On a compressed side every
// name that ends exactly in ".bz2" is shown without it, and a name that is then there twice (the
// member and a plain copy of the same file, while the side changes its form) is shown once. On a
// plain side the names are shown as they are read.
QStringList shownNames(const QStringList &entries, bool compressed);

// One file to give back: where it lies in the archive (without ".bz2"), where it goes and the
// folder that must exist for it.
struct FileOrigin
{
    QString source;
    QString target;
    QString targetDir;
};

// The file below origin folder dirP (such as C:\Docs, or C: for a drive root), named entry,
// of the archive whose destination (one trailing "\" removed) and folder name (without its "\")
// are given.
FileOrigin fileInFolder(const QString &destination, const QString &folderName, const QString &dirP,
                        const QString &entry);
// The file at origin path (such as C:\Docs\a.txt).
FileOrigin fileAt(const QString &destination, const QString &folderName, const QString &path);

// The archive folder of an origin folder path such as C:\Docs\ or C:\ : root\C\Docs, root\C.
QString archiveFolder(const QString &root, const QString &originPath);

} // namespace restore
