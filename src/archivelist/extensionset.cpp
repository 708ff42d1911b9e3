// Extension set texts.
#include "extensionset.h"

namespace extensionset {

QStringList entriesOf(QString set)
{
    if (set.endsWith(QLatin1Char(']')))
        set.chop(1);
    if (set.isEmpty())
        return {everyFile()};
    // Every piece ends with a ";", the last one with the one put after the set.
    QStringList pieces = (set + QLatin1Char(';')).split(QLatin1Char(';'));
    pieces.removeLast();
    return pieces;
}

QString setOf(const QStringList &entries)
{
    QString set;
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        set += *it + QLatin1Char(';');
    set.chop(1);
    return set.isEmpty() ? everyFile() : set;
}

QString typedExtension(const QString &typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return text;
    if (text.startsWith(QLatin1Char('*')))
        text.remove(0, 1);
    if (text.startsWith(QLatin1Char('.')))
        text.remove(0, 1);
    return QLatin1Char('.') + text;
}

void normalise(QStringList &entries)
{
    if (entries.isEmpty())
        entries.append(everyFile());
    else
        entries.removeAll(everyFile());
}

bool containsEntry(const QStringList &entries, const QString &text)
{
    return entries.contains(text, Qt::CaseInsensitive);
}

} // namespace extensionset
