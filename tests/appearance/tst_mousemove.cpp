// Dragging a borderless window by its textured surface with real mouse events.
#include "testmain.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/mousemove.h"

#include <QLabel>

class TestMouseMove : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dragByThePanel()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.resize(200, 150);
        window.move(100, 100);
        auto *mover = new TMouseMove(&window);
        auto *panel = new TKovaPanel(&window);
        panel->setGeometry(0, 0, 200, 150);
        auto *inner = new TKovaPanel(panel);
        inner->setGeometry(20, 20, 100, 80);
        for (TKovaPanel *p : {panel, inner}) {
            connect(p, &TKovaPanel::MouseDown, mover, &TMouseMove::MouseDown);
            connect(p, &TKovaPanel::MouseMove, mover, &TMouseMove::MouseMove);
            connect(p, &TKovaPanel::MouseUp, mover, &TMouseMove::MouseUp);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();

        QTest::mousePress(inner, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(mover->Dragging());
        QCOMPARE(QPoint(mover->StartX(), mover->StartY()), QPoint(10, 10)); // the inner panel's coordinates
        QTest::mouseMove(inner, QPoint(15, 12));
        QCOMPARE(window.pos(), start + QPoint(5, 2));
        QTest::mouseMove(inner, QPoint(7, 14));
        QCOMPARE(window.pos(), start + QPoint(2, 6));
        QTest::mouseRelease(inner, Qt::LeftButton, {}, QPoint(7, 14));
        QVERIFY(!mover->Dragging());
        QTest::mouseMove(inner, QPoint(30, 30));
        QCOMPARE(window.pos(), start + QPoint(2, 6));

        // A right-button press starts nothing.
        QTest::mousePress(panel, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(!mover->Dragging());
        QTest::mouseRelease(panel, Qt::RightButton, {}, QPoint(5, 5));
    }

    void aMoveWithoutTheLeftButtonEndsTheDrag()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(50, 60, 100, 100);
        TMouseMove mover(&window);
        mover.MouseDown(Qt::LeftButton | Qt::RightButton, 10, 10);
        QVERIFY(mover.Dragging());
        mover.MouseMove(Qt::RightButton, 20, 20);
        QVERIFY(!mover.Dragging());
        mover.MouseMove(Qt::LeftButton, 30, 30); // the button again, but the drag is over
        QCOMPARE(window.pos(), QPoint(50, 60));
        mover.MouseDown(Qt::LeftButton, 10, 10);
        mover.MouseUp(Qt::RightButton, 10, 10); // any release ends it
        QVERIFY(!mover.Dragging());
    }

    void dragByAWatchedLabel()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.resize(200, 150);
        window.move(100, 100);
        auto *mover = new TMouseMove(&window);
        auto *label = new QLabel(QStringLiteral("Drag me"), &window);
        label->setGeometry(40, 40, 100, 30);
        mover->watch(label);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        QTest::mousePress(label, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseMove(label, QPoint(13, 8));
        QCOMPARE(window.pos(), start + QPoint(10, 5));
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(13, 8));
        QVERIFY(!mover->Dragging());

        // A watched label on a wired panel: the press reaches the panel too, and the drag keeps
        // to one widget's coordinates.
        auto *panel = new TKovaPanel(&window);
        panel->setGeometry(0, 80, 200, 70);
        connect(panel, &TKovaPanel::MouseDown, mover, &TMouseMove::MouseDown);
        connect(panel, &TKovaPanel::MouseMove, mover, &TMouseMove::MouseMove);
        connect(panel, &TKovaPanel::MouseUp, mover, &TMouseMove::MouseUp);
        auto *onPanel = new QLabel(QStringLiteral("On the panel"), panel);
        onPanel->setGeometry(30, 20, 100, 30);
        onPanel->show();
        panel->show();
        mover->watch(onPanel);
        const QPoint before = window.pos();
        QTest::mousePress(onPanel, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseMove(onPanel, QPoint(5, 4));
        QCOMPARE(window.pos(), before + QPoint(2, 1));
        QTest::mouseRelease(onPanel, Qt::LeftButton, {}, QPoint(5, 4));
    }
};

DUNLIVO_TEST_MAIN(TestMouseMove)
#include "tst_mousemove.moc"
