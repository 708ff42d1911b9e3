// The panel's Archiver windows on a whole panel, with stand-ins for the Archiver owned by the test:
// the status light and window, times, placements, manual archiving and restore mode, unconfirmed
// commands, the wait window, and a state value of the wrong type.
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "core/archivelist/treelist.h"
#include "core/archiverlink/communicator.h"
#include "core/platform/messagewindow.h"
#include "core/platform/registry.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/archivelist/treelistview.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/archiverwindows/varakozf.h"
#include "gui/restore/rewritef.h"
#include "gui/shell/archivercommands.h"

#include <QCheckBox>
#include <QLocale>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace win;

namespace {

// A stand-in for the Archiver in a thread of its own: a window of the Archiver's class and title
// that counts the WM_CLOSE it gets (and never ends on one) and the registered messages it
// handles. A held one stands still until released, then handles what was sent meanwhile; or
// until ended, as by a kill, without handling it.
class StandIn : public QThread
{
public:
    explicit StandIn(bool held = false) : m_held(held)
    {
        start();
        m_ready.acquire();
    }
    ~StandIn() override
    {
        end();
        wait();
    }
    void release() { m_release.release(); }
    void end()
    {
        m_ending = true;
        m_release.release();
        quit();
    }
    std::atomic<int> closes{0};
    std::atomic<int> handled{0};

protected:
    void run() override
    {
        MessageWindow window(Communicator::windowClass(), Communicator::windowTitle());
        window.setHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == WM_CLOSE)
                ++closes;
            if (msg >= kFirstRegisteredMessage)
                ++handled;
            return 0;
        });
        m_ready.release();
        if (m_held)
            m_release.acquire();
        if (!m_ending)
            exec();
    }

private:
    const bool m_held;
    QSemaphore m_ready;
    QSemaphore m_release;
    std::atomic<bool> m_ending{false};
};

