// Adding directories and files to the archive list, with the checks that keep the list file
// sound: a path holding " [", "]" or ";" would be cut or split when the list is read back, and a
// text the list file cannot store would make every later write of the list fail.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TFindFile;
class TTreeList;
class TreeListNode;

// True when text holds none of " [" (a blank and an opening bracket), "]" and ";".
bool IsValidItemName(const QString &text);

// True when the archive list can take text as a path: IsValidItemName, and the list file can
// store it (no line break, nothing outside the ANSI code page).
bool CanHoldItem(const QString &text);

// Told the full path of each directory or file that is refused.
using RefusedItem = std::function<void(const QString &path)>;

// Adds the directory at path (without a trailing backslash, except a drive root) with extSet.
// With subdirectories, walker then adds every subdirectory below it that it hands out, each with
// extSet; a refused subdirectory is reported and the walk goes on. A refused directory is not
// walked at all: every path below it carries the same reserved sequence. Returns the node of the
// directory itself, or none when it was refused.
TreeListNode *AddDirectoryItems(TTreeList &list, TFindFile &walker, const QString &path,
                                const QString &extSet, bool withSubdirectories, const RefusedItem &refused);

// Adds folder + name for each name (folder ends in a backslash). Returns the last node added, or
// none when nothing was.
TreeListNode *AddFileItems(TTreeList &list, const QString &folder, const QStringList &names,
                           const RefusedItem &refused);
