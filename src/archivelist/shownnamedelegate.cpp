// Item names drawn with their control characters written out.
#include "shownnamedelegate.h"

#include "platform/shownname.h"

QString ShownNameDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    return shownName(QStyledItemDelegate::displayText(value, locale));
}
