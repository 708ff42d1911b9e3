// The real archiv program on a test prefix: archive runs compressed and plain, the run with nothing
// changed, state codes, stopping, emptying, a second instance, the timers, and damaged settings.
#include "archiverprogram.h"
#include "programrun.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"
#include "core/archivelist/treelist.h"
#include "core/platform/datetime.h"
#include "core/platform/messagewindow.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/winmsg.h"
#include "core/settings/config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

using namespace archiver;

namespace {

constexpr int kLong = 60000;

quint64 inode(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

} // namespace

class TestArchiv : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_source; // host folder of the archived directory
    QString m_single; // host path of a file listed on its own
    QString m_dest1;  // host destinations
    QString m_dest2;

    static QString winPath(const QString &host) { return win::ToWindowsPath(host); }

    void resetSettings()
    {
        setArchiveSide(1, m_dest1, true);
        setArchiveSide(2, m_dest2, false);
    }

    void writeList(const ArchiverProgram &program, const QString &extraDirectory = QString())
    {
        TTreeList list;
        list.AddDir(winPath(m_source), QStringLiteral(".txt;.BIN"));
        list.AddFile(winPath(m_single));
        if (!extraDirectory.isEmpty())
            list.AddDir(winPath(extraDirectory), QStringLiteral(".*"));
        list.SaveToFile(winPath(program.listFile()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        m_source = m_work.path() + QStringLiteral("/Source");
        m_single = m_work.path() + QStringLiteral("/Single/notes.md");
        m_dest1 = m_work.path() + QStringLiteral("/Dest1");
        m_dest2 = m_work.path() + QStringLiteral("/Dest2");
        QDir().mkpath(m_dest1);
        QDir().mkpath(m_dest2);
        writeFile(m_source + QStringLiteral("/a.txt"), textLines(20000));
        writeFile(m_source + QStringLiteral("/noise.bin"), noise(300000, 1));
        writeFile(m_source + QStringLiteral("/empty.txt"), QByteArray());
        writeFile(m_source + QStringLiteral("/skipped.doc"), "not in the set");
        writeFile(m_source + QStringLiteral("/Sub/deeper.txt"), "subfolders are items of their own");
        writeFile(m_single, "a single file\n");
    }

    // A compressed primary and a plain secondary run, checked byte for byte (times, the kept list
    // and stray members are checked after every interrupted run); then a run with nothing changed
    // copies nothing, and a changed file is copied again.
    void fullRunsAndNoChangeRun()
    {
        resetSettings();
        ArchiverProgram program;
        writeList(program);
        QVERIFY(program.start());
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(ArchiverProgram::archive(2), 0);
        const QString root1 = m_dest1 + QStringLiteral("/Archive1");
        const QString root2 = m_dest2 + QStringLiteral("/Archive2");
        const QStringList archivedFiles = {m_source + QStringLiteral("/a.txt"),
                                           m_source + QStringLiteral("/noise.bin"),
                                           m_source + QStringLiteral("/empty.txt"), m_single};
        for (const QString &source : archivedFiles) {
            QCOMPARE(bunzipped(archivedPath(root1, source, true)), readFile(source));
            QCOMPARE(readFile(archivedPath(root2, source, false)), readFile(source));
        }
        // Outside the extension set, and in a subfolder that is no item: not archived.
        QVERIFY(!QFileInfo::exists(archivedPath(root1, m_source + QStringLiteral("/skipped.doc"), true)));
        QVERIFY(!QFileInfo::exists(archivedPath(root1, m_source + QStringLiteral("/Sub/deeper.txt"), true)));

        // Nothing changed: no archived file is written again (a written file is a new inode).
        QHash<QString, quint64> inodes;
        for (const QString &source : archivedFiles) {
            inodes.insert(archivedPath(root1, source, true), inode(archivedPath(root1, source, true)));
            inodes.insert(archivedPath(root2, source, false), inode(archivedPath(root2, source, false)));
        }
        ArchiverProgram::archive(1);
        ArchiverProgram::archive(2);
        for (auto it = inodes.cbegin(); it != inodes.cend(); ++it)
            QVERIFY2(inode(it.key()) == it.value(), qPrintable(it.key()));

        // The sweep of a killed run's temporary files follows no link inside the archive.
        QTemporaryDir outside;
        const QString foreign = outside.filePath(QStringLiteral(".x.txt.new-abc"));
        writeFile(foreign, "not the Archiver's");
        QVERIFY(QFile::link(outside.path(), root1 + QStringLiteral("/elsewhere")));
        ArchiverProgram::archive(1);
        QVERIFY(QFileInfo::exists(foreign));
        QFile::remove(root1 + QStringLiteral("/elsewhere"));

        // A changed file (same size in the plain archive, other time) is archived again.
        const QString changed = m_source + QStringLiteral("/noise.bin");
        QByteArray bytes = readFile(changed);
        bytes[0] = char(bytes[0] ^ 0x55);
        writeFile(changed, bytes);
        QFile(changed).setFileTime(QDateTime::currentDateTime().addSecs(-30),
                                   QFileDevice::FileModificationTime);
        ArchiverProgram::archive(1);
        ArchiverProgram::archive(2);
        QCOMPARE(bunzipped(archivedPath(root1, changed, true)), bytes);
        QCOMPARE(readFile(archivedPath(root2, changed, false)), bytes);
        QCOMPARE(inode(archivedPath(root1, m_source + QStringLiteral("/a.txt"), true)),
                 inodes.value(archivedPath(root1, m_source + QStringLiteral("/a.txt"), true)));
    }

    // A destination that does not exist gives "path not found", nothing is made there, and the
    // last-run time stays; a stale busy flag at start gives "not finished".
    void stateCodes()
    {
        resetSettings();
        const QString missing = m_work.path() + QStringLiteral("/NoSuchDrive/Folder");
        Tconfig config;
        config.WriteString(QStringLiteral("Celutvonal"),
                           winPath(m_work.path()) + QStringLiteral("\\NoSuchDrive\\Folder"));
        config.WriteBool(QStringLiteral("Progress_2"), true);
        ArchiverProgram program;
        writeList(program);
        QVERIFY(program.start());
        QTRY_COMPARE_WITH_TIMEOUT(config.ReadInteger(QStringLiteral("Safestate"), -1),
                                  int(StateBrokenArchive), kLong);
        QCOMPARE(config.ReadBool(QStringLiteral("Progress_2"), true), false);

        QCOMPARE(ArchiverProgram::archive(1), int(StatePathNotFound));
        QCOMPARE(config.ReadDateTime(QStringLiteral("Archutolso"), -1), 0.0);
        QVERIFY(!QFileInfo::exists(missing));
    }

    // A list that is there but cannot be read is a failure, never "no list": a FIFO without a
    // writer and a link to an endless device end the run at once, as does a link to nothing.
    void listsThatCannotBeRead()
    {
        resetSettings();
        ArchiverProgram program;
        QVERIFY(program.start());
        Tconfig config;
        const QString list = program.listFile();
        const std::function<bool()> makers[] = {
            [&] { return ::mkfifo(QFile::encodeName(list).constData(), 0600) == 0; },
            [&] { return QFile::link(QStringLiteral("/dev/zero"), list); },
            [&] { return QFile::link(list + QStringLiteral(".nowhere"), list); },
        };
        for (const auto &make : makers) {
            QFile::remove(list);
            QVERIFY(make());
            config.WriteInteger(QStringLiteral("Archstate"), -1);
            QCOMPARE(ArchiverProgram::archive(1), int(StateFileOpenError));
        }
        // The Archiver still answers and ends as asked.
        QFile::remove(list);
        program.stop();
        QCOMPARE(program.process().state(), QProcess::NotRunning);
    }

    // WM_CLOSE in the middle of a primary run ends the program and reports 9, with neither the
    // list (written last) nor the last-run time: stopped at a file boundary without a temporary
    // file (members are checked whole after every kill), or with the run thread inside a file
    // access that never returns left behind.
    void stopInTheMiddleOfARun_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("at a file boundary") << false;
        QTest::newRow("inside a blocked file access") << true;
    }

    void stopInTheMiddleOfARun()
    {
        QFETCH(bool, blocked);
        resetSettings();
        // The compressed run of ~50 MB of noise takes seconds.
        const QString big = m_work.path() + QStringLiteral("/Big");
        for (int i = 0; i < 8 && !blocked; ++i)
            writeFile(big + QStringLiteral("/part%1.dat").arg(i), noise(6 * 1024 * 1024 + i, quint32(i)));
        QDir(m_dest1 + QStringLiteral("/Archive1")).removeRecursively();
        ArchiverProgram program;
        writeList(program, blocked ? QString() : big);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (blocked)
            environment.insert(QStringLiteral("DUNLIVO_TEST_STALL_FILE"), QFileInfo(m_single).fileName());
        QVERIFY(program.start(environment));
        Tconfig config;
        // The command replies once the run has started.
        ArchiverProgram::command(2);
        QVERIFY(config.ReadBool(QStringLiteral("Progress_1"), false));
        const QString stalled = m_single + QStringLiteral(".stalled");
        if (blocked) {
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(stalled), kLong);
            QFile::remove(stalled);
        }
        win::PostMessage(program.window(), win::WM_CLOSE, 0, 0);
        QVERIFY(program.process().waitForFinished(kLong));
        QCOMPARE(program.process().exitCode(), 0);
        QCOMPARE(config.ReadInteger(QStringLiteral("Archstate"), -1), int(StateUserBreak));
        QCOMPARE(config.ReadBool(QStringLiteral("Progress_1"), true), false);
        QCOMPARE(config.ReadDateTime(QStringLiteral("Archutolso"), -1), 0.0);
        QVERIFY(!QFileInfo::exists(m_dest1 + QStringLiteral("/Archive1/afiles.lst")));
        if (blocked) {
            QVERIFY(readFile(win::Prefix::logDir() + QStringLiteral("/archiv.log")).contains("left behind"));
            return;
        }
        QVERIFY(temporaries(m_dest1).isEmpty());
        QDir(big).removeRecursively();
    }

