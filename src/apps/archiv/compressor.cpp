// Plain and bzip2 copies between open files.
#include "compressor.h"

#include "core/archiveinfo/checksumrecord.h"
#include "core/compression/bzip2encoder.h"
#include "core/platform/posixio.h"

#include <QtGlobal>

#include <bzlib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
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

// Hands the stream the source's next block once it has taken the last; false, with errno set,
// when the read fails. atEnd tells that the source has no more.
bool refill(int inFd, bz_stream &stream, std::vector<char> &in, bool &atEnd)
{
    if (stream.avail_in != 0 || atEnd)
        return true;
    const ssize_t got = readSome(inFd, in.data(), in.size());
    if (got < 0)
        return false;
    atEnd = got == 0;
    stream.next_in = in.data();
    stream.avail_in = unsigned(got);
    return true;
}

// Reads the source block by block and hands each block to take, then an empty block at its end;
// the copy stops between blocks when asked. take returns a failure to end the copy with, or
// nothing to go on.
template <typename Take> CopyOutcome readBlocks(int inFd, const std::atomic<bool> &stop, Take take)
{
    // One buffer per thread for all its files: a fresh one would be cleared for every small file.
    thread_local std::vector<char> buffer(kBlock);
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return stopped();
        const ssize_t got = readSome(inFd, buffer.data(), buffer.size());
        if (got < 0)
            return failure(FileStage::ReadSource, errno);
        if (std::optional<CopyOutcome> failed = take(buffer.data(), size_t(got)))
            return *failed;
        if (got == 0)
            return CopyOutcome();
    }
}

CopyOutcome compressWithLibbz2(int inFd, int outFd, const std::atomic<bool> &stop)
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
        if (!refill(inFd, stream, in, atEnd))
            return failure(FileStage::ReadSource, errno);
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

CopyOutcome compressWithOwnEncoder(int inFd, int outFd, const std::atomic<bool> &stop)
{
    std::string out;
    try {
        Bzip2Encoder encoder(9);
        return readBlocks(inFd, stop, [&](const char *data, size_t size) -> std::optional<CopyOutcome> {
            if (size == 0)
                encoder.finish(out);
            else
                encoder.write(data, size, out);
            if (!out.empty() && !win::WriteAll(outFd, out.data(), out.size()))
                return failure(FileStage::WriteTarget, errno);
            out.clear();
            return std::nullopt;
        });
    } catch (const std::bad_alloc &) {
        return failure(FileStage::Compress, ENOMEM);
    }
}

} // namespace

Bzip2Encoding configuredBzip2Encoding()
{
    static const Bzip2Encoding encoding =
        qgetenv("ARCHIV_BZIP2_ENCODER") == "libbz2" ? Bzip2Encoding::Libbz2 : kDefaultBzip2Encoding;
    return encoding;
}

CopyOutcome copyCompressed(int inFd, int outFd, const std::atomic<bool> &stop, Bzip2Encoding encoding)
{
    return encoding == Bzip2Encoding::Own ? compressWithOwnEncoder(inFd, outFd, stop)
                                          : compressWithLibbz2(inFd, outFd, stop);
}

CopyOutcome copyPlain(int inFd, int outFd, const std::atomic<bool> &stop, StreamChecksum *sum)
{
    return readBlocks(inFd, stop, [&](const char *data, size_t size) -> std::optional<CopyOutcome> {
        if (size > 0 && !win::WriteAll(outFd, data, size))
            return failure(FileStage::WriteTarget, errno);
        if (sum && size > 0)
            sum->add(data, size);
        return std::nullopt;
    });
}

CopyOutcome copyDecompressed(int inFd, int outFd, const std::atomic<bool> &stop)
{
    bz_stream stream;
    std::memset(&stream, 0, sizeof stream);
    const auto end = [](bz_stream *s) { BZ2_bzDecompressEnd(s); };
    std::unique_ptr<bz_stream, decltype(end)> guard(nullptr, end);
    const auto begin = [&]() -> int {
        guard.reset();
        const char *nextIn = stream.next_in;
        const unsigned availIn = stream.avail_in;
        std::memset(&stream, 0, sizeof stream);
        const int rc = BZ2_bzDecompressInit(&stream, 0, 0);
        stream.next_in = const_cast<char *>(nextIn);
        stream.avail_in = availIn;
        if (rc == BZ_OK)
            guard.reset(&stream);
        return rc;
    };
    const int init = begin();
    if (init != BZ_OK)
        return failure(FileStage::Compress, init == BZ_MEM_ERROR ? ENOMEM : 0);

    std::vector<char> in(kBlock);
    std::vector<char> out(kBlock);
    bool atEnd = false;
    for (;;) {
        if (stop.load(std::memory_order_relaxed))
            return stopped();
        if (!refill(inFd, stream, in, atEnd))
            return failure(FileStage::ReadSource, errno);
        stream.next_out = out.data();
        stream.avail_out = unsigned(out.size());
        const int rc = BZ2_bzDecompress(&stream);
        if (rc != BZ_OK && rc != BZ_STREAM_END)
            return failure(FileStage::Compress, rc == BZ_MEM_ERROR ? ENOMEM : 0);
        const size_t produced = out.size() - stream.avail_out;
        if (produced > 0 && !win::WriteAll(outFd, out.data(), produced))
            return failure(FileStage::WriteTarget, errno);
        if (rc == BZ_STREAM_END) {
            // Another stream may follow; the end of the input after a whole stream is the end.
            if (!refill(inFd, stream, in, atEnd))
                return failure(FileStage::ReadSource, errno);
            if (stream.avail_in == 0 && atEnd)
                return CopyOutcome();
            const int again = begin();
            if (again != BZ_OK)
                return failure(FileStage::Compress, again == BZ_MEM_ERROR ? ENOMEM : 0);
            continue;
        }
        // All input taken and nothing more coming out: the stream was cut off before its end.
        if (atEnd && stream.avail_in == 0 && produced == 0)
            return failure(FileStage::Compress, 0);
    }
}

} // namespace archiver
