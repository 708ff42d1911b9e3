// What the tests of the language and texture windows share: a panel with files in its program
// folder, and the opening of a window from its button with steps run while it is open.
#pragma once

#include "findcontrol.h"
#include "testfiles.h"
#include "testpanel.h"

#include <QFile>
#include <QListWidget>

#include <functional>

// Writes a file (creating its folder) in the panel's program folder.
inline void writeProgramFile(const TestPanel &p, const QString &relative, const QByteArray &bytes)
{
    writeFile(p.host(relative), bytes);
}

// A plain picture of a size and colour, saved as a bitmap in the program folder.
inline void writeBitmap(const TestPanel &p, const QString &relative, QSize size, QRgb colour)
{
    QDir().mkpath(QFileInfo(p.host(relative)).path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(p.host(relative), "BMP"));
}

// Clicks the entry of a row, as the user would.
inline void clickRow(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    QVERIFY(item);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// The list of a language or texture window, its entries, and the clicks on its OK and Cancel.
inline QListWidget *choiceList(const QWidget *window)
{
    return control<QListWidget>(window, "ListBox1");
}
inline QStringList entries(const QWidget *window)
{
    return listed(choiceList(window));
}
inline void clickOk(const QWidget *window)
{
    clickControl(window, "SpeedButton1");
}
inline void clickCancel(const QWidget *window)
{
    clickControl(window, "SpeedButton2");
}

inline int selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

// Presses the button that opens the window, runs the steps once the window is the modal one
// (they end by closing it) and returns when it has closed. False when the window never closed or
// a check in the steps failed (the window is then hidden, so the test goes on).
inline bool openAndRun(QAbstractButton *opener, QWidget *window, std::function<void()> steps)
{
    bool ran = false;
    whenModal(window, [&] {
        steps();
        ran = !QTest::currentTestFailed() && !window->isVisible();
        window->hide();
    });
    QTest::mouseClick(opener, Qt::LeftButton);
    return ran;
}

// Starts the panel of p anew on the same prefix and program folder, as the next start of the program.
inline bool restart(TestPanel &p)
{
    p.main = nullptr;
    p.panel.reset();
    return p.start();
}
