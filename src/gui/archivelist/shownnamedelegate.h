// ShownNameDelegate: draws an item view's names as shownName shows them, so that a name with
// control characters in it is seen written out while the item keeps the name itself.
#pragma once

#include <QStyledItemDelegate>

class ShownNameDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
};
