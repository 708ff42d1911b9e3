// The splitter bar of the archive list page.
#include "splitter.h"

#include <QMouseEvent>
#include <QPainter>

TSplitter::TSplitter(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent), m_orientation(orientation)
{
    setCursor(orientation == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
    setMouseTracking(true);
}

void TSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    const QPoint global = event->globalPosition().toPoint();
    m_last = m_orientation == Qt::Horizontal ? global.x() : global.y();
}

void TSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QPoint global = event->globalPosition().toPoint();
    const int now = m_orientation == Qt::Horizontal ? global.x() : global.y();
    if (now != m_last) {
        const int delta = now - m_last;
        m_last = now;
        Q_EMIT dragged(delta);
    }
}

void TSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    Q_EMIT Moved();
}

void TSplitter::paintEvent(QPaintEvent *)
{
    // The bar shows through as the page's texture, with a light and a dark line along it.
    QPainter painter(this);
    const QRect r = rect();
    if (m_orientation == Qt::Horizontal) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(r.left() + 1, r.top(), r.left() + 1, r.bottom());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(r.right() - 1, r.top(), r.right() - 1, r.bottom());
    } else {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(r.left(), r.top() + 1, r.right(), r.top() + 1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
    }
}
