// The bzip2 encoder: run-length step, rotation sort, move-to-front with zero-run coding, and the
// Huffman coding over groups of 50 symbols with up to six tables.
#include "bzip2encoder.h"

#include <divsufsort.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

constexpr int kGroupSize = 50;
constexpr int kMaxTables = 6;
constexpr int kMaxCodeLength = 17;
constexpr int kRefinePasses = 2;

constexpr std::array<uint32_t, 256> makeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04c11db7u : c << 1;
        table[i] = c;
    }
    return table;
}

// bzip2's checksum: CRC-32 with the polynomial 0x04c11db7, fed most significant bit first.
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

inline uint32_t crcByte(uint32_t crc, uint8_t byte)
{
    return (crc << 8) ^ kCrcTable[(crc >> 24) ^ byte];
}

// The start of the least rotation of the n bytes at s, which are followed by the same n bytes
// again: two candidates are compared as far as they agree, and the larger one moves past the
// compared stretch, none of whose starts can be least. Neither candidate ever passes a least
// start, so two equal rotations (k reaching n) are found exactly when the bytes are u repeated
// (each start of u in them is least); *repeated tells. A least rotation begins with the smallest
// byte, so a candidate that moves goes on to the next start holding that byte: in text, whose
// smallest byte is mostly the line end, few starts are compared at all. O(n).
size_t leastRotation(const uint8_t *s, size_t n, bool *repeated)
{
    *repeated = false;
    const uint8_t smallest = *std::min_element(s, s + n);
    // The first start at or after from that holds the smallest byte, or n if there is none.
    const auto candidate = [&](size_t from) {
        if (from >= n)
            return n;
        const void *at = std::memchr(s + from, smallest, n - from);
        return at ? size_t(static_cast<const uint8_t *>(at) - s) : n;
    };
    size_t i = candidate(0), j = candidate(i + 1), k = 0;
    while (j < n) {
        while (k < n && s[i + k] == s[j + k])
            ++k;
        if (k == n) {
            *repeated = true;
            break;
        }
        if (s[i + k] > s[j + k])
            i = candidate(i + k + 1);
        else
            j = candidate(j + k + 1);
        if (i == j)
            j = candidate(j + 1);
        k = 0;
        if (i >= n)
            break;
    }
    return std::min(i, j);
}

// The length of the shortest u with s = u repeated (n if s is primitive); work holds n entries.
size_t primitivePeriod(const uint8_t *s, size_t n, int32_t *work)
{
    work[0] = 0;
    for (size_t q = 1; q < n; ++q) {
        int32_t k = work[q - 1];
        while (k > 0 && s[q] != s[size_t(k)])
            k = work[k - 1];
        if (s[q] == s[size_t(k)])
            ++k;
        work[q] = k;
    }
    const size_t period = n - size_t(work[n - 1]);
    return n % period == 0 ? period : n;
}

// The position of wanted in order (where it is, among the first 256 bytes). Most positions are
// small: the first eight bytes are compared at once, where a zero byte of word ^ pattern marks
// it (the lowest byte the zero-byte test flags is exact, as a borrow only runs upwards from a zero
// byte); further ones are left to memchr.
inline size_t findInOrder(const uint8_t *order, uint8_t wanted)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t ones = 0x0101010101010101ull;
        uint64_t word;
        std::memcpy(&word, order, 8);
        const uint64_t x = word ^ (ones * wanted);
        const uint64_t zero = (x - ones) & ~x & (ones << 7);
        if (zero)
            return size_t(std::countr_zero(zero)) / 8;
    }
    return size_t(static_cast<const uint8_t *>(std::memchr(order, wanted, 256)) - order);
}

// Moves order[0, count) up by one byte: short moves in place, long ones by memmove.
inline void shiftUp(uint8_t *order, size_t count)
{
    if (count > 16) {
        std::memmove(order + 1, order, count);
        return;
    }
    for (; count > 0; --count)
        order[count] = order[count - 1];
}

