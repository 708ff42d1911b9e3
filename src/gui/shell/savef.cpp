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
    m_panel = makeWindowPanel(this, kovaProvider1);
    m_line = makeCentredLabel(m_panel, QStringLiteral("Label1"), QRect(6, 14, 281, 20));
    m_ticks = new QTimer(this);
    m_ticks->setObjectName(QStringLiteral("Timer1"));
    m_ticks->setInterval(500);
    connect(m_ticks, &QTimer::timeout, this, &TsaveF::tick);
}

void TsaveF::showProgress(const QString &text)
{
    done = false;
    m_line->setText(text);
    show();
    raise();
    repaint();
}

void TsaveF::tick()
{
    if (!done)
        return;
    m_ticks->stop();
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
    m_ticks->start();
}

void TsaveF::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_ticks->isActive())
        m_ticks->start();
    QWidget::changeEvent(event);
}

void TsaveF::setLine(const QString &text)
{
    m_line->setText(text);
}