    // A second start while one runs ends at once and leaves the first one alone.
    void secondInstance()
    {
        resetSettings();
        ArchiverProgram first;
        writeList(first);
        QVERIFY(first.start());
        const win::HWND window = first.window();
        ArchiverProgram second;
        QProcess &process = second.process();
        process.start(second.folder() + QStringLiteral("/archiv"), QStringList());
        QVERIFY(process.waitForFinished(kLong));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(first.window(), window);
        QVERIFY(win::IsWindow(window));
    }

    // A prefix others could change is refused: named on stderr and in the log, and a failing
    // exit code.
    void refusedPrefix()
    {
        const QString log = win::Prefix::logDir() + QStringLiteral("/archiv.log");
        const QString dosdevices = win::Prefix::dosdevicesDir();
        QVERIFY(::chmod(QFile::encodeName(dosdevices).constData(), 0777) == 0);
        ArchiverProgram program;
        QProcess &process = program.process();
        process.start(program.folder() + QStringLiteral("/archiv"), QStringList());
        const bool ended = process.waitForFinished(kLong);
        ::chmod(QFile::encodeName(dosdevices).constData(), 0700);
        QVERIFY(ended);
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(
            QString::fromLocal8Bit(process.readAllStandardError()).contains(dosdevices + QLatin1Char(' ')));
        const QString last = QString::fromUtf8(readFile(log).trimmed().split('\n').last());
        QVERIFY2(last.contains(QLatin1String("not started: ")) &&
                     last.contains(dosdevices + QLatin1Char(' ')),
                 qPrintable(last));
    }

