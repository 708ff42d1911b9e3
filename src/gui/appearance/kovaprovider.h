// TkovaProvider: a window's string provider. Through it the window registers its English texts
// and fetches the texts of the language in force by key; the texture image binds the textured
// panels that name it.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <span>

class QWidget;
class TextHolder;

// A key and its English text, as a window registers it.
struct DefaultText
{
    const char *key;
    const char *text; // UTF-8
};

// An event handler; the sender is the component that calls it.
using TNotifyEvent = std::function<void(QObject *sender)>;

class TkovaProvider : public QObject
{
    Q_OBJECT

public:
    // A provider owned by the window; its objectName is "kovaProvider1", as in every window.
    explicit TkovaProvider(QWidget *window);

    // The window that owns the provider.
    QWidget *window() const;

    // Selects the texture image that binds to this provider; 0 at creation.
    int Groupindex() const { return m_groupindex; }
    void setGroupindex(int value) { m_groupindex = value; }

    // The language component; empty until the first LoadDefaults or LoadLanguage.
    TextHolder *KovaLanguage() const;
    void setKovaLanguage(TextHolder *language);

    // The window registers its default texts here (SetDefault, key by key, in its order). Called
    // by LoadDefaults with the language component as sender.
    const TNotifyEvent &OnNeedDefaults() const { return m_onNeedDefaults; }
    void setOnNeedDefaults(TNotifyEvent handler) { m_onNeedDefaults = std::move(handler); }
    // The window applies the current texts to its controls (GetText, key by key). Called by
    // LoadDefaults and LoadLanguage with the language component as sender.
    const TNotifyEvent &OnNeedSet() const { return m_onNeedSet; }
    void setOnNeedSet(TNotifyEvent handler) { m_onNeedSet = std::move(handler); }

    // The text of the key in the language in force; the empty text before the provider has a
    // language component or when the key is missing.
    QString GetText(const QString &key) const;
    // Registers the English default of a key; nothing before the provider has a language component.
    void SetDefault(const QString &key, const QString &text);
    // Registers every text of a window's table, in the table's order.
    void SetDefaults(std::span<const DefaultText> texts);
    // The English text of a key in a table; empty when the table does not hold the key.
    static QString DefaultTextOf(std::span<const DefaultText> texts, const QString &key);

private:
    int m_groupindex = 0;
    QPointer<TextHolder> m_kovaLanguage;
    TNotifyEvent m_onNeedDefaults;
    TNotifyEvent m_onNeedSet;
};