// Huffman code lengths for count symbols with these frequencies (a zero counts as one, as every
// symbol of the alphabet needs a code), none longer than maxLength: frequencies are halved until
// the tree is shallow enough.
void buildLengths(const uint32_t *frequency, int count, uint8_t *lengths, int maxLength)
{
    std::array<uint32_t, 258> weight{};
    for (int s = 0; s < count; ++s)
        weight[size_t(s)] = std::max<uint32_t>(frequency[s], 1);
    std::array<int, 258> order{};
    std::array<uint64_t, 2 * 258> nodeWeight{};
    std::array<int, 2 * 258> parent{};
    std::array<int, 2 * 258> depth{};
    for (;;) {
        for (int s = 0; s < count; ++s)
            order[size_t(s)] = s;
        std::sort(order.begin(), order.begin() + count, [&](int a, int b) {
            return weight[size_t(a)] != weight[size_t(b)] ? weight[size_t(a)] < weight[size_t(b)] : a < b;
        });
        for (int s = 0; s < count; ++s)
            nodeWeight[size_t(s)] = weight[size_t(s)];
        // Two queues: the sorted leaves, and the internal nodes, made in increasing weight.
        int leaf = 0, inner = count, made = count;
        const auto take = [&]() {
            if (leaf < count &&
                (inner == made || nodeWeight[size_t(order[size_t(leaf)])] <= nodeWeight[size_t(inner)]))
                return order[size_t(leaf++)];
            return inner++;
        };
        while (made < 2 * count - 1) {
            const int a = take();
            const int b = take();
            nodeWeight[size_t(made)] = nodeWeight[size_t(a)] + nodeWeight[size_t(b)];
            parent[size_t(a)] = made;
            parent[size_t(b)] = made;
            ++made;
        }
        const int root = made - 1;
        depth[size_t(root)] = 0;
        for (int node = root - 1; node >= count; --node)
            depth[size_t(node)] = depth[size_t(parent[size_t(node)])] + 1;
        int deepest = 0;
        for (int s = 0; s < count; ++s) {
            depth[size_t(s)] = depth[size_t(parent[size_t(s)])] + 1;
            deepest = std::max(deepest, depth[size_t(s)]);
        }
        if (deepest <= maxLength) {
            for (int s = 0; s < count; ++s)
                lengths[s] = uint8_t(depth[size_t(s)]);
            return;
        }
        for (int s = 0; s < count; ++s)
            weight[size_t(s)] = (weight[size_t(s)] >> 1) + 1;
    }
}

} // namespace

Bzip2Encoder::Bzip2Encoder(int level)
    : m_level(std::clamp(level, 1, 9)), m_blockLimit(size_t(m_level) * 100000 - 19)
{
    m_block.reserve(m_blockLimit);
}

Bzip2Encoder::~Bzip2Encoder() = default;

void Bzip2Encoder::write(const char *data, size_t size, std::string &out)
{
    if (m_finished)
        throw std::logic_error("bzip2 encoder written after finish");
    const auto *in = reinterpret_cast<const uint8_t *>(data);
    const uint8_t *end = in + size;
    // A single byte, the common case, is stored here; longer runs and a full block go through
    // addRun. The state lives in locals meanwhile, as stores into the block could alias members.
    int runByte = m_runByte;
    int runLength = m_runLength;
    uint8_t *block = m_block.data();
    size_t blockSize = m_blockSize;
    uint32_t crc = m_blockCrc;
    while (in < end) {
        const uint8_t byte = *in++;
        if (byte == runByte && runLength < 255) {
            ++runLength;
            continue;
        }
        if (runLength == 1 && blockSize < m_blockLimit) {
            block[blockSize++] = uint8_t(runByte);
            m_used[runByte] = true;
            crc = crcByte(crc, uint8_t(runByte));
        } else if (runLength > 0) {
            m_blockSize = blockSize;
            m_blockCrc = crc;
            m_runByte = runByte;
            m_runLength = runLength;
            addRun(out);
            blockSize = m_blockSize;
            crc = m_blockCrc;
        }
        runByte = byte;
        runLength = 1;
    }
    m_blockSize = blockSize;
    m_blockCrc = crc;
    m_runByte = runByte;
    m_runLength = runLength;
}

