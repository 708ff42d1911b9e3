// Damaged and hostile bitmaps as textures and as flags: each is refused, or decoded to a picture
// within the size limit; nothing crashes, and a good texture still loads afterwards.
#include "testfiles.h"
#include "testmain.h"

#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"
#include "core/platform/paths.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <climits>

namespace {

// A valid 4 by 4 bitmap of 24 bits, bottom-up, without compression.
QByteArray goodBitmap()
{
    QByteArray bmp(54 + 4 * 12, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(bmp.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(54, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(4, bmp.data() + 18);
    qToLittleEndian<qint32>(4, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(24, bmp.data() + 28);
    qToLittleEndian<quint32>(48, bmp.data() + 34);
    for (int i = 54; i < bmp.size(); ++i)
        bmp[i] = char(i * 7);
    return bmp;
}

QByteArray with32(QByteArray bmp, int offset, quint32 value)
{
    qToLittleEndian<quint32>(value, bmp.data() + offset);
    return bmp;
}

QByteArray with16(QByteArray bmp, int offset, quint16 value)
{
    qToLittleEndian<quint16>(value, bmp.data() + offset);
    return bmp;
}

// A valid bitmap of 8 bits, width by 1 pixels, grey scale.
QByteArray wideBitmap(int width)
{
    const int stride = (width + 3) & ~3;
    QByteArray bmp(54 + 1024 + stride, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(bmp.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(54 + 1024, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(1, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(8, bmp.data() + 28);
    qToLittleEndian<quint32>(256, bmp.data() + 46);
    for (int i = 0; i < 256; ++i)
        bmp[54 + 4 * i] = bmp[55 + 4 * i] = bmp[56 + 4 * i] = char(i);
    return bmp;
}

QList<QPair<const char *, QByteArray>> hostileBitmaps()
{
    const QByteArray good = goodBitmap();
    const QByteArray rgb32 = with16(good, 28, 32);
    QByteArray bitfields = with32(with16(good, 28, 16), 30, 3);
    bitfields.insert(54, QByteArray(12, '\0')); // masks all zero
    QByteArray overlapping = bitfields;
    for (int i = 0; i < 3; ++i)
        qToLittleEndian<quint32>(0xFFFF, overlapping.data() + 54 + 4 * i);
    return {
        // Dimensions whose products overflow, or that make no sense.
        {"32768 x 32769 at 32 bits", with32(with32(rgb32, 18, 32768), 22, 32769)},
        {"row wider than an int", with32(with32(good, 18, 0x40000000), 22, 1)},
        {"height INT_MIN", with32(good, 22, quint32(INT_MIN))},
        {"width 0", with32(good, 18, 0)},
        {"height 0", with32(good, 22, 0)},
        {"width -5", with32(good, 18, quint32(-5))},
        {"1 bit, 0x7FFFFFFF wide", with32(with16(good, 28, 1), 18, 0x7FFFFFFF)},
        // Offsets and declared sizes.
        {"data offset 0xFFFFFFFF", with32(good, 10, 0xFFFFFFFF)},
        {"data offset inside the header", with32(good, 10, 14)},
        {"data offset past the end", with32(good, 10, quint32(good.size() + 100))},
        {"cut to 60 bytes", good.left(60)},
        {"cut in the pixels", good.left(54 + 20)},
        {"image size 0xFFFFFFF0", with32(good, 34, 0xFFFFFFF0)},
        {"file size 4 GB", with32(good, 2, 0xFFFFFFFF)},
        // Header fields.
        {"0 bits", with16(good, 28, 0)},
        {"3 bits", with16(good, 28, 3)},
        {"30000 bits", with16(good, 28, 30000)},
        {"0 planes", with16(good, 26, 0)},
        {"2 planes", with16(good, 26, 2)},
        {"header size 66", with32(good, 14, 66)},
        {"header size 0xFFFFFFFF", with32(good, 14, 0xFFFFFFFF)},
        {"masks all zero", bitfields},
        {"masks overlapping", overlapping},
        {"embedded JPEG", with32(good, 30, 4)},
        {"embedded PNG", with32(good, 30, 5)},
        {"signature BA", good.left(1) + "A" + good.mid(2)},
        {"signature XX", "XX" + good.mid(2)},
        {"empty file", QByteArray()},
        // Sound, but wider than any texture or flag may be.
        {"5000 pixels wide", wideBitmap(5000)},
    };
}

} // namespace

class TestHostileBitmaps : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refusedOrDecodedWithinBounds()
    {
        QTemporaryDir dir;
        const QString texture = dir.filePath(QStringLiteral("Texture.bmp"));
        const QString language = dir.filePath(QStringLiteral("Mine.lng"));
        writeFile(language, "Language=Mine\r\n");
        TKovaImage image;
        image.setFilename(win::ToWindowsPath(texture));
        TKovaLanguage lang;
        lang.setFilename(win::ToWindowsPath(language));

        for (const auto &[name, bytes] : hostileBitmaps()) {
            writeFile(texture, bytes);
            image.setEmpty(true);
            if (image.LoadFromFile()) {
                QVERIFY2(!image.Empty(), name);
                QVERIFY2(image.Image().width() <= TKovaImage::kMaxTextureSide, name);
                QVERIFY2(image.Image().height() <= TKovaImage::kMaxTextureSide, name);
                image.tilePixmap();
            } else {
                QVERIFY2(image.Empty(), name);
            }

            writeFile(dir.filePath(QStringLiteral("Mine.flg")), bytes);
            lang.setFlag(QImage());
            QVERIFY2(lang.LoadLanguage(), name); // a bad flag never costs the language
            QVERIFY2(lang.Flag().width() <= TKovaLanguage::kMaxFlagSide, name);
            QVERIFY2(lang.Flag().height() <= TKovaLanguage::kMaxFlagSide, name);
        }

        // The loader is still sound: a good texture loads after all that.
        writeFile(texture, goodBitmap());
        QVERIFY(image.LoadFromFile());
        QCOMPARE(image.Image().size(), QSize(4, 4));
    }
};

DUNLIVO_TEST_MAIN(TestHostileBitmaps)
#include "tst_hostilebitmaps.moc"
