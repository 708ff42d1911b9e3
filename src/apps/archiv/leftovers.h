// Sweeping an archive root for the temporary files that a run killed before its renames left.
#pragma once

namespace archiver {

// Removes, below the folder open in rootFd, every regular file of this user whose name only a
// temporary file of a run has. Folders are entered without following links. Returns how many
// files went.
int removeLeftovers(int rootFd);

} // namespace archiver
