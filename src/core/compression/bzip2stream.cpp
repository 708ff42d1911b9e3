// The bzip2 decompression stream over libbz2's streaming interface.
#include "bzip2stream.h"

#include "core/archiveinfo/bzip2library.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

struct TCustomBZip2Stream::State
{
    bz_stream bz{};
    bool initialized = false;      // the library holds a decompressor that must be ended
    bool fed = false;              // the decompressor has been given input since it started
    bool ended = false;            // the end marker has been decoded
    bool allocationFailed = false; // set by allocate(), so that a library failure reads as out of memory
    qint64 earlierStreamsOut = 0;  // bytes decoded by the streams before the current one
    char input[kInputBufferSize];
};

// The library's memory comes from the program's allocator. A failure is remembered and the
// library is left to report it; throwing here would unwind through the library's frames.
void *TCustomBZip2Stream::allocate(void *opaque, int items, int size)
{
    auto *state = static_cast<State *>(opaque);
    void *block = nullptr;
    if (items >= 0 && size >= 0)
        block = std::malloc(std::max<size_t>(1, static_cast<size_t>(items) * static_cast<size_t>(size)));
    if (!block)
        state->allocationFailed = true;
    return block;
}

void TCustomBZip2Stream::release(void *, void *block)
{
    std::free(block);
}

namespace {

QString errorText(int code)
{
    return QStringLiteral("error %1").arg(code);
}

[[noreturn]] void raiseInvalidOperation()
{
    throw EBZDecompressionError(QStringLiteral("Invalid stream operation"));
}

} // namespace

// The library's hook for an internal consistency failure. Builds without stdio call
// bz_internal_error; this system's libbz2 calls BZ2_bz__AssertH__fail, which would otherwise
// print a line and end the whole program. Both raise instead, so the caller sees a failure.
extern "C" [[noreturn]] void bz_internal_error(int errcode)
{
    throw EBZip2Error(QStringLiteral("Compression Error %1").arg(errcode));
}

extern "C" [[noreturn]] void BZ2_bz__AssertH__fail(int errcode)
{
    bz_internal_error(errcode);
}

EBZip2Error::EBZip2Error(const QString &message) : std::runtime_error(message.toStdString()) {}

TCustomBZip2Stream::TCustomBZip2Stream(Stream &source)
    : m_source(source), m_startPosition(source.position()), m_savedPosition(m_startPosition),
      m_state(std::make_unique<State>())
{
    m_state->bz.bzalloc = allocate;
    m_state->bz.bzfree = release;
    m_state->bz.opaque = m_state.get();
    m_state->bz.next_in = m_state->input;
    m_state->bz.avail_in = 0;
}

TCustomBZip2Stream::~TCustomBZip2Stream() = default;

TBZDecompressionStream::TBZDecompressionStream(Stream &source) : TCustomBZip2Stream(source)
{
    // An archive may come from a disk someone else had in hand: a library that decodes damaged
    // streams out of bounds is not given one.
    const QString libraryProblem = archiver::bzip2LibraryProblem();
    if (!libraryProblem.isEmpty())
        throw EBZDecompressionError(libraryProblem);
    startDecompression();
}

TBZDecompressionStream::~TBZDecompressionStream()
{
    if (m_state->initialized)
        BZ2_bzDecompressEnd(&m_state->bz);
}

void TBZDecompressionStream::startDecompression()
{
    State &s = *m_state;
    checkLibraryResult(BZ2_bzDecompressInit(&s.bz, 0, 0), true);
    s.initialized = true;
    s.fed = false;
    s.ended = false;
    s.earlierStreamsOut = 0;
    s.bz.next_in = s.input;
    s.bz.avail_in = 0;
}

void TBZDecompressionStream::continueWithNextStream()
{
    State &s = *m_state;
    s.earlierStreamsOut = totalOut();
    char *nextIn = s.bz.next_in;
    const unsigned availIn = s.bz.avail_in;
    s.initialized = false;
    BZ2_bzDecompressEnd(&s.bz);
    checkLibraryResult(BZ2_bzDecompressInit(&s.bz, 0, 0), true);
    s.initialized = true;
    s.ended = false;
    s.bz.next_in = nextIn;
    s.bz.avail_in = availIn;
}

