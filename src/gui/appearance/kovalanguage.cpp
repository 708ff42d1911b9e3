// The language component: text list, flag and the re-texting of the registered windows.
#include "kovalanguage.h"

#include "bitmapfile.h"
#include "ownedcomponents.h"
#include "resourcebitmap.h"

#include "core/platform/paths.h"

#include <QFileInfo>

namespace {

// The host path of an existing regular file named by a Windows path; empty when there is none.
QString existingFile(const QString &windowsPath)
{
    const QString host = win::HostPath(windowsPath);
    return (!host.isEmpty() && QFileInfo(host).isFile()) ? host : QString();
}

// Calls a handler from a copy, so a handler that assigns another one runs to its end.
void fire(TNotifyEvent handler, QObject *sender)
{
    if (handler)
        handler(sender);
}

} // namespace

TKovaLanguage::TKovaLanguage(QObject *parent) : TextHolder(parent)
{
    setObjectName(QStringLiteral("KovaLanguage1"));
}

void TKovaLanguage::RegisterWindow(QWidget *window)
{
    m_windows.append(window);
}

QList<QWidget *> TKovaLanguage::windows() const
{
    QList<QWidget *> alive;
    for (const QPointer<QWidget> &w : m_windows) {
        if (w)
            alive.append(w);
    }
    return alive;
}

QList<QPointer<TkovaProvider>> TKovaLanguage::providersInOrder() const
{
    return providersOf(windows());
}

QList<QPointer<TkovaProvider>> TKovaLanguage::providersOf(const QList<QWidget *> &windows)
{
    QList<QPointer<TkovaProvider>> providers;
    for (QWidget *window : windows) {
        if (!window)
            continue;
        for (TkovaProvider *provider : OwnedComponents<TkovaProvider>(window))
            providers.append(provider);
    }
    return providers;
}

bool TKovaLanguage::setTexts(const QList<QPointer<TkovaProvider>> &providers)
{
    // The handlers are the windows' own; one that fails stops the re-texting without a word,
    // as a failed re-text leaves nothing worse than the texts the windows had.
    try {
        for (const QPointer<TkovaProvider> &provider : providers) {
            if (!provider)
                continue;
            provider->setKovaLanguage(this);
            fire(provider->OnNeedSet(), this);
        }
    } catch (...) {
        return false;
    }
    return true;
}

void TKovaLanguage::collectDefaults(const QList<QPointer<TkovaProvider>> &providers)
{
    for (const QPointer<TkovaProvider> &provider : providers) {
        if (!provider)
            continue;
        provider->setKovaLanguage(this);
        fire(provider->OnNeedDefaults(), this);
    }
    for (const QPointer<TkovaProvider> &provider : providers) {
        if (provider)
            fire(provider->OnNeedSet(), this);
    }
}

void TKovaLanguage::RegisterLateWindows(const QList<QWidget *> &windows)
{
    for (QWidget *window : windows)
        RegisterWindow(window);
    if (m_source == Source::File)
        setTexts(providersOf(windows));
    else if (m_source == Source::Defaults)
        collectDefaults(providersOf(windows));
}

bool TKovaLanguage::LoadLanguage()
{
    const QString host = existingFile(m_filename);
    if (host.isEmpty())
        return false;
    QStringList lines;
    if (!ReadLanguageFile(host, &lines))
        return false;
    m_items.setLines(lines);
    m_source = Source::File;

    const QString flagHost = existingFile(FlagFileName(m_filename));
    if (!flagHost.isEmpty()) {
        // The flag pictures take the flag's size: a picture far beyond a flag's would cover the
        // windows, so it is refused from its header, before it is decoded; so is a damaged one.
        const QImage flag = ReadBitmapFile(flagHost, kMaxFlagSide);
        if (!flag.isNull())
            m_flag = flag;
    }

    if (setTexts(providersInOrder())) {
        try {
            fire(m_onNeedSet, this);
        } catch (...) {
        }
    }
    return true;
}

void TKovaLanguage::LoadDefaults()
{
    m_items.clear();
    m_source = Source::Defaults;
    // The providers are taken once, so both passes serve the same ones even if a handler creates
    // or destroys components.
    collectDefaults(providersInOrder());
    fire(m_onNeedDefaults, this);
    fire(m_onNeedSet, this);
}

void TKovaLanguage::LoadFlagResource(const QString &name)
{
    const QImage flag = ResourceBitmap(name);
    if (!flag.isNull())
        m_flag = flag;
}
