// Bitmap files made to harm or cut short: sound pictures load, damaged headers are refused before
// anything is decoded, run-length pictures never leave a pixel undefined, and the texture image
// and the language component keep what they showed when a file is refused.
#include "testfiles.h"
#include "testmain.h"

#include "appearance/bitmapfile.h"
#include "appearance/kovaimage.h"
#include "appearance/kovalanguage.h"
#include "platform/paths.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtEndian>

#include <climits>

namespace {

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

QRgb paletteColour(int i)
{
    return qRgb(i, 255 - i, i / 2);
}

// A sound 4x4 24-bit picture, each row padded to 12 bytes.
Bmp plain24()
{
    Bmp bmp;
    bmp.pixels = QByteArray(48, '\x40');
    return bmp;
}

Bmp runLength8(int width, int height, const QByteArray &runs)
{
    Bmp bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.colors = 256;
    bmp.pixels = QByteArray::fromHex(runs); // spaces between the bytes are skipped
    return bmp;
}

Bmp runLength4(int width, int height, const QByteArray &runs)
{
    Bmp bmp = runLength8(width, height, runs);
    bmp.bits = 4;
    bmp.compression = 2;
    bmp.colors = 16;
    return bmp;
}

QByteArray patched(QByteArray b, int at, quint32 value, int size = 4)
{
    if (size == 2)
        Bmp::put16(b, at, quint16(value));
    else
        Bmp::put32(b, at, value);
    return b;
}

// Every pixel of a decoded run-length picture is one of the palette's colours.
bool onlyPaletteColours(const QImage &picture, int colours)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            bool found = false;
            for (int i = 0; i < colours && !found; ++i)
                found = rgb.pixel(x, y) == paletteColour(i);
            if (!found)
                return false;
        }
    }
    return true;
}

} // namespace

class TestBitmapFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void soundPicturesLoad()
    {
        // The textures and flags the program ships.
        QDirIterator shipped(QStringLiteral(DUNLIVO_RESOURCES), QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        while (shipped.hasNext()) {
            const QString file = shipped.next();
            if (!file.endsWith(QLatin1String(".bmp")) && !file.endsWith(QLatin1String(".flg")))
                continue;
            QVERIFY2(!ReadBitmapFile(file, TKovaImage::kMaxTextureSide).isNull(), qPrintable(file));
            ++count;
        }
        QVERIFY(count >= 5);

        // Qt's own bitmaps of each depth it writes (32 pixels wide, so no row has padding).
        QTemporaryDir dir;
        QImage picture(32, 5, QImage::Format_RGB32);
        picture.fill(qRgb(10, 200, 30));
        picture.setPixel(31, 4, qRgb(1, 2, 3));
        for (const QImage::Format format :
             {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_Indexed8, QImage::Format_Mono}) {
            const QString file = dir.filePath(QStringLiteral("p%1.bmp").arg(int(format)));
            QVERIFY(picture.convertToFormat(format).save(file, "BMP"));
            const QImage back = ReadBitmapFile(file, 32);
            QVERIFY2(back.size() == QSize(32, 5), qPrintable(file));
            if (format != QImage::Format_Mono)
                QCOMPARE(back.pixel(31, 4), qRgb(1, 2, 3));
        }
        // Fields nothing is taken from: the declared image and file sizes.
        QVERIFY(!ReadBitmapBytes(patched(plain24().bytes(), 34, 0xFFFFFFF0u), 8).isNull());
        QVERIFY(!ReadBitmapBytes(patched(plain24().bytes(), 2, 0xFFFFFFFFu), 8).isNull());

        // Run-length pictures that cover every pixel: 8 bits (runs and an absolute run) and 4 bits.
        const QImage rle8 = ReadBitmapBytes(runLength8(4, 2, "0405 0000 0003070809 00 0109 0001").bytes(), 8);
        QCOMPARE(rle8.size(), QSize(4, 2));
        QCOMPARE(rle8.pixel(0, 1), paletteColour(5)); // the bottom row comes first
        QCOMPARE(rle8.pixel(2, 0), paletteColour(9));
        QCOMPARE(rle8.pixel(3, 0), paletteColour(9));
        const QImage four = ReadBitmapBytes(runLength4(4, 1, "0412 0001").bytes(), 8);
        QCOMPARE(four.size(), QSize(4, 1));
        QCOMPARE(four.pixel(0, 0), paletteColour(1));
        QCOMPARE(four.pixel(1, 0), paletteColour(2));
    }

    void runsThatLeavePixelsOutAreDefined()
    {
        // Each picture's runs leave pixels out or try to reach beyond it; whatever comes back is
        // made only of palette colours (a pixel the runs skipped takes the first colour), and
        // the memory checker finds nothing undefined read by the conversion.
        const QList<QPair<const char *, Bmp>> cases{
            {"end of bitmap at once", runLength8(8, 4, "0001")},
            {"a short run, then the end", runLength8(8, 4, "0305 0001")},
            {"no end marker", runLength8(8, 4, "0305")},
            {"absolute run of 255 from the last column",
             runLength8(8, 4, "0706 00FF" + QByteArray(256, 'A').toHex() + "0001")},
            {"run longer than the row", runLength8(8, 4, "FF03 0001")},
            {"delta past the right and bottom edges", runLength8(8, 4, "0102 0002FFFF 0203 0001")},
            {"end of line only", runLength8(8, 4, "0000 0000 0001")},
        };
        for (const auto &[name, bmp] : cases) {
            const QImage picture = ReadBitmapBytes(bmp.bytes(), 64);
            if (!picture.isNull())
                QVERIFY2(onlyPaletteColours(picture, 256), name);
        }
        const QImage skipped = ReadBitmapBytes(runLength8(8, 4, "0305 0001").bytes(), 64);
        QVERIFY(!skipped.isNull());
        QCOMPARE(skipped.pixel(0, 3), paletteColour(5));
        QCOMPARE(skipped.pixel(7, 0), paletteColour(0));

        // A 4-bit run with an odd count at the end of a row.
        const QImage four = ReadBitmapBytes(runLength4(3, 2, "0312 0000 0003 1230 0001").bytes(), 64);
        if (!four.isNull())
            QVERIFY(onlyPaletteColours(four, 16));
    }

    void damagedHeadersAreRefused()
    {
        const QByteArray good = plain24().bytes();
        QVERIFY(!ReadBitmapBytes(good, 64).isNull());
        Bmp bits32 = plain24();
        bits32.bits = 32;
        bits32.pixels = QByteArray(1024, '\x01');
        Bmp mono = plain24();
        mono.bits = 1;
        mono.colors = 2;
        mono.pixels = QByteArray(1024, '\x01');
        Bmp bitfields = plain24();
        bitfields.bits = 32;
        bitfields.compression = 3;
        bitfields.pixels = QByteArray(12 + 64, '\x01');
        const auto masks = [&](quint32 r, quint32 g, quint32 b) {
            return patched(patched(patched(bitfields.bytes(), 54, r), 58, g), 62, b);
        };
        QVERIFY(!ReadBitmapBytes(patched(masks(0xFF0000, 0xFF00, 0xFF), 10, 54 + 12), 64).isNull());

        const QList<QPair<const char *, QByteArray>> refused{
            // Sides whose products overflow, or that are none or negative.
            {"32768 x 32769 at 32 bits", patched(patched(bits32.bytes(), 18, 32768), 22, 32769)},
            {"width 0x40000000", patched(patched(good, 18, 0x40000000), 22, 1)},
            {"height INT_MIN", patched(good, 22, quint32(INT_MIN))},
            {"width 0", patched(good, 18, 0)},
            {"height 0", patched(good, 22, 0)},
            {"width -5", patched(good, 18, quint32(-5))},
            {"1 bit, 0x7FFFFFFF x 1", patched(patched(mono.bytes(), 18, 0x7FFFFFFF), 22, 1)},
            {"beyond the side allowed", patched(patched(bits32.bytes(), 18, 65), 22, 1)},
            // Offsets and truncation.
            {"offset 0xFFFFFFFF", patched(good, 10, 0xFFFFFFFFu)},
            {"offset into the header", patched(good, 10, 14)},
            {"offset past the end", patched(good, 10, quint32(good.size() + 10))},
            {"cut to 60 bytes", good.left(60)},
            {"cut in the pixels", good.left(good.size() - 5)},
            {"cut in the header", good.left(30)},
            {"empty", QByteArray()},
            // Header fields.
            {"bit count 0", patched(good, 28, 0, 2)},
            {"bit count 3", patched(good, 28, 3, 2)},
            {"bit count 30000", patched(good, 28, 30000, 2)},
            {"planes 0", patched(good, 26, 0, 2)},
            {"planes 2", patched(good, 26, 2, 2)},
            {"header size 66", patched(good, 14, 66)},
            {"header size 0xFFFFFFFF", patched(good, 14, 0xFFFFFFFFu)},
            {"compression 4 (JPEG)", patched(good, 30, 4)},
            {"compression 5 (PNG)", patched(good, 30, 5)},
            {"signature BA", patched(good, 0, 'B' | ('A' << 8), 2)},
            {"signature XX", patched(good, 0, 'X' | ('X' << 8), 2)},
            {"masks all zero", masks(0, 0, 0)},
            {"masks overlapping", masks(0xFF0000, 0xFFFF00, 0xFF)},
            {"mask wider than 8 bits", masks(0x3FF00000, 0xFF00, 0xFF)},
            {"palette larger than the bits allow", patched(mono.bytes(), 46, 3)},
            // Run-length pictures that cannot be sound.
            {"run-length 8 at 24 bits", patched(runLength8(4, 4, "0001").bytes(), 28, 24, 2)},
            {"run-length top-down", patched(runLength8(4, 4, "0001").bytes(), 22, quint32(-4))},
        };
        for (const auto &[name, bytes] : refused)
            QVERIFY2(ReadBitmapBytes(bytes, 64).isNull(), name);
    }

    void refusedFilesKeepTextureAndFlag()
    {
        QTemporaryDir dir;
        const auto write = [&](const QString &name, const QByteArray &bytes) {
            writeFile(dir.filePath(name), bytes);
        };
        Bmp texture = plain24();
        write(QStringLiteral("Good.bmp"), texture.bytes());
        write(QStringLiteral("Huge.bmp"), patched(patched(texture.bytes(), 18, 32768), 22, 32769));
        write(QStringLiteral("Cut.bmp"), texture.bytes().left(70));

        TKovaImage image;
        image.setFilename(win::ToWindowsPath(dir.filePath(QStringLiteral("Good.bmp"))));
        QVERIFY(image.LoadFromFile());
        QCOMPARE(image.Image().size(), QSize(4, 4));
        for (const char *name : {"Huge.bmp", "Cut.bmp"}) {
            image.setFilename(win::ToWindowsPath(dir.filePath(QLatin1String(name))));
            QVERIFY2(!image.LoadFromFile(), name);
            QCOMPARE(image.Image().size(), QSize(4, 4));
        }

        // A language whose flag is damaged shows the built-in flag.
        write(QStringLiteral("Odd.lng"), "OkButton=Odd\n");
        write(QStringLiteral("Odd.flg"), runLength8(8, 4, "0305").bytes().left(60));
        TKovaLanguage language;
        language.LoadFlagResource(QStringLiteral("defflag"));
        const QImage defflag = language.Flag();
        language.setFilename(win::ToWindowsPath(dir.filePath(QStringLiteral("Odd.lng"))));
        QVERIFY(language.LoadLanguage());
        QCOMPARE(language.Flag(), defflag);
    }
};

DUNLIVO_TEST_MAIN(TestBitmapFile)
#include "tst_bitmapfile.moc"
