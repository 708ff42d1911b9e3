// Finds a window's control by its objectName, as the language machinery and the screenshots do.
#pragma once

#include <QObject>
#include <QTest>
#include <QWidget>

// The child of window named name, of type T; a test that asks for a missing control fails.
template <typename T = QWidget> T *control(const QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qWarning("no control %s in %s", name, qPrintable(window->objectName()));
    return found;
}

// Clicks a window's control by its objectName.
inline void clickControl(const QObject *window, const char *name)
{
    if (QWidget *widget = control<QWidget>(window, name))
        QTest::mouseClick(widget, Qt::LeftButton);
}
