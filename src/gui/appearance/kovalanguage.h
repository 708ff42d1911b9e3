// TKovaLanguage: the single language component. It holds the text list that all windows share,
// the flag of the language in force and the list of registered windows, and re-texts those
// windows through their providers when the language changes.
#pragma once

#include "kovaprovider.h"
#include "textholder.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class TKovaLanguage : public TextHolder
{
    Q_OBJECT

public:
    // Flag files wider or higher than this are refused; the windows lay flags out for 35 by 22.
    static constexpr int kMaxFlagSide = 256;

    explicit TKovaLanguage(QObject *parent = nullptr);

    // Full Windows path of the language file that LoadLanguage reads; set before each load.
    const QString &Filename() const { return m_filename; }
    void setFilename(const QString &path) { m_filename = path; }

    // The flag of the language in force.
    const QImage &Flag() const { return m_flag; }
    void setFlag(const QImage &flag) { m_flag = flag; }

    // Always "English"; nothing changes or reads it.
    QString Language() const { return QStringLiteral("English"); }

    // Called once at the end of LoadDefaults (OnNeedDefaults, then OnNeedSet) and of LoadLanguage
    // (OnNeedSet), after all windows.
    const TNotifyEvent &OnNeedDefaults() const { return m_onNeedDefaults; }
    void setOnNeedDefaults(TNotifyEvent handler) { m_onNeedDefaults = std::move(handler); }
    const TNotifyEvent &OnNeedSet() const { return m_onNeedSet; }
    void setOnNeedSet(TNotifyEvent handler) { m_onNeedSet = std::move(handler); }

    // Appends a window to the window list (referenced, not owned; duplicates are kept). Windows
    // are re-texted in the order of registration, so for a key that several windows register the
    // window registered first gives the English default.
    void RegisterWindow(QWidget *window);
    // The registered windows that still exist, in registration order.
    QList<QWidget *> windows() const;
    // Appends windows made after the text list was loaded and gives them what the windows
    // registered before have: when the list was built from the English defaults, their defaults
    // are added after the others' (OnNeedDefaults), then their texts are set (OnNeedSet). Before
    // any load this only registers them. The list and the texts come out as if the windows had
    // been registered before the load.
    void RegisterLateWindows(const QList<QWidget *> &windows);

    // Loads the file named by Filename into the text list, its flag (see FlagFileName) into
    // Flag, and re-texts every registered window (OnNeedSet of each provider). A missing or
    // unreadable file changes nothing and gives false; a missing, unreadable or too large flag
    // keeps the previous flag. A handler that fails ends the re-texting quietly, and later windows keep
    // their texts.
    bool LoadLanguage();
    // Rebuilds the text list from the English defaults of all registered windows (every
    // provider's OnNeedDefaults, in order), then re-texts them all (every OnNeedSet). A
    // handler's failure reaches the caller.
    void LoadDefaults();
    // Loads Flag from the program's bitmap resource of that name ("defflag", the English flag);
    // a name without a resource keeps the previous flag.
    void LoadFlagResource(const QString &name);

private:
    // Where the text list came from last.
    enum class Source { None, Defaults, File };

    QList<QPointer<TkovaProvider>> providersInOrder() const;
    static QList<QPointer<TkovaProvider>> providersOf(const QList<QWidget *> &windows);
    // The passes of a load over some providers, as LoadLanguage and LoadDefaults run them.
    // setTexts is false when a handler failed and ended the re-texting.
    bool setTexts(const QList<QPointer<TkovaProvider>> &providers);
    void collectDefaults(const QList<QPointer<TkovaProvider>> &providers);

    QString m_filename;
    QImage m_flag;
    TNotifyEvent m_onNeedDefaults;
    TNotifyEvent m_onNeedSet;
    QList<QPointer<QWidget>> m_windows;
    Source m_source = Source::None;
};
