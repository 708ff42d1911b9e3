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

CopyOutcome compressWithOwnEncoder(int inFd, int outFd, const std::atomic<bool> &stop)
{
    std::vector<char> in(kBlock);
    std::string out;
    try {
        Bzip2Encoder encoder(9);
        for (;;) {
            if (stop.load(std::memory_order_relaxed))
                return stopped();
            const ssize_t got = readSome(inFd, in.data(), in.size());
            if (got < 0)
                return failure(FileStage::ReadSource, errno);
            if (got == 0)
                encoder.finish(out);
            else
                encoder.write(in.data(), size_t(got), out);
            if (!out.empty() && !win::WriteAll(outFd, out.data(), out.size()))
                return failure(FileStage::WriteTarget, errno);
            out.clear();
            if (got == 0)
                return CopyOutcome();
        }
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
        if (sum)
            sum->add(buffer.data(), size_t(got));
    }
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
        const int rc = BZ2_bzDecompress(&stream);
        if (rc != BZ_OK && rc != BZ_STREAM_END)
            return failure(FileStage::Compress, rc == BZ_MEM_ERROR ? ENOMEM : 0);
        const size_t produced = out.size() - stream.avail_out;
        if (produced > 0 && !win::WriteAll(outFd, out.data(), produced))
            return failure(FileStage::WriteTarget, errno);
        if (rc == BZ_STREAM_END) {
            // Another stream may follow; the end of the input after a whole stream is the end.
            if (stream.avail_in == 0 && !atEnd) {
                const ssize_t got = readSome(inFd, in.data(), in.size());
                if (got < 0)
                    return failure(FileStage::ReadSource, errno);
                atEnd = got == 0;
                stream.next_in = in.data();
                stream.avail_in = unsigned(got);
            }
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
