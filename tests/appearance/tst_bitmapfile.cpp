// Bitmap files made to harm or cut short: sound pictures load, damaged headers are refused before
// anything is decoded, run-length pictures never leave a pixel undefined, and the texture image
// and the language component keep what they showed when a file is refused.
#include "bitmapcases.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "gui/appearance/bitmapfile.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"

#include <QTemporaryDir>

namespace {

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
        // The pictures the program ships are read in the damaged-copies test.
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
        QVERIFY(!ReadBitmapBytes(plain24().bytes(), 64).isNull());
        QVERIFY(!ReadBitmapBytes(patched(bitfields(0xFF0000, 0xFF00, 0xFF), 10, 54 + 12), 64).isNull());
        for (const auto &[name, bytes] : damagedBitmaps())
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
