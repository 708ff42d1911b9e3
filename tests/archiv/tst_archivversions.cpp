// The real archiv keeping the archived copies its runs replace: where the earlier versions lie and
// what they hold, many files changed at once, and emptying and conversion with versions present.
#include "archiverprogram.h"
#include "privatebus.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archiveinfo/versionslayout.h"
#include "core/archivelist/treelist.h"

#include <QDir>
#include <QMap>

using namespace archiver;

namespace {

constexpr int kLong = 60000;

// The run folders of a root's versions area.
QStringList runFolders(const QString &root)
{
    return QDir(root + QStringLiteral("/versions")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// Waits until a run started now gets a run folder of its own.
void nextSecond()
{
    const QString now = versionRunName(QDateTime::currentDateTime());
    QVERIFY(QTest::qWaitFor([&] { return versionRunName(QDateTime::currentDateTime()) != now; }, kLong));
}

// Every file below a folder with its bytes.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(folder.size()), readFile(path));
    }
    return files;
}

} // namespace

class TestArchivVersions : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    PrivateBus m_bus;

    // A source folder of count files listed as a whole, archived once into side 1; its root (empty
    // when that run failed, which fails every check after it).
    QString setUp(ArchiverProgram &program, const QString &name, int count, bool compressed)
    {
        const QString source = m_work.path() + QLatin1Char('/') + name;
        for (int i = 0; i < count; ++i)
            writeFile(source + QStringLiteral("/f%1.txt").arg(i), textLines(20, i));
        TTreeList list;
        list.AddDir(win::ToWindowsPath(source), QStringLiteral(".*"));
        list.SaveToFile(win::ToWindowsPath(program.listFile()));
        const QString destination = m_work.path() + QStringLiteral("/Dest-") + name;
        setArchiveSide(1, destination, compressed);
        QDir().mkpath(destination);
        return ArchiverProgram::archive(1) == 0 ? destination + QStringLiteral("/Archive1") : QString();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_work.isValid() && m_bus.isValid()); }

    // Three rounds of changes: each run keeps the copies it replaced under its own run folder, in
    // the archive's form, with their bytes and times, beside the form record and the list it
    // replaced.
    void threeRoundsOfChanges_data()
    {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("compressed") << true;
        QTest::newRow("plain") << false;
    }
    void threeRoundsOfChanges()
    {
        QFETCH(bool, compressed);
        ArchiverProgram program;
        QVERIFY(program.start(m_bus.environment()));
        const QString name = compressed ? QStringLiteral("Rounds-z") : QStringLiteral("Rounds-p");
        const QString root = setUp(program, name, 3, compressed);
        const QString source = m_work.path() + QLatin1Char('/') + name;
        for (int round = 1; round <= 3; ++round) {
            const QString changed = source + QStringLiteral("/f%1.txt").arg(round % 2);
            const QString archived = archivedPath(root, changed, compressed);
            const QByteArray oldSource = readFile(changed);
            const QByteArray oldArchived = readFile(archived);
            const qint64 oldTime = modificationNs(archived);
            const QByteArray oldList = readFile(root + QStringLiteral("/afiles.lst"));
            const QStringList before = runFolders(root);
            nextSecond();
            writeFile(changed, textLines(30, 100 + round));
            if (round == 2)
                writeFile(program.listFile(), readFile(program.listFile())); // the same list, a new time
            QCOMPARE(ArchiverProgram::archive(1), 0);

            const QStringList after = runFolders(root);
            QCOMPARE(after.size(), before.size() + 1);
            const QString run = root + QStringLiteral("/versions/") + after.last();
            const QString version = archivedPath(run, changed, compressed);
            QCOMPARE(readFile(version), oldArchived);
            QCOMPARE(modificationNs(version), oldTime);
            if (compressed)
                QCOMPARE(runBzip2({QStringLiteral("-dc"), version}), oldSource);
            QCOMPARE(readFile(run + QStringLiteral("/archiv.form")),
                     readFile(root + QStringLiteral("/archiv.form")));
            QCOMPARE(readFile(run + QStringLiteral("/afiles.lst")),
                     round == 2 ? oldList : QByteArray("<missing>"));
            QCOMPARE(contents(run).size(), round == 2 ? 3 : 2);
        }
    }

    // A run folder past the days kept stays after a run that found nothing changed and goes after
    // one that archived a changed file.
    void oldRunFolderThinned()
    {
        ArchiverProgram program;
        QVERIFY(program.start(m_bus.environment()));
        const QString root = setUp(program, QStringLiteral("Thin"), 1, true);
        const QString file = m_work.path() + QStringLiteral("/Thin/f0.txt");
        const QString old =
            root + QStringLiteral("/versions/") + versionRunName(QDateTime::currentDateTime().addDays(-200));
        writeFile(old + QStringLiteral("/archiv.form"), readFile(root + QStringLiteral("/archiv.form")));
        writeFile(archivedPath(old, file, true), readFile(archivedPath(root, file, true)));
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(contents(old).size(), 2);
        nextSecond();
        writeFile(file, "changed\n");
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QVERIFY(!QFileInfo::exists(old));
        QCOMPARE(runFolders(root).size(), 1);
        // Where the earlier copy cannot be kept, it stays the archived one: the run fails instead.
        QVERIFY(QDir(root + QStringLiteral("/versions")).removeRecursively());
        writeFile(root + QStringLiteral("/versions"), "in the way");
        const QByteArray archived = readFile(archivedPath(root, file, true));
        nextSecond();
        writeFile(file, "changed again\n");
        QVERIFY(ArchiverProgram::archive(1) != 0);
        QCOMPARE(readFile(archivedPath(root, file, true)), archived);
    }

    // Every file overwritten (a program encrypting them, say): every earlier version is kept, the
    // desktop is told once and the panel finds the same notice in the settings.
    void manyFilesChangedAtOnce()
    {
        QDBusConnection service = m_bus.connect(QStringLiteral("service"));
        FakeNotifications server(service);
        QVERIFY(server.registerOnBus());
        ArchiverProgram program;
        QVERIFY(program.start(m_bus.environment()));
        const QString root = setUp(program, QStringLiteral("Mass"), 1000, false);
        const QString source = m_work.path() + QStringLiteral("/Mass");
        const QString first = source + QStringLiteral("/f0.txt");
        const QMap<QString, QByteArray> before = contents(QFileInfo(archivedPath(root, first, false)).path());
        nextSecond();
        for (int i = 0; i < 1000; ++i)
            writeFile(source + QStringLiteral("/f%1.txt").arg(i), noise(256, quint32(i)));
        QCOMPARE(ArchiverProgram::archive(1), 0);

        const QStringList runs = runFolders(root);
        QCOMPARE(runs.size(), 1);
        const QString run = root + QStringLiteral("/versions/") + runs.first();
        QCOMPARE(contents(QFileInfo(archivedPath(run, first, false)).path()), before);
        const QString notice =
            QStringLiteral("1,000 files changed at once in %1; their earlier versions are kept")
                .arg(win::ToWindowsPath(source));
        QTRY_COMPARE_WITH_TIMEOUT(int(server.shown.size()), 1, kLong);
        QCOMPARE(server.shown.first().summary + QLatin1Char('|') + server.shown.first().body,
                 QStringLiteral("Primary archive|") + notice);
        QCOMPARE(Tconfig().ReadString(QStringLiteral("Versions_notice_1"), QString()), notice);
    }

    // A conversion leaves the versions as they are; automatic emptying keeps them and the archive
    // is still taken as this side's; the Empty command removes them too.
    void emptyingAndConversion()
    {
        ArchiverProgram program;
        QVERIFY(program.start({QStringLiteral("--start-delay-ms"), QStringLiteral("0"),
                               QStringLiteral("--tick-ms"), QStringLiteral("100")}));
        const QString root = setUp(program, QStringLiteral("Empty"), 2, true);
        const QString file = m_work.path() + QStringLiteral("/Empty/f0.txt");
        nextSecond();
        writeFile(file, "changed\n");
        QCOMPARE(ArchiverProgram::archive(1), 0);
        const QMap<QString, QByteArray> versions = contents(root + QStringLiteral("/versions"));
        QCOMPARE(versions.size(), 2);

        Tconfig config;
        config.WriteBool(QStringLiteral("Bzip2_ok_1"), false);
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(readFile(archivedPath(root, file, false)), QByteArray("changed\n"));
        QVERIFY(!QFile::exists(archivedPath(root, file, true)));
        QCOMPARE(contents(root + QStringLiteral("/versions")), versions);

        const QString log = win::Prefix::logDir() + QStringLiteral("/archiv.log");
        const qsizetype emptied = readFile(log).count("primary archive: emptied");
        config.WriteInteger(QStringLiteral("Uritesido"), 1);
        config.WriteDateTime(QStringLiteral("Uritesutolso"),
                             win::DateTimeToDouble(QDateTime::currentDateTime().addDays(-2)));
        config.WriteBool(QStringLiteral("Autourites"), true);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(log).count("primary archive: emptied"), emptied + 1, kLong);
        config.WriteBool(QStringLiteral("Autourites"), false);
        QCOMPARE(entriesOf(root), QStringList{QStringLiteral("versions")});
        QCOMPARE(contents(root + QStringLiteral("/versions")), versions);
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(readFile(archivedPath(root, file, false)), QByteArray("changed\n"));

        ArchiverProgram::command(1);
        QCOMPARE(entriesOf(root), QStringList());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivVersions)
#include "tst_archivversions.moc"
