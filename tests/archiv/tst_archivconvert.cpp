// The real archiv changing a side's form: a conversion stopped by WM_CLOSE and resumed, a
// recorded conversion taken up where it stood, a damaged member left in its old form and tried
// again, and the form record telling the archive's own folder from one on another disk.
#include "archiverprogram.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archivelist/treelist.h"
#include "core/platform/datetime.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Damages an archived member as a failing disk would: half of it gone, its time kept.
void cutInHalf(const QString &member)
{
    const QByteArray bytes = readFile(member);
    const QDateTime time = QFileInfo(member).lastModified();
    writeFile(member, bytes.left(bytes.size() / 2));
    setModified(member, time);
}

QByteArray formRecord(const QString &root)
{
    return readFile(root + QStringLiteral("/archiv.form"));
}

} // namespace

class TestArchivConvert : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_source;
    QString m_destination;
    QString m_root;

    // A fresh source folder and destination; the primary side set up with timers off.
    void setUp(bool compressed)
    {
        m_work = std::make_unique<QTemporaryDir>();
        m_source = m_work->path() + QStringLiteral("/Source");
        m_destination = m_work->path() + QStringLiteral("/Dest");
        m_root = m_destination + QStringLiteral("/Archive1");
        QDir().mkpath(m_source);
        QDir().mkpath(m_destination);
        setArchiveSide(1, m_destination, compressed);
    }
    // Lists the source folder, starts the Archiver and archives the side once.
    void firstRun(ArchiverProgram &program)
    {
        TTreeList list;
        list.AddDir(win::ToWindowsPath(m_source), QStringLiteral(".*"));
        list.SaveToFile(win::ToWindowsPath(program.listFile()));
        QVERIFY(program.start());
        QCOMPARE(ArchiverProgram::archive(1), 0);
    }
    static void setCompressed(bool compressed)
    {
        Tconfig().WriteBool(QStringLiteral("Bzip2_ok_1"), compressed);
    }
    QString source(const char *name) const { return m_source + QLatin1Char('/') + QLatin1String(name); }

