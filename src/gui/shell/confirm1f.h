// Tconfirm1F: the yes/no confirmation window, optionally with a Yes button that unlocks only
// after a delay. Callers set both lines, start the delay when they want it, and show it modally.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QToolButton;
class TKovaPanel;
class TkovaProvider;

class Tconfirm1F : public QDialog
{
    Q_OBJECT

public:
    explicit Tconfirm1F(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // Yes
    QToolButton *SpeedButton2 = nullptr; // No
    QTimer *Timer1 = nullptr;            // the delay, 5000 ms, off until a caller starts it
    TkovaProvider *kovaProvider1 = nullptr;
    TKovaPanel *Panel1 = nullptr;

    // Set by a caller that wants the delayed Yes; cleared by the timer.
    bool delayMode = false;
    // Set by the timer.
    bool delayElapsed = false;

    // The delayed Yes: delay mode on, the timer started, Yes disabled until it ticks. A delay
    // started again begins anew, whatever an earlier one left.
    void startDelay();

    // Sets both lines and shows the window modally; true for Yes.
    bool ask(const QString &first, const QString &second = QString());

    void SpeedButton1Click();
    void SpeedButton2Click();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent *event) override;
};
