// The restore window's file list rows.
#include "archivedfiledelegate.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QPainter>

namespace {
constexpr int kGap = 8; // between the name and the details
}

QString ArchivedFileDelegate::sizeText(qint64 size)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale.toString(size);
}

QString ArchivedFileDelegate::details(const QModelIndex &index) const
{
    const QDateTime modified = index.data(ModifiedRole).toDateTime();
    if (!modified.isValid())
        return QString();
    QString text = sizeText(index.data(SizeRole).toLongLong()) + QStringLiteral("  ") +
                   modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    if (index.data(DeletedRole).toBool())
        text += QStringLiteral("  ") + m_deletedMark;
    return text;
}

void ArchivedFileDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const bool deleted = index.data(DeletedRole).toBool();
    if (deleted) {
        const QColor grey = item.palette.color(QPalette::Disabled, QPalette::Text);
        item.palette.setColor(QPalette::Text, grey);
        item.palette.setColor(QPalette::HighlightedText, grey);
    }
    const QString right = details(index);
    const int detailsWidth = right.isEmpty() ? 0 : item.fontMetrics.horizontalAdvance(right) + kGap;
    // The name gets what the details leave; a long name is cut short with an ellipsis.
    item.text = item.fontMetrics.elidedText(item.text, item.textElideMode,
                                            std::max(0, item.rect.width() - detailsWidth - 2 * kGap));
    const QWidget *widget = item.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    if (right.isEmpty())
        return;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color((item.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                             : QPalette::Text));
    painter->drawText(item.rect.adjusted(0, 0, -kGap / 2, 0), Qt::AlignRight | Qt::AlignVCenter, right);
    painter->restore();
}
