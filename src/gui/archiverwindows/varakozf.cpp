// The wait window while the Archiver stops.
#include "varakozf.h"

#include "core/archiverlink/communicator.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/windowparts.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

TvarakozF::TvarakozF(Communicator &communicator, PanelDialogs &dialogs, QWidget *parent)
    : TPanelWindow(QStringLiteral("varakozF"), QSize(355, 47), false, parent), m_communicator(communicator),
      m_dialogs(dialogs)
{
    setCursor(Qt::WaitCursor);
    QLabel *infoLabel = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(6, 14, 343, 20));
    QPalette palette = infoLabel->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    infoLabel->setPalette(palette);
    infoLabel->setText(QStringLiteral("Stopping Archiver..."));

    tickTimer = new QTimer(this);
    tickTimer->setObjectName(QStringLiteral("Timer1"));
    tickTimer->setInterval(1000);
    connect(tickTimer, &QTimer::timeout, this, &TvarakozF::checkArchiverEnded);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("StopArchiverInfo"), QStringLiteral("Stopping Archiver..."));
        kovaProvider1->SetDefault(QStringLiteral("MessageCantStopArchiver"),
                                  QStringLiteral("Can not stop the Archiver!"));
    });
    kovaProvider1->setOnNeedSet([this, infoLabel](QObject *) {
        infoLabel->setText(kovaProvider1->GetText(QStringLiteral("StopArchiverInfo")));
    });
}

void TvarakozF::askArchiverToEnd()
{
    if (win::HWND archiver = m_communicator.FindArchiver())
        m_communicator.CloseArchiver(archiver);
    // The timer runs even when the Archiver has already gone: its first tick closes the window,
    // which never waits without it.
    m_ticks = 0;
    tickTimer->start();
}

void TvarakozF::checkArchiverEnded()
{
    win::HWND archiver = m_communicator.FindArchiver();
    if (archiver && m_ticks != kMaxTicks) {
        ++m_ticks;
        m_communicator.CloseArchiver(archiver);
        return;
    }
    tickTimer->stop();
    if (m_ticks == kMaxTicks)
        m_dialogs.inform(kovaProvider1->GetText(QStringLiteral("MessageCantStopArchiver")), QString());
    accept();
}

void TvarakozF::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    TPanelWindow::showEvent(event);
    m_switchedAway = false;
    askArchiverToEnd();
}

void TvarakozF::hideEvent(QHideEvent *event)
{
    // However the window goes, it stops asking.
    tickTimer->stop();
    TPanelWindow::hideEvent(event);
}

void TvarakozF::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isVisible()) {
        if (!isActiveWindow()) {
            m_switchedAway = true;
        } else if (m_switchedAway) {
            m_switchedAway = false;
            askArchiverToEnd();
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
