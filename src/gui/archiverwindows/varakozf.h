// TvarakozF: the wait window shown while the Archiver stops. It asks the Archiver to end when it
// is activated and again once a second; when the Archiver's window is gone it closes, and when
// the Archiver has not ended after 120 more requests it says so and closes.
#pragma once

#include "gui/appearance/panelwindow.h"

class Communicator;
class PanelDialogs;
class QTimer;

class TvarakozF : public TPanelWindow
{
    Q_OBJECT

public:
    // The requests after the first one before the window gives up.
    static constexpr qint32 kMaxTicks = 120;

    TvarakozF(Communicator &communicator, PanelDialogs &dialogs, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private Q_SLOTS:
    // Asks the Archiver to end and starts counting anew.
    void askArchiverToEnd();
    // One tick: asks again while the Archiver is there, else closes.
    void checkArchiverEnded();

private:
    Communicator &m_communicator;
    PanelDialogs &m_dialogs;
    // One tick a second while the window waits (objectName "Timer1").
    QTimer *tickTimer = nullptr;
    qint32 m_ticks = 0;
    // The user switched to another window while this one waited; coming back is an activation.
    bool m_switchedAway = false;
};
