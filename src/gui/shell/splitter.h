// TSplitter: the 6-pixel bar between two panes of the archive list page.
#pragma once

#include <QWidget>

// Dragging the bar asks the owner to move the boundary; the owner keeps both sides at their
// minimums.
class TSplitter : public QWidget
{
    Q_OBJECT

public:
    TSplitter(Qt::Orientation orientation, QWidget *parent);

    Qt::Orientation orientation() const { return m_orientation; }

Q_SIGNALS:
    // delta: how far the pointer has moved since the last report, along the splitter's axis.
    void dragged(int delta);
    // The drag has ended (the button went up).
    void Moved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::Orientation m_orientation;
    bool m_dragging = false;
    int m_last = 0;
};
