// The texture image shared by all windows.
#include "kovaimage.h"

#include "bitmapfile.h"
#include "kovaprovider.h"
#include "ownedcomponents.h"

#include "core/platform/paths.h"

#include <QFileInfo>

TKovaImage::TKovaImage(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("KovaImage1"));
}

void TKovaImage::setEmpty(bool empty)
{
    if (empty == m_empty)
        return;
    if (!empty) {
        if (!m_image.isNull())
            m_empty = false;
        return;
    }
    m_empty = true;
    m_selected = -1;
    NotifyProviders();
}

void TKovaImage::setImage(const QImage &image)
{
    // Tiles are copied as they stand, so an alpha channel would only let stale pixels through.
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    m_tile = QPixmap();
}

void TKovaImage::setSelected(int index)
{
    if (index == m_selected)
        return;
    if (index >= 0 && index < m_reslist.size()) {
        QImage picture;
        if (!picture.load(QStringLiteral(":/") + m_reslist.at(index)))
            return;
        setImage(picture);
        m_empty = false;
        m_selected = index;
        NotifyProviders();
    } else if (index == -1) {
        setImage(QImage());
        setEmpty(true);
    }
}

void TKovaImage::RegisterWindow(QWidget *window)
{
    m_windows.append(window);
}

QList<QWidget *> TKovaImage::windows() const
{
    QList<QWidget *> alive;
    for (const QPointer<QWidget> &w : m_windows) {
        if (w)
            alive.append(w);
    }
    return alive;
}

bool TKovaImage::LoadFromFile()
{
    const QString host = win::HostPath(m_filename);
    if (host.isEmpty() || !QFileInfo(host).isFile())
        return false;
    // The header is checked first, so a huge or damaged bitmap is refused before it is decoded.
    const QImage picture = ReadBitmapFile(host, kMaxTextureSide);
    if (picture.isNull())
        return false;
    setImage(picture);
    m_empty = false;
    m_selected = -1;
    NotifyProviders();
    return true;
}

void TKovaImage::NotifyProviders()
{
    for (QWidget *window : windows()) {
        try {
            for (TkovaProvider *provider : OwnedComponents<TkovaProvider>(window)) {
                if (provider->Groupindex() != m_groupindex)
                    continue;
                provider->setKovaimage(this);
                provider->BindPanels();
                provider->RepaintPanels();
            }
        } catch (...) {
            // One window that cannot be served must not leave the others untextured.
        }
    }
}

bool TKovaImage::textureUsable() const
{
    return !m_empty && m_image.width() >= 2 && m_image.height() >= 2;
}

QPixmap TKovaImage::tilePixmap() const
{
    if (!textureUsable())
        return QPixmap();
    if (m_tile.isNull())
        m_tile = QPixmap::fromImage(m_image.copy(0, 0, m_image.width() - 1, m_image.height() - 1));
    return m_tile;
}