private Q_SLOTS:
    // Stopped at whatever point, every file is whole in one form or the other and nothing
    // half-written is left; the next run finishes the conversion.
    void stoppedConversionResumes()
    {
        setUp(false);
        QHash<QString, QByteArray> contents;
        for (int i = 0; i < 10; ++i) {
            const QString path = m_source + QStringLiteral("/part%1.dat").arg(i);
            contents.insert(path, i % 2 ? noise(3 * 1024 * 1024 + i, quint32(i)) : textLines(60000, i + 1));
            writeFile(path, contents.value(path));
        }
        ArchiverProgram program;
        firstRun(program);
        QVERIFY(formRecord(m_root).contains("form plain"));

        setCompressed(true);
        ArchiverProgram::command(2);
        win::PostMessage(ArchiverProgram::window(), win::WM_CLOSE, 0, 0);
        QVERIFY(program.process().waitForFinished(ArchiverProgram::kLong));
        QCOMPARE(Tconfig().ReadBool(QStringLiteral("Progress_1"), true), false);
        QVERIFY(temporaries(m_destination).isEmpty());
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            const QString plain = archivedPath(m_root, it.key(), false);
            QCOMPARE(QFileInfo::exists(plain) ? readFile(plain)
                                              : bunzipped(archivedPath(m_root, it.key(), true)),
                     it.value());
        }

        QVERIFY(program.start());
        QCOMPARE(ArchiverProgram::archive(1), 0);
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            QVERIFY(!QFileInfo::exists(archivedPath(m_root, it.key(), false)));
            QCOMPARE(bunzipped(archivedPath(m_root, it.key(), true)), it.value());
        }
        QCOMPARE(formRecord(m_root), QByteArray("dunlivo archive form 1\nform compressed\n"));
        QCOMPARE(QDir(m_root).entryList({QStringLiteral("archiv.convert-*")}, QDir::Files), QStringList());
    }

    // A conversion recorded halfway (the machine went down): the files before the last batch
    // are done, the last batch's old forms may still be there, and a file after it may have a
    // whole-looking new form that never reached the disk. Each is taken up where it stood.
    void resumesRecordedProgress()
    {
        setUp(false);
        for (const char *name : {"a.txt", "b.txt", "c.txt"})
            writeFile(source(name), textLines(500, name[0]));
        ArchiverProgram program;
        firstRun(program);
        program.stop();

        const auto plain = [&](const char *name) { return archivedPath(m_root, source(name), false); };
        const auto packed = [&](const char *name) { return archivedPath(m_root, source(name), true); };
        writeFile(packed("a.txt"), bzipped(readFile(source("a.txt"))));
        QVERIFY(QFile::remove(plain("a.txt")));
        writeFile(packed("b.txt"), bzipped(readFile(source("b.txt"))));
        writeFile(packed("c.txt"), "BZh9 not what it should be");
        const QString relative = QFileInfo(plain("a.txt")).path().mid(m_root.size() + 1);
        QByteArray list = QByteArray("dunlivo conversion list") + '\0';
        for (const char *name : {"a.txt", "b.txt", "c.txt"})
            list += QFile::encodeName(relative) + '/' + name + '\0';
        writeFile(m_root + QStringLiteral("/archiv.convert-7"), list);
        writeFile(m_root + QStringLiteral("/archiv.form"),
                  "dunlivo archive form 1\nform plain\nconverting "
                  "compressed\nlist 7\ncommitted 1\ndone 2\nfailed\n");
        setCompressed(true);
        Tconfig().WriteDateTime(QStringLiteral("Archutolso"),
                                win::DateTimeToDouble(QDateTime::currentDateTime()));

        QVERIFY(program.start());
        QCOMPARE(ArchiverProgram::archive(1), 0);
        for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
            QVERIFY2(!QFileInfo::exists(plain(name)), name);
            QCOMPARE(bunzipped(packed(name)), readFile(source(name)));
        }
        QCOMPARE(formRecord(m_root), QByteArray("dunlivo archive form 1\nform compressed\n"));
        QVERIFY(!QFileInfo::exists(m_root + QStringLiteral("/archiv.convert-7")));
    }

    // The record and its list lie on the archive's disk: a list that leads out of the archive, or
    // positions beyond it, leave everything as it is.
    void hostileConversionListIsRefused()
    {
        setUp(false);
        writeFile(source("a.txt"), textLines(50, 9));
        ArchiverProgram program;
        firstRun(program);
        const QString outside = m_work->path() + QStringLiteral("/outside.txt");
        writeFile(outside, "not the archive's");
        const QByteArray escape = QByteArray("dunlivo conversion list") + '\0' + "Z/../.." +
                                  QFile::encodeName(m_work->path()) + "/outside.txt" + '\0';
        writeFile(m_root + QStringLiteral("/archiv.convert-3"), escape);
        writeFile(m_root + QStringLiteral("/archiv.form"),
                  "dunlivo archive form 1\nform plain\nconverting compressed\nlist 3\ncommitted 0\ndone "
                  "1\nfailed\n");
        setCompressed(true);
        QCOMPARE(ArchiverProgram::archive(1), 6);
        QCOMPARE(readFile(outside), QByteArray("not the archive's"));
        QCOMPARE(readFile(archivedPath(m_root, source("a.txt"), false)), readFile(source("a.txt")));

        // A failed position beyond the list's progress is no record of ours either.
        writeFile(m_root + QStringLiteral("/archiv.convert-3"),
                  QByteArray("dunlivo conversion list") + '\0' +
                      QFile::encodeName(archivedPath(m_root, source("a.txt"), false).mid(m_root.size() + 1)) +
                      '\0');
        writeFile(m_root + QStringLiteral("/archiv.form"),
                  "dunlivo archive form 1\nform plain\nconverting "
                  "compressed\nlist 3\ncommitted 0\ndone 1\nfailed 5\n");
        QCOMPARE(ArchiverProgram::archive(1), 6);
        QCOMPARE(readFile(archivedPath(m_root, source("a.txt"), false)), readFile(source("a.txt")));
    }

    // A damaged member can not be decompressed: it stays as it is, the side reports the failure,
    // and the next run tries again. One whose source is still there is archived anew from it.
    // Decompressing, the copy of y.bz2 (kept compressed as y.bz2.bz2) goes to the name y.bz2,
    // which the damaged copy of y still holds: it waits, and takes the name once the copy of y
    // has been archived anew.
    void damagedMembersStayInTheirOldForm()
    {
        setUp(true);
        const QByteArray genuine = bzipped("a bzip2 file of its own\n");
        writeFile(source("kept.txt"), textLines(800, 3));
        writeFile(source("lost.txt"), textLines(900, 5));
        writeFile(source("y"), textLines(700, 11));
        writeFile(source("y.bz2"), genuine);
        ArchiverProgram program;
        firstRun(program);
        const QString lostPacked = archivedPath(m_root, source("lost.txt"), true);
        const QString keptPacked = archivedPath(m_root, source("kept.txt"), true);
        const QString copyOfGenuine = archivedPath(m_root, source("y.bz2"), true);
        QVERIFY(QFile::remove(source("lost.txt")) && QFile::remove(source("y.bz2")));
        for (const QString &member : {lostPacked, keptPacked, archivedPath(m_root, source("y"), true)})
            cutInHalf(member);
        const QByteArray damaged = readFile(lostPacked);

        setCompressed(false);
        Tconfig config;
        const double before = config.ReadDateTime(QStringLiteral("Archutolso"), 0.0);
        QCOMPARE(ArchiverProgram::archive(1), 106);
        QCOMPARE(readFile(lostPacked), damaged);
        QVERIFY(!QFileInfo::exists(archivedPath(m_root, source("lost.txt"), false)));
        QCOMPARE(readFile(archivedPath(m_root, source("kept.txt"), false)), readFile(source("kept.txt")));
        QVERIFY(!QFileInfo::exists(keptPacked));
        QCOMPARE(bunzipped(copyOfGenuine), genuine);
        QCOMPARE(readFile(archivedPath(m_root, source("y"), false)), readFile(source("y")));
        QVERIFY(config.ReadDateTime(QStringLiteral("Archutolso"), 0.0) > before);
        QVERIFY(formRecord(m_root).contains("converting plain"));

        QCOMPARE(ArchiverProgram::archive(1), 106);
        QCOMPARE(readFile(lostPacked), damaged);
        QCOMPARE(readFile(archivedPath(m_root, source("y.bz2"), false)), genuine);
        QVERIFY(!QFileInfo::exists(copyOfGenuine));
        QVERIFY(temporaries(m_destination).isEmpty());
    }

    // The record tells the side's own archive folder from one that happens to stand there.
    void absentDiskIsNoEmptyArchive()
    {
        setUp(true);
        writeFile(source("a.txt"), textLines(100, 7));
        ArchiverProgram program;
        firstRun(program);
        const QString packed = archivedPath(m_root, source("a.txt"), true);

        // The disk is not there: its mount folder stands empty where the archive folder was.
        QVERIFY(QDir(m_root).removeRecursively());
        QCOMPARE(ArchiverProgram::archive(1), 1);
        QVERIFY(!QFileInfo::exists(m_root));
        QVERIFY(readFile(qEnvironmentVariable("DUNLIVO_PREFIX") + QStringLiteral("/log/archiv.log"))
                    .contains("is missing, though this side has been archived before"));

        // Another disk with a folder of that name: neither archived into nor emptied.
        QDir().mkpath(m_root);
        writeFile(m_root + QStringLiteral("/other.txt"), "someone else's");
        QCOMPARE(ArchiverProgram::archive(1), 1);
        ArchiverProgram::command(1);
        QCOMPARE(entriesOf(m_root), QStringList{"other.txt"});

        // An empty archive folder (the destination chosen again) is a new archive on purpose.
        QVERIFY(QFile::remove(m_root + QStringLiteral("/other.txt")));
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(bunzipped(packed), readFile(source("a.txt")));
        QVERIFY(formRecord(m_root).contains("form compressed"));

        // An archive written before folders held a record (its kept list in the root, but no
        // record) is the side's own and is taken on.
        QVERIFY(QFile::remove(m_root + QStringLiteral("/archiv.form")));
        QVERIFY(QFile::remove(packed));
        QVERIFY(QFileInfo::exists(m_root + QStringLiteral("/afiles.lst")));
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(bunzipped(packed), readFile(source("a.txt")));
        QVERIFY(formRecord(m_root).contains("form compressed"));

        // Emptied, the folder is the side's archive still and is archived into again.
        ArchiverProgram::command(1);
        QCOMPARE(entriesOf(m_root), QStringList());
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QVERIFY(QFileInfo::exists(packed));

        // An empty stored archive name is the default name, as the panel shows it.
        Tconfig().WriteString(QStringLiteral("Celkonyvtarnev1"), QString());
        QVERIFY(QDir(m_root).removeRecursively());
        Tconfig().WriteDateTime(QStringLiteral("Archutolso"), 0.0);
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QVERIFY(QFileInfo::exists(packed));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivConvert)
#include "tst_archivconvert.moc"
