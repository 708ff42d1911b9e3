// DecompressFile: turns one bzip2 file of a compressed archive back into the file it was made from.
#pragma once

#include <QString>

// The results of DecompressFile; the restore shows a keyed text for each failure.
enum DecompressFileResult : int {
    DecompressOk = 0,
    DecompressOutOfMemory = -1,
    DecompressLibraryError = -2,  // the library reported an error, or its internal-error hook fired
    DecompressStreamMisused = -3, // the decompression stream could not be set up or was misused
    DecompressCannotCreateTarget = -4,
    DecompressCannotOpenSource = -5,
    DecompressStreamFailure = -6, // any other stream failure
    DecompressReadFailure = -7,
    DecompressWriteFailure = -8,
    DecompressOtherFailure = -9,
    DecompressSourceMissing = -10, // no source, or not a regular file
    DecompressDiskFull = -11,      // the target's disk is full, or would be too full to write on
};

// Decompresses the bzip2 file source into target (both Windows paths). The output goes to a
// temporary file beside target, which replaces target only when everything has succeeded; after
// a failure target is as it was and the temporary file is gone. Several bzip2 streams one after
// another decode as one file, as bzip2 itself reads them; a source of zero bytes is damaged (-2).
// Returns a DecompressFileResult.
int DecompressFile(const QString &source, const QString &target);
