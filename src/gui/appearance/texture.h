// Texture: the picture that textured panels tile over their area. The texture image is one; the
// panels draw from this base, so they need not know how the image is loaded or which windows it
// serves.
#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>

class Texture : public QObject
{
public:
    using QObject::QObject;

    // The texture bitmap; storing copies it and does nothing else.
    const QImage &Image() const { return m_image; }
    void setImage(const QImage &image);

    // Whether panels can tile the texture: not empty and a picture of at least 2 by 2 pixels.
    bool textureUsable() const;
    // The part of the picture that tiles, without its last column and row; null when the texture
    // is not usable.
    QPixmap tilePixmap() const;

protected:
    bool m_empty = true;

private:
    QImage m_image;
    mutable QPixmap m_tile;
};
