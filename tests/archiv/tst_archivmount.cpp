// The mount watch of the real archiv: a run missed while the archive's disk was away starts when
// the disk is mounted, once per appearance; and when an archive folder counts as reachable.
#include "archiverprogram.h"
#include "programrun.h"
#include "testfiles.h"
#include "testmain.h"

#include "apps/archiv/mountwatch.h"
#include "core/archivelist/treelist.h"
#include "core/platform/datetime.h"

using namespace archiver;

namespace {

// The real archiv in a mount namespace of its own (unshare -rm, so also for a user who may not
// mount elsewhere), beside a shell in the same namespace that runs the commands the test writes
// to it, answering each with its exit status.
class ArchiverInNamespace
{
public:
    explicit ArchiverInNamespace(const QString &exe)
    {
        m_shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_shell.start(QStringLiteral("unshare"),
                      {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("\"$0\" --start-delay-ms 0 >&2 & "
                                      "while read -r line; do eval \"$line\"; echo $?; done; wait"),
                       exe});
    }
    ~ArchiverInNamespace()
    {
        if (win::HWND window = ArchiverProgram::window())
            win::PostMessage(window, win::WM_CLOSE, 0, 0);
        m_shell.closeWriteChannel();
        if (!m_shell.waitForFinished(ArchiverProgram::kLong))
            m_shell.kill();
    }
    bool started()
    {
        return QTest::qWaitFor([] { return ArchiverProgram::window() != nullptr; }, ArchiverProgram::kLong);
    }
    bool run(const QString &command)
    {
        m_shell.write(command.toUtf8() + '\n');
        while (!m_shell.canReadLine()) {
            if (!m_shell.waitForReadyRead(ArchiverProgram::kLong))
                return false;
        }
        return m_shell.readLine() == "0\n";
    }

private:
    QProcess m_shell;
};

} // namespace

class TestArchivMount : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reachability_data()
    {
        QTest::addColumn<QString>("destination"); // below the test's folder; empty for none
        QTest::addColumn<bool>("archivedBefore");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("no destination") << QString() << false << false;
        QTest::newRow("destination missing") << "Missing" << false << false;
        QTest::newRow("a file, not a folder") << "File" << false << false;
        QTest::newRow("never archived: the folder is enough") << "Empty" << false << true;
        QTest::newRow("archived before: an empty mount folder is not the disk") << "Empty" << true << false;
        QTest::newRow("archived before, its archive folder there") << "Disk" << true << true;
    }
    void reachability()
    {
        QFETCH(QString, destination);
        QFETCH(bool, archivedBefore);
        QTemporaryDir work;
        QVERIFY(QDir(work.path()).mkpath(QStringLiteral("Empty")) &&
                QDir(work.path()).mkpath(QStringLiteral("Disk/Archive1")));
        writeFile(work.path() + QStringLiteral("/File"), "a file");
        SideSettings settings;
        if (!destination.isEmpty())
            settings.destination = win::ToWindowsPath(work.path() + QLatin1Char('/') + destination);
        settings.archiveName = QStringLiteral("Archive1");
        settings.archivedBefore = archivedBefore;
        QTEST(archiveReachable(settings), "reachable");
    }

    // Overdue sides whose disks are not mounted when the Archiver starts: their timed runs fail at
    // once, and the next are a period away, so only a mount can start a run. A side's run starts
    // when its disk is mounted. While the
    // disk stays, another mount does not start it again; unmounted and mounted again, it does.
    void missedRunStartsWhenTheDiskComesBack()
    {
        if (runProgram(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}).code != 0)
            QSKIP("unshare -rm is refused here: no mount namespace of the test's own");
        QTemporaryDir work;
        const QString source = work.path() + QStringLiteral("/Docs/report.txt");
        const QString media[] = {work.path() + QStringLiteral("/media1"),
                                 work.path() + QStringLiteral("/media2")};
        const QString disk = work.path() + QStringLiteral("/disk");
        writeFile(source, "the report");
        QVERIFY(QDir().mkpath(media[0]) && QDir().mkpath(media[1]) &&
                QDir().mkpath(disk + QStringLiteral("/Backup")));
        setArchiveSide(1, media[0] + QStringLiteral("/Backup"), false);
        setArchiveSide(2, media[1] + QStringLiteral("/Backup"), false);
        Tconfig config;
        config.WriteInteger(QStringLiteral("Archivalas"), 60);
        config.WriteInteger(QStringLiteral("Biztarchivalas"), 1);
        const auto lastRun = [&](const char *name) { return config.ReadDateTime(QLatin1String(name), -1.0); };
        const auto ranWithinAMinute = [&](const char *name) {
            return QTest::qWaitFor([&] { return lastRun(name) != 0.0; }, 60000);
        };
        const auto logged = [](const QString &text) {
            return QTest::qWaitFor(
                [&] {
                    return readFile(win::Prefix::logDir() + QStringLiteral("/archiv.log"))
                        .contains(text.toUtf8());
                },
                ArchiverProgram::kLong);
        };

        ArchiverProgram program;
        TTreeList list;
        list.AddDir(win::ToWindowsPath(QFileInfo(source).path()), QStringLiteral(".*"));
        list.SaveToFile(win::ToWindowsPath(program.listFile()));
        ArchiverInNamespace archiver(program.folder() + QStringLiteral("/archiv"));
        QVERIFY(archiver.started());
        const auto mount = [&](int side) {
            return archiver.run(QStringLiteral("mount --bind '%1' '%2'").arg(disk, media[side - 1]));
        };
        QVERIFY(QTest::qWaitFor([&] {
            return config.ReadInteger(QStringLiteral("Archstate"), 0) &&
                   config.ReadInteger(QStringLiteral("Safestate"), 0);
        }));
        QVERIFY(logged(QStringLiteral("secondary archive: %1\\Backup\\Archive2 can not be reached")
                           .arg(win::ToWindowsPath(media[1]))));

        QVERIFY(mount(1));
        QVERIFY2(ranWithinAMinute("Archutolso"), "no run within a minute of the mount");
        QVERIFY(ArchiverProgram::waitIdle(1));
        QCOMPARE(config.ReadInteger(QStringLiteral("Archstate"), -1), 0);
        QCOMPARE(readFile(archivedPath(disk + QStringLiteral("/Backup/Archive1"), source, false)),
                 QByteArray("the report"));

        // Both sides are looked at together: once the secondary side's run has started, the
        // primary side, overdue again, has been passed over.
        config.WriteDateTime(QStringLiteral("Archutolso"), 0.0);
        QVERIFY(mount(2));
        QVERIFY(ranWithinAMinute("Archutolso2"));
        QVERIFY(!config.ReadBool(QStringLiteral("Progress_1"), true));
        QCOMPARE(lastRun("Archutolso"), 0.0);

        QVERIFY(archiver.run(QStringLiteral("umount '%1'").arg(media[0])));
        QVERIFY(logged(QStringLiteral("primary archive: %1\\Backup\\Archive1 can no longer be reached")
                           .arg(win::ToWindowsPath(media[0]))));
        QVERIFY(mount(1));
        QVERIFY2(ranWithinAMinute("Archutolso"), "no run within a minute of the second mount");
        QVERIFY(ArchiverProgram::waitIdle(1) && ArchiverProgram::waitIdle(2));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivMount)
#include "tst_archivmount.moc"
