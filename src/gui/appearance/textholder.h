// TextHolder: the text list that the windows' string providers fill with their defaults and read
// their texts from. The language component is one; the providers know it only through this base,
// so they need not know how languages load or which windows are re-texted.
#pragma once

#include "core/texts/textlist.h"

#include <QObject>

class TextHolder : public QObject
{
public:
    using QObject::QObject;

    // The text list, one "key=text" line each.
    const QStringList &Items() const { return m_items.lines(); }
    void setItems(const QStringList &lines) { m_items.setLines(lines); }

    // The text of the key in the text list; see TextList::FindText.
    QString FindText(const QString &key) const { return m_items.FindText(key); }
    // Appends key + "=" + text to the text list.
    void AddText(const QString &key, const QString &text) { m_items.AddText(key, text); }

protected:
    TextList m_items;
};
