// The archive list tree: finding and making path nodes, kinds and extension sets, deletion with
// pruning, paths, expansion, selection, and the item model's bookkeeping while it changes.
#include "testmain.h"
#include "treedump.h"

#include "core/archivelist/treelist.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

class TestTreeList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addDirFindsOrMakesEveryStep()
    {
        TTreeList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        TreeListNode *projects = list.AddDir(QStringLiteral("C:\\Data\\Projects"), QStringLiteral(".doc"));
        QCOMPARE(dumpTree(list), QStringLiteral("0:2:C:|1:1:Data|2:3:Projects [.doc]"));

        // Another case finds the same nodes; the case of the first add stays.
        QCOMPARE(list.AddDir(QStringLiteral("c:\\DATA\\projects"), QString()), projects);

        // A set given to a found node replaces its set; an empty one leaves it.
        list.AddDir(QStringLiteral("c:\\data"), QStringLiteral(".xls"));
        list.AddDir(QStringLiteral("C:\\Data"), QString());
        list.AddDir(QStringLiteral("C:\\Data\\Projects\\Old"), QString());
        QCOMPARE(dumpTree(list), QStringLiteral("0:2:C:|1:3:Data [.xls]|2:3:Projects [.doc]|3:1:Old"));

        // Drives: the letter in upper case, with or without the root backslash.
        TreeListNode *d = list.AddDir(QStringLiteral("d:\\"), QStringLiteral(".*"));
        QCOMPARE(list.AddDir(QStringLiteral("D:"), QString()), d);
        QCOMPARE(d->text(), QStringLiteral("D: [.*]"));
        QCOMPARE(d->imageIndex(), int(TTreeList::ArchivedDriveNode));

        // A new node's text is cut at " [" as a set would cut it, so its kind matches its text.
        QCOMPARE(list.AddDir(QStringLiteral("C:\\odd [x]"), QString())->text(), QStringLiteral("odd"));
        QCOMPARE(list.AddDir(QStringLiteral("C:\\odd2 [x]"), QStringLiteral(".a"))->text(),
                 QStringLiteral("odd2 [.a]"));

        // Children keep the order in which they were added; the tree never sorts.
        list.AddDir(QStringLiteral("C:\\B"), QString());
        list.AddDir(QStringLiteral("C:\\A"), QString());
        const TreeListNode *c = list.topLevelNode(0);
        QCOMPARE(c->child(3)->text(), QStringLiteral("B"));
        QCOMPARE(c->child(4)->text(), QStringLiteral("A"));
    }

    void kindsFollowAddsAndSets()
    {
        TTreeList list;
        TreeListNode *b = list.AddDir(QStringLiteral("C:\\A\\B"), QStringLiteral(".doc"));
        QCOMPARE(list.AddFile(QStringLiteral("C:\\a\\b")), b);
        QCOMPARE(b->imageIndex(), int(TTreeList::FileNode));
        QCOMPARE(b->text(), QStringLiteral("B [.doc]"));
        // A directory add over a file node makes it a directory again.
        QCOMPARE(list.AddDir(QStringLiteral("C:\\A\\B"), QString()), b);
        QCOMPARE(b->imageIndex(), int(TTreeList::ArchivedDirectoryNode));
        TreeListNode *f = list.AddFile(QStringLiteral("C:\\A\\note.txt"));
        QCOMPARE(f->imageIndex(), int(TTreeList::FileNode));
        QCOMPARE(f->parent()->imageIndex(), int(TTreeList::DirectoryNode));

        // A set moves a node between the plain and the archived kinds.
        TreeListNode *data = list.AddDir(QStringLiteral("C:\\Data"), QStringLiteral(".doc;.xls"));
        list.SetNodeExt(data, QStringLiteral(".txt"));
        QCOMPARE(data->imageIndex(), 3);
        list.SetNodeExt(data, QString());
        QCOMPARE(data->text(), QStringLiteral("Data"));
        QCOMPARE(data->imageIndex(), 1);
        TreeListNode *drive = data->parent();
        list.SetNodeExt(drive, QStringLiteral(".*"));
        QCOMPARE(drive->text(), QStringLiteral("C: [.*]"));
        QCOMPARE(drive->imageIndex(), 4);
        list.SetNodeExt(drive, QString());
        QCOMPARE(drive->imageIndex(), 2);
        // A file given a set stays a file instead of becoming a drive.
        TreeListNode *file = list.AddFile(QStringLiteral("C:\\Data\\x.txt"));
        list.SetNodeExt(file, QStringLiteral(".doc"));
        QCOMPARE(file->imageIndex(), 0);
        list.SetNodeExt(file, QString());
        QCOMPARE(file->imageIndex(), 0);
        QCOMPARE(file->text(), QStringLiteral("x.txt"));
    }

    // Hand-edited sets without their closing bracket lose no letter.
    void unclosedSets()
    {
        TTreeList list;
        list.LoadFromBytes("DC:\r\n Dodd [\r\n Ddocs [.doc;.xls\r\n");
        const TreeListNode *c = list.topLevelNode(0);
        QCOMPARE(TTreeList::NodeName(c->child(0)), QStringLiteral("odd"));
        QCOMPARE(TTreeList::NodeExt(c->child(0)), QString());
        QCOMPARE(TTreeList::NodeExt(c->child(1)), QStringLiteral(".doc;.xls"));
    }

    void pathsThatAreNotDrivePathsAddNothing()
    {
        TTreeList list;
        // Each of these once recursed until the stack ran out.
        for (const char *path : {"Data", "C:Data", "Documents\\", "abcd\\efgh"})
            QVERIFY2(!list.AddDir(QString::fromLatin1(path), QStringLiteral(".*")), path);
        QVERIFY(!list.AddFile(QStringLiteral("notes.txt")));
        QCOMPARE(list.topLevelCount(), 0);
    }

    void deleteNodePrunesEmptySteps()
    {
        TTreeList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // The only file below plain steps: everything goes, the drive too.
        list.DeleteNode(list.AddFile(QStringLiteral("C:\\A\\B\\f.txt")), false);
        QCOMPARE(list.topLevelCount(), 0);

        // Pruning stops at a node that has a set or other children.
        TreeListNode *f = list.AddFile(QStringLiteral("C:\\A\\B\\f.txt"));
        list.AddDir(QStringLiteral("C:\\A"), QStringLiteral(".doc"));
        list.DeleteNode(f, false);
        QCOMPARE(dumpTree(list), QStringLiteral("0:2:C:|1:3:A [.doc]"));
        list.AddFile(QStringLiteral("C:\\A\\g.txt"));
        TreeListNode *h = list.AddFile(QStringLiteral("C:\\A\\X\\h.txt"));
        list.DeleteNode(h, false);
        QCOMPARE(dumpTree(list), QStringLiteral("0:2:C:|1:3:A [.doc]|2:0:g.txt"));

        // A directory with children goes whole; its plain parents follow.
        list.AddFile(QStringLiteral("E:\\x\\y\\z\\file"));
        list.DeleteNode(list.AddDir(QStringLiteral("E:\\x\\y"), QString()), false);
        QCOMPARE(dumpTree(list), QStringLiteral("0:2:C:|1:3:A [.doc]|2:0:g.txt"));

        // A file made over an archived directory keeps the set in its text, and still goes.
        list.AddDir(QStringLiteral("C:\\Docs"), QStringLiteral(".doc"));
        TreeListNode *made = list.AddFile(QStringLiteral("C:\\Docs"));
        list.DeleteNode(made, false);
        QCOMPARE(dumpTree(list), QStringLiteral("0:2:C:|1:3:A [.doc]|2:0:g.txt"));
    }

    void pathOfTheSelectedNode()
    {
        TTreeList list;
        TreeListNode *file = list.AddFile(QStringLiteral("C:\\Data\\plan.txt"));
        TreeListNode *projects = list.AddDir(QStringLiteral("C:\\Data\\Projects"), QStringLiteral(".doc"));
        list.SetSelected(list.topLevelNode(0));
        QCOMPARE(list.Path(), QStringLiteral("C:\\"));
        QVERIFY(list.Dir());
        list.SetSelected(projects);
        QCOMPARE(list.Path(), QStringLiteral("C:\\Data\\Projects\\"));
        list.SetSelected(file);
        QCOMPARE(list.Path(), QStringLiteral("C:\\Data\\plan.txt"));
        QVERIFY(!list.Dir());
        list.SetNodeExt(list.topLevelNode(0), QStringLiteral(".*"));
        QCOMPARE(list.Path(), QStringLiteral("C:\\Data\\plan.txt"));

        // Deleting the selected node, or a node above it, leaves nothing selected.
        QSignalSpy selected(&list, &TTreeList::selectedChanged);
        list.DeleteNode(list.AddDir(QStringLiteral("C:\\Data"), QString()), false);
        QCOMPARE(list.Selected(), nullptr);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(list.Path(), QString());
        TreeListNode *d = list.AddDir(QStringLiteral("D:\\"), QStringLiteral(".*"));
        list.AddFile(QStringLiteral("D:\\x\\y"));
        list.SetSelected(d->child(0)->child(0));
        list.DeleteNode(d, true);
        QCOMPARE(list.Selected(), nullptr);
        list.AddFile(QStringLiteral("D:\\x\\y"));
        list.SetSelected(d);
        list.DeleteNode(d, true);
        QCOMPARE(list.Selected(), d);
        QCOMPARE(dumpTree(list), QStringLiteral("0:4:C: [.*]|0:4:D: [.*]"));
    }

    void expansion()
    {
        TTreeList list;
        TreeListNode *deep = list.AddFile(QStringLiteral("C:\\A\\B\\f"));
        list.AddDir(QStringLiteral("D:\\X"), QString());
        QSignalSpy spy(&list, &TTreeList::expandedChanged);
        list.ExpandTopLevel();
        QVERIFY(list.topLevelNode(0)->expanded());
        QVERIFY(list.topLevelNode(1)->expanded());
        QVERIFY(!list.topLevelNode(0)->child(0)->expanded());
        QCOMPARE(spy.count(), 2);
        spy.clear();
        list.MakeNodeVisible(deep);
        // From the top down: A, B and the node itself; the drive was open already.
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(0).at(0).value<TreeListNode *>(), deep->parent()->parent());
        QCOMPARE(spy.at(2).at(0).value<TreeListNode *>(), deep);
        QVERIFY(deep->parent()->expanded());
    }

    void manyChildrenAreFoundByName()
    {
        TTreeList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        // A file may hold the same name twice; the first one is the one found, then the next.
        QByteArray file = "DC:\r\n";
        for (int i = 0; i < 40; ++i)
            file += " Dn" + QByteArray::number(i) + "\r\n";
        file += " DÉté\r\n DÉTÉ [.doc]\r\n";
        list.LoadFromBytes(file);
        TreeListNode *c = list.topLevelNode(0);
        TreeListNode *first = list.AddDir(QStringLiteral("c:\\éTÉ"), QString());
        QCOMPARE(first, c->child(40));
        list.DeleteNode(first, false);
        QCOMPARE(list.AddDir(QStringLiteral("C:\\été"), QString()), c->child(40));
        QCOMPARE(c->child(40)->text(), QStringLiteral("ÉTÉ [.doc]"));
        for (int i = 0; i < 1000; ++i)
            list.AddDir(QStringLiteral("C:\\m%1").arg(i), QString());
        QCOMPARE(list.AddDir(QStringLiteral("C:\\N7"), QString()), c->child(7));
        list.DeleteNode(c->child(7), true);
        QCOMPARE(c->childCount(), 1040);
        QCOMPARE(c->child(7)->text(), QStringLiteral("n8"));
        QCOMPARE(c->child(7)->row(), 7);
        QCOMPARE(list.AddDir(QStringLiteral("C:\\n7"), QString())->row(), 1040);
        QCOMPARE(list.AddDir(QStringLiteral("C:\\M999"), QString())->row(), 1039);
    }
};

DUNLIVO_TEST_MAIN(TestTreeList)
#include "tst_treelist.moc"
