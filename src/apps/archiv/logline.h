// Where the Archiver's desktop parts send a line for the log (the Archiver's log, or a test's list).
#pragma once

#include <QString>

#include <functional>

namespace archiver {

using LogLine = std::function<void(const QString &)>;

} // namespace archiver
