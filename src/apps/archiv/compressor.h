// Copying one open file into another, plain or as a bzip2 stream, in large blocks, giving up
// between blocks when asked to stop.
#pragma once

#include "core/archiveinfo/archivestate.h"

#include <atomic>

namespace archiver {

class StreamChecksum;

enum class CopyResult {
    Done,
    Stopped, // the stop flag was raised; the output is incomplete
    Failed,  // stage and error say what went wrong
};

struct CopyOutcome
{
    CopyResult result = CopyResult::Done;
    FileStage stage = FileStage::ReadSource;
    int error = 0;
};

// Copies the rest of inFd to outFd as it is; with sum, the bytes written are added to it on the way.
CopyOutcome copyPlain(int inFd, int outFd, const std::atomic<bool> &stop, StreamChecksum *sum = nullptr);
// Compresses the rest of inFd into outFd as one bzip2 stream (block size 900k, the level the
// bzip2 program uses by default).
CopyOutcome copyCompressed(int inFd, int outFd, const std::atomic<bool> &stop);
// Decompresses the rest of inFd, one or more bzip2 streams one after another (as the bzip2
// program accepts them), into outFd. A damaged or cut-off stream fails at the Compress stage.
CopyOutcome copyDecompressed(int inFd, int outFd, const std::atomic<bool> &stop);

} // namespace archiver
