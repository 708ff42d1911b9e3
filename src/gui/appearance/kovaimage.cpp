// The texture image shared by all windows.
#include "kovaimage.h"

#include "bitmapfile.h"
#include "kovapanel.h"
#include "kovaprovider.h"
#include "ownedcomponents.h"

#include "core/platform/paths.h"

#include <QFileInfo>

TKovaImage::TKovaImage(QObject *parent) : Texture(parent)
{
    setObjectName(QStringLiteral("KovaImage1"));
}

void TKovaImage::setEmpty(bool empty)
{
    if (empty == m_empty)
        return;
    if (!empty) {
        if (!Image().isNull())
            m_empty = false;
        return;
    }
    m_empty = true;
    m_selected = -1;
    NotifyProviders();
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

void TKovaImage::RegisterLateWindows(const QList<QWidget *> &windows)
{
    for (QWidget *window : windows)
        RegisterWindow(window);
    if (!m_empty)
        serve(windows);
}

void TKovaImage::ServeLatePart(QWidget *part)
{
    if (m_empty || !part || !windows().contains(part->window()))
        return;
    QList<TKovaPanel *> panels{qobject_cast<TKovaPanel *>(part)};
    panels.removeAll(nullptr);
    panels += OwnedComponents<TKovaPanel>(part);
    // The part is hidden: it paints when it is shown.
    servePanels(part->window(), panels, false);
}

void TKovaImage::NotifyProviders()
{
    serve(windows());
}

void TKovaImage::serve(const QList<QWidget *> &windows)
{
    for (QWidget *window : windows) {
        if (!window)
            continue;
        try {
            servePanels(window, OwnedComponents<TKovaPanel>(window), true);
        } catch (...) {
            // One window that cannot be served must not leave the others untextured.
        }
    }
}

void TKovaImage::servePanels(QWidget *window, const QList<TKovaPanel *> &panels, bool repaint)
{
    for (TkovaProvider *provider : OwnedComponents<TkovaProvider>(window)) {
        if (provider->Groupindex() != m_groupindex)
            continue;
        QList<TKovaPanel *> served;
        for (TKovaPanel *panel : panels) {
            if (panel->KovaProvider() == provider)
                served.append(panel);
        }
        for (TKovaPanel *panel : std::as_const(served))
            panel->setKovaImage(this);
        if (repaint) {
            for (TKovaPanel *panel : std::as_const(served))
                panel->repaint();
        }
    }
}
