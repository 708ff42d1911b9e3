// The shared text list of the string providers: lines "key=text", looked up by key (an exact key
// first, else the first line the key begins), and the reading of language files (.LNG) into such
// lines. Shows nothing, so the Archiver can use it too.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TextList
{
public:
    const QStringList &lines() const { return m_lines; }
    void setLines(const QStringList &lines) { m_lines = lines; }
    void clear() { m_lines.clear(); }

    // Appends key + "=" + text as it stands: no check for duplicates, no trimming.
    void AddText(const QString &key, const QString &text);

    // The text of a key. Keys compare the ASCII letters a to z without regard to case and every
    // other character exactly. The first line that holds exactly the key (the key, then "=" or
    // nothing, spaces aside) answers; without one, the first line that merely begins with the key
    // does, so "Language" finds its own line even below "LanguageButton". The text is what follows
    // the line's first "=" (the whole line when it has none), without leading and trailing
    // characters of codes 0 to 32. An empty key, or a key that no line begins with, gives the
    // empty text.
    QString FindText(const QString &key) const;

private:
    QStringList m_lines;
};

// The lines of a language file's bytes: the text ends at the first NUL byte, lines end at CR LF,
// at a lone LF or at a lone CR, and the bytes are characters of the system's ANSI code page. A
// final line break does not start another line.
QStringList SplitLanguageText(QByteArray bytes);

// Reads a language file (host path) into lines; false, with lines untouched, when it cannot be read.
bool ReadLanguageFile(const QString &hostPath, QStringList *lines);

// The flag bitmap beside a language file (Windows path): the first ".lng" of the file name
// (case-sensitive) is cut after its dot and "flg" is appended, so 'C:\L\French.lng' gives
// 'C:\L\French.flg'; a name without the lower-case ".lng" keeps all of itself ('FRENCH.LNGflg').
QString FlagFileName(const QString &languageFile);

// The text without leading and trailing characters of codes 0 to 32.
QString TrimControlCharacters(QStringView text);
