// The Archiver and archive lists written to do harm: names that are no single step of a path
// archive nothing and write nothing outside the archive, while the rest of the list is archived;
// names with control characters are archived under their own name and written out in the log;
// the files of a million-item list, of a ten-thousand-level chain and of long names are collected
// exactly.
#include "archiverprogram.h"
#include "testfiles.h"
#include "testmain.h"

#include "apps/archiv/archivesources.h"
#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"
#include "core/archiveinfo/checksumrecord.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/settings/config.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace archiver;

namespace {

// Every entry below folder, with its size and time, relative to it.
QStringList listing(const QString &folder)
{
    QStringList all;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        all.append(path.mid(folder.size()) + QLatin1Char(' ') + QString::number(info.size()) +
                   QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch()));
    }
    all.sort();
    return all;
}

// The list bytes of a tree with one more line below the node of path (a directory), at its
// children's level, for each of extraLines.
QByteArray withLinesBelow(const QString &path, const QList<QByteArray> &extraLines)
{
    TTreeList list;
    TreeListNode *node = list.AddDir(path, QStringLiteral(".TXT"));
    const int level = node->level() + 1;
    QByteArray bytes = list.ListFileBytes();
    const int at = bytes.indexOf("D" + node->text().toUtf8() + "\r\n");
    QByteArray inserted;
    for (const QByteArray &line : extraLines)
        inserted += QByteArray(level, ' ') + line + "\r\n";
    bytes.insert(bytes.indexOf('\n', at) + 1, inserted);
    return bytes;
}

} // namespace

class TestArchivList : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

    static QString winPath(const QString &host) { return win::ToWindowsPath(host); }

