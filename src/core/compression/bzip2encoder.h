// The bzip2 encoder: turns bytes written to it into one bzip2 stream, a block at a time, with the
// block sort done by libdivsufsort.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Bzip2Encoder
{
public:
    // Blocks of level * 100,000 bytes (1..9; values outside are clamped), as "bzip2 -<level>".
    explicit Bzip2Encoder(int level = 9);
    ~Bzip2Encoder();
    Bzip2Encoder(const Bzip2Encoder &) = delete;
    Bzip2Encoder &operator=(const Bzip2Encoder &) = delete;

    // Takes size bytes; every block that fills on the way is encoded and appended to out, so at
    // most one block of input is held. Throws std::bad_alloc when memory runs out.
    void write(const char *data, size_t size, std::string &out);
    // Encodes what is left, then appends the end-of-stream marker and the stream's checksum,
    // padded to a whole byte. The encoder takes nothing more afterwards (std::logic_error).
    void finish(std::string &out);

private:
    void addRun(std::string &out);
    void encodeBlock(std::string &out);
    uint32_t sortBlock();
    void moveToFront();
    void writeCoded();

    void putBits(unsigned count, uint32_t value)
    {
        m_bits = (m_bits << count) | value;
        m_bitCount += count;
        if (m_bitCount >= 32) {
            m_bitCount -= 32;
            const uint32_t word = uint32_t(m_bits >> m_bitCount);
            m_cursor[0] = uint8_t(word >> 24);
            m_cursor[1] = uint8_t(word >> 16);
            m_cursor[2] = uint8_t(word >> 8);
            m_cursor[3] = uint8_t(word);
            m_cursor += 4;
        }
    }
    void flushBits(std::string &out, bool pad);

    // Items allocated at the size first asked for and never cleared, so that only the pages a
    // block touches are mapped: a small file costs little however large its blocks could be.
    template <typename T> class WorkArea
    {
    public:
        T *reserve(size_t size)
        {
            if (size > m_size) {
                m_items.reset(new T[size]);
                m_size = size;
            }
            return m_items.get();
        }
        T *data() const { return m_items.get(); }

    private:
        std::unique_ptr<T[]> m_items;
        size_t m_size = 0;
    };

    int m_level;
    size_t m_blockLimit; // the run-length coded bytes one block may hold
    WorkArea<uint8_t> m_block;
    size_t m_blockSize = 0;
    bool m_used[256] = {};
    uint32_t m_blockCrc = 0xffffffffu;
    uint32_t m_streamCrc = 0;
    int m_runByte = -1;
    int m_runLength = 0;
    bool m_started = false;
    bool m_finished = false;

    // Work areas of one block, kept for the next one.
    WorkArea<uint8_t> m_twice; // the block twice over, so every rotation is one stretch
    WorkArea<int32_t> m_rows;
    WorkArea<uint8_t> m_last;
    WorkArea<uint16_t> m_symbols;
    WorkArea<uint8_t> m_selectors;
    size_t m_symbolCount = 0;
    uint32_t m_frequency[258] = {};
    int m_usedCount = 0;

    // Bit output: whole 32-bit words go to m_output, the rest waits in m_bits.
    WorkArea<uint8_t> m_output;
    uint8_t *m_cursor = nullptr;
    uint64_t m_bits = 0;
    unsigned m_bitCount = 0;
};
