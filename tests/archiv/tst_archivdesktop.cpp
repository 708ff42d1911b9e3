// The Archiver on the desktop, against a private bus with fake logind and notification services:
// the shutdown lock follows the setting and is let go only after the run that a shutdown starts
// (the real archiv); failure notifications name the side, the state in the user's language and
// what failed, once per change.
#include "archiverprogram.h"
#include "privatebus.h"
#include "testfiles.h"
#include "testmain.h"

#include "apps/archiv/failurenotifier.h"
#include "apps/archiv/languagetexts.h"
#include "apps/archiv/shutdowninhibitor.h"
#include "core/archiveinfo/archivelayout.h"
#include "core/archivelist/treelist.h"
#include "core/platform/datetime.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"

#include <QDir>
#include <QFileInfo>

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

    // The texts: English, a language file in force, a key the file does not hold, a code without
    // a text.
    void notificationTexts()
    {
        const LanguageTexts english;
        // A path with control characters is shown with them written out.
        Notification n =
            FailureNotifier::compose(Side::Primary, 107, QStringLiteral("C:\\esc\x1B[2J\n.txt"), english);
        QCOMPARE(n.body, QStringLiteral("File is not exists!\nC:\\esc<U+001B>[2J<U+000A>.txt"));
        n = FailureNotifier::compose(Side::Secondary, 55, QString(), english);
        QCOMPARE(n.summary, QStringLiteral("Secondary Archive"));
        QCOMPARE(n.body, QStringLiteral("55"));

        const QString folder = m_work.path() + QStringLiteral("/lang");
        writeLanguage(folder, "SecondaryArchive=M\xc3\xa1sodlagos arch\xc3\xadvum\r\n"
                              "MessageDiskFull=Megtelt a lemez!\r\n");
        Tconfig config;
        config.WriteString(QStringLiteral("Language"), QStringLiteral("Magyar.lng"));
        const LanguageTexts magyar(config, winPath(folder));
        n = FailureNotifier::compose(Side::Secondary, 5, QStringLiteral("D:\\B"), magyar);
        QCOMPARE(n.summary, QString::fromUtf8("M\xc3\xa1sodlagos arch\xc3\xadvum"));
        QCOMPARE(n.body, QStringLiteral("Megtelt a lemez!\nD:\\B"));
        n = FailureNotifier::compose(Side::Primary, 4, QString(), magyar);
        QCOMPARE(n.summary, QStringLiteral("Primary archive"));
        QCOMPARE(n.body, QStringLiteral("Path not found!"));

        // Texts are never formats: directives in a translation or a path reach the desktop as
        // they stand.
        writeLanguage(folder, "MessageDiskFull=%s%s%s%s%n %1$s %s %99999999d %1 %L2\r\n");
        n = FailureNotifier::compose(Side::Primary, 5, QStringLiteral("D:\\%1%2%n"),
                                     LanguageTexts(config, winPath(folder)));
        QCOMPARE(n.body, QStringLiteral("%s%s%s%s%n %1$s %s %99999999d %1 %L2\nD:\\%1%2%n"));

        // A language that names a missing file leaves English.
        config.WriteString(QStringLiteral("Language"), QStringLiteral("Gone.lng"));
        n = FailureNotifier::compose(Side::Primary, 4, QString(), LanguageTexts(config, winPath(folder)));
        QCOMPARE(n.body, QStringLiteral("Path not found!"));
        config.WriteString(QStringLiteral("Language"), QString());
    }

    // What reaches the notification server: one per change into a failure, plain or escaped as
    // the server reads the body.
    void notificationsOnTheBus()
    {
        for (const bool markup : {false, true}) {
            QDBusConnection service = connection();
            FakeNotifications server(service,
                                     markup ? QStringList{"body", "body-markup"} : QStringList{"body"});
            QVERIFY(server.registerOnBus());
            FailureNotifier notifier(
                connection(), [] { return LanguageTexts(); }, logLine());
            notifier.runReported(Side::Primary, 0, 107, QStringLiteral("C:\\R&D\\<plan>.txt"));
            QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 1, kLong);
            const FakeNotifications::Shown &first = server.shown.first();
            QCOMPARE(first.summary, QStringLiteral("Primary archive"));
            QCOMPARE(first.body, markup ? QStringLiteral("File is not exists!\nC:\\R&amp;D\\&lt;plan&gt;.txt")
                                        : QStringLiteral("File is not exists!\nC:\\R&D\\<plan>.txt"));

            notifier.runReported(Side::Primary, 107, 107, QStringLiteral("C:\\again.txt")); // same state
            notifier.runReported(Side::Secondary, 0, 9, QString());                         // stopped
            notifier.runReported(Side::Secondary, 9, 0, QString());                         // correct
            notifier.runReported(Side::Secondary, 0, 4, QStringLiteral("E:\\Backup\\Archive2"));
            // Calls from one sender arrive in order: had the ones between been sent, they would be here.
            QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 2, kLong);
            QCOMPARE(server.shown.last().summary, QStringLiteral("Secondary Archive"));
            QCOMPARE(server.shown.last().body, QStringLiteral("Path not found!\nE:\\Backup\\Archive2"));
        }
        // No server: logged, nothing else.
        FailureNotifier notifier(
            connection(), [] { return LanguageTexts(); }, logLine());
        m_log.clear();
        notifier.runReported(Side::Primary, 0, 5, QString());
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

    // The real archiv: a failing run shows one notification in the user's language naming the
    // first file that failed; the same failure again shows none; a new failure shows one.
    void failingRunsOfTheRealArchiver()
    {
        QDBusConnection service = connection();
        FakeNotifications server(service);
        QVERIFY(server.registerOnBus());

        const QString dest = m_work.path() + QStringLiteral("/NotifyDest");
        const QString present = m_work.path() + QStringLiteral("/Notify/present.txt");
        const QString missing = m_work.path() + QStringLiteral("/Notify/missing.txt");
        QDir().mkpath(dest);
        writeFile(present, "here\n");

        ArchiverProgram program;
        writeLanguage(program.folder(), "PrimaryArchive=Els\xc5\x91"
                                        "dleges arch\xc3\xadvum\r\n"
                                        "MessageFileNotExistsError=A f\xc3\xa1jl nem l\xc3\xa9tezik!\r\n");
        TTreeList list;
        list.AddFile(winPath(present));
        list.AddFile(winPath(missing));
        list.SaveToFile(winPath(program.listFile()));
        // A side never archived: the earlier runs of this prefix archived elsewhere.
        setArchiveSide(1, dest, true);
        Tconfig().WriteString(QStringLiteral("Language"), QStringLiteral("Magyar.lng"));
        Tconfig().WriteBool(QStringLiteral("Archive_atshutdown"), false);
        QVERIFY(program.start(m_bus.environment()));

        ArchiverProgram::archive(1);
        QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 1, kLong);
        QCOMPARE(server.shown.first().summary + QLatin1Char('|') + server.shown.first().body,
                 QString::fromUtf8("Els\xc5\x91"
                                   "dleges arch\xc3\xadvum|A f\xc3\xa1jl nem l\xc3\xa9tezik!\n") +
                     winPath(missing));

        ArchiverProgram::archive(1);    // the same failure
        QDir(dest).removeRecursively(); // a new one: the destination is gone
        ArchiverProgram::archive(1);
        // Calls from one sender arrive in order: a second one for the same failure would be here.
        QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 2, kLong);
        QCOMPARE(server.shown.last().body.section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("Path not found!"));
        Tconfig().WriteString(QStringLiteral("Language"), QString());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivDesktop)
#include "tst_archivdesktop.moc"
