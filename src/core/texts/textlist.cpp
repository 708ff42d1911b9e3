// The shared text list and the language file reader.
#include "textlist.h"

#include "core/platform/codepage.h"

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

// Whether a line that begins with a key of keySize characters holds exactly that key: what
// follows it is, past spaces and control characters, an "=" or nothing at all.
bool isExactKey(QStringView line, qsizetype keySize)
{
    for (qsizetype i = keySize; i < line.size(); ++i) {
        if (line[i] == u'=')
            return true;
        if (line[i].unicode() > 32)
            return false;
    }
    return true;
}

// The text of a line: what follows its first "=" (all of it when it has none), trimmed.
QString textOfLine(QStringView line)
{
    const qsizetype eq = line.indexOf(u'=');
    return TrimControlCharacters(eq < 0 ? line : line.mid(eq + 1));
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
    // A line of exactly this key wins wherever it stands; otherwise the first line that merely
    // begins with the key answers, as language files written for the prefix lookup expect.
    const QString *firstPrefixLine = nullptr;
    for (const QString &line : m_lines) {
        if (!startsWithKey(line, key))
            continue;
        if (isExactKey(line, key.size()))
            return textOfLine(line);
        if (!firstPrefixLine)
            firstPrefixLine = &line;
    }
    return firstPrefixLine ? textOfLine(*firstPrefixLine) : QString();
}

QStringList SplitLanguageText(QByteArray bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    // A byte-order mark written by an editor is not part of the first key.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
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
