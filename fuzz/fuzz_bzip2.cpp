// Fuzz target: the bzip2 decompression stream over arbitrary source bytes, read in steps of
// varying size, with a forward seek and a restart from the beginning.
#include "fuzzsupport.h"

#include "core/compression/bzip2stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A read-only stream over bytes in memory.
class BytesStream : public Stream
{
public:
    BytesStream(const uint8_t *data, size_t size) : m_data(data), m_size(qint64(size)) {}
    qint64 read(void *buffer, qint64 count) override
    {
        const qint64 n = std::clamp<qint64>(m_size - m_position, 0, count);
        if (n > 0)
            std::memcpy(buffer, m_data + m_position, size_t(n));
        m_position += n;
        return n;
    }
    qint64 write(const void *, qint64) override { throw WriteError(); }
    qint64 seek(qint64 offset, SeekOrigin origin) override
    {
        const qint64 base = origin == SeekOrigin::Beginning ? 0
                            : origin == SeekOrigin::Current ? m_position
                                                            : m_size;
        m_position = base + offset;
        return m_position;
    }

private:
    const uint8_t *m_data;
    qint64 m_size;
    qint64 m_position = 0;
};

// Far above what a small input holds honestly, far below what would run the process out of memory.
constexpr qint64 kOutputCap = 64 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BytesStream source(data, size);
    std::vector<char> buffer(70000);
    try {
        TBZDecompressionStream stream(source);
        // The step sizes come from the input's length, so they vary without eating its bytes.
        const qint64 step = 1 + qint64(size * 7919 % buffer.size());
        qint64 total = 0;
        for (;;) {
            const qint64 n = stream.read(buffer.data(), step);
            if (n < 0 || n > step)
                std::abort();
            total += n;
            if (n < step || total > kOutputCap)
                break;
        }
        if (total <= kOutputCap) {
            stream.seek(0, Stream::SeekOrigin::Beginning);
            stream.seek(total / 2, Stream::SeekOrigin::Beginning);
            if (stream.read(buffer.data(), 1) != (total / 2 < total ? 1 : 0))
                std::abort(); // the same bytes decode the same way the second time
        }
    } catch (const EBZip2Error &) {
    } catch (const StreamError &) {
    }
    return 0;
}
