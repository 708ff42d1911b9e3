// ZoomPlacements: the places of a window's controls in its normal and its large layout.
#pragma once

#include <QRect>

#include <vector>

class QWidget;

class ZoomPlacements
{
public:
    // Gives a control its places in both layouts and puts it at the normal one.
    void place(QWidget *widget, const QRect &normal, const QRect &large);
    // Gives a placed control a new size in both layouts, keeping its places.
    void resize(QWidget *widget, QSize size);
    // Puts every placed control at its place in the layout; with within, only those inside it.
    void apply(bool large, const QWidget *within = nullptr) const;

private:
    struct Placement
    {
        QWidget *widget;
        QRect normal;
        QRect large;
    };
    std::vector<Placement> m_placements;
};
