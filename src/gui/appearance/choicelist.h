// The entries of the language and texture windows, without the windows: the files of one
// extension found in a folder beside the program, and the entry that a stored name selects.
#pragma once

#include <QString>
#include <QStringList>

// The files of one extension below a folder, as the directory walker lists them: the folder's own
// files by name, then those of each subfolder given relative to the folder ("Old\French.lng"),
// never walking through a link that leads out of the folder. The shell gives the walker.
class FolderFiles
{
public:
    virtual ~FolderFiles() = default;
    virtual QStringList files(const QString &folder, const QString &extension) = 0;
};

// The files with the extension (".LNG", any case) in programDir\folder and its subfolders, in the
// walker's order. A file that lies outside the folder (a link leading out) is left out: it could
// not be loaded.
QStringList FolderEntries(FolderFiles &finder, const QString &programDir, const char *folder,
                          const QString &extension);

// The row a stored name selects among the entries: the first entry equal to the name without
// regard to case; the first row for an empty name; -1 when no entry matches.
int EntryRow(const QStringList &entries, const QString &name);
