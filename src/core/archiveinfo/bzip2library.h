// The bzip2 library the programs run with: versions before 1.0.8 decode some damaged streams
// with writes out of bounds, and archives may come from a disk someone else had in hand.
#pragma once

#include <QString>

namespace archiver {

// True when the version text the library reports ("1.0.8, 13-Jul-2019") is at least
// major.minor.patch; false for a text that does not start with a version.
bool bzip2VersionAtLeast(const char *versionText, int major, int minor, int patch);

// Empty when the library in use is safe to decode with; otherwise the sentence that says why not.
QString bzip2LibraryProblem();

} // namespace archiver
