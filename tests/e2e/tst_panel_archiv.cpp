// The panel with the real archiv beside it, on a test prefix: starting it from the settings page
// with and without the question, stopping it through the wait window, manual archiving with and
// without unsaved settings into an Archiver started anew between two commands, and a failed run's
// state in the status light and the status window within one tick.
#include "archiverpanel.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archivelist/treelist.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/archiverwindows/varakozf.h"

#include <QCheckBox>
#include <QSignalSpy>

using namespace win;

namespace {

constexpr int kLong = ArchiverPanel::kLong;

bool lightIsRed(TApp_user_window *main)
{
    return control<QLabel>(main, "Image5")->pixmap().toImage() ==
           TransparentBitmap(ResourceBitmap(QStringLiteral("redico"))).toImage();
}

} // namespace

class TestPanelArchiv : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startAndStopFromThePanel()
    {
        ArchiverPanel p;
        QVERIFY(p.start());
        control<QTimer>(p.main, "Timer1")->setInterval(100);
        p.main->showPage(3);

        // Confirmations on: No starts nothing; Yes starts archiv from the program folder, and the
        // caption follows once its window is there; No to the stop question leaves it running.
        Question::setNextAnswers({false, true, false});
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(!archiverWindow());
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        QTRY_COMPARE(p.caption(), QStringLiteral("Stop Archiver"));
        const HWND first = archiverWindow();
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(IsWindow(first));
        QCOMPARE(takeQuestions(),
                 QStringList({"Do you want to start the Archiver?", "Do you want to start the Archiver?",
                              "Do you want to stop the Archiver?"}));

        // Confirmations off: stopped through the wait window at once, no question.
        control<QCheckBox>(p.main, "CheckBox1")->click();
        QSignalSpy waitShown(p.panel->varakozF(), &QDialog::finished);
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QCOMPARE(waitShown.count(), 1);
        QVERIFY(!IsWindow(first));
        QCOMPARE(p.caption(), QStringLiteral("Start Archiver"));
        QVERIFY(QTest::qWaitFor(archiverEnded, kLong));
    }

    void manualArchivingIntoARestartedArchiver()
    {
        ArchiverPanel p;
        QTemporaryDir source;
        QTemporaryDir destination;
        writeFile(source.path() + QStringLiteral("/report.txt"), QByteArray("the quarterly figures\n"));
        TTreeList list;
        list.AddDir(ToWindowsPath(source.path()), QStringLiteral(".txt"));
        writeFile(p.host(QStringLiteral("afiles.lst")), list.ListFileBytes());
        setArchiveSide(1, destination.path(), false);
        setArchiveSide(2, destination.path(), false);
        QVERIFY(p.start());
        Tman_archF *manual = p.panel->man_archF();
        const QString secondaryRoot = destination.path() + QStringLiteral("/Archive2");

        control<QCheckBox>(p.main, "CheckBox1")->setChecked(false);
        p.main->setSettingsChanged(false);
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        const HWND first = archiverWindow();

        // Settings unchanged: code 2 at once; the Archiver has started the run when it answers.
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton2"); });
        QTest::mouseClick(control<QToolButton>(p.main, "SpeedButton1"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor(
            [&] { return p.settings().ReadDateTime(QStringLiteral("Archutolso"), 0.0) != 0.0; }, kLong));
        QVERIFY(QFile::exists(destination.path() + QStringLiteral("/Archive1/afiles.lst")));
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Archstate"), -1), 0);

        // Stopped and started anew between two commands: the next command finds the new one.
        p.main->showPage(3);
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor(archiverEnded, kLong));
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        QVERIFY(archiverWindow() != first);

        // Unsaved settings with confirmations on: nothing is sent.
        control<QCheckBox>(p.main, "CheckBox1")->click();
        QVERIFY(p.main->settingsChanged());
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton3"); });
        acknowledge(p.panel->info1F(),
                    QStringLiteral("Please save the settings before you start the archiving!"));
        QTest::mouseClick(control<QToolButton>(p.main, "SpeedButton1"), Qt::LeftButton);
        QVERIFY(!QFile::exists(secondaryRoot));

        // Confirmations off (itself an unsaved change): saved without a question, then code 3.
        control<QCheckBox>(p.main, "CheckBox1")->click();
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton3"); });
        QTest::mouseClick(control<QToolButton>(p.main, "SpeedButton1"), Qt::LeftButton);
        QVERIFY(!p.main->settingsChanged());
        QCOMPARE(p.settings().ReadBool(QStringLiteral("Kerdez"), true), false);
        QVERIFY(QTest::qWaitFor(
            [&] { return p.settings().ReadDateTime(QStringLiteral("Archutolso2"), 0.0) != 0.0; }, kLong));
        QCOMPARE(readFile(archivedPath(secondaryRoot, source.path() + QStringLiteral("/report.txt"), false)),
                 QByteArray("the quarterly figures\n"));
    }

    void failedRunShowsWithinOneTick()
    {
        ArchiverPanel p;
        QTemporaryDir parent;
        p.settings().WriteString(QStringLiteral("Celutvonal2"),
                                 ToWindowsPath(parent.path()) + QStringLiteral("\\missing"));
        QVERIFY(p.start());
        Tman_archF *manual = p.panel->man_archF();
        TstatusF *status = p.panel->statusF();
        control<QCheckBox>(p.main, "CheckBox1")->setChecked(false);
        p.main->setSettingsChanged(false);
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        QVERIFY(!lightIsRed(p.main));

        // A missing destination: the Archiver reports 4 for the secondary archive, and the light
        // and the status window show it at the poll's next tick.
        control<QTimer>(p.main, "Timer1")->setInterval(200);
        QSignalSpy ticks(control<QTimer>(p.main, "Timer1"), &QTimer::timeout);
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton3"); });
        QTest::mouseClick(control<QToolButton>(p.main, "SpeedButton1"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return p.settings().ReadInteger(QStringLiteral("Safestate"), 0) == 4; },
                                kLong));
        ticks.clear();
        QVERIFY(QTest::qWaitFor([&] { return lightIsRed(p.main); }));
        QVERIFY(ticks.count() <= 1);
        QCOMPARE(control<QLabel>(status, "Label6")->text(), QStringLiteral("Path not found!"));
        QCOMPARE(control<QLabel>(status, "Label4")->text(), QStringLiteral("Correct"));
        QVERIFY(p.errors.isEmpty());
    }
};

DUNLIVO_TEST_MAIN(TestPanelArchiv)
#include "tst_panel_archiv.moc"
