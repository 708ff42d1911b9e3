// Emptying an archive: every file below the archive root goes, and the folders left empty with
// them; the root itself stays. Links inside the root are removed as links, never followed, so
// nothing outside the root is touched.
#pragma once

namespace archiver {

struct EmptyResult
{
    int removedFiles = 0;
    int failures = 0;
};

// Empties the folder open in rootFd (which stays open).
EmptyResult emptyFolder(int rootFd);

} // namespace archiver
