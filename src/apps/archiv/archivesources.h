// What one archive run copies: the file items of the archive list, and the files (not the
// subfolders) of each directory or drive item whose extension is in the item's set. The same read
// notes the new folders under listed folders, and leaves out the Archiver's own archive folders.
#pragma once

#include "core/archiveinfo/archivestate.h"

#include <QString>
#include <QStringList>

#include <vector>

class TTreeList;

namespace archiver {

struct SourceFile
{
    QString windowsPath; // as the archive layout names it: the list's spelling plus the file name
    QByteArray hostPath;
};

struct SourceList
{
    std::vector<SourceFile> files;
    // The first item that could not be listed, and its code (0 when every item was found).
    StateCode firstFailure = StateCorrect;
    QString firstFailedPath;
    // For the log: the first kKeptProblems of problemCount, so that a list of a million items
    // on a missing drive does not fill the memory and the log.
    QStringList problems;
    int problemCount = 0;
    // The listed folders not found at their source (a folder that can not be read is there),
    // the first kKeptProblems of them.
    QStringList missingFolders;
    static constexpr int kKeptProblems = 50;

    // Subfolders made since the list was chosen, under listed folders whose whole tree the list
    // names (Windows paths, at most newfolders::kMaxNoted): see SourceOptions.
    QStringList newFolders;
    // Listed items that lie in an archive folder and are not archived: per archive folder met,
    // how many and the first.
    struct InArchive
    {
        QString archiveFolder;
        QString first;
        int count = 0;
    };
    std::vector<InArchive> inArchive;
};

// What collecting the sources looks at besides the list.
struct SourceOptions
{
    // The archive folders (Windows paths). A listed item that is one of them or lies in one is not
    // archived, and none is ever noted as a new folder.
    QStringList archiveFolders;
    // When the list's content was chosen, nanoseconds since the epoch; -1 looks for no new folders.
    // A subfolder of a listed folder is new when the list does not name it and it was made later;
    // a listed folder with an unlisted subfolder made earlier is partly listed and has none.
    qint64 listChosenNs = -1;
    // Folders the user chose not to add (Windows paths): never noted, and not counted against the
    // folder they lie in. So are hidden and system folders and names the list cannot hold, as the
    // list's folder walk passes them over.
    QStringList declinedFolders;
};

// Whether a file name's extension is in a set such as ".doc;.xls" (".*" admits every file),
// compared without regard to case.
bool extensionInSet(const QString &fileName, const QStringList &set);
QStringList splitExtensionSet(const QString &set);

SourceList collectSources(const TTreeList &list, const SourceOptions &options = {});

} // namespace archiver
