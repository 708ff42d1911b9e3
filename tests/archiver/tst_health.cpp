// Each side's health line: its age and tone by an injected clock, the run's published progress
// (distrusted when damaged or stale), the archive folder the state belongs to, and what the start
// page, the status window and the manual archiving window show during a real run of archiv.
#include "archiverprogram.h"
#include "findcontrol.h"
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "core/archiveinfo/health.h"
#include "core/archivelist/treelist.h"
#include "gui/archiverwindows/datetimetext.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/shell/maintexts.h"

#include <QProgressBar>

#include <sys/stat.h>
#include <utime.h>

using archiver::HealthTone;
using archiver::RunProgress;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(12, 0));

QString english(const char *key)
{
    return TkovaProvider::DefaultTextOf(mainWindowTexts(), QLatin1String(key));
}

QString healthLabel(QWidget *window, const char *name)
{
    return control<QLabel>(window, name)->toolTip();
}

} // namespace

class TestHealth : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ageToneAndText_data()
    {
        QTest::addColumn<qint64>("age"); // seconds; -1: never archived
        QTest::addColumn<int>("state");
        QTest::addColumn<qint64>("period");
        QTest::addColumn<int>("running"); // 0: not running, 1: idle, 2: a run under way
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tone");
        const qint64 hour = 3600;
        const int plain = int(HealthTone::Plain), amber = int(HealthTone::Amber), red = int(HealthTone::Red);
        QTest::newRow("never archived") << qint64(-1) << 0 << hour << 1 << ""
                                        << "Never archived" << plain;
        QTest::newRow("seconds") << qint64(40) << 0 << hour << 1 << ""
                                 << "Last good archive less than a minute ago" << plain;
        QTest::newRow("minutes") << qint64(5 * 60 + 59) << 0 << hour << 1 << ""
                                 << "Last good archive 5 minutes ago" << plain;
        QTest::newRow("one hour") << hour << 0 << hour << 1 << ""
                                  << "Last good archive 1 hour ago" << plain;
        QTest::newRow("two periods exactly") << 2 * hour << 0 << hour << 1 << ""
                                             << "Last good archive 2 hours ago" << plain;
        QTest::newRow("past two periods") << 2 * hour + 60 << 0 << hour << 1 << ""
                                          << "Last good archive 2 hours ago" << amber;
        QTest::newRow("past two periods and a day") << 26 * hour + 60 << 0 << hour << 1 << ""
                                                    << "Last good archive 26 hours ago" << red;
        QTest::newRow("days") << 3 * 24 * hour << 0 << 24 * hour << 1 << ""
                              << "Last good archive 3 days ago" << amber;
        QTest::newRow("timer off") << 300 * 24 * hour << 0 << qint64(0) << 1 << ""
                                   << "Last good archive 300 days ago" << plain;
        QTest::newRow("clock set back") << -hour << 0 << hour << 1 << ""
                                        << "Last good archive less than a minute ago" << plain;
        QTest::newRow("last run failed") << qint64(60) << 5 << hour << 1 << ""
                                         << "Last good archive 1 minute ago" << red;
        QTest::newRow("never, and failed") << qint64(-1) << 107 << hour << 1 << ""
                                           << "Never archived" << red;
        QTest::newRow("user break") << qint64(60) << 9 << hour << 1 << ""
                                    << "Last good archive 1 minute ago" << plain;
        QTest::newRow("not running") << 3 * hour << 0 << hour << 0 << ""
                                     << "Archiver is not running" << amber;
        QTest::newRow("archiving") << qint64(60) << 0 << hour << 2 << ""
                                   << "Archiving... 1,234 of 5,000 files (310 MB)" << plain;
        QTest::newRow("archiving, German numbers") << qint64(60) << 0 << hour << 2 << "Deutsch"
                                                   << "Archiving... 1.234 of 5.000 files (310 MB)" << plain;
    }
    void ageToneAndText()
    {
        QFETCH(qint64, age);
        QFETCH(int, state);
        QFETCH(qint64, period);
        QFETCH(int, running);
        QFETCH(QString, language);
        archiver::HealthFacts facts;
        facts.lastGood = age == -1 ? 0.0 : win::DateTimeToDouble(kNow.addSecs(-age));
        facts.state = state;
        facts.periodSeconds = period;
        facts.archiverRunning = running > 0;
        if (running == 2)
            facts.progress = RunProgress{1234, 5000, 310'000'000, 1'200'000'000, QStringLiteral("C:\\Docs")};
        const archiver::HealthLine line = archiver::describeHealth(
            facts, kNow, LanguageLocale(language), [](const char *key) { return english(key); });
        QTEST(line.text, "text");
        QTEST(int(line.tone), "tone");
    }

    // Month names and numbers follow the panel's language; the system's format keeps its shape.
    void datesInTheLanguage()
    {
        const win::TDateTime day = win::DateTimeToDouble(QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
        const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
        const std::pair<const char *, QLocale::Language> languages[] = {
            {"Magyar", QLocale::Hungarian},
            {"Deutsch", QLocale::German},
            {"Program default-English", QLocale::English}};
        for (const auto &[name, language] : languages)
            QCOMPARE(DateTimeText(day, LanguageLocale(QString::fromLatin1(name))),
                     QLocale(language).toString(QDate(2026, 12, 7), format));
        if (format.contains(QLatin1String("MMM")))
            QVERIFY(
                DateTimeText(day, LanguageLocale(QStringLiteral("Deutsch"))).contains(QLatin1String("Dez")));
    }

    // What another program (or a damaged disk) leaves in the progress file is never trusted.
    void progressFileIsDistrusted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("age");
        QTest::addColumn<bool>("taken");
        const RunProgress sound{3, 10, 300, 1000, QStringLiteral("C:\\Docs")};
        const QByteArray good = archiver::progressBytes(sound);
        QTest::newRow("fresh") << good << false << 0 << true;
        QTest::newRow("stale, side busy") << good << true << 3600 << true;
        QTest::newRow("stale, side idle") << good << false << 3600 << false;
        QTest::newRow("done beyond total")
            << QByteArray(good).replace("files 3 10", "files 11 10") << true << 0 << false;
        QTest::newRow("negative") << QByteArray(good).replace("bytes 300", "bytes -300") << true << 0
                                  << false;
        QTest::newRow("huge") << QByteArray(good).replace("files 3", "files 99999999999999999999") << true
                              << 0 << false;
        QTest::newRow("no header") << good.mid(good.indexOf('\n') + 1) << true << 0 << false;
        QTest::newRow("cut short") << good.left(good.size() - 3) << true << 0 << false;
        QTest::newRow("runaway") << good + QByteArray(8192, 'x') << true << 0 << false;
        QTest::newRow("garbage") << QByteArray("\0\xff\n\n\n\n", 6) << true << 0 << false;
    }
    void progressFileIsDistrusted()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, busy);
        QFETCH(int, age);
        QVERIFY(win::Prefix::ensure());
        const QString path = archiver::progressFilePath(Side::Primary);
        writeFile(path, bytes);
        const QDateTime now = QDateTime::currentDateTime();
        setModified(path, now.addSecs(-age));
        const std::optional<RunProgress> read = archiver::readProgress(Side::Primary, busy, now);
        QTEST(read.has_value(), "taken");
        if (read)
            QCOMPARE(read->filesDone, 3);
        // Neither a pipe nor a link is read: a pipe without a writer would hang the panel.
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QVERIFY(!archiver::readProgress(Side::Primary, true, now));
        QFile::remove(path);
        writeFile(path + QStringLiteral(".real"), bytes);
        QVERIFY(QFile::link(path + QStringLiteral(".real"), path));
        QVERIFY(!archiver::readProgress(Side::Primary, true, now));
        QFile::remove(path);
    }

    // The status window names the folder the state belongs to, and says so when the side now
    // points elsewhere; with no Archiver, both the start page and the window say it is not running.
    void stateFolderAndNoArchiver()
    {
        TestPanel p;
        QVERIFY(p.start());
        TstatusF *status = p.panel->statusF();
        p.settings().WriteString(QStringLiteral("Celutvonal"), QStringLiteral("E:\\Backup"));
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev1"), QStringLiteral("Archive1"));
        p.settings().WriteString(QStringLiteral("StateFolder_2"), QStringLiteral("D:\\old\\Archive2"));
        p.settings().WriteString(QStringLiteral("StateFolder_1"), QStringLiteral("e:\\backup\\Archive1"));
        QString primary, secondary, health;
        bool clear = false;
        whenModal(status, [&] {
            primary = control<QLabel>(status, "FolderLabel1")->text();
            secondary = control<QLabel>(status, "FolderLabel2")->text();
            health = healthLabel(status, "HealthLabel2");
            clear = control<QLabel>(status, "FolderLabel1")->geometry().bottom() <
                    control<QWidget>(status, "Label2")->y();
            clickControl(status, "SpeedButton1");
        });
        clickControl(p.main, "statusbutton");
        QCOMPARE(primary, QStringLiteral("This state belongs to e:\\backup\\Archive1."));
        QCOMPARE(
            secondary,
            QStringLiteral("This state belongs to D:\\old\\Archive2, not the archive folder now chosen."));
        QVERIFY(clear);
        QCOMPARE(health, english("HealthNotRunning"));
        QTRY_VERIFY(healthLabel(p.main, "HealthLabel1").endsWith(english("HealthNotRunning")));
        QVERIFY(p.errors.isEmpty());
    }

    // A real run of archiv, held up by one file that never finishes reading: the start page, the
    // status window and the manual archiving window show how far it got; after a whole run the
    // side's last good archive and its folder are recorded.
    void progressOfARealRun()
    {
        TestPanel p;
        QTemporaryDir sources;
        QTemporaryDir destination;
        for (int i = 0; i < 30; ++i)
            writeFile(sources.path() + QStringLiteral("/f%1.txt").arg(i), QByteArray(1000, 'a'));
        ArchiverProgram program;
        TTreeList list;
        list.AddDir(win::ToWindowsPath(sources.path()), QStringLiteral(".*"));
        list.SaveToFile(win::ToWindowsPath(program.listFile()));
        setArchiveSide(1, destination.path(), false);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DUNLIVO_TEST_STALL_FILE"), QStringLiteral("stall.txt"));
        QVERIFY(program.start(environment));
        QCOMPARE(ArchiverProgram::archive(1), 0);
        Tconfig config;
        QVERIFY(config.ReadDateTime(QStringLiteral("LastGood_1"), 0.0) > 0.0);
        QCOMPARE(config.ReadString(QStringLiteral("StateFolder_1"), QString()),
                 win::ToWindowsPath(destination.path()) + QStringLiteral("\\Archive1"));
        QVERIFY(!QFile::exists(archiver::progressFilePath(Side::Primary)));

        QVERIFY(p.start());
        QTRY_COMPARE(healthLabel(p.main, "HealthLabel1"),
                     english("PrimaryArchive") +
                         QStringLiteral(": Last good archive less than a minute ago"));
        writeFile(sources.path() + QStringLiteral("/stall.txt"), "x");
        ArchiverProgram::command(2);
        QTRY_VERIFY_WITH_TIMEOUT(healthLabel(p.main, "HealthLabel1").contains(QLatin1String(" of 31 files")),
                                 ArchiverProgram::kLong);

        Tman_archF *manual = p.panel->man_archF();
        manual->show();
        auto *bar = control<QProgressBar>(manual, "ProgressBar1");
        QTRY_VERIFY(bar->isVisible() && bar->maximum() > 0 && bar->value() > 0);
        QVERIFY(!control<QProgressBar>(manual, "ProgressBar2")->isVisible());
        manual->hide();
        TstatusF *status = p.panel->statusF();
        status->show();
        QTRY_VERIFY(healthLabel(status, "HealthLabel1").startsWith(QLatin1String("Archiving... ")));
        status->hide();

        program.stop();
        QTRY_VERIFY_WITH_TIMEOUT(healthLabel(p.main, "HealthLabel1").endsWith(english("HealthNotRunning")),
                                 ArchiverProgram::kLong);
    }
};

DUNLIVO_TEST_MAIN(TestHealth)
#include "tst_health.moc"