void Bzip2Encoder::finish(std::string &out)
{
    if (m_finished)
        throw std::logic_error("bzip2 encoder finished twice");
    if (m_runLength > 0)
        addRun(out);
    m_runLength = 0;
    if (m_blockSize > 0)
        encodeBlock(out);
    if (!m_started) {
        out.append("BZh");
        out.push_back(char('0' + m_level));
        m_started = true;
    }
    m_cursor = m_output.reserve(16);
    putBits(24, 0x177245);
    putBits(24, 0x385090);
    putBits(32, m_streamCrc);
    flushBits(out, true);
    m_finished = true;
}

// A run of 1..3 bytes is kept as it is; 4..255 become four bytes and a count of the rest. A run
// goes whole into one block: when it does not fit, the block is encoded first.
void Bzip2Encoder::addRun(std::string &out)
{
    const size_t coded = m_runLength < 4 ? size_t(m_runLength) : 5;
    if (m_blockSize + coded > m_blockLimit)
        encodeBlock(out);
    const auto byte = uint8_t(m_runByte);
    uint8_t *to = m_block.data() + m_blockSize;
    m_used[byte] = true;
    uint32_t crc = m_blockCrc;
    for (int i = 0; i < m_runLength; ++i)
        crc = crcByte(crc, byte);
    m_blockCrc = crc;
    if (m_runLength < 4) {
        for (int i = 0; i < m_runLength; ++i)
            to[i] = byte;
    } else {
        to[0] = to[1] = to[2] = to[3] = byte;
        to[4] = uint8_t(m_runLength - 4);
        m_used[to[4]] = true;
    }
    m_blockSize += coded;
}

// Sorts the rotations of the block and fills m_last with the byte before each sorted rotation;
// returns the row of the block itself. The block is first turned to its least rotation. When
// that is u repeated k times with u primitive, u is a Lyndon word, for which the order of the
// suffixes is the order of the rotations, so its suffix array gives the rotation order of u; each
// rotation of u stands for k equal rows of the block.
uint32_t Bzip2Encoder::sortBlock()
{
    const size_t n = m_blockSize;
    // The block twice over after its last byte, so that every rotation is one stretch and the
    // byte before the rotated block (its cyclic predecessor) is rotated[-1].
    uint8_t *twice = m_twice.data();
    twice[0] = m_block.data()[n - 1];
    std::memcpy(twice + 1, m_block.data(), n);
    std::memcpy(twice + 1 + n, m_block.data(), n);
    bool repeated = false;
    const size_t start = leastRotation(twice + 1, n, &repeated);
    const uint8_t *rotated = twice + 1 + start;

    int32_t *rows = m_rows.data();
    const size_t period = repeated ? primitivePeriod(rotated, n, rows) : n;
    const size_t repeats = n / period;
    if (period == 1)
        rows[0] = 0;
    else if (divsufsort(rotated, rows, int32_t(period)) != 0)
        throw std::bad_alloc();

    // The block begins at (n - start) % n in the rotated block, that is at this rotation of u.
    const size_t origin = ((n - start) % n) % period;
    uint8_t *last = m_last.data();
    size_t originRow = 0;
    // u's last byte is the block's, so rotated[-1] also precedes the rotation of u at 0.
    const uint8_t *before = rotated - 1;
    if (repeats == 1) {
        for (size_t row = 0; row < n; ++row) {
            const int32_t at = rows[row];
            last[row] = before[at];
            if (size_t(at) == origin)
                originRow = row;
        }
    } else {
        for (size_t row = 0; row < period; ++row) {
            const int32_t at = rows[row];
            std::memset(last + row * repeats, before[at], repeats);
            if (size_t(at) == origin)
                originRow = row * repeats;
        }
    }
    return uint32_t(originRow);
}

