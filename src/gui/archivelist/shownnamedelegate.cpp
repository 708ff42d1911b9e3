// Item names drawn with their control characters written out.
#include "shownnamedelegate.h"

#include "core/platform/shownname.h"

QString ShownNameDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    // Before the base class turns a line feed into a line separator of its own.
    if (value.typeId() == QMetaType::QString)
        return shownName(value.toString());
    return QStyledItemDelegate::displayText(value, locale);
}