void TBZDecompressionStream::endDecompression()
{
    m_state->initialized = false;
    checkLibraryResult(BZ2_bzDecompressEnd(&m_state->bz), true);
}

void TBZDecompressionStream::checkLibraryResult(int result, bool setUp)
{
    if (result >= 0)
        return;
    if (m_state->allocationFailed) {
        m_state->allocationFailed = false;
        throw std::bad_alloc();
    }
    if (setUp)
        throw EBZDecompressionError(errorText(result));
    throw EBZCompressionError(errorText(result));
}

qint64 TBZDecompressionStream::totalOut() const
{
    return m_state->earlierStreamsOut +
           static_cast<qint64>((static_cast<quint64>(m_state->bz.total_out_hi32) << 32) |
                               m_state->bz.total_out_lo32);
}

bool TBZDecompressionStream::atStreamEnd() const
{
    return m_state->ended;
}

qint64 TBZDecompressionStream::read(void *buffer, qint64 count)
{
    State &s = *m_state;
    if (count <= 0)
        return 0;
    char *out = static_cast<char *>(buffer);
    qint64 room = count;
    // Someone else may have moved the source since the last refill.
    if (m_source.position() != m_savedPosition)
        m_source.setPosition(m_savedPosition);
    while (room > 0) {
        bool sourceExhausted = false;
        if (s.bz.avail_in == 0) {
            const qint64 n = m_source.read(s.input, kInputBufferSize);
            if (n > 0) {
                s.bz.next_in = s.input;
                s.bz.avail_in = static_cast<unsigned>(n);
                s.fed = true;
                m_savedPosition = m_source.position();
            } else {
                sourceExhausted = true;
            }
        }
        if (s.ended) {
            if (sourceExhausted)
                return count - room;
            // Bytes after an end marker: another stream, as bzip2 writes for concatenated input
            // and parallel compressors write always. Anything else there fails the next step.
            continueWithNextStream();
        }
        if (sourceExhausted && !s.fed)
            return count - room; // an empty source decodes to nothing

        const unsigned roomNow = static_cast<unsigned>(std::min<qint64>(room, UINT_MAX));
        const unsigned inBefore = s.bz.avail_in;
        s.bz.next_out = out;
        s.bz.avail_out = roomNow;
        const int result = BZ2_bzDecompress(&s.bz);
        const unsigned produced = roomNow - s.bz.avail_out;
        out += produced;
        room -= produced;
        checkLibraryResult(result, false);
        if (result == BZ_STREAM_END)
            s.ended = true;
        if (OnProgress)
            OnProgress(this);
        // A step that neither took input nor gave output would be repeated for ever: with no
        // input left the stream was cut short, otherwise the library is stuck on bad data.
        if (!s.ended && produced == 0 && s.bz.avail_in == inBefore)
            throw EBZCompressionError(errorText(sourceExhausted ? BZ_UNEXPECTED_EOF : BZ_DATA_ERROR));
    }
    return count;
}

qint64 TBZDecompressionStream::write(const void *, qint64)
{
    raiseInvalidOperation();
}

qint64 TBZDecompressionStream::seek(qint64 offset, SeekOrigin origin)
{
    if (origin == SeekOrigin::Beginning && offset == 0) {
        endDecompression();
        startDecompression();
        // Back to where the stream began, which need not be the start of the source.
        m_source.setPosition(m_startPosition);
        m_savedPosition = m_startPosition;
    } else if (origin == SeekOrigin::Current && offset >= 0) {
        skip(offset);
    } else if (origin == SeekOrigin::Beginning && offset > totalOut()) {
        skip(offset - totalOut());
    } else {
        raiseInvalidOperation();
    }
    return totalOut();
}

void TBZDecompressionStream::skip(qint64 count)
{
    constexpr qint64 kScratchSize = 4096;
    char scratch[kScratchSize];
    for (qint64 i = count / kScratchSize; i > 0; --i)
        readBuffer(scratch, kScratchSize);
    readBuffer(scratch, count % kScratchSize);
}
