// The picture that textured panels tile.
#include "texture.h"

void Texture::setImage(const QImage &image)
{
    // Tiles are copied as they stand, so an alpha channel would only let stale pixels through.
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    m_tile = QPixmap();
}

bool Texture::textureUsable() const
{
    return !m_empty && m_image.width() >= 2 && m_image.height() >= 2;
}

QPixmap Texture::tilePixmap() const
{
    if (!textureUsable())
        return QPixmap();
    if (m_tile.isNull())
        m_tile = QPixmap::fromImage(m_image.copy(0, 0, m_image.width() - 1, m_image.height() - 1));
    return m_tile;
}
