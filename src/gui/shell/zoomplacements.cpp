// The places of controls in the two layouts.
#include "zoomplacements.h"

#include <QWidget>

void ZoomPlacements::place(QWidget *widget, const QRect &normal, const QRect &large)
{
    m_placements.push_back({widget, normal, large});
    widget->setGeometry(normal);
}

void ZoomPlacements::resize(QWidget *widget, QSize size)
{
    widget->resize(size);
    for (Placement &p : m_placements) {
        if (p.widget == widget) {
            p.normal.setSize(size);
            p.large.setSize(size);
        }
    }
}

void ZoomPlacements::apply(bool large, const QWidget *within) const
{
    for (const Placement &p : m_placements) {
        if (!within || within->isAncestorOf(p.widget))
            p.widget->setGeometry(large ? p.large : p.normal);
    }
}