private Q_SLOTS:
    // A list whose dangerous lines stand beside sound ones: only the sound ones are archived,
    // the run reports the list as damaged and the log names the list and the line.
    void namesThatAreNoStepOfAPathArchiveNothing()
    {
        const QString work = m_work.path() + QStringLiteral("/names");
        const QString source = work + QStringLiteral("/Source");
        const QString outside = work + QStringLiteral("/outside");
        const QString dest = work + QStringLiteral("/Dest");
        QVERIFY(QDir().mkpath(dest));
        writeFile(source + QStringLiteral("/a.txt"), "archived");
        writeFile(source + QStringLiteral("/esc\x1B[2J.txt"), "a name with an escape");
        writeFile(source + QStringLiteral("/trailing. "), "a name with a dot and a blank at its end");
        writeFile(work + QStringLiteral("/beside.txt"), "one level up: never archived");
        writeFile(outside + QStringLiteral("/victim.txt"), "never archived, never changed");
        writeFile(source + QStringLiteral("/Sub/below.txt"), "only through a sound name");
        setArchiveSide(1, dest, false);

        ArchiverProgram program;
        const QByteArray list =
            withLinesBelow(winPath(source), {"D.. [.*]", "D..\\outside [.*]", "D../outside [.*]",
                                             "F..\\beside.txt", "D. [.txt]", "D [.*]", "F", "DC: [.*]",
                                             "Ftrailing. ", "Fgone\x1B[2J.txt", "DSub [../x;*;.tar.gz]"});
        writeFile(program.listFile(), list + "DCC [.*]\r\n D..\r\n  FWindows\r\n");
        const QString log = win::Prefix::logDir() + QStringLiteral("/archiv.log");
        QFile::remove(log);
        const QStringList outsideBefore = listing(outside);
        QVERIFY(program.start());
        QCOMPARE(program.archive(1), int(StateFileOpenError));
        program.stop();

        // The sound items: the folder's .txt files (its set says .TXT: the case does not count),
        // a file listed with a dot and a blank at the end of its name; nothing through "..", ".",
        // an empty name or another drive, and nothing through a set that is no extension.
        const QString root = dest + QStringLiteral("/Archive1");
        QStringList archived;
        for (const QString &entry : listing(root))
            archived.append(entry.section(QLatin1Char(' '), 0, -3));
        const auto where = [&](const QString &hostSource) {
            return archivedPath(QString(), hostSource, false);
        };
        QStringList expected{
            QLatin1Char('/') + QLatin1String(kListFileName),
            QLatin1Char('/') + QLatin1String(kFormRecordName), where(source + QStringLiteral("/a.txt")),
            QLatin1Char('/') + QLatin1String(kChecksumRecordName),
            where(source + QStringLiteral("/esc\x1B[2J.txt")), where(source + QStringLiteral("/trailing. "))};
        for (QString folder = QFileInfo(where(source + QStringLiteral("/a.txt"))).path();
             folder != QLatin1String("/"); folder = QFileInfo(folder).path())
            expected.append(folder);
        expected.sort();
        QCOMPARE(archived, expected);
        QCOMPARE(readFile(root + where(source + QStringLiteral("/trailing. "))),
                 QByteArray("a name with a dot and a blank at its end"));
        QCOMPARE(readFile(root + QStringLiteral("/afiles.lst")), list + "DCC [.*]\r\n D..\r\n  FWindows\r\n");
        QCOMPARE(listing(outside), outsideBefore);
        QCOMPARE(entriesOf(dest), QStringList{"Archive1"});

        // The log names the list and the first damaged line, and writes the escape out.
        const int firstBad = int(list.left(list.indexOf("D.. [.*]")).count('\n')) + 1;
        const QString text = QString::fromUtf8(readFile(log));
        QVERIFY2(text.contains(QStringLiteral("the list %1 is damaged: Line %2: ")
                                   .arg(winPath(program.listFile()))
                                   .arg(firstBad)),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("gone<U+001B>[2J.txt")), qPrintable(text));
        // A set that matches nothing is noted with its line, and archives nothing.
        const int subLine = int(list.left(list.indexOf("DSub [")).count('\n')) + 1;
        QVERIFY2(
            text.contains(QStringLiteral("the list %1, Line %2: the set's entry \"../x\" is no extension")
                              .arg(winPath(program.listFile()))
                              .arg(subLine)),
            qPrintable(text));
        QVERIFY(!text.contains(QChar(0x1B)));
    }

    // The Archiver's collection over the largest lists: every file counted once, in list order.
    void sourcesOfLargeLists()
    {
        const QString folder = m_work.path() + QStringLiteral("/large");
        QVERIFY(QDir().mkpath(folder));
        const QString windowsFolder = winPath(folder);
        {
            // Files in one folder (not there: collecting does not open them), each found by its
            // path on the drive: far fewer than the million below, which run on a missing drive,
            // as each costs the look-ups of its path.
            constexpr int kFiles = 100000;
            TTreeList list;
            TreeListNode *dir = list.AddDir(windowsFolder, QString());
            const int level = dir->level() + 1;
            QByteArray bytes = list.ListFileBytes();
            bytes.reserve(bytes.size() + qsizetype(kFiles) * 20);
            for (int i = 0; i < kFiles; ++i)
                bytes += QByteArray(level, ' ') + "Ff" + QByteArray::number(i) + "\r\n";
            list.LoadFromBytes(bytes);
            const SourceList sources = collectSources(list);
            QCOMPARE(int(sources.files.size()), kFiles);
            QCOMPARE(sources.problemCount, 0);
            for (const int i : {0, kFiles / 2, kFiles - 1}) {
                QCOMPARE(sources.files[size_t(i)].windowsPath,
                         windowsFolder + QStringLiteral("\\f%1").arg(i));
                QCOMPARE(sources.files[size_t(i)].hostPath,
                         QFile::encodeName(folder + QStringLiteral("/f%1").arg(i)));
            }
        }
        for (const int lineSize : {4096, 8191, 8193, 1 << 20}) {
            // A long name is one item, refused by its length, never cut into two.
            TTreeList list;
            const QByteArray bytes = "DC:\r\n F" + QByteArray(lineSize - 2, 'n');
            list.LoadFromBytes(bytes);
            const SourceList sources = collectSources(list);
            QCOMPARE(int(sources.files.size()), 0);
            QCOMPARE(sources.problemCount, 1);
            QCOMPARE(sources.firstFailedPath.size(), 3 + lineSize - 2);
        }
        {
            // Ten thousand levels, an archived folder near the top and a file at the bottom whose
            // path is far too long for a Windows path: it is refused by name, not collected cut.
            constexpr int kLevels = 10000;
            writeFile(folder + QStringLiteral("/top.txt"), "x");
            TTreeList list;
            TreeListNode *dir = list.AddDir(windowsFolder, QStringLiteral(".txt"));
            const int level = dir->level() + 1;
            QByteArray bytes = list.ListFileBytes();
            for (int i = 0; i < kLevels; ++i)
                bytes += QByteArray(level + i, ' ') + "Dd\r\n";
            bytes += QByteArray(level + kLevels, ' ') + "Fleaf\r\n";
            list.LoadFromBytes(bytes);
            QCOMPARE(list.nodeCount(), level + kLevels + 1);
            const SourceList sources = collectSources(list);
            QCOMPARE(int(sources.files.size()), 1);
            QCOMPARE(sources.files.front().windowsPath, windowsFolder + QStringLiteral("\\top.txt"));
            QCOMPARE(sources.problemCount, 1);
            QCOMPARE(sources.problems.front().size(),
                     windowsFolder.size() + 2 * kLevels + 5 +
                         int(QStringLiteral(": not on a known drive").size()));
        }
        {
            // A million files below one folder on a drive that is not there: every one counted,
            // not each kept for the log.
            TTreeList list;
            QString mapped;
            for (const win::DriveMapping &drive : win::DriveMap())
                mapped += drive.letter;
            char missing = 'Z';
            while (missing > 'A' && mapped.contains(QLatin1Char(missing)))
                --missing;
            QVERIFY(!mapped.contains(QLatin1Char(missing)));
            QByteArray bytes = QByteArray("D") + missing + ":\r\n DMissing [.*]\r\n";
            for (int i = 0; i < 1000000; ++i)
                bytes += " Ff" + QByteArray::number(i) + "\r\n";
            list.LoadFromBytes(bytes);
            const SourceList sources = collectSources(list);
            QCOMPARE(int(sources.files.size()), 0);
            QCOMPARE(sources.problemCount, 1000001);
            QCOMPARE(sources.problems.size(), qsizetype(SourceList::kKeptProblems));
        }
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivList)
#include "tst_archivlist.moc"
