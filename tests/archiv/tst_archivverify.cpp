// Reading the archive back: the real archiv --verify finding damaged, cut-off and missing copies and
// a damaged earlier version, the next run archiving the damaged copies afresh, the rolling slices
// of the checksum record reading the whole archive in a round of runs, and the check opened from
// the panel's status window.
#include "archiverpanel.h"
#include "archiverprogram.h"
#include "findcontrol.h"
#include "privatebus.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archiveinfo/checksumrecord.h"
#include "core/archivelist/treelist.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/archiverwindows/verifyf.h"

#include <QDir>
#include <QListWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace archiver;

namespace {

// Changes a copy in place the way a failing disk does: its size and times stay (unless cut off).
void damage(const QString &path, qint64 cutTo = -1)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before;
    QCOMPARE(::stat(name.constData(), &before), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (cutTo >= 0) {
        QVERIFY(file.resize(cutTo));
    } else {
        QVERIFY(file.seek(before.st_size / 2));
        char byte = 0;
        QVERIFY(file.getChar(&byte) && file.seek(before.st_size / 2) && file.putChar(char(byte ^ 0x10)));
    }
    file.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
}

struct Verified
{
    int code = -1;
    QStringList lines;
};

Verified verify(const ArchiverProgram &program, const QString &side)
{
    QProcess process;
    process.start(program.folder() + QStringLiteral("/archiv"), {QStringLiteral("--verify"), side});
    Verified result;
    if (!process.waitForFinished(ArchiverProgram::kLong))
        return result;
    result.code = process.exitCode();
    result.lines =
        QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return result;
}

// A path below an archive root as the check names it.
QString relative(const QString &root, const QString &path)
{
    return path.mid(root.size() + 1).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

} // namespace

class TestArchivVerify : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    PrivateBus m_bus;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_work.isValid() && m_bus.isValid()); }

    // A plain side and a compressed side of the same files, each damaged as a disk damages them;
    // the check names every damaged copy and nothing else, and the next runs bring the copies whose
    // sources are unchanged back whole (the damaged one kept as an earlier version).
    void damageFoundAndRepaired()
    {
        ArchiverProgram program;
        QVERIFY(program.start(m_bus.environment()));
        const QString source = m_work.path() + QStringLiteral("/Src");
        for (const char *name : {"a", "b", "c", "d", "e", "f"})
            writeFile(source + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".txt"),
                      textLines(4000, int(name[0])));
        TTreeList list;
        list.AddDir(win::ToWindowsPath(source), QStringLiteral(".*"));
        list.SaveToFile(win::ToWindowsPath(program.listFile()));
        const QString plainRoot = m_work.path() + QStringLiteral("/P/Archive1");
        const QString packedRoot = m_work.path() + QStringLiteral("/Z/Archive2");
        setArchiveSide(1, m_work.path() + QStringLiteral("/P"), false);
        setArchiveSide(2, m_work.path() + QStringLiteral("/Z"), true);
        QDir().mkpath(m_work.path() + QStringLiteral("/P"));
        QDir().mkpath(m_work.path() + QStringLiteral("/Z"));
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(ArchiverProgram::archive(2), 0);
        QCOMPARE(verify(program, QStringLiteral("both")).code, 0);

        // d changes, so its earlier compressed copy goes to the versions area.
        const QString d = source + QStringLiteral("/d.txt");
        const QString oldD = archivedPath(packedRoot, d, true);
        const QByteArray oldBytes = readFile(oldD);
        writeFile(d, textLines(10, 77));
        QCOMPARE(ArchiverProgram::archive(2), 0);
        QString version;
        QDirIterator it(packedRoot + QStringLiteral("/versions"), {QStringLiteral("d.txt.bz2")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QVERIFY(it.hasNext());
        version = it.next();
        QCOMPARE(readFile(version), oldBytes);

        const auto at = [&](const char *name, const QString &root, bool compressed) {
            return archivedPath(root, source + QLatin1Char('/') + QLatin1String(name), compressed);
        };
        damage(at("a.txt", plainRoot, false));
        damage(at("b.txt", packedRoot, true), 200);
        damage(at("c.txt", packedRoot, true));
        QVERIFY(QFile::remove(at("e.txt", packedRoot, true)));
        damage(version);

        const Verified found = verify(program, QStringLiteral("both"));
        QCOMPARE(found.code, 1);
        const QStringList expected = {
            QStringLiteral("primary archive: damaged: ") + relative(plainRoot, at("a.txt", plainRoot, false)),
            QStringLiteral("secondary archive: damaged: ") +
                relative(packedRoot, at("b.txt", packedRoot, true)),
            QStringLiteral("secondary archive: damaged: ") +
                relative(packedRoot, at("c.txt", packedRoot, true)),
            QStringLiteral("secondary archive: missing: ") +
                relative(packedRoot, at("e.txt", packedRoot, true)),
            QStringLiteral("secondary archive: damaged earlier version: ") + relative(packedRoot, version)};
        QStringList findings;
        for (const QString &line : found.lines) {
            if (!line.contains(QLatin1String(": checked ")))
                findings.append(line.section(QStringLiteral(" ("), 0, 0));
        }
        findings.sort();
        QStringList sortedExpected = expected;
        sortedExpected.sort();
        QCOMPARE(findings, sortedExpected);
        QVERIFY(readFile(win::Prefix::logDir() + QStringLiteral("/verify.log"))
                    .contains(expected.first().toUtf8()));
        QVERIFY(Tconfig().Read(TimeSetting::LastFullCheck, Side::Primary) != 0.0);

        // The sources are unchanged; only the damage brings the copies back.
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QCOMPARE(ArchiverProgram::archive(2), 0);
        QCOMPARE(readFile(at("a.txt", plainRoot, false)), readFile(source + QStringLiteral("/a.txt")));
        for (const char *name : {"b.txt", "c.txt", "e.txt"})
            QCOMPARE(runBzip2({QStringLiteral("-dc"), at(name, packedRoot, true)}),
                     readFile(source + QLatin1Char('/') + QLatin1String(name)));
        // The copies found damaged were compressed again by libbz2 (the bzip2 program's bytes).
        for (const char *name : {"b.txt", "c.txt"})
            QCOMPARE(readFile(at(name, packedRoot, true)),
                     bzipped(readFile(source + QLatin1Char('/') + QLatin1String(name))));
        QDirIterator kept(plainRoot + QStringLiteral("/versions"), {QStringLiteral("a.txt")}, QDir::Files,
                          QDirIterator::Subdirectories);
        QVERIFY(kept.hasNext());
        QVERIFY(readFile(kept.next()) != readFile(source + QStringLiteral("/a.txt")));

        const Verified after = verify(program, QStringLiteral("both"));
        // Left: the damaged earlier version, and the damaged compressed copies kept as earlier versions.
        QCOMPARE(after.code, 1);
        QCOMPARE(after.lines.filter(QStringLiteral(": damaged")).size(), 3);
        QCOMPARE(after.lines.filter(QStringLiteral(": damaged earlier version: ")).size(), 3);

        setArchiveSide(2, m_work.path() + QStringLiteral("/Nowhere"), true);
        QCOMPARE(verify(program, QStringLiteral("secondary")).code, 2);
    }

    // The status window's button opens the check of its side, which lists what the real check finds
    // and ends with the count; the last full check's line then has a time.
    void checkFromTheStatusWindow()
    {
        ArchiverPanel p;
        const QString source = m_work.path() + QStringLiteral("/Gui");
        writeFile(source + QStringLiteral("/ok.txt"), textLines(50, 1));
        writeFile(source + QStringLiteral("/bad.txt"), textLines(50, 2));
        {
            ArchiverProgram program;
            TTreeList list;
            list.AddDir(win::ToWindowsPath(source), QStringLiteral(".*"));
            list.SaveToFile(win::ToWindowsPath(program.listFile()));
            setArchiveSide(1, m_work.path() + QStringLiteral("/G"), false);
            QDir().mkpath(m_work.path() + QStringLiteral("/G"));
            QVERIFY(program.start(m_bus.environment()));
            QCOMPARE(ArchiverProgram::archive(1), 0);
        }
        damage(archivedPath(m_work.path() + QStringLiteral("/G/Archive1"),
                            source + QStringLiteral("/bad.txt"), false));
        QVERIFY(p.start());
        TstatusF *status = p.panel->statusF();
        QStringList findings;
        QString result;
        QString lastCheck;
        whenModal(status, [&] {
            QCOMPARE(control<QLabel>(status, "CheckPrimaryLabel")->text(),
                     QStringLiteral("Last full check: never"));
            auto *poll = new QTimer(status);
            QObject::connect(poll, &QTimer::timeout, [&, poll] {
                auto *check = qobject_cast<TverifyF *>(QApplication::activeModalWidget());
                auto *line = check ? control<QLabel>(check, "ResultLabel") : nullptr;
                if (!line || line->text() == QStringLiteral("Checking the archive...") ||
                    line->text().isEmpty())
                    return;
                poll->deleteLater();
                result = line->text();
                auto *list = control<QListWidget>(check, "FindingsList");
                for (int i = 0; i < list->count(); ++i)
                    findings.append(list->item(i)->text().section(QStringLiteral(" ("), 0, 0));
                clickControl(check, "CloseButton");
                QTimer::singleShot(0, status, [&] {
                    lastCheck = control<QLabel>(status, "CheckPrimaryLabel")->text();
                    clickControl(status, "SpeedButton1");
                });
            });
            poll->start(20);
            clickControl(status, "CheckPrimaryButton");
        });
        clickControl(p.main, "statusbutton");
        const QString root = m_work.path() + QStringLiteral("/G/Archive1");
        QCOMPARE(findings,
                 QStringList{QStringLiteral("damaged: ") +
                             relative(root, archivedPath(root, source + QStringLiteral("/bad.txt"), false))});
        QCOMPARE(result, QStringLiteral("1 damaged copies: they are archived afresh at the next run."));
        QVERIFY(lastCheck.startsWith(QStringLiteral("Last full check: ")) &&
                !lastCheck.endsWith(QStringLiteral("never")));
    }

    // Thirty slices read every copy once, the longest unchecked first; the round is whole only then
    // (a copy checked in the second the round began counts only once read again).
    void rollingSlicesCoverTheArchive()
    {
        ChecksumRecord record;
        for (int i = 0; i < 95; ++i)
            record.set(QStringLiteral("C\\f%1").arg(i),
                       ChecksumEntry{10, 1, 0, false, 0, 100 - i % 7, false});
        record.setRoundStart(100);
        QSet<QString> seen;
        for (int run = 1; run <= 30; ++run) {
            QCOMPARE(record.roundWhole(), seen.size() == 95);
            const QStringList slice = record.slice(30);
            QCOMPARE(slice.size(), 4);
            for (const QString &path : slice) {
                QVERIFY(!seen.contains(path) || seen.size() == 95);
                seen.insert(path);
                ChecksumEntry entry = *record.find(path);
                entry.checked = 100 + run;
                record.set(path, entry);
            }
        }
        QCOMPARE(seen.size(), 95);
        QVERIFY(record.roundWhole());

        // A side archived every three days reads the whole archive in ten slices, a month; one
        // that waited a month, at once.
        QCOMPARE(ChecksumRecord::slicePartsAfter(72 * 3600), 10);
        QCOMPARE(ChecksumRecord::slicePartsAfter(20 * 3600), 30);
        QCOMPARE(ChecksumRecord::slicePartsAfter(40 * 24 * 3600), 1);
        QCOMPARE(record.slice(1).size(), 95);
    }

    // What is read back of a record: its own bytes, and nothing of a damaged or hostile one.
    void recordReadWithBounds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries");
        const QByteArray head = "dunlivo archive sums 1\nround 5\n";
        QTest::newRow("sound") << head + "3 1 2 00000000000000ff 4 - C\\a%20b\n7 1 0 - 0 d C\\x.bz2\n" << 2;
        QTest::newRow("climbs") << head + "3 1 2 - 4 - C\\..\\..\\etc\n" << -1;
        QTest::newRow("control") << head + "3 1 2 - 4 - C\\a%0Ab\n" << -1;
        QTest::newRow("short sum") << head + "3 1 2 ff 4 - C\\a\n" << -1;
        QTest::newRow("negative") << head + "-3 1 2 - 4 - C\\a\n" << -1;
        QTest::newRow("binary") << QByteArray("\x00\xff\x13", 3) << -1;
    }
    void recordReadWithBounds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, entries);
        ChecksumRecord record;
        QString why;
        QCOMPARE(record.fromBytes(bytes, &why), entries >= 0);
        QCOMPARE(int(record.entries().size()), std::max(0, entries));
        if (entries > 0) {
            ChecksumRecord again;
            QVERIFY(again.fromBytes(record.toBytes(), &why));
            QCOMPARE(again.toBytes(), record.toBytes());
            QCOMPARE(record.find(QStringLiteral("C\\a b"))->sum, quint64(0xff));
        }
        const int fd = ::open(QFile::encodeName(m_work.path()).constData(), O_RDONLY | O_DIRECTORY);
        writeFile(m_work.path() + QLatin1Char('/') + QLatin1String(kChecksumRecordName), bytes);
        QCOMPARE(record.read(fd, &why),
                 entries >= 0 ? ChecksumRecord::Read::Present : ChecksumRecord::Read::Damaged);
        ::close(fd);
    }
};

DUNLIVO_TEST_MAIN(TestArchivVerify)
#include "tst_archivverify.moc"
