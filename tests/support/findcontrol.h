// Finds a window's control by its objectName, as the language machinery and the screenshots do.
#pragma once

#include <QListWidget>
#include <QObject>
#include <QTest>
#include <QWidget>

// The child of window named name, of type T; a missing one ends the test run with its name.
template <typename T = QWidget> T *control(const QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s of the type asked for in %s", name, qPrintable(window->objectName()));
    return found;
}

// Clicks a window's control by its objectName.
inline void clickControl(const QObject *window, const char *name)
{
    if (QWidget *widget = control<QWidget>(window, name))
        QTest::mouseClick(widget, Qt::LeftButton);
}

// The texts of a list's entries, in order.
inline QStringList listed(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}
