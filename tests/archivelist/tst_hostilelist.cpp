// Archive lists written to do harm: names that are no single step of a path, lines and trees of
// extreme size, names with control characters, trailing blanks or dots, and how names are shown.
#include "testmain.h"
#include "treedump.h"

#include "core/archivelist/treelist.h"
#include "core/platform/shownname.h"

namespace {

// Loads bytes into list; the damage reported, empty when the list read cleanly.
QString load(TTreeList &list, const QByteArray &bytes)
{
    try {
        list.LoadFromBytes(bytes);
    } catch (const ETreeViewError &e) {
        return e.text().isEmpty() ? QStringLiteral("?") : e.text();
    }
    return QString();
}

} // namespace

class TestHostileList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesThatAreNoStepOfAPath_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<int>("damagedLine"); // 0 when the list reads cleanly
        QTest::newRow("dot, with what is below it")
            << QByteArray("DC:\r\n D.\r\n  FEvil\r\n DGood\r\n") << "0:2:C:|1:1:Good" << 2;
        QTest::newRow("dot dot, with a set and below")
            << QByteArray("DC:\r\n D.. [.*]\r\n  D..\r\n   Fx\r\n DGood [.doc]\r\n  Fin\r\n")
            << "0:2:C:|1:3:Good [.doc]|2:0:in" << 2;
        QTest::newRow("slash") << QByteArray("DC:\r\n Da/b\r\n Fc\r\n") << "0:2:C:|1:0:c" << 2;
        QTest::newRow("backslash") << QByteArray("DC:\r\n Fa\\..\\..\\x\r\n") << "0:2:C:" << 2;
        QTest::newRow("colon: another drive below a drive")
            << QByteArray("DC:\r\n DD:\r\n  Fx\r\n DE:x\r\n Fok\r\n") << "0:2:C:|1:0:ok" << 2;
        QTest::newRow("empty name with a set") << QByteArray("DC:\r\n D [.*]\r\n") << "0:2:C:" << 2;
        QTest::newRow("drive named ..")
            << QByteArray("D..\r\n DWindows\r\nDC:\r\n Fok\r\n") << "0:2:C:|1:0:ok" << 1;
        QTest::newRow("drive of two letters") << QByteArray("DCC\r\n Fx\r\nDC:\r\n") << "0:2:C:" << 1;
        QTest::newRow("drive with its backslash") << QByteArray("DC:\\\r\n Fx\r\n") << QString() << 1;
        QTest::newRow("drive of a letter outside A to Z") << QByteArray("D\xC3\x9C:\r\n") << QString() << 1;
        QTest::newRow("lower-case drive kept as written") << QByteArray("Dc: [.*]\r\n") << "0:4:c: [.*]" << 0;
        QTest::newRow("sets are no paths")
            << QByteArray("DC:\r\n DA [../x]\r\n DB [*]\r\n DC [..\\..;/etc]\r\n Fdoc [a/b]\r\n")
            << "0:2:C:|1:3:A [../x]|1:3:B [*]|1:3:C [..\\..;/etc]|1:0:doc [a/b]" << 0;
        QTest::newRow("the first damaged line is named")
            << QByteArray("DC:\r\n DOk\r\n D.\r\n D..\r\n") << "0:2:C:|1:1:Ok" << 3;
        QTest::newRow("a level that does not fit stops the reading, also below a left-out name")
            << QByteArray("DC:\r\n D..\r\n   Fx\r\n DGood\r\n") << "0:2:C:" << 3;
    }
    void namesThatAreNoStepOfAPath()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, tree);
        QFETCH(int, damagedLine);
        TTreeList list;
        const QString damage = load(list, bytes);
        QCOMPARE(dumpTree(list), tree);
        if (damagedLine)
            QVERIFY2(damage.startsWith(QStringLiteral("Line %1: ").arg(damagedLine)), qPrintable(damage));
        else
            QVERIFY2(damage.isEmpty(), qPrintable(damage));
    }

    void setsThatMatchNothingAreNoted_data()
    {
        QTest::addColumn<QByteArray>("line"); // below "DC:"
        QTest::addColumn<QString>("note");    // after "Line 2: "; empty for none
        const QString noEntry = QStringLiteral("the set has no entry: nothing is archived through it");
        const auto noExtension = [](const char *entry) {
            return QStringLiteral("the set's entry \"%1\" is no extension such as .doc: it matches no file")
                .arg(QLatin1String(entry));
        };
        QTest::newRow("not closed") << QByteArray(" DA [.doc;.xls")
                                    << QStringLiteral("the set is not closed by \"]\"");
        QTest::newRow("only separators") << QByteArray(" DA [; ;]") << noEntry;
        QTest::newRow("a path") << QByteArray(" DA [.doc;../x]") << noExtension("../x");
        QTest::newRow("a wildcard") << QByteArray(" DA [*]") << noExtension("*");
        QTest::newRow("two extensions") << QByteArray(" DA [.tar.gz]") << noExtension(".tar.gz");
        QTest::newRow("a name with a bracket of its own")
            << QByteArray(" DMy [draft] [.doc]") << noExtension("draft] [.doc");
        QTest::newRow("on a file") << QByteArray(" Fa [.doc]")
                                   << QStringLiteral("a file item holds a set, which is not used");
        QTest::newRow("twice the same") << QByteArray(" DA [.doc;.doc]") << QString();
        QTest::newRow("upper case, blanks, every file, a trailing dot")
            << QByteArray(" DA [ .DOC ; .* ;.]") << QString();
    }
    void setsThatMatchNothingAreNoted()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, note);
        TTreeList list;
        // Noted, not damage: the line is in the tree as it stands.
        QCOMPARE(load(list, "DC:\r\n" + line + "\r\n"), QString());
        QCOMPARE(list.nodeCount(), 2);
        QCOMPARE(list.topLevelNode(0)->child(0)->text().toLatin1(), line.mid(2));
        QCOMPARE(list.ReadNotes(), note.isEmpty() ? QStringList() : QStringList{"Line 2: " + note});
    }

    void readNotesAreBounded()
    {
        QByteArray bytes("DC:\r\n");
        for (int i = 0; i < 1000; ++i)
            bytes += " DA" + QByteArray::number(i) + " [*]\r\n";
        TTreeList list;
        QCOMPARE(load(list, bytes), QString());
        QCOMPARE(list.ReadNoteCount(), 1000);
        QCOMPARE(list.ReadNotes().size(), qsizetype(TTreeList::kKeptReadNotes));
        QVERIFY(list.ReadNotes().last().startsWith(
            QStringLiteral("Line %1: ").arg(TTreeList::kKeptReadNotes + 1)));
        // Notes are those of the last load.
        list.LoadFromBytes("DC:\r\n DA [.doc]\r\n");
        QCOMPARE(list.ReadNoteCount(), 0);
        QVERIFY(list.ReadNotes().isEmpty());
    }

    // A long line is one entry, whatever its length against the usual buffer sizes, and a last
    // line without its ending reads as with it.
    void longLinesAreNeverSplit()
    {
        for (const int lineSize : {4096, 8191, 8192, 8193, 1 << 20}) {
            QByteArray name(lineSize - 2, Qt::Uninitialized); // the line is " F" + name
            for (int i = 0; i < name.size(); ++i)
                name[i] = char('a' + i % 26);
            const QByteArray line = " F" + name;
            for (const QByteArray &ending : {QByteArray("\r\n"), QByteArray("\n"), QByteArray()}) {
                TTreeList list;
                QCOMPARE(load(list, "DC:\r\n" + line + ending), QString());
                QCOMPARE(list.topLevelNode(0)->child(0)->text(), QString::fromLatin1(name));
                QCOMPARE(list.ListFileBytes(), "DC:\r\n" + line + "\r\n");
            }
            TTreeList list;
            QCOMPARE(load(list, "DC:\r\n" + line + "\r" + line + "\r\n DNext"), QString());
            QCOMPARE(list.nodeCount(), 4);
            QCOMPARE(list.topLevelNode(0)->child(1)->text(), QString::fromLatin1(name));
            QCOMPARE(list.topLevelNode(0)->child(2)->text(), QStringLiteral("Next"));
        }
    }

    // A million files below one folder and a chain of ten thousand folders are read, copied,
    // written and deleted whole, without a call stack that grows with the depth.
    void largeTreesAreHandledWhole()
    {
        {
            constexpr int kFiles = 1000000;
            QByteArray bytes("DC:\r\n DBig [.*]\r\n");
            bytes.reserve(kFiles * 20);
            for (int i = 0; i < kFiles; ++i)
                bytes += "  Ffile" + QByteArray::number(i) + ".txt\r\n";
            TTreeList list;
            QCOMPARE(load(list, bytes), QString());
            const TreeListNode *big = list.topLevelNode(0)->child(0);
            QCOMPARE(big->child(kFiles - 1)->text(), QStringLiteral("file%1.txt").arg(kFiles - 1));
            QCOMPARE(big->child(kFiles - 1)->row(), kFiles - 1);
            TTreeList copy;
            copy.Assign(list);
            list.Clear();
            QCOMPARE(copy.ListFileBytes(), bytes);
            // Adding below the big folder finds what is there instead of adding it again.
            copy.AddFile(QStringLiteral("C:\\Big\\FILE999999.TXT"));
            QCOMPARE(copy.nodeCount(), kFiles + 2);
        }
        {
            constexpr int kLevels = 10000;
            QByteArray bytes("DC:\r\n");
            for (int level = 1; level <= kLevels; ++level)
                bytes += QByteArray(level, ' ') + "Dd" + QByteArray::number(level) + "\r\n";
            bytes += QByteArray(kLevels + 1, ' ') + "Fleaf\r\n";
            TTreeList list;
            QCOMPARE(load(list, bytes), QString());
            TTreeList copy;
            copy.Assign(list);
            QCOMPARE(copy.ListFileBytes(), bytes);
            TreeListNode *node = copy.topLevelNode(0);
            while (node->childCount() == 1)
                node = node->child(0);
            QCOMPARE(node->level(), kLevels + 1);
            QString path = QStringLiteral("C:\\");
            for (int level = 1; level <= kLevels; ++level)
                path += QStringLiteral("d%1\\").arg(level);
            QCOMPARE(TTreeList::NodePath(node), path + QStringLiteral("leaf"));
            QCOMPARE(TTreeList::NodePath(node->parent()), path);
            // Deleting the leaf takes the chain of plain steps above it with it.
            copy.DeleteNode(node, false);
            QCOMPARE(copy.nodeCount(), 0);
            QCOMPARE(list.nodeCount(), kLevels + 2);
        }
    }

    // Control characters, trailing blanks and trailing dots are part of the name: read, kept in
    // the path and written back byte for byte.
    void oddNamesAreKeptExactly()
    {
        const QByteArray bytes("DC:\r\n DDir. \r\n  Fesc\x1B[2J.doc\r\n  Ftab\there\r\n  Fdel\x7F\r\n"
                               "  Fbell\x07\r\n  Ftrailing  \r\n  Ftrailing.\r\n  F lead\r\n  Fdots...\r\n");
        TTreeList list;
        QCOMPARE(load(list, bytes), QString());
        QCOMPARE(list.ListFileBytes(), bytes);
        const TreeListNode *dir = list.topLevelNode(0)->child(0);
        QCOMPARE(TTreeList::NodePath(dir), QStringLiteral("C:\\Dir. \\"));
        QCOMPARE(TTreeList::NodePath(dir->child(0)), QStringLiteral("C:\\Dir. \\esc\x1B[2J.doc"));
        // The model gives the name itself; only what is shown writes the controls out.
        QCOMPARE(list.data(list.indexOf(dir->child(1))).toString(), QStringLiteral("tab\there"));
        // Paths added by the panel keep them as well.
        TTreeList added;
        added.AddFile(QStringLiteral("C:\\Dir. \\trailing  "));
        added.AddDir(QStringLiteral("C:\\Dir. \\sub."), QStringLiteral(".*"));
        TTreeList back;
        QCOMPARE(load(back, added.ListFileBytes()), QString());
        QCOMPARE(dumpTree(back), QStringLiteral("0:2:C:|1:1:Dir. |2:0:trailing  |2:3:sub. [.*]"));
    }

    void shownNamesWriteOutControlCharacters()
    {
        QCOMPARE(shownName(u"esc\x1B[2J.doc"), QStringLiteral("esc<U+001B>[2J.doc"));
        QCOMPARE(shownName(u"tab\there\r\n"), QStringLiteral("tab<U+0009>here<U+000D><U+000A>"));
        QCOMPARE(shownName(u"\x7F\x9B\x80"), QStringLiteral("<U+007F><U+009B><U+0080>"));
        QCOMPARE(shownName(u"evil\u202Etxt.exe\u2066\u2028"),
                 QStringLiteral("evil<U+202E>txt.exe<U+2066><U+2028>"));
        for (const QString &plain :
             {QString(), QStringLiteral("trailing  "), QStringLiteral("dot."),
              QStringLiteral("Árvíztűrő tükörfúrógép"), QStringLiteral("C:\\a b\\c [.*]")})
            QCOMPARE(shownName(plain), plain);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestHostileList)
#include "tst_hostilelist.moc"
