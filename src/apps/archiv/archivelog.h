// The Archiver's log, archiv.log in the prefix's log folder (see LogFile).
#pragma once

#include "core/platform/logfile.h"

namespace archiver {

class ArchiveLog : public win::LogFile
{
public:
    explicit ArchiveLog(const QString &folder) : LogFile(folder, QStringLiteral("archiv.log")) {}
};

} // namespace archiver
