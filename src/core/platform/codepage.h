// The system's ANSI code page: how single-byte text (registry strings, list files, language
// files) is turned into characters and back.
//
// The code page is the registry value HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage\ACP.
// 65001 (UTF-8) is what a new prefix gets; 1250 and 1252 are honoured for files written on
// Windows; anything else is taken as 1252.
#pragma once

#include <QByteArray>
#include <QString>

namespace win {

class AnsiCodePage
{
public:
    // The code page number in force, read from the registry once per prefix.
    static unsigned current();
    // Forgets the cached number (tests that change the value or the prefix).
    static void reset();

    // Text to bytes of the current code page. A character the code page cannot hold makes the
    // result fail (ok false) rather than be written as something else.
    static QByteArray encode(const QString &text, bool *ok = nullptr);
    // Bytes of the current code page to text; bytes without a character map to U+FFFD (UTF-8)
    // or to the control character of the same number (single-byte pages), as Windows maps them.
    static QString decode(const QByteArray &bytes);
    static QString decode(const char *data, qsizetype size);

    // The same, for a given code page.
    static QByteArray encode(unsigned codePage, const QString &text, bool *ok = nullptr);
    static QString decode(unsigned codePage, const char *data, qsizetype size);
};

} // namespace win
