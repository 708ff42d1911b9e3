// The settings page's number box.
#include "spinedit.h"

#include <QLineEdit>

#include <algorithm>

TSpinEdit::TSpinEdit(int minimum, int maximum, QWidget *parent) : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false);
}

int TSpinEdit::Value() const
{
    const QString text = lineEdit()->text().trimmed();
    if (text.isEmpty())
        return minimum();
    for (const QChar c : text)
        if (!c.isDigit())
            return minimum();
    // A run of digits too long for a number is above every range.
    bool ok = false;
    const qlonglong typed = text.toLongLong(&ok);
    if (!ok)
        return maximum();
    return int(std::clamp<qlonglong>(typed, minimum(), maximum()));
}

QValidator::State TSpinEdit::validate(QString &input, int &) const
{
    // Any run of digits may be typed; a number outside the range waits for the focus to leave.
    const QString text = input.trimmed();
    if (text.isEmpty())
        return QValidator::Intermediate;
    for (const QChar c : text)
        if (!c.isDigit())
            return QValidator::Invalid;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return QValidator::Intermediate;
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString &input) const
{
    // An empty or unreadable text reads as the minimum; a number is pulled to the nearer bound.
    input = QString::number(Value());
}

void TSpinEdit::focusOutEvent(QFocusEvent *event)
{
    const int wanted = Value();
    QSpinBox::focusOutEvent(event);
    if (value() != wanted)
        setValue(wanted);
}