// Move-to-front over the bytes in use, runs of the front byte written as RUNA/RUNB digits of
// their length (bijective base 2, least significant first), the other positions p as p + 1, and
// the end-of-block symbol.
void Bzip2Encoder::moveToFront()
{
    uint8_t index[256];
    uint8_t order[256] = {};
    int used = 0;
    for (int b = 0; b < 256; ++b) {
        if (m_used[b]) {
            index[b] = uint8_t(used);
            order[used] = uint8_t(used);
            ++used;
        }
    }
    m_usedCount = used;
    std::memset(m_frequency, 0, sizeof m_frequency);
    uint16_t *symbol = m_symbols.data();
    uint32_t *frequency = m_frequency;
    uint32_t zeros = 0;
    const auto flushZeros = [&]() {
        while (zeros > 0) {
            const uint16_t digit = (zeros & 1) ? 0 : 1;
            *symbol++ = digit;
            ++frequency[digit];
            zeros = (zeros - 1 - digit) >> 1;
        }
    };
    const uint8_t *last = m_last.data();
    for (size_t i = 0; i < m_blockSize; ++i) {
        const uint8_t wanted = index[last[i]];
        if (order[0] == wanted) {
            ++zeros;
            continue;
        }
        flushZeros();
        const size_t position = findInOrder(order, wanted);
        shiftUp(order, position);
        order[0] = wanted;
        *symbol++ = uint16_t(position + 1);
        ++frequency[position + 1];
    }
    flushZeros();
    *symbol++ = uint16_t(used + 1);
    ++frequency[used + 1];
    m_symbolCount = size_t(symbol - m_symbols.data());
}

void Bzip2Encoder::encodeBlock(std::string &out)
{
    const uint32_t blockCrc = ~m_blockCrc;
    m_streamCrc = ((m_streamCrc << 1) | (m_streamCrc >> 31)) ^ blockCrc;
    if (!m_started) {
        out.append("BZh");
        out.push_back(char('0' + m_level));
        m_started = true;
    }
    m_twice.reserve(2 * m_blockLimit + 1);
    m_rows.reserve(m_blockLimit);
    m_last.reserve(m_blockLimit);
    m_symbols.reserve(m_blockLimit + 1);
    // Every symbol at most kMaxCodeLength bits, plus headers, tables and selectors.
    m_output.reserve((m_blockLimit + 1) * kMaxCodeLength / 8 + 32768);
    const uint32_t originRow = sortBlock();
    moveToFront();

    m_cursor = m_output.data();
    putBits(24, 0x314159);
    putBits(24, 0x265359);
    putBits(32, blockCrc);
    putBits(1, 0);
    putBits(24, originRow);
    uint32_t ranges = 0;
    for (int r = 0; r < 16; ++r)
        for (int b = 0; b < 16; ++b)
            if (m_used[r * 16 + b])
                ranges |= 0x8000u >> r;
    putBits(16, ranges);
    for (int r = 0; r < 16; ++r) {
        if (!(ranges & (0x8000u >> r)))
            continue;
        uint32_t bits = 0;
        for (int b = 0; b < 16; ++b)
            if (m_used[r * 16 + b])
                bits |= 0x8000u >> b;
        putBits(16, bits);
    }
    writeCoded();
    flushBits(out, false);

    m_blockSize = 0;
    m_blockCrc = 0xffffffffu;
    std::memset(m_used, 0, sizeof m_used);
}

