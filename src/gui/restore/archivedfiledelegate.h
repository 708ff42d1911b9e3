// ArchivedFileDelegate: draws the restore window's file list. Each row keeps the archived name as
// its text; the archived copy's size and modification time, taken from the item's data, are drawn
// right-aligned after it, and a file whose original is gone is greyed and marked.
#pragma once

#include "gui/archivelist/shownnamedelegate.h"

class ArchivedFileDelegate : public ShownNameDelegate
{
    Q_OBJECT

public:
    // The item data the delegate draws from.
    enum Role {
        SizeRole = Qt::UserRole + 1, // qint64: the archived copy's size in bytes
        ModifiedRole,                // QDateTime: its modification time
        DeletedRole,                 // bool: the original no longer exists
    };

    using ShownNameDelegate::ShownNameDelegate;

    // The mark drawn after the time of a deleted original.
    void setDeletedMark(const QString &mark) { m_deletedMark = mark; }
    // What is drawn right-aligned for an item: size, time and the mark; empty without a time.
    QString details(const QModelIndex &index) const;
    // A size in bytes with thousands separators.
    static QString sizeText(qint64 size);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    QString m_deletedMark;
};
