// RestoreLog: what each restore gave back, file by file, appended to restore.log in the prefix's
// log folder, so that a user can see afterwards what came back and what did not (see LogFile). A
// log that cannot be opened, or no folder, is skipped quietly: it never stops a restore.
#pragma once

#include "core/platform/logfile.h"

class RestoreLog : public win::LogFile
{
public:
    explicit RestoreLog(const QString &folder) : LogFile(folder, QStringLiteral("restore.log")) {}
};
