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
// The bzip2 encoders a compressed copy can be written with: our own (Bzip2Encoder) or libbz2's.
enum class Bzip2Encoding { Own, Libbz2 };

// The encoder used unless the environment asks for another; this line alone decides the default.
constexpr Bzip2Encoding kDefaultBzip2Encoding = Bzip2Encoding::Own;

// kDefaultBzip2Encoding, or libbz2's when the environment variable ARCHIV_BZIP2_ENCODER is
// "libbz2"; read once, on the first call.
Bzip2Encoding configuredBzip2Encoding();

// Compresses the rest of inFd into outFd as one bzip2 stream (block size 900k, the level the
// bzip2 program uses by default) with the given encoder.
CopyOutcome copyCompressed(int inFd, int outFd, const std::atomic<bool> &stop,
                           Bzip2Encoding encoding = configuredBzip2Encoding());
// Decompresses the rest of inFd, one or more bzip2 streams one after another (as the bzip2
// program accepts them), into outFd. A damaged or cut-off stream fails at the Compress stage.
CopyOutcome copyDecompressed(int inFd, int outFd, const std::atomic<bool> &stop);

} // namespace archiver
