// The Archiver on the desktop, against a private bus with fake logind and notification services:
// the shutdown lock follows the setting and is let go only after the run that a shutdown starts
// (the real archiv); the sides' conditions are notified once when they begin and once when they
// clear, by an injected clock and by the real archiv, and a click on a notice starts the panel.
#include "archiverprogram.h"
#include "privatebus.h"
#include "testfiles.h"
#include "testmain.h"

#include "apps/archiv/conditionwatch.h"
#include "apps/archiv/desktopnotifier.h"
#include "apps/archiv/languagetexts.h"
#include "apps/archiv/shutdowninhibitor.h"
#include "core/archiveinfo/archivelayout.h"
#include "core/archivelist/treelist.h"
#include "core/platform/datetime.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <memory>

using namespace archiver;

namespace {

constexpr int kLong = 60000;

QString winPath(const QString &host)
{
    return win::ToWindowsPath(host);
}

// A language file in folder/Language, as the panel's language window stores it.
void writeLanguage(const QString &folder, const QByteArray &lines)
{
    writeFile(folder + QStringLiteral("/Language/Magyar.lng"), lines);
}

} // namespace

class TestArchivDesktop : public QObject
{
    Q_OBJECT

private:
    PrivateBus m_bus;
    QTemporaryDir m_work;
    QStringList m_log;
    int m_connections = 0;

    LogLine logLine()
    {
        return [this](const QString &line) { m_log.append(line); };
    }
    QDBusConnection connection() { return m_bus.connect(QStringLiteral("c%1").arg(++m_connections)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_bus.isValid(), "dbus-daemon did not start");
        QVERIFY(m_work.isValid());
    }

    // The lock is asked for only while the setting wants it, let go when the setting goes off,
    // and taken again when it comes back. (A shutdown holding it until the run has been reported
    // is checked with the real Archiver.)
    void shutdownLockFollowsTheSetting()
    {
        QDBusConnection service = connection();
        FakeLogind logind(service);
        QVERIFY(logind.registerOnBus());
        bool wanted = false;
        int asked = 0;
        ShutdownInhibitor inhibitor(
            connection(),
            [&] {
                ++asked;
                return wanted;
            },
            logLine(), 20);
        inhibitor.start();
        QTRY_VERIFY(asked >= 3);
        QCOMPARE(int(logind.calls.size()), 0);

        wanted = true;
        QTRY_COMPARE_WITH_TIMEOUT(int(logind.calls.size()), 1, kLong);
        QCOMPARE(logind.calls.first(), (QStringList{"shutdown", "Dunlivo Archiver",
                                                    "Archiving before the machine goes down", "delay"}));
        QTRY_VERIFY(inhibitor.isHeld());
        QCOMPARE(logind.released, 0);

        wanted = false;
        QTRY_COMPARE_WITH_TIMEOUT(logind.released, 1, kLong);
        QVERIFY(!inhibitor.isHeld());

        wanted = true;
        QTRY_COMPARE_WITH_TIMEOUT(int(logind.calls.size()), 2, kLong);
        QTRY_VERIFY(inhibitor.isHeld());
    }

    // Without logind on the bus nothing is held, the reason is logged once, and nothing fails.
    void withoutLogindNothingIsHeld()
    {
        int asked = 0;
        ShutdownInhibitor inhibitor(
            connection(),
            [&] {
                ++asked;
                return true;
            },
            logLine(), 20);
        m_log.clear();
        inhibitor.start();
        QTRY_VERIFY_WITH_TIMEOUT(asked >= 5, kLong);
        QVERIFY(!inhibitor.isHeld());
        QCOMPARE(int(m_log.filter(QStringLiteral("no shutdown lock")).size()), 1);
    }

