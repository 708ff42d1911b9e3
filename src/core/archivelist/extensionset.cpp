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

QStringList matchedEntries(const QString &set)
{
    QStringList result;
    for (const QString &entry : set.split(QLatin1Char(';'))) {
        const QString trimmed = entry.trimmed();
        if (!trimmed.isEmpty())
            result.append(trimmed);
    }
    return result;
}

QString setProblem(const QString &nodeText, bool fileItem)
{
    const qsizetype open = nodeText.indexOf(QLatin1String(" ["));
    if (open < 0)
        return QString();
    if (fileItem)
        return QStringLiteral("a file item holds a set, which is not used");
    if (!nodeText.endsWith(QLatin1Char(']')))
        return QStringLiteral("the set is not closed by \"]\"");
    const QStringList entries = matchedEntries(nodeText.mid(open + 2, nodeText.size() - open - 3));
    if (entries.isEmpty())
        return QStringLiteral("the set has no entry: nothing is archived through it");
    for (const QString &entry : entries) {
        if (entry == everyFile())
            continue;
        bool extension = entry.startsWith(QLatin1Char('.'));
        for (qsizetype i = 1; extension && i < entry.size(); ++i)
            extension = !QStringView(u".\\/:*?\"<>|[]").contains(entry[i]);
        if (!extension)
            return QStringLiteral("the set's entry \"%1\" is no extension such as .doc: it matches no file")
                .arg(entry);
    }
    return QString();
}

} // namespace extensionset
