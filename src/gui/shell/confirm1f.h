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

    TkovaProvider *kovaProvider1 = nullptr;

    // The delayed Yes: delay mode on, the timer started, Yes disabled until it ticks. A delay
    // started again begins anew, whatever an earlier one left.
    void startDelay();
    // A question without the delayed Yes: whatever an earlier delay left is cleared.
    void clearDelay();
    // Whether a delay is on and has not yet ticked.
    bool delaying() const { return m_delayMode && !m_delayElapsed; }

    // Sets both lines and shows the window modally; true for Yes.
    bool ask(const QString &first, const QString &second = QString());

protected:
    void showEvent(QShowEvent *event) override;

private:
    void answerYes();
    void delayOver();

    TKovaPanel *m_panel = nullptr;
    QLabel *m_firstLine = nullptr;
    QLabel *m_secondLine = nullptr;
    QToolButton *m_yesButton = nullptr;
    QToolButton *m_noButton = nullptr;
    QTimer *m_delay = nullptr; // 5000 ms, off until a caller starts it
    // Set by a caller that wants the delayed Yes; cleared by the timer.
    bool m_delayMode = false;
    // Set by the timer.
    bool m_delayElapsed = false;
};
