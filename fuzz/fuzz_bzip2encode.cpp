// Fuzz target: the bzip2 encoder, whose streams libbz2 must decode back to the input. The input is
// a small program that expands to up to 2 MB (literal bytes, runs of a byte, repeats of what came
// before, stretches of noise), so that long runs, periodic blocks and block ends are reached.
#include "core/compression/bzip2encoder.h"

#include <bzlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t kMaxExpanded = 2 << 20;

// Reads the program one byte at a time; zeros once it is used up.
class Program
{
public:
    Program(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_at >= m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    size_t word() { return size_t(byte()) | size_t(byte()) << 8; }
    size_t length(unsigned scale) { return (size_t(byte()) + 1) << (4 * scale); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Each step: a code byte whose low two bits choose what follows and whose next two bits scale
// a length byte: 1-256 bytes, 16-4096 or 256-65536 (runs, cheap to encode, also 4096-1048576), so
// most inputs stay small and fast while a few steps still reach several blocks.
std::string expand(Program &program)
{
    std::string out;
    while (!program.atEnd() && out.size() < kMaxExpanded) {
        const uint8_t code = program.byte();
        const unsigned scale = (code >> 2) & 3;
        const unsigned copyScale = std::min(scale, 2u);
        size_t length = 0;
        switch (code & 3) {
        case 0: // literal bytes
            length = code >> 4;
            for (size_t i = 0; i <= length; ++i)
                out.push_back(char(program.byte()));
            break;
        case 1: { // a run of one byte
            const char byte = char(program.byte());
            length = std::min(program.length(scale), kMaxExpanded - out.size());
            out.append(length, byte);
            break;
        }
        case 2: { // a repeat of what came before, overlapping allowed
            const size_t distance = program.word() + 1;
            length = std::min(program.length(copyScale), kMaxExpanded - out.size());
            if (distance > out.size())
                break;
            for (size_t i = 0; i < length; ++i)
                out.push_back(out[out.size() - distance]);
            break;
        }
        default: { // noise that does not compress
            uint32_t state = program.byte() * 2654435761u + 1;
            length = std::min(program.length(copyScale), kMaxExpanded - out.size());
            for (size_t i = 0; i < length; ++i) {
                state = state * 1664525u + 1013904223u;
                out.push_back(char(state >> 24));
            }
            break;
        }
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Program program(data, size);
    // The first byte: the level (1 mostly, for block ends within reach) and the size of the pieces.
    const uint8_t head = program.byte();
    const int level = (head & 0x80) ? 1 + head % 9 : 1;
    const size_t piece = 1 + size_t(head & 0x7f) * 4099;
    const std::string input = expand(program);

    Bzip2Encoder encoder(level);
    std::string stream;
    for (size_t at = 0; at < input.size(); at += piece)
        encoder.write(input.data() + at, std::min(piece, input.size() - at), stream);
    encoder.finish(stream);

    std::vector<char> back(input.size() + 1);
    unsigned length = unsigned(back.size());
    const int rc =
        BZ2_bzBuffToBuffDecompress(back.data(), &length, stream.data(), unsigned(stream.size()), 0, 0);
    if (rc != BZ_OK || length != input.size() || !std::equal(input.begin(), input.end(), back.begin())) {
        std::fprintf(stderr, "round trip failed: libbz2 %d, %u of %zu bytes back\n", rc, length,
                     input.size());
        std::abort();
    }
    return 0;
}
