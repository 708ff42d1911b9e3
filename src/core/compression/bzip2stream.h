// The bzip2 decompression stream: a read-only stream that decodes a bzip2 source stream through
// libbz2's streaming interface, and the exceptions of the bzip2 layer.
#pragma once

#include "stream.h"

#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

class EBZip2Error : public std::runtime_error
{
public:
    explicit EBZip2Error(const QString &message);
};

// A failure reported by the library while it decodes ("error <library code>").
class EBZCompressionError : public EBZip2Error
{
public:
    using EBZip2Error::EBZip2Error;
};

// The decompression stream cannot be set up, or is used in a way it does not support.
class EBZDecompressionError : public EBZip2Error
{
public:
    using EBZip2Error::EBZip2Error;
};

class TCustomBZip2Stream : public Stream
{
public:
    static constexpr int kInputBufferSize = 65536;

    ~TCustomBZip2Stream() override;

    // Called after every step of the library; optional.
    std::function<void(TCustomBZip2Stream *sender)> OnProgress;

protected:
    // Remembers source (not owned) and its current position.
    explicit TCustomBZip2Stream(Stream &source);

    struct State;

    // The library's allocation functions (bzalloc, bzfree); opaque is the State.
    static void *allocate(void *opaque, int items, int size);
    static void release(void *opaque, void *block);

    Stream &m_source;
    qint64 m_startPosition;
    qint64 m_savedPosition; // the source's position after the last refill of the input buffer
    std::unique_ptr<State> m_state;
};

class TBZDecompressionStream : public TCustomBZip2Stream
{
public:
    // Starts decoding at the source's current position. Raises EBZDecompressionError when the
    // library cannot start.
    explicit TBZDecompressionStream(Stream &source);
    ~TBZDecompressionStream() override;

    // Decodes up to count bytes into buffer; fewer only at the end of the source. Streams that
    // follow one another are decoded one after the other, as bzip2 does. A stream that is corrupt
    // or ends before its end marker, or bytes after an end marker that do not start another
    // stream, raise EBZCompressionError.
    qint64 read(void *buffer, qint64 count) override;
    // Always raises EBZDecompressionError: the stream is read-only.
    qint64 write(const void *buffer, qint64 count) override;
    // Forward only, by decoding and discarding output; (0, Beginning) starts again from the first
    // byte. Returns the number of bytes decoded so far.
    qint64 seek(qint64 offset, SeekOrigin origin) override;

    // The end marker of the last stream decoded so far has been reached.
    bool atStreamEnd() const;

private:
    void startDecompression();
    void endDecompression();
    void continueWithNextStream();
    void checkLibraryResult(int result, bool setUp);
    qint64 totalOut() const;
    void skip(qint64 count);
};
