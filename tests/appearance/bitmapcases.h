// Bitmap files for tests, built field by field: a sound 4x4 picture, run-length pictures, single
// fields patched, and the damaged headers no reader may decode.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QRgb>
#include <QtEndian>

#include <climits>

// A bitmap file with a 40-byte header; the palette's colour i is (i, 255 - i, i / 2).
struct Bmp
{
    int width = 4;
    int height = 4;
    int bits = 24;
    quint32 compression = 0;
    int colors = 0;
    QByteArray pixels;

    QByteArray bytes() const
    {
        const int palette = colors * 4;
        QByteArray b(54 + palette, '\0');
        b[0] = 'B';
        b[1] = 'M';
        put32(b, 2, quint32(b.size() + pixels.size()));
        put32(b, 10, quint32(54 + palette));
        put32(b, 14, 40);
        put32(b, 18, quint32(width));
        put32(b, 22, quint32(height));
        put16(b, 26, 1);
        put16(b, 28, quint16(bits));
        put32(b, 30, compression);
        put32(b, 34, quint32(pixels.size()));
        put32(b, 46, quint32(colors));
        for (int i = 0; i < colors; ++i) {
            b[54 + 4 * i] = char(i / 2);
            b[55 + 4 * i] = char(255 - i);
            b[56 + 4 * i] = char(i);
        }
        return b + pixels;
    }

    static void put16(QByteArray &b, int at, quint16 v) { qToLittleEndian(v, b.data() + at); }
    static void put32(QByteArray &b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }
};

inline QRgb paletteColour(int i)
{
    return qRgb(i, 255 - i, i / 2);
}

// A sound 4x4 24-bit picture, each row padded to 12 bytes.
inline Bmp plain24()
{
    return {.pixels = QByteArray(48, '\x40')};
}

// Runs given in hexadecimal; spaces between the bytes are skipped.
inline Bmp runLength8(int width, int height, const QByteArray &runs)
{
    return {width, height, 8, 1, 256, QByteArray::fromHex(runs)};
}

inline Bmp runLength4(int width, int height, const QByteArray &runs)
{
    return {width, height, 4, 2, 16, QByteArray::fromHex(runs)};
}

inline QByteArray patched(QByteArray b, int at, quint32 value, int size = 4)
{
    if (size == 2)
        Bmp::put16(b, at, quint16(value));
    else
        Bmp::put32(b, at, value);
    return b;
}

// A 32-bit picture with the given colour masks right after its header (where the pixel offset,
// still 54, points at them).
inline QByteArray bitfields(quint32 r, quint32 g, quint32 b)
{
    const Bmp bmp{.bits = 32, .compression = 3, .pixels = QByteArray(12 + 64, '\x01')};
    return patched(patched(patched(bmp.bytes(), 54, r), 58, g), 62, b);
}

// Pictures whose header makes them impossible or harmful to decode: overflowing or absent sides,
// offsets out of the file, truncation, unknown fields, bad masks and run-length forms that cannot
// be sound. Each is refused by a reader with a side limit of 64.
inline QList<QPair<const char *, QByteArray>> damagedBitmaps()
{
    const QByteArray good = plain24().bytes();
    const Bmp bits32{.bits = 32, .pixels = QByteArray(1024, '\x01')};
    const Bmp mono{.bits = 1, .colors = 2, .pixels = QByteArray(1024, '\x01')};
    return {
        // Sides whose products overflow, or that are none or negative.
        {"32768 x 32769 at 32 bits", patched(patched(bits32.bytes(), 18, 32768), 22, 32769)},
        {"width 0x40000000", patched(patched(good, 18, 0x40000000), 22, 1)},
        {"height INT_MIN", patched(good, 22, quint32(INT_MIN))},
        {"width 0", patched(good, 18, 0)},
        {"width -5", patched(good, 18, quint32(-5))},
        {"1 bit, 0x7FFFFFFF x 1", patched(patched(mono.bytes(), 18, 0x7FFFFFFF), 22, 1)},
        {"beyond the side allowed", patched(patched(bits32.bytes(), 18, 65), 22, 1)},
        // Offsets and truncation.
        {"offset 0xFFFFFFFF", patched(good, 10, 0xFFFFFFFFu)},
        {"offset into the header", patched(good, 10, 14)},
        {"offset past the end", patched(good, 10, quint32(good.size() + 10))},
        {"cut in the pixels", good.left(good.size() - 5)},
        {"cut in the header", good.left(30)},
        {"empty", QByteArray()},
        // Header fields.
        {"bit count 0", patched(good, 28, 0, 2)},
        {"bit count 3", patched(good, 28, 3, 2)},
        {"planes 0", patched(good, 26, 0, 2)},
        {"header size 66", patched(good, 14, 66)},
        {"header size 0xFFFFFFFF", patched(good, 14, 0xFFFFFFFFu)},
        {"compression 4 (JPEG)", patched(good, 30, 4)},
        {"signature BA", patched(good, 0, 'B' | ('A' << 8), 2)},
        {"masks all zero", bitfields(0, 0, 0)},
        {"masks overlapping", bitfields(0xFF0000, 0xFFFF00, 0xFF)},
        {"mask wider than 8 bits", bitfields(0x3FF00000, 0xFF00, 0xFF)},
        {"palette larger than the bits allow", patched(mono.bytes(), 46, 3)},
        // Run-length pictures that cannot be sound.
        {"run-length 8 at 24 bits", patched(runLength8(4, 4, "0001").bytes(), 28, 24, 2)},
        {"run-length top-down", patched(runLength8(4, 4, "0001").bytes(), 22, quint32(-4))},
    };
}