// Chooses the tables and the table of each group of 50 symbols, then writes the table count, the
// selectors, the code lengths and the coded symbols.
void Bzip2Encoder::writeCoded()
{
    const int alphabet = m_usedCount + 2;
    const size_t count = m_symbolCount;
    const uint16_t *symbols = m_symbols.data();
    const int tables = count < 200 ? 2 : count < 600 ? 3 : count < 1200 ? 4 : count < 2400 ? 5 : kMaxTables;
    const size_t groups = (count + kGroupSize - 1) / kGroupSize;

    uint8_t lengths[kMaxTables][258];
    // Start: table t covers a stretch of neighbouring symbols holding about 1/tables of them.
    {
        size_t left = count;
        int low = 0;
        for (int t = tables; t > 0; --t) {
            const size_t target = left / size_t(t);
            int high = low - 1;
            size_t taken = 0;
            while (taken < target && high < alphabet - 1)
                taken += m_frequency[++high];
            for (int s = 0; s < alphabet; ++s)
                lengths[t - 1][s] = (s >= low && s <= high) ? 0 : 15;
            low = high + 1;
            left -= taken;
        }
    }

    uint8_t *selectors = m_selectors.reserve((m_blockLimit + 1 + kGroupSize - 1) / kGroupSize);
    uint32_t frequency[kMaxTables][258];
    // The cost of a group under every table at once: each symbol's lengths side by side in 16-bit
    // lanes (tables 0-3, then 4-5), where 50 lengths of at most 17 cannot overflow.
    uint64_t packedLow[258];
    uint64_t packedHigh[258];
    for (int pass = 0; pass < kRefinePasses; ++pass) {
        for (int s = 0; s < alphabet; ++s) {
            packedLow[s] = packedHigh[s] = 0;
            for (int t = 0; t < tables; ++t)
                (t < 4 ? packedLow[s] : packedHigh[s]) |= uint64_t(lengths[t][s]) << (16 * (t % 4));
        }
        std::memset(frequency, 0, sizeof frequency);
        for (size_t g = 0; g < groups; ++g) {
            const size_t from = g * kGroupSize;
            const size_t to = std::min(count, from + kGroupSize);
            uint64_t low = 0, high = 0;
            for (size_t i = from; i < to; ++i) {
                low += packedLow[symbols[i]];
                high += packedHigh[symbols[i]];
            }
            int best = 0;
            uint32_t bestCost = uint32_t(low & 0xffff);
            for (int t = 1; t < tables; ++t) {
                const uint32_t cost = uint32_t(((t < 4 ? low : high) >> (16 * (t % 4))) & 0xffff);
                if (cost < bestCost) {
                    bestCost = cost;
                    best = t;
                }
            }
            selectors[g] = uint8_t(best);
            for (size_t i = from; i < to; ++i)
                ++frequency[best][symbols[i]];
        }
        for (int t = 0; t < tables; ++t)
            buildLengths(frequency[t], alphabet, lengths[t], kMaxCodeLength);
    }

    putBits(3, uint32_t(tables));
    putBits(15, uint32_t(groups));
    uint8_t front[kMaxTables];
    for (int t = 0; t < kMaxTables; ++t)
        front[t] = uint8_t(t);
    for (size_t g = 0; g < groups; ++g) {
        int position = 0;
        while (front[position] != selectors[g])
            ++position;
        std::memmove(front + 1, front, size_t(position));
        front[0] = selectors[g];
        // position ones then a zero
        putBits(unsigned(position + 1), ((1u << position) - 1) << 1);
    }

    uint32_t codes[kMaxTables][258];
    for (int t = 0; t < tables; ++t) {
        int current = lengths[t][0];
        putBits(5, uint32_t(current));
        for (int s = 0; s < alphabet; ++s) {
            while (current < lengths[t][s]) {
                putBits(2, 2);
                ++current;
            }
            while (current > lengths[t][s]) {
                putBits(2, 3);
                --current;
            }
            putBits(1, 0);
        }
        // Canonical codes: by length, then by symbol, as the decoder rebuilds them.
        uint32_t code = 0;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            for (int s = 0; s < alphabet; ++s)
                if (lengths[t][s] == length)
                    codes[t][s] = code++;
            code <<= 1;
        }
    }

    for (size_t g = 0; g < groups; ++g) {
        const size_t from = g * kGroupSize;
        const size_t to = std::min(count, from + kGroupSize);
        const uint8_t *length = lengths[selectors[g]];
        const uint32_t *code = codes[selectors[g]];
        for (size_t i = from; i < to; ++i)
            putBits(length[symbols[i]], code[symbols[i]]);
    }
}

// Appends the whole bytes written so far; the bits of an unfinished byte stay for the next block
// unless pad fills them up with zeros.
void Bzip2Encoder::flushBits(std::string &out, bool pad)
{
    while (m_bitCount >= 8) {
        m_bitCount -= 8;
        *m_cursor++ = uint8_t(m_bits >> m_bitCount);
    }
    if (pad && m_bitCount > 0) {
        *m_cursor++ = uint8_t(m_bits << (8 - m_bitCount));
        m_bitCount = 0;
    }
    out.append(reinterpret_cast<const char *>(m_output.data()), size_t(m_cursor - m_output.data()));
    m_cursor = m_output.data();
}