    // By the clock given: failed runs and timer checks tell a side gone stale once, a restart (a
    // new watch on the same settings) does not tell it again, a good run tells the recovery once;
    // the disk and missing folders likewise, a run that did not see them changes nothing. A side
    // never archived well counts from when it was first seen set up, across restarts.
    void conditionsAreToldOnce()
    {
        QDBusConnection service = connection();
        FakeNotifications server(service);
        QVERIFY(server.registerOnBus());
        // Texts are never formats: only the count's mark is replaced.
        const QString folder = m_work.path() + QStringLiteral("/conditions");
        writeLanguage(folder, "StaleDaysNotice=%s%n %L2 %1 nap\r\n");
        Tconfig config;
        config.WriteString(QStringLiteral("Language"), QStringLiteral("Magyar.lng"));
        DesktopNotifier notifier(
            connection(),
            [&] {
                Tconfig current;
                return LanguageTexts(current, winPath(folder));
            },
            logLine());
        const QDateTime t0(QDate(2026, 3, 1), QTime(12, 0));
        QDateTime now = t0;
        const auto life = [&] {
            return std::make_unique<ConditionWatch>(
                notifier, [&] { return now; }, logLine());
        };

        setArchiveSide(1, m_work.path(), true);
        setArchiveSide(2, m_work.path(), true);
        config.WriteInteger(QStringLiteral("Archivalas"), 60);     // hourly: stale after a day
        config.WriteInteger(QStringLiteral("Biztarchivalas"), 48); // two-daily: after six days
        config.WriteDateTime(QStringLiteral("LastGood_1"), win::DateTimeToDouble(t0));
        auto watch = life();
        watch->timerChecked(); // the secondary side, never good, is first seen now
        now = t0.addSecs(23 * 3600);
        watch->timerChecked();
        now = t0.addSecs(25 * 3600);
        for (int i = 0; i < 3; ++i) {
            watch->timerChecked();
            watch->runLooked(Side::Primary, {});
        }
        watch = life();
        watch->timerChecked();
        config.WriteDateTime(QStringLiteral("LastGood_1"), win::DateTimeToDouble(now));
        watch->runLooked(Side::Primary, {});
        watch->timerChecked();

        SideLook look;
        look.lowDisk = true;
        look.missingFolders = QStringList{QStringLiteral("C:\\Docs"), QStringLiteral("E:\\")};
        watch->runLooked(Side::Primary, look);
        watch = life();
        watch->runLooked(Side::Primary, look);
        watch->runLooked(Side::Primary, {});
        look.missingFolders = QStringList{QStringLiteral("E:\\")};
        watch->runLooked(Side::Primary, look);
        look.lowDisk = false;
        look.missingFolders.reset();
        watch->runLooked(Side::Primary, look);

        now = t0.addDays(6).addSecs(3600);
        config.WriteDateTime(QStringLiteral("LastGood_1"), win::DateTimeToDouble(now));
        watch = life();
        watch->timerChecked();
        watch->timerChecked();
        // Calls from one sender arrive in order: one told twice would be among these.
        QTRY_COMPARE_WITH_TIMEOUT(server.texts(),
                                  (QStringList{"Primary archive|No backup for 25 hours",
                                               "Primary archive|The archive is current again",
                                               "Primary archive|The archive's disk is nearly full",
                                               "Primary archive|Missing at the source:\nC:\\Docs\nE:\\",
                                               "Primary archive|No longer missing:\nC:\\Docs",
                                               "Primary archive|The archive's disk has room again",
                                               "Secondary Archive|%s%n %L2 6 nap"}),
                                  kLong);
        config.WriteString(QStringLiteral("Language"), QString());
    }