bool sameImage(const QPixmap &shown, const QPixmap &expected)
{
    return shown.toImage().convertToFormat(QImage::Format_ARGB32) ==
           expected.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Whether the main window's light shows the picture of that name ("redico", "yellowico").
bool lightIs(TApp_user_window *main, const char *picture)
{
    return sameImage(control<QLabel>(main, "Image5")->pixmap(),
                     TransparentBitmap(ResourceBitmap(QString::fromLatin1(picture))));
}

void writeWrongType(const QString &name)
{
    HKEY key = nullptr;
    QCOMPARE(RegOpenKeyEx(HKEY_CLASSES_ROOT, QStringLiteral("Kovamark\\Dunlivo"), 0, KEY_ALL_ACCESS, &key),
             ERROR_SUCCESS);
    const BYTE bytes[4] = {1, 2, 3, 4};
    QCOMPARE(RegSetValueEx(key, name, 0, REG_BINARY, bytes, 4), ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace

class TestArchiverWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stateCodesInTheStatusWindowAndTheLight()
    {
        TestPanel p;
        QVERIFY(p.start());
        TstatusF *status = p.panel->statusF();
        // A code's text, and none for a code the table does not have: the light is red all the same.
        const QList<QPair<int, QString>> codes = {
            {107, QStringLiteral("File is not exists!")},
            {-1, QString()},
        };
        const QPixmap red = QPixmap::fromImage(ResourceBitmap(QStringLiteral("redico")));
        const QPixmap yellow = QPixmap::fromImage(ResourceBitmap(QStringLiteral("yellowico")));
        const auto label = [status](const char *name) { return control<QLabel>(status, name); };
        for (const auto &[code, text] : codes) {
            p.settings().WriteInteger(QStringLiteral("Archstate"), code);
            p.main->pollArchiverStatus();
            QVERIFY(lightIs(p.main, "redico"));
            QCOMPARE(label("Label4")->text(), text);
            QVERIFY(sameImage(label("Image1")->pixmap(), red));
        }

        // One side wrong is enough for the red light; the other side's picture is yellow, and the
        // light turns yellow when both are right.
        p.settings().WriteInteger(QStringLiteral("Archstate"), 0);
        p.settings().WriteInteger(QStringLiteral("Safestate"), 5);
        p.main->pollArchiverStatus();
        QVERIFY(lightIs(p.main, "redico"));
        QVERIFY(sameImage(label("Image1")->pixmap(), yellow));
        QCOMPARE(label("Label6")->text(), QStringLiteral("Disk is full!"));
        QVERIFY(sameImage(label("Image2")->pixmap(), red));
        p.settings().WriteInteger(QStringLiteral("Safestate"), 0);
        p.main->pollArchiverStatus();
        QVERIFY(lightIs(p.main, "yellowico"));
        QVERIFY(p.errors.isEmpty());
    }

    void manyFilesChangedNoticeIsShownOnce()
    {
        TestPanel p;
        QVERIFY(p.start());
        TstatusF *status = p.panel->statusF();
        const auto place = [status](const char *name) { return control<QWidget>(status, name)->geometry(); };
        const QList<QRect> plain = {QRect(QPoint(), status->size()), place("Label2"), place("SpeedButton1")};
        const QString notice =
            QStringLiteral("1,240 files changed at once in C:\\Docs; their earlier versions are kept");
        p.settings().WriteString(QStringLiteral("Versions_notice_1"), notice);
        p.main->pollArchiverStatus(); // the window is closed: nobody has seen it yet
        // Shown under the primary state line, the secondary rows moved clear of it, and kept
        // on the screen by the polls while the window is open.
        QString shown;
        bool clear = false;
        whenModal(status, [&] {
            p.main->pollArchiverStatus();
            QLabel *label = control<QLabel>(status, "Label7");
            shown = label->isVisible() ? label->text() : QString();
            clear = label->y() > place("Label4").bottom() &&
                    label->geometry().bottom() < place("Label2").top() - 6;
            clickControl(status, "SpeedButton1");
        });
        clickControl(p.main, "statusbutton");
        QCOMPARE(shown, notice);
        QVERIFY(clear);
        QCOMPARE(p.settings().ReadString(QStringLiteral("Versions_notice_1"), QStringLiteral("x")),
                 QString());

        // Opened again without a notice, the window is as it always was.
        whenModal(status, [&] { clickControl(status, "SpeedButton1"); });
        clickControl(p.main, "statusbutton");
        QVERIFY(!control<QLabel>(status, "Label7")->isVisibleTo(status));
        QCOMPARE((QList<QRect>{QRect(QPoint(), status->size()), place("Label2"), place("SpeedButton1")}),
                 plain);
        QVERIFY(p.errors.isEmpty());
    }

    void timeLinesKeepTheirDotsUntilATimeIsStored()
    {
        TestPanel p;
        QVERIFY(p.start());
        TstatusF *status = p.panel->statusF();
        Tman_archF *manual = p.panel->man_archF();
        const auto text = [](QWidget *w, const char *name) { return control<QLabel>(w, name)->text(); };
        p.main->pollArchiverStatus();
        QCOMPARE(text(status, "Label3"), QStringLiteral("..."));

        // Midnight shows the date alone; another time shows the date, a space and the time.
        const QDate day(2026, 3, 14);
        const QString date = QLocale::system().toString(day, QLocale::ShortFormat);
        p.settings().WriteDateTime(QStringLiteral("Archutolso"),
                                   DateTimeToDouble(QDateTime(day, QTime(0, 0))));
        p.settings().WriteDateTime(QStringLiteral("Archutolso2"),
                                   DateTimeToDouble(QDateTime(day, QTime(13, 45, 10))));
        p.main->pollArchiverStatus();
        QCOMPARE(text(status, "Label3"), date);
        const QString withTime = text(status, "Label5");
        QVERIFY(withTime.startsWith(date + QLatin1Char(' ')) && withTime.contains(QLatin1String("45")));

        // A stored 0.0 later (an emptied archive) leaves the last time shown.
        p.settings().WriteDateTime(QStringLiteral("Archutolso"), 0.0);
        p.main->pollArchiverStatus();
        QCOMPARE(text(status, "Label3"), date);

        // The manual archiving window reads the same times from its own store when it opens.
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton1"); });
        QTest::mouseClick(control<QToolButton>(p.main, "SpeedButton1"), Qt::LeftButton);
        QCOMPARE(text(manual, "Label4"), QStringLiteral("..."));
        QCOMPARE(text(manual, "Label5"), withTime);
    }

    void placementsInBothLayouts()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const int h = p.panel->man_archF()->height();
        // Where a window opens, relative to the main window, when its button is pressed at a point.
        const auto opensAt = [m](QDialog *window, const char *button, QPoint press) {
            QPoint at;
            whenModal(window, [&] {
                at = window->pos() - m->pos();
                clickControl(window, "SpeedButton1");
            });
            QTest::mousePress(control<QToolButton>(m, button), Qt::LeftButton, {}, press);
            QTest::mouseRelease(control<QToolButton>(m, button), Qt::LeftButton, {}, press);
            return at;
        };
        for (bool large : {false, true}) {
            if (large)
                clickControl(m, "zoombutton");
            QCOMPARE(opensAt(p.panel->statusF(), "statusbutton", {}),
                     large ? QPoint(81, 152) : QPoint(18, 51));
            // Manual archiving beside the press on its button; restore from the settings page.
            QCOMPARE(opensAt(p.panel->man_archF(), "SpeedButton1", {5, 7}),
                     QPoint(5 + 10, 7 + (large ? 570 : 396) - h));
            QCOMPARE(m->pressPosition(), QPoint(5, 7));
            m->showPage(3);
            QCOMPARE(opensAt(p.panel->man_archF(), "SpeedButton19", {9, 4}),
                     large ? QPoint(9 + 105, 4 + 542 - h) : QPoint(9 + 85, 4 + 380 - h));
            m->showPage(1);
        }
    }

    void manualArchivingWithoutAnArchiver()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        Tman_archF *manual = p.panel->man_archF();
        // Confirmations off, unsaved settings: they are saved without a question, then the
        // missing Archiver is reported.
        control<QCheckBox>(m, "CheckBox6")->click();
        control<QCheckBox>(m, "CheckBox1")->click();
        QString second;
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton3"); });
        acknowledge(p.panel->info1F(), QStringLiteral("The archiving system is not active!"), &second);
        QTest::mouseClick(control<QToolButton>(m, "SpeedButton1"), Qt::LeftButton);
        QCOMPARE(second, QStringLiteral("Please start the Archiver manually first!"));
        QVERIFY(!manual->isVisible());
        QVERIFY(!m->settingsChanged());
        QCOMPARE(p.settings().ReadBool(QStringLiteral("Archive_atshutdown"), false), true);
    }

    // A command the Archiver does not confirm is reported, whichever window sent it: one that
    // hangs past the command time may still carry it out; one that ends first (killed, or
    // stopped and then killed) is not active any more.
    void anUnconfirmedCommandIsReported_data()
    {
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        const QString notAnswering = QStringLiteral("The archiving system is not answering!");
        const QString mayAnswer = QStringLiteral("It may still carry the command out when it answers.");
        const QString notActive = QStringLiteral("The archiving system is not active!");
        const QString startIt = QStringLiteral("Please start the Archiver manually first!");
        QTest::newRow("hung, archive now") << false << false << notAnswering << mayAnswer;
        QTest::newRow("ended, archive now") << true << false << notActive << startIt;
        QTest::newRow("ended, empty") << true << true << notActive << startIt;
    }

    void anUnconfirmedCommandIsReported()
    {
        QFETCH(bool, ends);
        QFETCH(bool, empty);
        QFETCH(QString, first);
        QFETCH(QString, second);
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        m->archiverCommands().communicator().setCommandTimeout(ends ? 60000 : 300);
        StandIn archiver(true);
        // Nothing turns the panel's events between the click and the send's wait, so the
        // Archiver ends while the command is on its way.
        const auto send = [&](QWidget *button) {
            if (ends)
                QTimer::singleShot(200, m, [&archiver] { archiver.end(); });
            QTest::mouseClick(button, Qt::LeftButton);
        };
        QString shown;
        acknowledge(p.panel->info1F(), first, &shown);
        if (empty) {
            m->showPage(3);
            Question::setNextAnswers({true});
            send(control<QToolButton>(m, "SpeedButton11"));
            QCOMPARE(takeQuestions(),
                     QStringList{QStringLiteral("Are you sure you want to empty the archive?")});
        } else {
            Tman_archF *manual = p.panel->man_archF();
            whenModal(manual, [&, manual] { send(control(manual, "SpeedButton2")); });
            QTest::mouseClick(control<QToolButton>(m, "SpeedButton1"), Qt::LeftButton);
            QVERIFY(!manual->isVisible());
        }
        QCOMPARE(shown, second);
        if (!ends) {
            // As said: the command was delivered and is carried out once the Archiver moves again.
            QCOMPARE(archiver.handled.load(), 0);
            archiver.release();
            QTRY_COMPARE(archiver.handled.load(), 1);
        }
    }

    void restoreModeShowsTheArchivedList()
    {
        TestPanel p;
        QTemporaryDir destination;
        // The main window's own list, and another one kept in the primary archive.
        TTreeList own;
        own.AddDir(QStringLiteral("C:\\Own"), QStringLiteral(".*"));
        writeFile(p.host(QStringLiteral("afiles.lst")), own.ListFileBytes());
        TTreeList archived;
        archived.AddDir(QStringLiteral("C:\\Kept\\Deep"), QStringLiteral(".doc"));
        const QString kept = destination.path() + QStringLiteral("/Archive1/afiles.lst");
        writeFile(kept, archived.ListFileBytes());
        // Kept with a trailing backslash, as a drive root would be.
        p.settings().WriteString(QStringLiteral("Celutvonal"),
                                 ToWindowsPath(destination.path()) + QLatin1Char('\\'));
        p.settings().WriteString(QStringLiteral("Celutvonal2"), QString());
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        Tman_archF *manual = p.panel->man_archF();
        TrewriteF *restore = p.panel->rewriteF();
        m->showPage(3);
        // The list the restore window shows for a side's button, when its top is open.
        const auto shownFor = [&](const char *side) {
            QByteArray shown;
            whenModal(manual, [=] { clickControl(manual, side); });
            whenModal(restore, [&] {
                TTreeList *tree = control<TTreeListView>(restore, "TLrewrite")->treeList();
                if (tree->topLevelCount() > 0 && tree->topLevelNode(0)->expanded())
                    shown = tree->ListFileBytes();
                clickControl(restore, "SpeedButton1");
            });
            clickControl(m, "SpeedButton19");
            return shown;
        };
        QCOMPARE(shownFor("SpeedButton2"), archived.ListFileBytes());
        // Closing the restore window closes the chooser behind it.
        QVERIFY(!manual->isVisible());
        // No destination for the secondary side: no list there, so the main window's own.
        QCOMPARE(shownFor("SpeedButton3"), own.ListFileBytes());

        // A kept list that cannot be read is reported, the restore window stays closed, and the
        // chooser stays open for the other side (Back closes it).
        writeFile(kept, QByteArray("    C:\n  Dir\n"));
        QSignalSpy restoreShown(restore, &QDialog::finished);
        QString second;
        bool stayedOpen = false;
        whenModal(manual, [&] {
            clickControl(manual, "SpeedButton2");
            stayedOpen = manual->isVisible();
            clickControl(manual, "SpeedButton1");
        });
        acknowledge(p.panel->info1F(), QStringLiteral("Can not open file:"), &second);
        clickControl(m, "SpeedButton19");
        QVERIFY(stayedOpen);
        QVERIFY(second.endsWith(QLatin1String("\\Archive1\\afiles.lst")));
        QVERIFY(!second.contains(QLatin1String("\\\\")));
        QCOMPARE(restoreShown.count(), 0);
    }

    void waitWindowStopsAsking()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        TvarakozF *wait = p.panel->varakozF();
        QTimer *waitTimer = control<QTimer>(wait, "Timer1");
        waitTimer->setInterval(2);
        control<QCheckBox>(m, "CheckBox1")->setChecked(false);

        {
            // An Archiver that never ends: one request at activation and 120 more, then the
            // failure at the 121st tick; it still runs and the button still says so.
            StandIn stubborn;
            m->archiverCommands().UpdateStartStopCaption();
            QSignalSpy failures(p.panel->info1F(), &QDialog::finished);
            acknowledge(p.panel->info1F(), QStringLiteral("Can not stop the Archiver!"));
            QTest::mouseClick(control<QToolButton>(m, "SpeedButton7"), Qt::LeftButton);
            QCOMPARE(failures.count(), 1);
            QVERIFY(!wait->isVisible());
            QVERIFY(!waitTimer->isActive());
            QVERIFY(QTest::qWaitFor([&] { return stubborn.closes >= 121; }));
            QCOMPARE(stubborn.closes.load(), 121);
            QCOMPARE(control<QToolButton>(m, "SpeedButton7")->text(), QStringLiteral("Stop Archiver"));
        }
        // Gone before the window opens: it closes at its first tick, asking nothing. (A window
        // left without its timer would wait for ever; the test closes it after a while.)
        bool stuck = false;
        QTimer::singleShot(10000, wait, [&] {
            stuck = wait->isVisible();
            wait->reject();
        });
        wait->exec();
        QVERIFY(!stuck);
        QVERIFY(!waitTimer->isActive());
    }

    void wrongTypeIsReportedOncePerChange()
    {
        TestPanel p;
        QVERIFY(p.start());
        control<QTimer>(p.main, "Timer1")->setInterval(10);
        QSignalSpy ticks(control<QTimer>(p.main, "Timer1"), &QTimer::timeout);
        const QString failure = QStringLiteral("Invalid data type for 'Archstate'");

        writeWrongType(QStringLiteral("Archstate"));
        QVERIFY(QTest::qWaitFor([&] { return ticks.count() >= 10; }));
        QCOMPARE(p.errors, QStringList{failure});

        // Readable again, then wrong again: a new failure, reported once more.
        p.settings().WriteInteger(QStringLiteral("Archstate"), 0);
        ticks.clear();
        QVERIFY(QTest::qWaitFor([&] { return ticks.count() >= 3; }));
        QCOMPARE(p.errors.size(), 1);
        writeWrongType(QStringLiteral("Archstate"));
        ticks.clear();
        QVERIFY(QTest::qWaitFor([&] { return ticks.count() >= 10; }));
        QCOMPARE(p.errors, QStringList({failure, failure}));

        // Opening the status window reports it, since the user asked to see the state.
        TstatusF *status = p.panel->statusF();
        control<QTimer>(p.main, "Timer1")->stop();
        whenModal(status, [status] { clickControl(status, "SpeedButton1"); });
        QTest::mouseClick(control<QToolButton>(p.main, "statusbutton"), Qt::LeftButton);
        QCOMPARE(p.errors.size(), 3);
    }
};

DUNLIVO_TEST_MAIN(TestArchiverWindows)
#include "tst_archiverwindows.moc"
