// The components that a window owns, found the same way by the language component, the texture
// image and the providers.
#pragma once

#include <QList>
#include <QObject>
#include <QWidget>

namespace appearance_detail {

template <class T> void collectOwned(const QObject *object, QList<T *> *found)
{
    for (QObject *child : object->children()) {
        // A window below another one (a dialog with a parent) owns its own components.
        if (child->isWidgetType() && static_cast<QWidget *>(child)->isWindow())
            continue;
        if (T *component = qobject_cast<T *>(child))
            found->append(component);
        collectOwned(child, found);
    }
}

} // namespace appearance_detail

// The window's components of type T in creation order: its descendants depth first, each before
// its own children, leaving out other windows and what they hold.
template <class T> QList<T *> OwnedComponents(const QWidget *window)
{
    QList<T *> found;
    if (window)
        appearance_detail::collectOwned(window, &found);
    return found;
}
