// The archive list page on a whole panel: the browsing views and their events, adding directories
// (alone, with subdirectories, refused ones), adding files (button and drop), deleting items and
// children with the confirmation, and the pop-up menus.
#include "archivepanel.h"
#include "testmain.h"

#include "core/archivelist/folderfiles.h"
#include "gui/archivelist/directoryviews.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

#include <sys/xattr.h>

namespace {

// Drags data of the format over the view and drops it; true when the drop was taken.
bool drop(TTreeListView *view, const QString &format)
{
    QMimeData data;
    data.setData(format, "a.txt");
    const QPoint at = view->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &dropped);
    return dropped.isAccepted();
}

void clickItem(QAbstractItemView *view, const QModelIndex &index)
{
    QVERIFY(index.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void pressItem(TTreeListView *view, const TreeListNode *node)
{
    const QModelIndex index = view->viewIndexOf(node);
    QVERIFY(index.isValid());
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QModelIndex fileIndex(TFileListView *view, const QString &name)
{
    for (int row = 0; row < view->model()->rowCount(); ++row)
        if (view->model()->index(row, 0).data().toString() == name)
            return view->model()->index(row, 0);
    return QModelIndex();
}

QList<bool> menuState(TApp_user_window *m)
{
    Q_EMIT control<QMenu>(m, "PopupMenu3")->aboutToShow();
    return {control<QAction>(m, "delitem1")->isEnabled(), control<QAction>(m, "Delchild1")->isEnabled(),
            control<QAction>(m, "Extlist1")->isEnabled()};
}

const QString kReserved = QStringLiteral("The directory name included reserved character(s)");

} // namespace

class TestArchivePage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void browsingEvents()
    {
        ArchivePanel p;
        makeFolders(p.driveHost(), {"Alpha/A1", "beta"});
        makeFiles(p.driveHost(), {"Alpha/in.txt", "Alpha/more.txt"});
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const ArchivePage c(m);
        clickControl(m, "SpeedButton5");

        // The tree shows its path, drives the file list and remembers the path.
        m->archiveListPage()->openDirectoryTree(QStringLiteral("t:\\alpha"));
        QCOMPARE(c.path->text(), QStringLiteral("T:\\Alpha"));
        QCOMPARE(c.files->Folder(), QStringLiteral("T:\\Alpha\\"));
        QCOMPARE(c.files->model()->rowCount(), 2);

        // The archive list's selection: the extension button follows the item's set; a press
        // on an item enables the delete button.
        TTreeList *list = p.list();
        TreeListNode *beta = list->AddDir(QStringLiteral("T:\\beta"), QStringLiteral(".doc"));
        TreeListNode *file = list->AddFile(QStringLiteral("T:\\a.txt"));
        m->SyncArchiveLists(2);
        list->MakeNodeVisible(beta);
        QVERIFY(!c.remove->isEnabled());
        pressItem(c.archive, file);
        QCOMPARE(list->Selected(), file);
        QVERIFY(c.remove->isEnabled());
        QVERIFY(!c.extensions->isEnabled());
        pressItem(c.archive, beta);
        QVERIFY(c.extensions->isEnabled());

        // The file list: delete disabled.
        clickItem(c.files, fileIndex(c.files, QStringLiteral("in.txt")));
        QVERIFY(!c.remove->isEnabled());

        // A click in the tree takes the archive list's selection away.
        pressItem(c.archive, file);
        QVERIFY(!c.extensions->isEnabled());
        clickItem(c.tree, c.tree->currentIndex());
        QCOMPARE(list->Selected(), nullptr);
        QVERIFY(!c.remove->isEnabled());
        QVERIFY(c.extensions->isEnabled());

        // A key in the tree moves the keyboard focus to the archive list, and a drop that follows
        // is the tree's, which adds nothing.
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        clickItem(c.files, fileIndex(c.files, QStringLiteral("in.txt")));
        const int nodes = list->nodeCount();
        c.tree->setFocus();
        QTest::keyClick(c.tree, Qt::Key_Down);
        QVERIFY(c.archive->hasFocus());
        QVERIFY(drop(c.archive, TFileListModel::mimeType()));
        QCOMPARE(list->nodeCount(), nodes);

        // On "Drives" the page reopens at the program's drive.
        m->archiveListPage()->openDirectoryTree(QStringLiteral("Drives"));
        QCOMPARE(c.path->text(), QStringLiteral("Drives"));
        QVERIFY(c.files->Folder().isEmpty());
        clickControl(m, "SpeedButton4");
        clickControl(m, "SpeedButton5");
        QCOMPARE(c.path->text(), p.programDir.left(3));
        // Elsewhere it reopens where it was, with the folder's files, seeing new folders.
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\Alpha\\A1"));
        makeFolders(p.driveHost(), {"Alpha/A1/New"});
        clickControl(m, "SpeedButton5");
        QCOMPARE(c.path->text(), QStringLiteral("T:\\Alpha\\A1"));
        QCOMPARE(c.files->Folder(), QStringLiteral("T:\\Alpha\\A1\\"));
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\Alpha\\A1\\New"));
        QCOMPARE(c.path->text(), QStringLiteral("T:\\Alpha\\A1\\New"));

        // The subdirectory box, its label and the menu item show one state.
        QTest::mouseClick(control<QLabel>(m, "Label22"), Qt::LeftButton);
        QVERIFY(c.subdirectories->isChecked());
        QVERIFY(control<QAction>(m, "Subdir")->isChecked());
        control<QAction>(m, "Subdir")->trigger();
        QVERIFY(!c.subdirectories->isChecked());
        QTest::mouseClick(c.subdirectories, Qt::LeftButton);
        QVERIFY(control<QAction>(m, "Subdir")->isChecked());
    }

    // A folder opened while the page is hidden is in view when the page is shown.
    void folderOpenedWhileHiddenIsInViewWhenShown()
    {
        ArchivePanel p;
        QStringList folders;
        for (int i = 0; i < 40; ++i)
            folders << QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'));
        makeFolders(p.driveHost(), folders);
        QVERIFY(p.start());
        const ArchivePage c(p.main);
        const auto inView = [&] {
            return c.tree->viewport()->rect().contains(c.tree->visualRect(c.tree->currentIndex()));
        };
        // Opened while hidden, and opened again at the same folder after the tree was scrolled away.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(!c.tree->isVisible());
            p.main->archiveListPage()->openDirectoryTree(QStringLiteral("t:\\f39"));
            p.main->showPage(2);
            QVERIFY(inView());
            c.tree->verticalScrollBar()->setValue(0);
            QVERIFY(!inView());
            p.main->showPage(1);
        }
    }

    // Names on the disk with control characters: the directory tree, its path line and the file
    // list show them written out; adding the folder puts its name itself into the list.
    void controlCharactersInBrowsedNames()
    {
        ArchivePanel p;
        makeFolders(p.driveHost(), {"Esc\x1B[2J"});
        makeFiles(p.driveHost(), {"Esc\x1B[2J/tab\there.txt", "Esc\x1B[2J/two\nlines"});
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const ArchivePage c(m);
        clickControl(m, "SpeedButton5");
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\Esc\x1B[2J"));
        QCOMPARE(c.files->Folder(), QStringLiteral("T:\\Esc\x1B[2J\\"));
        QCOMPARE(c.path->text(), QStringLiteral("T:\\Esc<U+001B>[2J"));
        QCOMPARE(drawnText(c.files, fileIndex(c.files, QStringLiteral("tab\there.txt"))),
                 QStringLiteral("tab<U+0009>here.txt"));
        QCOMPARE(drawnText(c.files, fileIndex(c.files, QStringLiteral("two\nlines"))),
                 QStringLiteral("two<U+000A>lines"));
        QCOMPARE(drawnText(c.tree, c.tree->currentIndex()), QStringLiteral("Esc<U+001B>[2J"));
        clickItem(c.tree, c.tree->currentIndex());
        QCOMPARE(c.path->text(), QStringLiteral("T:\\Esc<U+001B>[2J"));
        // The page reopens at the folder itself, not at the name as shown.
        clickControl(m, "SpeedButton4");
        clickControl(m, "SpeedButton5");
        QCOMPARE(c.files->Folder(), QStringLiteral("T:\\Esc\x1B[2J\\"));
    }

    void addingDirectories()
    {
        ArchivePanel p;
        makeFolders(p.driveHost(), {"Alpha/A1", "Alpha/A2/Deep", "beta", ".hidden/Inner", "Sys/Inner",
                                    "Weird [x]/Sub", "Semi;colon"});
        const QByteArray system = QFile::encodeName(p.driveHost() + QStringLiteral("/Sys"));
        QCOMPARE(::setxattr(system.constData(), "user.DOSATTRIB", "0x4", 3, 0), 0);
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const ArchivePage c(m);
        clickControl(m, "SpeedButton5");
        InfoLog info(p.panel->info1F());

        // "Drives" adds nothing and still writes the list.
        m->archiveListPage()->openDirectoryTree(QStringLiteral("Drives"));
        c.subdirectories->setChecked(true);
        control<QAction>(m, "Adddir1")->trigger();
        QCOMPARE(p.listFile(), QByteArray());
        QVERIFY(!p.panel->saveF()->isVisible());

        // A drive root with subdirectories: the drive becomes an item, every visible folder below
        // it too; hidden and system folders are not walked; reserved names are refused one by one.
        m->archiveListPage()->takeExtensionSet(QStringLiteral(".doc"));
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\"));
        clickControl(m, "SpeedButton17");
        QVERIFY(p.panel->saveF()->isVisible());
        QCOMPARE(listItems(*p.list()),
                 (QStringList{"T:\\ [.doc]|4", "T:\\Alpha\\ [.doc]|3", "T:\\Alpha\\A1\\ [.doc]|3",
                              "T:\\Alpha\\A2\\ [.doc]|3", "T:\\Alpha\\A2\\Deep\\ [.doc]|3",
                              "T:\\beta\\ [.doc]|3"}));
        QStringList refused = info.secondLines();
        refused.sort();
        QCOMPARE(refused, (QStringList{"T:\\Semi;colon", "T:\\Weird [x]", "T:\\Weird [x]\\Sub"}));
        // Written once at the end, equal in both trees; the drive is shown selected.
        QCOMPARE(p.listFile(), p.list()->ListFileBytes());
        QCOMPARE(p.list()->Selected(), p.list()->topLevelNode(0));
        QVERIFY(c.remove->isEnabled());
        // The progress window goes, and with it the chosen set.
        QTRY_VERIFY(!p.panel->saveF()->isVisible());
        QTRY_COMPARE(m->archiveListPage()->extensionSet(), QStringLiteral(".*"));

        // Again with another set, without subdirectories: the directory takes it, those below
        // keep theirs.
        c.subdirectories->setChecked(false);
        m->archiveListPage()->takeExtensionSet(QStringLiteral(".xls"));
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\Alpha"));
        clickControl(m, "SpeedButton17");
        const QStringList items = listItems(*p.list());
        QVERIFY(items.contains(QStringLiteral("T:\\Alpha\\ [.xls]|3")));
        QVERIFY(items.contains(QStringLiteral("T:\\Alpha\\A1\\ [.doc]|3")));
        QCOMPARE(items.size(), 6);
        QCOMPARE(m->archiveListPage()->extensionSet(), QStringLiteral(".xls"));

        // A refused directory is not walked: nothing below it is offered or added.
        info.boxes.clear();
        c.subdirectories->setChecked(true);
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\Weird [x]"));
        clickControl(m, "SpeedButton17");
        QCOMPARE(info.secondLines(), QStringList{"T:\\Weird [x]"});
        QCOMPARE(listItems(*p.list()), items);
    }

    void addingFiles()
    {
        ArchivePanel p;
        makeFolders(p.driveHost(), {"Sub", "W [x]"});
        makeFiles(p.driveHost(), {"a.txt", "b.doc", "c [1].txt", "Sub/s.txt", "W [x]/ok.txt"});
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const ArchivePage c(m);
        clickControl(m, "SpeedButton5");
        InfoLog info(p.panel->info1F());
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\"));

        // Every selected file in list order, a name the list cannot hold refused by name.
        c.files->selectAll();
        QCOMPARE(c.files->SelCount(), 3);
        clickControl(m, "SpeedButton20");
        QCOMPARE(info.firstLines(), QStringList{kReserved});
        QCOMPARE(info.secondLines(), QStringList{"T:\\c [1].txt"});
        QCOMPARE(listItems(*p.list()), (QStringList{"T:\\a.txt|0", "T:\\b.doc|0", "T:\\|2"}));
        QCOMPARE(TTreeList::NodeName(p.list()->Selected()), QStringLiteral("b.doc"));
        QCOMPARE(p.listFile(), p.list()->ListFileBytes());
        // A good name in a folder the list cannot hold is refused as well.
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\W [x]"));
        c.files->selectAll();
        clickControl(m, "SpeedButton20");
        QCOMPARE(info.secondLines().last(), QStringLiteral("T:\\W [x]\\ok.txt"));
        QCOMPARE(p.list()->nodeCount(), 3);

        // A drop adds the selected files only when the last interaction was with the file list.
        p.list()->Clear();
        m->archiveListPage()->openDirectoryTree(QStringLiteral("T:\\Sub"));
        clickItem(c.files, fileIndex(c.files, QStringLiteral("s.txt")));
        clickItem(c.tree, c.tree->currentIndex());
        QVERIFY(drop(c.archive, TFileListModel::mimeType()));
        QCOMPARE(p.list()->nodeCount(), 0);
        clickItem(c.files, fileIndex(c.files, QStringLiteral("s.txt")));
        QVERIFY(drop(c.archive, TFileListModel::mimeType()));
        QCOMPARE(listItems(*p.list()), (QStringList{"T:\\Sub\\s.txt|0", "T:\\Sub\\|1", "T:\\|2"}));
        QCOMPARE(p.listFile(), p.list()->ListFileBytes());
        // Drags from elsewhere carry something else than the file list's selection: refused.
        p.list()->Clear();
        QVERIFY(!drop(c.archive, QStringLiteral("text/uri-list")));
        QCOMPARE(p.list()->nodeCount(), 0);
        QVERIFY(!control<TTreeListView>(m, "TLmain")->acceptDrops());
    }

    void deleting()
    {
        ArchivePanel p(true);
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const ArchivePage c(m);
        clickControl(m, "SpeedButton5");
        TTreeList *list = p.list();
        TreeListNode *alpha = list->AddDir(QStringLiteral("T:\\Alpha"), QStringLiteral(".*"));
        TreeListNode *a1 = list->AddDir(QStringLiteral("T:\\Alpha\\A1"), QStringLiteral(".doc"));
        TreeListNode *file = list->AddFile(QStringLiteral("T:\\beta\\f.txt"));
        TreeListNode *beta = file->parent();
        m->SyncArchiveLists(2);
        const QString listHost = p.host(QStringLiteral("afiles.lst"));

        // The menu's enabling follows the selection.
        QCOMPARE(menuState(m), (QList<bool>{false, false, false}));
        list->SetSelected(file);
        QCOMPARE(menuState(m), (QList<bool>{true, false, false}));
        list->SetSelected(beta);
        QCOMPARE(menuState(m), (QList<bool>{true, true, false}));
        list->SetSelected(a1);
        QCOMPARE(menuState(m), (QList<bool>{true, false, true}));
        list->SetSelected(alpha);
        QCOMPARE(menuState(m), (QList<bool>{true, true, true}));

        // Nothing selected: asked first; No leaves everything, Yes changes nothing but writes.
        list->SetSelected(nullptr);
        QFile::remove(listHost);
        auto *deleteItem = control<QAction>(m, "delitem1");
        deleteItem->setEnabled(true);
        Question::setNextAnswers({false});
        deleteItem->trigger();
        QCOMPARE(takeQuestions(), QStringList{QStringLiteral("Do you want to delete these selected items?")});
        QVERIFY(!QFile::exists(listHost));
        Question::setNextAnswers({true});
        deleteItem->trigger();
        QCOMPARE(p.listFile(), list->ListFileBytes());
        QCOMPARE(list->nodeCount(), 5);

        // Children only of a directory with a set: it stays with its set.
        list->SetSelected(alpha);
        Question::setNextAnswers({true});
        control<QAction>(m, "Delchild1")->trigger();
        QCOMPARE(listItems(*list),
                 (QStringList{"T:\\Alpha\\ [.*]|3", "T:\\beta\\f.txt|0", "T:\\beta\\|1", "T:\\|2"}));
        // Children only of a plain step: the step goes too.
        list->SetSelected(beta);
        Question::setNextAnswers({true});
        control<QAction>(m, "Delchild1")->trigger();
        QCOMPARE(listItems(*list), (QStringList{"T:\\Alpha\\ [.*]|3", "T:\\|2"}));
        QCOMPARE(p.listFile(), list->ListFileBytes());
        QCOMPARE(m->startList()->ListFileBytes(), list->ListFileBytes());

        // The delete button, enabled by a press on the item; the last item takes the drive along.
        list->MakeNodeVisible(alpha);
        pressItem(c.archive, alpha);
        QVERIFY(c.remove->isEnabled());
        Question::setNextAnswers({true});
        c.remove->click();
        QCOMPARE(list->nodeCount(), 0);
        QCOMPARE(p.listFile(), QByteArray());
        QVERIFY(!c.remove->isEnabled());
        QVERIFY(p.errors.isEmpty());
    }
};

DUNLIVO_TEST_MAIN(TestArchivePage)
#include "tst_archivepage.moc"