    // What reaches the server, plain or escaped as it reads the body; a click on a notice of ours
    // asks for the status window, one on somebody else's does not.
    void notificationsOnTheBus()
    {
        for (const bool markup : {false, true}) {
            QDBusConnection service = connection();
            FakeNotifications server(service,
                                     markup ? QStringList{"body", "body-markup"} : QStringList{"body"});
            QVERIFY(server.registerOnBus());
            DesktopNotifier notifier(
                connection(), [] { return LanguageTexts(); }, logLine());
            QSignalSpy clicked(&notifier, &DesktopNotifier::statusRequested);
            notifier.show({QStringLiteral("Primary archive"), QStringLiteral("Missing:\nC:\\R&D\\<plan>")});
            QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 1, kLong);
            QCOMPARE(server.shown.first().body, markup ? QStringLiteral("Missing:\nC:\\R&amp;D\\&lt;plan&gt;")
                                                       : QStringLiteral("Missing:\nC:\\R&D\\<plan>"));
            server.click(7); // another program's
            server.click(1);
            server.click(1); // closed by the first click
            // The server's signals reach the notifier before its answer to the next call.
            notifier.massChange(Side::Secondary, QStringLiteral("after the clicks"));
            QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 2, kLong);
            QCOMPARE(clicked.count(), 1);
        }
        // No server: logged, nothing else.
        DesktopNotifier notifier(
            connection(), [] { return LanguageTexts(); }, logLine());
        m_log.clear();
        notifier.massChange(Side::Primary, QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_log.filter(QStringLiteral("can not be shown")).size()), 1, kLong);
    }

    // The real archiv: with archiving at shutdown on, it holds the lock; a shutdown starts the
    // run, and the lock is let go only when the run has been reported; then it ends.
    void shutdownWaitsForTheRealArchiver()
    {
        QDBusConnection service = connection();
        FakeLogind logind(service);
        QVERIFY(logind.registerOnBus());

        const QString source = m_work.path() + QStringLiteral("/Shutdown/big.bin");
        const QString dest = m_work.path() + QStringLiteral("/ShutdownDest");
        QDir().mkpath(dest);
        // Random bytes compress slowly: the run lasts long enough to be seen under way.
        writeFile(source, noise(24 * 1024 * 1024, 7));

        ArchiverProgram program;
        TTreeList list;
        list.AddFile(winPath(source));
        list.SaveToFile(winPath(program.listFile()));
        setArchiveSide(1, dest, true);
        Tconfig().WriteBool(QStringLiteral("Archive_atshutdown"), true);
        Tconfig().WriteInteger(QStringLiteral("Archivalas"), 30);
        const QString archived = archivedPath(dest + QStringLiteral("/Archive1"), source, true);
        // What the archive holds at the moment the lock is let go.
        bool reportedAtRelease = false;
        bool archivedAtRelease = false;
        logind.onRelease = [&] {
            Tconfig config;
            reportedAtRelease = config.ReadDateTime(QStringLiteral("Archutolso"), 0.0) > 0.0 &&
                                !config.ReadBool(QStringLiteral("Progress_1"), true);
            archivedAtRelease = QFileInfo::exists(archived);
        };

        QVERIFY(program.start(m_bus.environment()));
        QTRY_COMPARE_WITH_TIMEOUT(int(logind.calls.size()), 1, kLong);
        QCOMPARE(logind.released, 0);
        QVERIFY(!QFileInfo::exists(archived));

        logind.prepareForShutdown(true);
        QTRY_COMPARE_WITH_TIMEOUT(logind.released, 1, kLong);
        QVERIFY(reportedAtRelease);
        QVERIFY(archivedAtRelease);
        QTRY_COMPARE_WITH_TIMEOUT(program.process().state(), QProcess::NotRunning, kLong);
        QCOMPARE(program.process().exitCode(), 0);
    }

    // The real archiv: failing runs show no notice of their own; a listed folder missing is told
    // once in the user's language, and once when it is back (that run is good: its time is kept).
    // A click on a notice starts the panel beside the Archiver with --status.
    void conditionsOfTheRealArchiver()
    {
        QDBusConnection service = connection();
        FakeNotifications server(service);
        QVERIFY(server.registerOnBus());

        const QString dest = m_work.path() + QStringLiteral("/NotifyDest");
        const QString present = m_work.path() + QStringLiteral("/Notify/present.txt");
        const QString gone = m_work.path() + QStringLiteral("/Notify/Gone");
        QDir().mkpath(dest);
        writeFile(present, "here\n");

        ArchiverProgram program;
        writeLanguage(program.folder(), "PrimaryArchive=Els\xc5\x91"
                                        "dleges arch\xc3\xadvum\r\n");
        // The panel beside the Archiver: a stand-in that notes its arguments.
        const QString panel = program.folder() + QStringLiteral("/dunlivo");
        writeFile(panel, "#!/bin/sh\necho \"$@\" > \"$0.args\"\n");
        QFile::setPermissions(panel, QFile::permissions(panel) | QFileDevice::ExeOwner);
        TTreeList list;
        list.AddFile(winPath(present));
        list.AddDir(winPath(gone), QStringLiteral(".*"));
        list.SaveToFile(winPath(program.listFile()));
        setArchiveSide(1, dest, true);
        Tconfig().WriteString(QStringLiteral("Language"), QStringLiteral("Magyar.lng"));
        Tconfig().WriteBool(QStringLiteral("Archive_atshutdown"), false);
        QVERIFY(program.start(m_bus.environment()));

        QCOMPARE(ArchiverProgram::archive(1), 4);
        QCOMPARE(ArchiverProgram::archive(1), 4);
        QCOMPARE(Tconfig().ReadDateTime(QStringLiteral("LastGood_1"), 0.0), 0.0);
        QDir().mkpath(gone);
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QVERIFY(Tconfig().ReadDateTime(QStringLiteral("LastGood_1"), 0.0) > 0.0);
        const QString side = QString::fromUtf8("Els\xc5\x91"
                                               "dleges arch\xc3\xadvum|");
        QTRY_COMPARE_WITH_TIMEOUT(
            server.texts(),
            (QStringList{side + QStringLiteral("Missing at the source:\n") + winPath(gone),
                         side + QStringLiteral("No longer missing:\n") + winPath(gone)}),
            kLong);

        server.click(1);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(panel + QStringLiteral(".args")), QByteArray("--status\n"), kLong);
        Tconfig().WriteString(QStringLiteral("Language"), QString());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivDesktop)
#include "tst_archivdesktop.moc"
