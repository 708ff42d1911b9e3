// The progress window.
#include "savef.h"

#include "windowplacement.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>

TsaveF::TsaveF(QWidget *parent, QWidget *mainWindow)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Tool), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("saveF"));
    setFixedSize(293, 47);
    kovaProvider1 = new TkovaProvider(this);
    Panel1 = makeWindowPanel(this, kovaProvider1);
    Label1 = makeCentredLabel(Panel1, QStringLiteral("Label1"), QRect(6, 14, 281, 20));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TsaveF::Timer1Timer);
}

void TsaveF::showProgress(const QString &text)
{
    done = false;
    Label1->setText(text);
    show();
    raise();
    repaint();
}

void TsaveF::Timer1Timer()
{
    if (!done)
        return;
    Timer1->stop();
    hide();
    if (m_mainWindow) {
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
}

// The timer starts when the window shows as well as when it becomes active: a progress window
// that the window manager never activates must still go away.
void TsaveF::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    QWidget::showEvent(event);
    Timer1->start();
}

void TsaveF::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !Timer1->isActive())
        Timer1->start();
    QWidget::changeEvent(event);
}
