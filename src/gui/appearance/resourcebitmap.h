// The bitmaps built into the program, by their resource names: "logo", "yellowico", "redico",
// "ZOOMIN", "ZOOMOUT", "defflag" (and the archive list's node bitmaps). A picture that is drawn
// transparent ("logo", "ZOOMIN", "ZOOMOUT") has its transparent colour in its bottom-left pixel.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

// The resource bitmap of that name; a null image when there is none.
QImage ResourceBitmap(const QString &name);

// The picture with every pixel of its bottom-left pixel's colour made transparent.
QPixmap TransparentBitmap(const QImage &image);
