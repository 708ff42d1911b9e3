// The wait window while the Archiver stops.
#include "varakozf.h"

#include "core/archiverlink/communicator.h"
#include "mainwindowlink.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/windowparts.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

TvarakozF::TvarakozF(MainWindowLink *link, QWidget *parent)
    : TPanelWindow(QStringLiteral("varakozF"), QSize(355, 47), false, parent), m_link(link)
{
    setCursor(Qt::WaitCursor);
    Label1 = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(6, 14, 343, 20));
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(palette);
    Label1->setText(QStringLiteral("Stopping Archiver..."));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TvarakozF::Timer1Timer);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("StopArchiverInfo"), QStringLiteral("Stopping Archiver..."));
        kovaProvider1->SetDefault(QStringLiteral("MessageCantStopArchiver"),
                                  QStringLiteral("Can not stop the Archiver!"));
    });
    kovaProvider1->setOnNeedSet(
        [this](QObject *) { Label1->setText(kovaProvider1->GetText(QStringLiteral("StopArchiverInfo"))); });
}

void TvarakozF::FormActivate()
{
    Communicator &communicator = m_link->communicator();
    if (win::HWND archiver = communicator.FindArchiver())
        communicator.CloseArchiver(archiver);
    // The timer runs even when the Archiver has already gone: its first tick closes the window,
    // which never waits without it.
    ticks = 0;
    Timer1->start();
}

void TvarakozF::Timer1Timer()
{
    Communicator &communicator = m_link->communicator();
    win::HWND archiver = communicator.FindArchiver();
    if (archiver && ticks != kMaxTicks) {
        ++ticks;
        communicator.CloseArchiver(archiver);
        return;
    }
    Timer1->stop();
    if (ticks == kMaxTicks)
        m_link->showInfo(kovaProvider1->GetText(QStringLiteral("MessageCantStopArchiver")), QString());
    accept();
}

void TvarakozF::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    TPanelWindow::showEvent(event);
    m_switchedAway = false;
    FormActivate();
}

void TvarakozF::hideEvent(QHideEvent *event)
{
    // However the window goes, it stops asking.
    Timer1->stop();
    TPanelWindow::hideEvent(event);
}

void TvarakozF::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isVisible()) {
        if (!isActiveWindow()) {
            m_switchedAway = true;
        } else if (m_switchedAway) {
            m_switchedAway = false;
            FormActivate();
        }
    }
    TPanelWindow::changeEvent(event);
}

void TvarakozF::keyPressEvent(QKeyEvent *event)
{
    // Escape would close the window while the Archiver is still being asked to stop.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    TPanelWindow::keyPressEvent(event);
}
