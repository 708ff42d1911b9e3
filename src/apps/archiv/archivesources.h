// What one archive run copies: the file items of the archive list, and the files (not the
// subfolders) of each directory or drive item whose extension is in the item's set.
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
};

// Whether a file name's extension is in a set such as ".doc;.xls" (".*" admits every file),
// compared without regard to case.
bool extensionInSet(const QString &fileName, const QStringList &set);
QStringList splitExtensionSet(const QString &set);

SourceList collectSources(const TTreeList &list);

} // namespace archiver
