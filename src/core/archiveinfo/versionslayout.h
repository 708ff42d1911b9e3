// The versions area of an archive root: the earlier copies of archived files that a run replaced.
// Each run that replaced something has its own folder, named after the run's start in local time:
//   <root>\versions\2026-12-07 193000\C\Docs\Report.doc.bz2
// A kept copy lies at its archived path below the run folder, in the form it had in the archive
// (".bz2" or plain), so stock tools read it. Each run folder holds a copy of the form record that
// was valid when its copies were kept (archiv.form), and, when the run replaced the archive's list,
// the earlier afiles.lst. The folder's name is more than one letter, so it never clashes with a
// drive folder, and nothing that walks the drive folders of an archive ever enters it.
#pragma once

#include <QDateTime>
#include <QString>

namespace archiver {

inline constexpr char kVersionsFolder[] = "versions";

// The run folder's name for a run started at time (local time, to the second).
QString versionRunName(const QDateTime &time);
// The time a run folder's name stands for; invalid for a name that is no run folder's.
QDateTime versionRunTime(const QString &name);

} // namespace archiver
