// Fuzz target: texture loading (the texture image from a bitmap file, then the tile the panels
// paint with) and the flag bitmap a language file brings, over the same bytes.
#include "fuzzsupport.h"

#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString dir = fuzz::setUp(true);
    static const QString texture = dir + QStringLiteral("/Texture.bmp");
    static const QString language = dir + QStringLiteral("/Fuzz.lng");
    static const bool languageWritten = [] {
        const char text[] = "Language=Fuzz\r\n";
        fuzz::writeFile(language, reinterpret_cast<const uint8_t *>(text), sizeof text - 1);
        return true;
    }();
    (void)languageWritten;

    fuzz::writeFile(texture, data, size);
    TKovaImage image;
    image.setFilename(fuzz::windowsPath(texture));
    if (image.LoadFromFile()) {
        const QImage &picture = image.Image();
        if (picture.width() > TKovaImage::kMaxTextureSide || picture.height() > TKovaImage::kMaxTextureSide)
            std::abort();
        image.tilePixmap();
    }

    fuzz::writeFile(dir + QStringLiteral("/Fuzz.flg"), data, size);
    TKovaLanguage lang;
    lang.setFilename(fuzz::windowsPath(language));
    if (lang.LoadLanguage() && !lang.Flag().isNull()) {
        const QImage &flag = lang.Flag();
        if (flag.width() > TKovaLanguage::kMaxFlagSide || flag.height() > TKovaLanguage::kMaxFlagSide)
            std::abort();
        if (flag.convertToFormat(QImage::Format_RGB32).isNull())
            std::abort();
    }
    return 0;
}
