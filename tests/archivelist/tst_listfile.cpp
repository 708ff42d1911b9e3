// afiles.lst: every line form the reader accepts, the writer's exact bytes, the round trip, the
// code page, refused writes and the leftovers of killed ones.
#include "testfiles.h"
#include "testmain.h"
#include "treedump.h"

#include "core/archivelist/safefile.h"
#include "core/archivelist/treelist.h"
#include "core/platform/codepage.h"
#include "core/platform/filebeside.h"
#include "core/platform/paths.h"
#include "core/platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class TestListFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString host(const QString &name) const { return m_dir.filePath(name); }
    QString windows(const QString &name) const { return win::ToWindowsPath(host(name)); }

private Q_SLOTS:
    void readerAcceptsEveryLineForm_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<bool>("levelError");
        const QString example = QStringLiteral("0:2:C:|1:3:Data [.doc;.xls]|1:1:Projects|2:0:plan.txt");
        QTest::newRow("lf, cr, mixed, no last ending")
            << QByteArray("DC:\n DData [.doc;.xls]\r DProjects\r\n  Fplan.txt") << example << false;
        QTest::newRow("end-of-file mark")
            << QByteArray("DC:\r\n\x1A\r\n DA\r\n\x1A") << "0:2:C:|1:1:A" << false;
        QTest::newRow("empty lines hold no node")
            << QByteArray("DC:\r\n DA\r\n\r\n  FB\r\nDD:\r\n\r\n\n") << "0:2:C:|1:1:A|2:0:B|0:2:D:" << false;
        // A nameless drive is no drive: it is left out, and the list counts as damaged.
        QTest::newRow("a kind letter alone is a nameless drive")
            << QByteArray("DC:\r\n DA\r\nD\r\n Fx\r\nDD:\r\n") << "0:2:C:|1:1:A|0:2:D:" << true;
        QTest::newRow("kind letters") << QByteArray("DC:\r\n Fd\r\n data\r\n dx\r\n fy\r\n other\r\n")
                                      << "0:2:C:|1:0:d|1:1:ata|1:1:x|1:0:y|1:0:other" << false;
        QTest::newRow("level 0 is a drive whatever its kind letter")
            << QByteArray("FC:\r\nFD: [.*]\r\nde:\r\n") << "0:2:C:|0:4:D: [.*]|0:2:e:" << false;
        QTest::newRow("a file keeps its brackets")
            << QByteArray("DC:\r\n Fa [.x]\r\n  Fb\r\n") << "0:2:C:|1:0:a [.x]|2:0:b" << false;
        QTest::newRow("first line indented once")
            << QByteArray(" DC:\r\n DA\r\n  FB\r\nDD:\r\n") << "0:2:C:|1:1:A|2:0:B|0:2:D:" << false;
        QTest::newRow("first line indented twice") << QByteArray("  DC:\r\nDD:\r\n") << QString() << true;
        QTest::newRow("back up several levels")
            << QByteArray("DC:\r\n DA\r\n  DB\r\n   Ff\r\n DZ\r\nDD:\r\n Fx")
            << "0:2:C:|1:1:A|2:1:B|3:0:f|1:1:Z|0:2:D:|1:0:x" << false;
        QTest::newRow("two levels deeper keeps what was read")
            << QByteArray("DC:\r\n DA\r\n   DB\r\nDD:\r\n") << "0:2:C:|1:1:A" << true;
        QTest::newRow("empty file") << QByteArray() << QString() << false;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" "DC:\r\n DA\r\n") << "0:2:C:|1:1:A" << false;
        // A NUL would cut the name short: the list is damaged from that line on.
        QTest::newRow("NUL in a name") << QByteArray("DC:\r\n DA\0../x\r\n DB\r\n", 20) << "0:2:C:" << true;
        // Every line is read, but the list counts as damaged so that its bytes are kept.
        QTest::newRow("bytes that are not UTF-8")
            << QByteArray("DC:\r\n DA\xC3\x28\r\n DB\r\n") << QString::fromUtf8("0:2:C:|1:1:A\xEF\xBF\xBD(|1:1:B")
            << true;
    }
    void readerAcceptsEveryLineForm()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, tree);
        QFETCH(bool, levelError);
        writeFile(host(QStringLiteral("forms.lst")), bytes);
        TTreeList list;
        list.AddDir(QStringLiteral("Q:\\Old"), QString()); // the load clears what was there
        bool raised = false;
        try {
            list.LoadFromFile(windows(QStringLiteral("forms.lst")));
        } catch (const ETreeViewError &) {
            raised = true;
        }
        QCOMPARE(raised, levelError);
        QCOMPARE(dumpTree(list), tree);
    }

    void unreadableFileRaises()
    {
        TTreeList list;
        list.AddDir(QStringLiteral("C:\\Old"), QString());
        // Neither a FIFO without a writer nor a link to an endless device may hold the reader.
        QVERIFY(::mkfifo(QFile::encodeName(host(QStringLiteral("fifo.lst"))).constData(), 0600) == 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), host(QStringLiteral("zero.lst"))));
        QVERIFY(QFile::link(host(QStringLiteral("nowhere")), host(QStringLiteral("dangling.lst"))));
        QFile big(host(QStringLiteral("big.lst")));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(65 * 1024 * 1024));
        big.close();
        for (const QString &name : {windows(QStringLiteral("missing.lst")), win::ToWindowsPath(m_dir.path()),
                                    QStringLiteral("not a path"), windows(QStringLiteral("fifo.lst")),
                                    windows(QStringLiteral("zero.lst")), windows(QStringLiteral("dangling.lst")),
                                    windows(QStringLiteral("big.lst"))}) {
            bool raised = false;
            try {
                list.LoadFromFile(name);
            } catch (const ETreeViewError &) {
                QFAIL("a file that cannot be read is not a level error");
            } catch (const ListFileError &e) {
                raised = !e.text().isEmpty();
            }
            QVERIFY2(raised, qPrintable(name));
            QCOMPARE(list.topLevelCount(), 0);
        }
    }

    void writerWritesTheExactFormat()
    {
        TTreeList list;
        list.AddDir(QStringLiteral("C:\\Data"), QStringLiteral(".doc;.xls"));
        list.AddFile(QStringLiteral("C:\\Projects\\plan.txt"));
        list.AddDir(QStringLiteral("d:"), QStringLiteral(".*"));
        list.SaveToFile(windows(QStringLiteral("afiles.lst")));
        QCOMPARE(readFile(host(QStringLiteral("afiles.lst"))),
                 QByteArray("DC:\r\n DData [.doc;.xls]\r\n DProjects\r\n  Fplan.txt\r\nDD: [.*]\r\n"));
        TTreeList empty;
        empty.SaveToFile(windows(QStringLiteral("afiles.lst")));
        QCOMPARE(readFile(host(QStringLiteral("afiles.lst"))), QByteArray());
    }

    void whatTheWriterWritesTheReaderReadsBack()
    {
        // Every kind, odd names and the characters of the code page in force.
        for (const char *page : {"65001", "1250"}) {
            TestPrefix prefix;
            TestPrefix::setCodePage(page);
            TTreeList list;
            list.AddDir(QStringLiteral("C:\\Data"), QStringLiteral(".doc;.xls"));
            list.AddFile(QStringLiteral("C:\\Data\\Projects\\plan.txt"));
            list.AddFile(QStringLiteral("C:\\Data\\Projects\\data"));
            list.AddDir(QStringLiteral("C:\\Data\\Projects\\Fd"), QString());
            list.AddFile(QStringLiteral("C:\\ leading space"));
            list.AddDir(QStringLiteral("C:\\Árvíztűrő tükörfúrógép"), QStringLiteral(".*"));
            list.AddDir(QStringLiteral("D:\\"), QStringLiteral(".*"));
            list.AddFile(QStringLiteral("E:\\a\\b\\c\\d\\e\\f\\g\\deep.bin"));
            const QString file = windows(QStringLiteral("round.lst"));
            list.SaveToFile(file);
            TTreeList back;
            back.LoadFromFile(file);
            QCOMPARE(dumpTree(back), dumpTree(list));
            QCOMPARE(back.ListFileBytes(), readFile(host(QStringLiteral("round.lst"))));
        }
        // A name that begins with U+FEFF keeps it: only the file's first bytes can be a byte-order mark.
        TTreeList bom;
        bom.AddDir(QString::fromUtf16(u"C:\\\uFEFFData"), QString());
        TTreeList back;
        back.LoadFromBytes(bom.ListFileBytes());
        QCOMPARE(dumpTree(back), dumpTree(bom));
        // Single bytes of the code page, not UTF-8, when the system says 1250.
        TestPrefix prefix;
        TestPrefix::setCodePage("1250");
        TTreeList list;
        list.AddDir(QStringLiteral("C:\\Żółw"), QString());
        QCOMPARE(list.ListFileBytes(), QByteArray("DC:\r\n D\xAF\xF3\xB3w\r\n"));
    }

    void textTheFileCannotHoldIsRefused()
    {
        TestPrefix prefix;
        TestPrefix::setCodePage("1252");
        const QString file = windows(QStringLiteral("refused.lst"));
        writeFile(host(QStringLiteral("refused.lst")), "DC:\r\n DKeep\r\n");
        for (const QString &name : {QStringLiteral("C:\\Őrség"), QStringLiteral("C:\\two\nlines"),
                                    QStringLiteral("C:\\cr\rhere")}) {
            TTreeList list;
            list.AddDir(QStringLiteral("C:\\Fine"), QString());
            list.AddDir(name, QString());
            bool raised = false;
            try {
                list.SaveToFile(file);
            } catch (const ListFileError &e) {
                raised = true;
                QVERIFY2(e.text().contains(name.mid(3)), qPrintable(e.text()));
            }
            QVERIFY2(raised, qPrintable(name));
            QCOMPARE(readFile(host(QStringLiteral("refused.lst"))), QByteArray("DC:\r\n DKeep\r\n"));
        }
    }

    void writeRefusalsAndWhatCarriesOver()
    {
        QTemporaryDir folder;
        const QString hostFile = folder.filePath(QStringLiteral("afiles.lst"));
        const QString file = win::ToWindowsPath(hostFile);
        TTreeList list;
        list.AddDir(QStringLiteral("C:\\New"), QString());

        // A read-only list is not overwritten, as on Windows (for root too).
        writeFile(hostFile, "DC:\r\n");
        QFile::setPermissions(hostFile, QFile::ReadOwner | QFile::ReadGroup);
        QVERIFY_THROWS_EXCEPTION(ListFileError, list.SaveToFile(file));
        QCOMPARE(readFile(hostFile), QByteArray("DC:\r\n"));

        // An existing list keeps its permissions.
        QFile::setPermissions(hostFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        list.SaveToFile(file);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(hostFile).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(readFile(hostFile), QByteArray("DC:\r\n DNew\r\n"));

        // A link to the list stays a link; the file it names is replaced.
        const QString link = folder.filePath(QStringLiteral("link.lst"));
        QVERIFY(QFile::link(hostFile, link));
        list.AddDir(QStringLiteral("C:\\More"), QString());
        list.SaveToFile(win::ToWindowsPath(link));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(hostFile), QByteArray("DC:\r\n DNew\r\n DMore\r\n"));
        // A link the list would not be read through (here to a FIFO) is not written through
        // either: the link itself gives way to the list.
        const QString fifo = folder.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::remove(link) && QFile::link(fifo, link));
        list.SaveToFile(win::ToWindowsPath(link));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(readFile(link), QByteArray("DC:\r\n DNew\r\n DMore\r\n"));
        QCOMPARE(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(QFile::remove(fifo));

        // A folder that does not exist, a folder in the way.
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("dir.lst")));
        for (const char *name : {"no/afiles.lst", "dir.lst"})
            QVERIFY_THROWS_EXCEPTION(ListFileError,
                                     list.SaveToFile(win::ToWindowsPath(folder.filePath(name))));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
    }

    void leftoversOfAKilledWriteGoAndNothingElse()
    {
        QTemporaryDir folder;
        const QString hostFile = folder.filePath(QStringLiteral("afiles.lst"));
        const QStringList leftovers{QStringLiteral(".afiles.lst.new-0"), QStringLiteral(".afiles.lst.new-3k9z1q8x7w6v5")};
        // Names that only look alike, another target's, a folder and a link stay.
        const QStringList others{QStringLiteral(".afiles.lst.new-ABC"), QStringLiteral(".afiles.lst.new-12345678901234"),
                                 QStringLiteral(".ext.lst.new-abc"), QStringLiteral("afiles.lst.new-abc"),
                                 QStringLiteral(".afiles.lst.new-"), QStringLiteral("afiles.lst")};
        for (const QString &name : leftovers + others)
            writeFile(folder.filePath(name), "x");
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral(".afiles.lst.new-dir")));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("afiles.lst")),
                            folder.filePath(QStringLiteral(".afiles.lst.new-link"))));
        TTreeList list;
        list.AddDir(QStringLiteral("C:\\New"), QString());
        list.SaveToFile(win::ToWindowsPath(hostFile));
        QStringList expected = others + QStringList{QStringLiteral(".afiles.lst.new-dir"), QStringLiteral(".afiles.lst.new-link")};
        expected.sort();
        QCOMPARE(entriesOf(folder.path()), expected);
        QCOMPARE(readFile(hostFile), QByteArray("DC:\r\n DNew\r\n"));
    }

    void writersOfOneListNeverTakeEachOthersFile()
    {
        // A live writer's temporary file is no leftover, however it is named.
        QTemporaryDir folder;
        const QString hostFile = folder.filePath(QStringLiteral("afiles.lst"));
        {
            win::FileBeside live;
            QVERIFY(live.create(QFile::encodeName(folder.path()), "afiles.lst"));
            QVERIFY(archivelist::replaceFileSafely(hostFile, "DC:\r\n", nullptr));
            QVERIFY(live.commit("afiles.lst"));
        }
        // Two writers saving at once: each one's sweep leaves the other's file alone.
        std::atomic<int> failures{0};
        const auto save = [&](const QByteArray &bytes) {
            for (int i = 0; i < 200; ++i)
                failures += archivelist::replaceFileSafely(hostFile, bytes, nullptr) ? 0 : 1;
        };
        std::thread first(save, QByteArray("DC:\r\n DFirst\r\n"));
        std::thread second(save, QByteArray("DD:\r\n DSecond\r\n"));
        first.join();
        second.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(readFile(hostFile).contains("First") || readFile(hostFile).contains("Second"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("afiles.lst")});
    }
};

DUNLIVO_TEST_MAIN(TestListFile)
#include "tst_listfile.moc"
