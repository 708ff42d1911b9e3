// Damaged and hostile bitmaps as textures and as flags: each is refused, or decoded to a picture
// within the size limit; nothing crashes, and a good texture still loads afterwards.
#include "bitmapcases.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"

#include <QTemporaryDir>

namespace {

// A sound bitmap of 8 bits, width by 1 pixels.
QByteArray wideBitmap(int width)
{
    Bmp bmp;
    bmp.width = width;
    bmp.height = 1;
    bmp.bits = 8;
    bmp.colors = 256;
    bmp.pixels = QByteArray((width + 3) & ~3, '\x01');
    return bmp.bytes();
}

// The damaged headers, fields nothing is taken from set to the largest values, and a sound
// picture wider than any texture or flag may be.
QList<QPair<const char *, QByteArray>> hostileBitmaps()
{
    return damagedBitmaps() + QList<QPair<const char *, QByteArray>>{
                                  {"image size 0xFFFFFFF0", patched(plain24().bytes(), 34, 0xFFFFFFF0)},
                                  {"file size 4 GB", patched(plain24().bytes(), 2, 0xFFFFFFFF)},
                                  {"5000 pixels wide", wideBitmap(5000)}};
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
                QVERIFY2(qMax(image.Image().width(), image.Image().height()) <= TKovaImage::kMaxTextureSide,
                         name);
                image.tilePixmap();
            } else {
                QVERIFY2(image.Empty(), name);
            }

            writeFile(dir.filePath(QStringLiteral("Mine.flg")), bytes);
            lang.setFlag(QImage());
            QVERIFY2(lang.LoadLanguage(), name); // a bad flag never costs the language
            QVERIFY2(qMax(lang.Flag().width(), lang.Flag().height()) <= TKovaLanguage::kMaxFlagSide, name);
        }

        // The loader is still sound: a good texture loads after all that.
        writeFile(texture, plain24().bytes());
        QVERIFY(image.LoadFromFile());
        QCOMPARE(image.Image().size(), QSize(4, 4));
    }
};

DUNLIVO_TEST_MAIN(TestHostileBitmaps)
#include "tst_hostilebitmaps.moc"
