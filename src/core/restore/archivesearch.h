// The search of an archive by a part of a name, and the versions of one archived file: its current
// copy and the earlier ones kept in the versions area. The walks never follow a link, open every
// folder below the one before it, and read the details of a file only when its name matches.
#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace restore {

// One archived copy of a file.
struct ArchivedCopy
{
    QString origin;          // where the file came from: C:\Docs\a.txt
    QString relative;        // below the archive root, without ".bz2": C\Docs\a.txt or versions\<run>\C\...
    QDateTime run;           // the run that kept it; invalid for the current copy
    bool compressed = false; // the copy is a bzip2 member (relative + ".bz2")
    qint64 size = 0;         // of the archived copy
    QDateTime modified;
};

// Walks the archive at the host path hostRoot for files whose shown name (on a compressed part
// without ".bz2") holds part without regard to case (ASCII and Latin-1 letters): the current files
// of every drive folder, then the earlier copies of every run folder, newest first. found is
// called for each on the calling thread; the walk ends when it returns false or stop is set.
// compressedFallback: the side's flag, for a part without a form record.
void searchArchive(const QString &hostRoot, const QString &part, bool compressedFallback,
                   const std::atomic_bool &stop, const std::function<bool(const ArchivedCopy &)> &found);

// The copies the archive holds of the file at origin (C:\Docs\a.txt): the current one, then the
// earlier ones, newest first. Each is looked for in the form the record of its part gives (a run
// folder without a record: the root's; a root without one: compressedFallback).
std::vector<ArchivedCopy> versionsOf(const QString &hostRoot, const QString &origin, bool compressedFallback);

} // namespace restore
