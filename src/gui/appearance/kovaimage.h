// TKovaImage: the single texture image. It holds the background bitmap of all windows and hands it
// to the textured panels of every registered window through the windows' providers.
#pragma once

#include "texture.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class TKovaPanel;

class TKovaImage : public Texture
{
    Q_OBJECT

public:
    // Texture files wider or higher than this are refused; they would cost much and tile nothing
    // a window could show.
    static constexpr int kMaxTextureSide = 4096;

    explicit TKovaImage(QObject *parent = nullptr);

    // True: no texture, the panels paint plainly. Storing the value it has does nothing. Storing
    // false takes effect only while Image holds a picture and notifies nobody; storing true also
    // sets Selected to -1 and repaints every bound panel (NotifyProviders).
    bool Empty() const { return m_empty; }
    void setEmpty(bool empty);

    // Full Windows path of the bitmap that LoadFromFile reads; storing it does nothing else.
    const QString &Filename() const { return m_filename; }
    void setFilename(const QString &path) { m_filename = path; }

    // The image binds only to providers with the same Groupindex; 0 at creation.
    int Groupindex() const { return m_groupindex; }
    void setGroupindex(int value) { m_groupindex = value; }

    // Names of built-in texture bitmaps (program resources) that Selected picks from.
    const QStringList &Reslist() const { return m_reslist; }
    void setReslist(const QStringList &names) { m_reslist = names; }

    // Index into Reslist of the built-in texture in use, -1 for none. Storing a new index in range
    // loads that resource (a name without a resource changes nothing), clears Empty and notifies;
    // storing -1 releases the picture and stores Empty true; any other value does nothing.
    int Selected() const { return m_selected; }
    void setSelected(int index);

    // Appends a window (referenced, not owned; duplicates are kept).
    void RegisterWindow(QWidget *window);
    // The registered windows that still exist, in registration order.
    QList<QWidget *> windows() const;
    // Appends windows made after the image was loaded; while it holds a texture, their bound
    // panels get it as NotifyProviders gives it to the others.
    void RegisterLateWindows(const QList<QWidget *> &windows);
    // Gives a part built inside a registered window after the window was served (a page made
    // later) what serving the window gave it: while the image holds a texture, the part's panels
    // bound by the window's providers get it.
    void ServeLatePart(QWidget *part);

    // Loads Image from the bitmap file named by Filename (Windows path). On success Empty becomes
    // false, Selected -1, and every bound panel repaints. A missing, unreadable or too large file
    // changes nothing and gives false.
    bool LoadFromFile();

    // For each registered window, each of its providers with this Groupindex: gives this image to
    // every textured panel the provider binds, then repaints those panels at once. A failure while
    // serving one window leaves that window and goes on with the next.
    void NotifyProviders();

private:
    void serve(const QList<QWidget *> &windows);
    // Gives this image to those of panels that a provider of window with this Groupindex binds,
    // and repaints them when asked.
    void servePanels(QWidget *window, const QList<TKovaPanel *> &panels, bool repaint);

    QString m_filename;
    int m_groupindex = 0;
    QStringList m_reslist;
    int m_selected = -1;
    QList<QPointer<QWidget>> m_windows;
};
