// TMouseMove: drags a borderless window by its surface. The window forwards the mouse events of
// its drag surfaces (TKovaPanel's MouseDown, MouseMove, MouseUp, or any widget given to watch());
// while the left button is held, every move shifts the window by how far the pointer has left the
// point where the button went down.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class TMouseMove : public QObject
{
    Q_OBJECT

public:
    // Moves target; owned by it.
    explicit TMouseMove(QWidget *target);

    bool Dragging() const { return m_dragging; }
    int StartX() const { return m_startX; }
    int StartY() const { return m_startY; }
    QWidget *Target() const { return m_target; }

    // Forwards the press, move and release events of a widget (a label or picture on a drag
    // surface) to this object, as a window's handlers would.
    void watch(QWidget *surface);

public Q_SLOTS:
    // buttons: those held (for a press including the pressed one); x, y in the coordinates of
    // the widget that received the press.
    // Starts a drag when the left button is among the buttons.
    void MouseDown(Qt::MouseButtons buttons, int x, int y);
    // While dragging with the left button held, moves the target by (x - StartX, y - StartY),
    // keeping its size; a move without the left button ends the drag.
    void MouseMove(Qt::MouseButtons buttons, int x, int y);
    // Ends the drag, whatever the button.
    void MouseUp(Qt::MouseButtons buttons, int x, int y);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_dragging = false;
    int m_startX = 0;
    int m_startY = 0;
    QPointer<QWidget> m_target;
};
