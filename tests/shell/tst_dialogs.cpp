// The common dialogs on real windows: delayed Yes, Enter in the information window, the progress
// window hiding itself and handing the focus back.
#include "testmain.h"
#include "testpanel.h"

#include <QLineEdit>
#include <QSignalSpy>

namespace {
class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};
} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void delayedYes()
    {
        Tconfirm1F confirm;
        QCOMPARE(confirm.size(), QSize(501, 111));
        QToolButton *yes = control<QToolButton>(&confirm, "SpeedButton1");
        control<QTimer>(&confirm, "Timer1")->setInterval(300); // the 5 s of the real window, shortened

        // Yes does nothing before the delay has run out; No answers at once.
        confirm.startDelay();
        whenModal(&confirm, [&] {
            QVERIFY(!yes->isEnabled());
            QTest::mouseClick(yes, Qt::LeftButton); // disabled: nothing happens
            QVERIFY(confirm.isVisible());
            QTest::mouseClick(control<QToolButton>(&confirm, "SpeedButton2"), Qt::LeftButton);
        });
        QVERIFY(!confirm.ask(QStringLiteral("Continue?"), QString()));
        QCOMPARE(control<QLabel>(&confirm, "Label1")->text(), QStringLiteral("Continue?"));

        // After the delay Yes answers.
        confirm.startDelay();
        whenModal(&confirm, [&] {
            QTRY_VERIFY(yes->isEnabled());
            QVERIFY(!confirm.delaying());
            QTest::mouseClick(yes, Qt::LeftButton);
        });
        QVERIFY(confirm.ask(QStringLiteral("Continue?")));

        // A question without the delay clears it first; Yes then closes at once, even while an
        // earlier delay is still running. With the delay Yes is locked again.
        confirm.startDelay();
        whenModal(&confirm, [&] { QTest::mouseClick(yes, Qt::LeftButton); });
        QVERIFY(Question::askIn(confirm, QStringLiteral("Delete?"), QString(), Question::Delay::None));
        whenModal(&confirm, [&] {
            QVERIFY(!yes->isEnabled());
            QTest::mouseClick(control<QToolButton>(&confirm, "SpeedButton2"), Qt::LeftButton);
        });
        QVERIFY(!Question::askIn(confirm, QStringLiteral("Delete?"), QString(), Question::Delay::DelayedYes));

        // Without a window there is no Yes.
        Question::setWindow(nullptr);
        QVERIFY(!Question::ask(QStringLiteral("Four?"), QString(), Question::Delay::None));
    }

    void informationClosesOnOkAndOnEnter()
    {
        PaintCounter main;
        main.resize(200, 100);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        Tinfo1F info(nullptr, &main);
        QCOMPARE(info.size(), QSize(487, 109));
        whenModal(&info, [&] {
            QVERIFY(control<QLineEdit>(&info, "Edit1")->hasFocus());
            QVERIFY(!info.rect().intersects(control<QLineEdit>(&info, "Edit1")->geometry()));
            QTest::keyClick(control<QLineEdit>(&info, "Edit1"), Qt::Key_Return);
        });
        info.tell(QStringLiteral("Can not write into file:"), QStringLiteral("afiles.lst"));
        QVERIFY(!info.isVisible());
        QCOMPARE(control<QLabel>(&info, "Label2")->text(), QStringLiteral("afiles.lst"));

        const int before = main.paints;
        whenModal(&info,
                  [&] { QTest::mouseClick(control<QToolButton>(&info, "SpeedButton1"), Qt::LeftButton); });
        info.tell(QStringLiteral("Ok?"));
        QVERIFY(main.paints > before);
    }

    void progressHidesAfterTheWork()
    {
        QWidget main;
        main.resize(200, 100);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        TsaveF progress(nullptr, &main);
        QCOMPARE(progress.size(), QSize(293, 47));
        progress.done = true; // left over from an earlier use
        progress.showProgress(QStringLiteral("Saving settings..."));
        QVERIFY(progress.isVisible());
        QCOMPARE(control<QLabel>(&progress, "Label1")->text(), QStringLiteral("Saving settings..."));
        // Ticks while the work goes on do not hide it.
        QSignalSpy ticks(control<QTimer>(&progress, "Timer1"), &QTimer::timeout);
        QTRY_VERIFY(ticks.count() >= 2);
        QVERIFY(progress.isVisible());
        progress.done = true;
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isVisible(), 2000);
        QVERIFY(!control<QTimer>(&progress, "Timer1")->isActive());
        QTRY_VERIFY(main.isActiveWindow());
    }
};

DUNLIVO_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
