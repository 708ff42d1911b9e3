// The shared text list and the language file reader.
#include "textlist.h"

#include "platform/codepage.h"

#include <QFile>

namespace {

inline char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

// Whether line begins with key, ASCII letters compared without case.
bool startsWithKey(QStringView line, QStringView key)
{
    if (line.size() < key.size())
        return false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (asciiUpper(line[i].unicode()) != asciiUpper(key[i].unicode()))
            return false;
    }
    return true;
}

} // namespace

void TextList::AddText(const QString &key, const QString &text)
{
    m_lines.append(key + QLatin1Char('=') + text);
}

QString TextList::FindText(const QString &key) const
{
    if (key.isEmpty())
        return QString();
    for (const QString &line : m_lines) {
        if (!startsWithKey(line, key))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        return TrimControlCharacters(eq < 0 ? QStringView(line) : QStringView(line).mid(eq + 1));
    }
    return QString();
}

QStringList SplitLanguageText(QByteArray bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    // CR and LF are the same bytes in every code page the system reads, so the lines can be cut
    // before the bytes become characters.
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(win::AnsiCodePage::decode(bytes.constData() + start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(win::AnsiCodePage::decode(bytes.constData() + start, size - start));
    return lines;
}

bool ReadLanguageFile(const QString &hostPath, QStringList *lines)
{
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    *lines = SplitLanguageText(bytes);
    return true;
}

QString FlagFileName(const QString &languageFile)
{
    const qsizetype cut =
        std::max(languageFile.lastIndexOf(QLatin1Char('\\')), languageFile.lastIndexOf(QLatin1Char(':')));
    const QString folder = languageFile.left(cut + 1);
    QString name = languageFile.mid(cut + 1);
    const qsizetype ext = name.indexOf(QLatin1String(".lng"), 0, Qt::CaseSensitive);
    if (ext >= 0)
        name.truncate(ext + 1);
    return folder + name + QLatin1String("flg");
}

QString TrimControlCharacters(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin).toString();
}
