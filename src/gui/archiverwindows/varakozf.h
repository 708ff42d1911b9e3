// TvarakozF: the wait window shown while the Archiver stops. It asks the Archiver to end when it
// is activated and again once a second; when the Archiver's window is gone it closes, and when
// the Archiver has not ended after 120 more requests it says so and closes.
#pragma once

#include "gui/appearance/panelwindow.h"

class MainWindowLink;
class QLabel;
class QTimer;

class TvarakozF : public TPanelWindow
{
    Q_OBJECT

public:
    // The requests after the first one before the window gives up.
    static constexpr qint32 kMaxTicks = 120;

    explicit TvarakozF(MainWindowLink *link, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    // One tick a second while the window waits; tests shorten the interval.
    QTimer *Timer1 = nullptr;
    qint32 ticks = 0;

    // Asks the Archiver to end and starts counting anew.
    void FormActivate();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    MainWindowLink *m_link;
    // The user switched to another window while this one waited; coming back is an activation.
    bool m_switchedAway = false;
};
