// TSpinEdit: the settings page's number box. A text that is not a number reads as the minimum,
// and a typed number outside the range is pulled to the nearer bound when the box loses the focus.
#pragma once

#include <QSpinBox>

class TSpinEdit : public QSpinBox
{
    Q_OBJECT

public:
    TSpinEdit(int minimum, int maximum, QWidget *parent = nullptr);

    // The number the box shows; its minimum when the text is not a number.
    int Value() const;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    void focusOutEvent(QFocusEvent *event) override;
};