    // Emptying removes every file and folder below both roots and nothing else: a link placed in
    // a root is removed as a link, and archiving never writes through one.
    void emptyingAndLinks()
    {
        resetSettings();
        const QString outside = m_work.path() + QStringLiteral("/Outside");
        QDir().mkpath(outside);
        writeFile(outside + QStringLiteral("/keep.txt"), "not part of any archive");
        ArchiverProgram program;
        writeList(program);
        QVERIFY(program.start());
        ArchiverProgram::archive(1);
        ArchiverProgram::archive(2);
        const QString root1 = m_dest1 + QStringLiteral("/Archive1");
        QVERIFY(QFile::link(outside, root1 + QStringLiteral("/link")));

        ArchiverProgram::command(1);
        QCOMPARE(entriesOf(root1), QStringList());
        QCOMPARE(entriesOf(m_dest2 + QStringLiteral("/Archive2")), QStringList());
        QVERIFY(QDir(root1).exists());
        QCOMPARE(readFile(outside + QStringLiteral("/keep.txt")), QByteArray("not part of any archive"));

        // The drive folder of the archive replaced by a link to elsewhere: the run refuses to
        // write through it and reports a failure.
        QVERIFY(QFile::link(outside, root1 + QStringLiteral("/Z")));
        ArchiverProgram::archive(1);
        QVERIFY(Tconfig().ReadInteger(QStringLiteral("Archstate"), 0) != 0);
        QCOMPARE(QDir(outside).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"keep.txt"});
        QVERIFY(QFile::remove(root1 + QStringLiteral("/Z")));
    }

    // A damaged settings file: logged once however often the timers look again, nothing
    // archived (not even on the sound hive beside it) and the file left alone; once it has been
    // replaced with dunlivo-reg, the timers archive as usual.
    void damagedSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::newRow("settings hive") << QByteArray("HKEY_CLASSES_ROOT");
        QTest::newRow("machine hive") << QByteArray("HKEY_LOCAL_MACHINE");
    }

    void damagedSettingsFile()
    {
        QFETCH(QByteArray, root);
        QByteArray damaged;
        {
            TestPrefix scratch;
            Tconfig config;
            damaged = readFile(scratch.hiveFile(root.constData())).left(1000);
        }
        TestPrefix prefix;
        const QString hive = prefix.hiveFile(root.constData());
        writeFile(hive, damaged);
        const QString dest = m_work.path() + QStringLiteral("/Damaged-") + QString::fromLatin1(root);
        QVERIFY(QDir().mkpath(dest));
        const auto settle = [&] {
            setArchiveSide(1, dest, false);
            Tconfig().WriteInteger(QStringLiteral("Archivalas"), 1);
        };
        // Due at once: the other hive holds settings that would be archived on.
        if (root == "HKEY_LOCAL_MACHINE")
            settle();
        ArchiverProgram program;
        writeList(program);
        QVERIFY(program.start({QStringLiteral("--start-delay-ms"), QStringLiteral("0"),
                               QStringLiteral("--tick-ms"), QStringLiteral("10")}));
        const QString log = prefix.path() + QStringLiteral("/log/archiv.log");
        const auto reports = [&] { return readFile(log).count(QFile::encodeName(hive) + " cannot be used"); };
        QTRY_COMPARE_WITH_TIMEOUT(reports(), 1, kLong);
        // Each timer check looks at the hive again, which makes it private again as every look at
        // the prefix does: three checks seen, without a word more.
        for (int check = 0; check < 3; ++check) {
            QCOMPARE(::chmod(QFile::encodeName(hive).constData(), 0640), 0);
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(hive).permissions() == (QFile::ReadOwner | QFile::WriteOwner |
                                                                       QFile::ReadUser | QFile::WriteUser),
                                     kLong);
        }
        ArchiverProgram::command(2);
        QCOMPARE(reports(), 1);
        QCOMPARE(QDir(dest).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir(prefix.path() + QStringLiteral("/registry")).entryList({QStringLiteral("*.bad")}),
                 QStringList());

        QCOMPARE(runProgram(testBinDir() + QStringLiteral("/dunlivo-reg"), {QStringLiteral("repair")}).code,
                 0);
        const auto recoveries = [&] { return readFile(log).count("the settings file is sound again"); };
        // The Archiver has made sure of the fresh settings before it says so.
        QTRY_COMPARE_WITH_TIMEOUT(recoveries(), 1, kLong);
        if (root == "HKEY_CLASSES_ROOT")
            settle();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dest + QStringLiteral("/Archive1/afiles.lst")), kLong);
        QCOMPARE(recoveries(), 1);
        QCOMPARE(reports(), 1);
    }

    // The end of the session (SIGTERM): with Archive_atshutdown the sides with timed archiving
    // are archived before the program ends; without it, it ends at once and archives nothing.
    // systemd ends a session's processes with SIGTERM and a SIGHUP right after it: that SIGHUP
    // does not cut the run short.
    void sessionEnd_data()
    {
        QTest::addColumn<bool>("atShutdown");
        QTest::addColumn<QList<int>>("signalsSent");
        QTest::newRow("SIGTERM") << false << QList<int>{SIGTERM};
        QTest::newRow("SIGTERM, archiving at shutdown") << true << QList<int>{SIGTERM};
        QTest::newRow("SIGTERM and SIGHUP, archiving at shutdown") << true << QList<int>{SIGTERM, SIGHUP};
    }

    void sessionEnd()
    {
        QFETCH(bool, atShutdown);
        QFETCH(QList<int>, signalsSent);
        resetSettings();
        Tconfig config;
        config.WriteInteger(QStringLiteral("Archivalas"), 10000);
        config.WriteDateTime(QStringLiteral("Archutolso"),
                             win::DateTimeToDouble(QDateTime::currentDateTime()));
        const double before = config.ReadDateTime(QStringLiteral("Archutolso"), 0);
        config.WriteBool(QStringLiteral("Archive_atshutdown"), atShutdown);
        ArchiverProgram program;
        writeList(program);
        QVERIFY(program.start());
        for (const int number : signalsSent)
            ::kill(pid_t(program.process().processId()), number);
        QVERIFY(program.process().waitForFinished(kLong));
        config.WriteBool(QStringLiteral("Archive_atshutdown"), false);
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QVERIFY(!program.window());
        QCOMPARE(config.ReadBool(QStringLiteral("Progress_1"), true), false);
        QCOMPARE(config.ReadBool(QStringLiteral("Progress_2"), true), false);
        QCOMPARE(config.ReadDateTime(QStringLiteral("Archutolso"), 0) > before, atShutdown);
        // The secondary side has timed archiving off: not archived at the session's end either.
        QCOMPARE(config.ReadDateTime(QStringLiteral("Archutolso2"), -1), 0.0);
    }

    // SIGHUP ends the Archiver only when the terminal it was started from hangs up. The kernel
    // also sends SIGHUP, with SIGCONT, to a stopped process group when the group's last parent
    // outside it ends: the Archiver goes on and runs its timer, here the secondary side's (a run
    // due by the stored last-run time happens soon after start, without a command).
    void hangUp_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::newRow("SIGHUP without a terminal") << false;
        QTest::newRow("terminal hung up") << true;
    }

    void hangUp()
    {
        QFETCH(bool, terminal);
        resetSettings();
        Tconfig config;
        config.WriteInteger(QStringLiteral("Biztarchivalas"), 1);
        config.WriteDateTime(QStringLiteral("Archutolso2"),
                             win::DateTimeToDouble(QDateTime::currentDateTime().addSecs(-2 * 3600)));
        const double before = config.ReadDateTime(QStringLiteral("Archutolso2"), 0);
        QDir().mkpath(m_dest2 + QStringLiteral("/Archive2"));
        ArchiverProgram program;
        writeList(program);
        const QString logPath = win::Prefix::logDir() + QStringLiteral("/archiv.log");
        const qint64 logStart = QFileInfo(logPath).size();
        const int master = terminal ? ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
        QVERIFY(!terminal || (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0));
        // A session of its own, whose controlling terminal is the new one or none.
        const QByteArray slave = terminal ? QByteArray(::ptsname(master)) : QByteArray();
        program.process().setChildProcessModifier([slave] {
            ::setsid();
            if (!slave.isEmpty())
                ::open(slave.constData(), O_RDWR);
        });
        QVERIFY(program.start({QStringLiteral("--start-delay-ms"), QStringLiteral("3000"),
                               QStringLiteral("--tick-ms"), QStringLiteral("100")}));
        if (terminal) {
            ::close(master);
            QVERIFY(program.process().waitForFinished(kLong));
            QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
            QVERIFY(readFile(logPath).mid(logStart).contains("the session ends"));
            return;
        }
        ::kill(pid_t(program.process().processId()), SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(config.ReadDateTime(QStringLiteral("Archutolso2"), 0) > before, kLong);
        QVERIFY(ArchiverProgram::waitIdle(2));
        QCOMPARE(config.ReadInteger(QStringLiteral("Safestate"), -1), 0);
        // The primary side has timed archiving off and is left alone.
        QCOMPARE(config.ReadDateTime(QStringLiteral("Archutolso"), -1), 0.0);
        QCOMPARE(program.process().state(), QProcess::Running);
        const QByteArray log = readFile(logPath).mid(logStart);
        QVERIFY(log.contains("SIGHUP without a terminal hang-up"));
        QVERIFY(log.contains("secondary archive: done"));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchiv)
#include "tst_archiv.moc"
