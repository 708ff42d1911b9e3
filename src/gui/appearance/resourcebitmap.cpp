// Resource bitmaps and their transparent drawing.
#include "resourcebitmap.h"

#include <QImageReader>

QImage ResourceBitmap(const QString &name)
{
    // Every bitmap of the program is a BMP: read as one, without asking every image plugin
    // (each loaded for the question) whether it reads the file.
    QImageReader reader(QStringLiteral(":/") + name, "bmp");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap TransparentBitmap(const QImage &image)
{
    if (image.isNull())
        return QPixmap();
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = argb.pixel(0, argb.height() - 1);
    for (int y = 0; y < argb.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return QPixmap::fromImage(argb);
}
