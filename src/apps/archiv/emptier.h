// Emptying an archive: every file below the archive root goes, and the folders left empty with
// them; the root itself stays. Links inside the root are removed as links, never followed, so
// nothing outside the root is touched. Automatic emptying leaves the versions area, whose earlier
// versions age out by their own limit.
#pragma once

namespace archiver {

struct EmptyResult
{
    int removedFiles = 0;
    int failures = 0;
};

// Empties the folder open in rootFd (which stays open); with keepVersions, apart from its top-level
// versions folder.
EmptyResult emptyFolder(int rootFd, bool keepVersions = false);

} // namespace archiver
