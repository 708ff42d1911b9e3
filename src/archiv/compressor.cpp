// Plain and bzip2 copies between open files.
#include "compressor.h"

#include "platform/posixio.h"

#include <bzlib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>

namespace archiver {

namespace {

constexpr size_t kBlock = 256 * 1024;

// Reads up to size bytes; -1 with errno on failure, 0 at the end.
ssize_t readSome(int fd, char *buffer, size_t size)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}


CopyOutcome failure(FileStage stage, int error)
{
    CopyOutcome outcome;
    outcome.result = CopyResult::Failed;
    outcome.stage = stage;
    outcome.error = error;
    return outcome;
}

CopyOutcome stopped()
{
    CopyOutcome outcome;
    outcome.result = CopyResult::Stopped;
    return outcome;
}

} // namespace

CopyOutcome copyPlain(int inFd, int outFd, const std::atomic<bool> &stop)
{
    std::vector<char> buffer(kBlock);
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return stopped();
        const ssize_t got = readSome(inFd, buffer.data(), buffer.size());
        if (got < 0)
            return failure(FileStage::ReadSource, errno);
        if (got == 0)
            return CopyOutcome();
        if (!win::WriteAll(outFd, buffer.data(), size_t(got)))
            return failure(FileStage::WriteTarget, errno);
    }
}

CopyOutcome copyCompressed(int inFd, int outFd, const std::atomic<bool> &stop)
{
    bz_stream stream;
    std::memset(&stream, 0, sizeof stream);
    const int init = BZ2_bzCompressInit(&stream, 9, 0, 0);
    if (init != BZ_OK)
        return failure(FileStage::Compress, init == BZ_MEM_ERROR ? ENOMEM : 0);
    const auto end = [](bz_stream *s) { BZ2_bzCompressEnd(s); };
    const std::unique_ptr<bz_stream, decltype(end)> guard(&stream, end);

    std::vector<char> in(kBlock);
    std::vector<char> out(kBlock);
    bool atEnd = false;
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return stopped();
        if (stream.avail_in == 0 && !atEnd) {
            const ssize_t got = readSome(inFd, in.data(), in.size());
            if (got < 0)
                return failure(FileStage::ReadSource, errno);
            atEnd = got == 0;
            stream.next_in = in.data();
            stream.avail_in = unsigned(got);
        }
        stream.next_out = out.data();
        stream.avail_out = unsigned(out.size());
        const int rc = BZ2_bzCompress(&stream, atEnd ? BZ_FINISH : BZ_RUN);
        if (rc != BZ_RUN_OK && rc != BZ_FINISH_OK && rc != BZ_STREAM_END)
            return failure(FileStage::Compress, rc == BZ_MEM_ERROR ? ENOMEM : 0);
        const size_t produced = out.size() - stream.avail_out;
        if (produced > 0 && !win::WriteAll(outFd, out.data(), produced))
            return failure(FileStage::WriteTarget, errno);
        if (rc == BZ_STREAM_END)
            return CopyOutcome();
    }
}

} // namespace archiver
