// The extension list window on a whole panel: the selected directory's set, placement, the
// catalogue ext.lst, typed extensions, moving and removing, and what Ok gives the list.
#include "archivepanel.h"
#include "testmain.h"

#include <QAction>
#include <QLineEdit>

namespace {

// The available and the actual list.
const auto list1 = [](const QWidget *window) { return control<QListWidget>(window, "ListBox1"); };
const auto list2 = [](const QWidget *window) { return control<QListWidget>(window, "ListBox2"); };

QStringList selected(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            out.append(list->item(i)->text());
    return out;
}

void select(QListWidget *list, const QStringList &texts)
{
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
        if (texts.contains(list->item(i)->text()))
            list->item(i)->setSelected(true);
}

void doubleClick(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    const QPoint at = list->visualItemRect(found.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Types text into the window's input box and presses the add button.
void typeExtension(TextlistF *window, const QString &text)
{
    control<QLineEdit>(window, "Edit1")->setText(text);
    clickControl(window, "SpeedButton4");
}

} // namespace

class TestExtlistWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typedExtensionsAndPlacement()
    {
        ArchivePanel p;
        writeFile(p.host(QStringLiteral("ext.lst")), ".txt\r\n");
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        QTest::mouseClick(control<QToolButton>(m, "SpeedButton5"), Qt::LeftButton);
        TextlistF *w = p.panel->extlistF();
        InfoLog boxes(p.panel->info1F());
        QStringList steps;
        whenModal(w, [&] {
            steps << listed(list1(w)).join(QLatin1Char(','));
            typeExtension(w, QStringLiteral("*.DOC"));
            steps << listed(list1(w)).join(QLatin1Char(',')) + QLatin1Char('/') +
                         control<QLineEdit>(w, "Edit1")->text() + QLatin1Char('/') +
                         selected(list1(w)).join(QLatin1Char(','));
            typeExtension(w, QStringLiteral("doc"));
            typeExtension(w, QStringLiteral(" .xls "));
            typeExtension(w, QStringLiteral("*"));
            typeExtension(w, QStringLiteral("   "));
            control<QLineEdit>(w, "Edit1")->setText(QStringLiteral("pdf"));
            QTest::keyClick(control<QLineEdit>(w, "Edit1"), Qt::Key_Return);
            steps << listed(list1(w)).join(QLatin1Char(',')) + QLatin1Char('/') +
                         selected(list1(w)).join(QLatin1Char(','));
            // Deleting from the catalogue.
            select(list1(w), {QStringLiteral(".")});
            clickControl(w, "SpeedButton5");
            // Only Ok closes the window.
            QTest::keyClick(w, Qt::Key_Escape);
            w->close();
            steps << QString::number(w->isVisible());
            clickControl(w, "SpeedButton1");
        });
        QTest::mousePress(control<QToolButton>(m, "SpeedButton16"), Qt::LeftButton, {}, QPoint(5, 6));
        const QPoint opened = m->pos();
        QTest::mouseRelease(control<QToolButton>(m, "SpeedButton16"), Qt::LeftButton, {}, QPoint(5, 6));
        QCOMPARE(steps, (QStringList{".txt", ".txt,.DOC//.DOC", ".txt,.DOC,.xls,.,.pdf/.pdf", "1"}));
        QCOMPARE(boxes.shown(), QStringList{"This extension is already added to the available list!|"});
        // Left edge at the press's x, bottom edge 345 below the press's y.
        QCOMPARE(w->pos(), opened + QPoint(5, 6 + 345 - w->height()));
        QCOMPARE(readFile(p.host(QStringLiteral("ext.lst"))), QByteArray(".txt\r\n.DOC\r\n.xls\r\n.pdf\r\n"));

        // The catalogue is read again at every showing.
        writeFile(p.host(QStringLiteral("ext.lst")), ".c\n.h");
        QStringList shownAgain;
        whenModal(w, [&] {
            shownAgain = listed(list1(w));
            clickControl(w, "SpeedButton1");
        });
        control<QAction>(m, "Extensions1")->trigger();
        QCOMPARE(shownAgain, (QStringList{".c", ".h"}));
        QCOMPARE(readFile(p.host(QStringLiteral("ext.lst"))), QByteArray(".c\r\n.h\r\n"));
    }

    void setOfASelectedDirectory()
    {
        ArchivePanel p(true);
        writeFile(p.host(QStringLiteral("ext.lst")), ".doc\r\n.xls\r\n.txt\r\n");
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        QTest::mouseClick(control<QToolButton>(m, "SpeedButton5"), Qt::LeftButton);
        TextlistF *w = p.panel->extlistF();
        InfoLog boxes(p.panel->info1F());
        TTreeList *list = p.list();

        // The set of the selected directory fills the actual list; Ok without changes stores it
        // in reverse order and makes it the current set and the button's hint.
        TreeListNode *data = list->AddDir(QStringLiteral("T:\\Data"), QStringLiteral(".doc;.xls"));
        list->SetSelected(data);
        QStringList actual;
        whenModal(w, [&] {
            actual = listed(list2(w));
            clickControl(w, "SpeedButton1");
        });
        QTest::mouseClick(control<QToolButton>(m, "SpeedButton16"), Qt::LeftButton);
        QCOMPARE(actual, (QStringList{".doc", ".xls"}));
        QCOMPARE(data->text(), QStringLiteral("Data [.xls;.doc]"));
        QCOMPARE(m->archiveListPage()->extensionSet(), QStringLiteral(".xls;.doc"));
        QCOMPARE(control<QToolButton>(m, "SpeedButton16")->toolTip(), QStringLiteral("[.xls;.doc]"));
        QCOMPARE(p.listFile(), list->ListFileBytes());

        // A plain step: the actual list starts at ".*"; moving and removing, with the
        // "already added" message while confirmations are on; Ok makes it an archived directory.
        TreeListNode *work = list->AddDir(QStringLiteral("T:\\Work\\Sub"), QString())->parent();
        list->SetSelected(work);
        QStringList steps;
        whenModal(w, [&] {
            steps << listed(list2(w)).join(QLatin1Char(','));
            select(list1(w), {QStringLiteral(".doc")});
            clickControl(w, "SpeedButton2");
            steps << listed(list2(w)).join(QLatin1Char(','));
            select(list1(w), {QStringLiteral(".doc"), QStringLiteral(".txt")});
            clickControl(w, "SpeedButton2");
            steps << listed(list2(w)).join(QLatin1Char(','));
            list2(w)->selectAll();
            clickControl(w, "SpeedButton3");
            steps << listed(list2(w)).join(QLatin1Char(','));
            doubleClick(list1(w), QStringLiteral(".xls"));
            steps << listed(list2(w)).join(QLatin1Char(','));
            doubleClick(list2(w), QStringLiteral(".xls"));
            steps << listed(list2(w)).join(QLatin1Char(','));
            select(list1(w), {QStringLiteral(".doc")});
            clickControl(w, "SpeedButton2");
            select(list1(w), {QStringLiteral(".xls")});
            clickControl(w, "SpeedButton2");
            clickControl(w, "SpeedButton1");
        });
        control<QAction>(m, "Extlist1")->trigger();
        QCOMPARE(steps, (QStringList{".*", ".doc", ".doc,.txt", ".*", ".xls", ".*"}));
        QCOMPARE(boxes.shown(), QStringList{"These extensions are already added to the directory!|"});
        QCOMPARE(work->text(), QStringLiteral("Work [.xls;.doc]"));
        QCOMPARE(work->imageIndex(), int(TTreeList::ArchivedDirectoryNode));
        QCOMPARE(p.listFile(), list->ListFileBytes());

        // Without confirmations the skipped entries are not reported.
        control<QCheckBox>(m, "CheckBox1")->setChecked(false);
        QStringList after;
        whenModal(w, [&] {
            select(list1(w), {QStringLiteral(".doc")});
            clickControl(w, "SpeedButton2");
            after = listed(list2(w));
            clickControl(w, "SpeedButton1");
        });
        control<QAction>(m, "Extensions1")->trigger();
        QCOMPARE(after, (QStringList{".xls", ".doc"}));
        QCOMPARE(boxes.boxes.size(), 1);
    }

    void okWithoutDirectoryAndWriteFailure()
    {
        ArchivePanel p;
        writeFile(p.host(QStringLiteral("ext.lst")), ".doc\r\n");
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        QTest::mouseClick(control<QToolButton>(m, "SpeedButton5"), Qt::LeftButton);
        TextlistF *w = p.panel->extlistF();
        TTreeList *list = p.list();
        TreeListNode *kept = list->AddDir(QStringLiteral("T:\\Kept"), QStringLiteral(".txt"));
        m->SyncArchiveLists(2);

        // No directory selected: the actual list is what it was; the set goes to the current set
        // and the hint only; the list is still written.
        list->SetSelected(nullptr);
        QFile::remove(p.host(QStringLiteral("afiles.lst")));
        QStringList actual;
        whenModal(w, [&] {
            actual = listed(list2(w));
            select(list1(w), {QStringLiteral(".doc")});
            clickControl(w, "SpeedButton2");
            clickControl(w, "SpeedButton1");
        });
        QTest::mouseClick(control<QToolButton>(m, "SpeedButton16"), Qt::LeftButton);
        QCOMPARE(actual, QStringList{".*"});
        QCOMPARE(m->archiveListPage()->extensionSet(), QStringLiteral(".doc"));
        QCOMPARE(kept->text(), QStringLiteral("Kept [.txt]"));
        QCOMPARE(p.listFile(), list->ListFileBytes());

        // ext.lst cannot be written: said in the information window; the node has its set; the
        // entries not written stay for the next showing rather than the file's older ones.
        const QString extHost = p.host(QStringLiteral("ext.lst"));
        QVERIFY(QFile(extHost).setPermissions(QFileDevice::ReadOwner));
        list->SetSelected(kept);
        InfoLog boxes(p.panel->info1F());
        whenModal(w, [&] {
            typeExtension(w, QStringLiteral("new"));
            select(list1(w), {QStringLiteral(".doc")});
            clickControl(w, "SpeedButton2");
            clickControl(w, "SpeedButton1");
        });
        control<QAction>(m, "Extensions1")->trigger();
        QCOMPARE(boxes.shown(), QStringList{"Can not write into file:|Ext.lst"});
        QCOMPARE(kept->text(), QStringLiteral("Kept [.doc;.txt]"));
        QCOMPARE(readFile(extHost), QByteArray(".doc\r\n"));
        QVERIFY(QFile(extHost).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QStringList available;
        whenModal(w, [&] {
            available = listed(list1(w));
            clickControl(w, "SpeedButton1");
        });
        control<QAction>(m, "Extensions1")->trigger();
        QCOMPARE(available, (QStringList{".doc", ".new"}));
        QCOMPARE(readFile(extHost), QByteArray(".doc\r\n.new\r\n"));
    }
};

DUNLIVO_TEST_MAIN(TestExtlistWindow)
#include "tst_extlistwindow.moc"
