// Showing names with their control characters written out.
#include "shownname.h"

namespace {

bool actsInsteadOfShowing(char16_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;
    switch (c) {
    case 0x061C: // arabic letter mark
    case 0x200E: // left-to-right mark
    case 0x200F: // right-to-left mark
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    }
}

} // namespace

QString shownName(QStringView text)
{
    qsizetype first = 0;
    while (first < text.size() && !actsInsteadOfShowing(text[first].unicode()))
        ++first;
    if (first == text.size())
        return text.toString();
    QString shown = text.first(first).toString();
    shown.reserve(text.size() + 16);
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (actsInsteadOfShowing(c))
            shown += QStringLiteral("<U+%1>").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        else
            shown += QChar(c);
    }
    return shown;
}
