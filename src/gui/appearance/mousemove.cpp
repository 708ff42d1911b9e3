// Dragging a borderless window by its surface.
#include "mousemove.h"

#include <QMouseEvent>

TMouseMove::TMouseMove(QWidget *target) : QObject(target), m_target(target) {}

void TMouseMove::MouseDown(Qt::MouseButtons buttons, int x, int y)
{
    if (!(buttons & Qt::LeftButton))
        return;
    m_dragging = true;
    m_startX = x;
    m_startY = y;
}

void TMouseMove::MouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!(buttons & Qt::LeftButton) || !m_dragging) {
        m_dragging = false;
        return;
    }
    if ((x == m_startX && y == m_startY) || !m_target)
        return;
    // The pressed widget moves with the window, so the pointer comes back to the start point in
    // its coordinates and the start point never needs updating.
    m_target->move(m_target->x() + x - m_startX, m_target->y() + y - m_startY);
}

void TMouseMove::MouseUp(Qt::MouseButtons, int, int)
{
    m_dragging = false;
}

void TMouseMove::watch(QWidget *surface)
{
    surface->installEventFilter(this);
    surface->setMouseTracking(true);
}

bool TMouseMove::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint p = mouse->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress)
            MouseDown(mouse->buttons(), p.x(), p.y());
        else if (event->type() == QEvent::MouseMove)
            MouseMove(mouse->buttons(), p.x(), p.y());
        else
            MouseUp(mouse->buttons(), p.x(), p.y());
        // The event goes on to the widget, which may have a click of its own.
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
