// The archive list's tree control: its five node bitmaps, the bitmap each row shows, and the
// list's selection and expanded nodes following the user's clicks and keys.
#include "testmain.h"

#include "gui/archivelist/treelistview.h"

#include <QImage>

namespace {

// Whether the opaque pixels of bitmap appear in shot with their top left corner at (x, y).
bool drawnAt(const QImage &shot, const QImage &bitmap, int x, int y)
{
    for (int by = 0; by < bitmap.height(); ++by) {
        for (int bx = 0; bx < bitmap.width(); ++bx) {
            const QRgb b = bitmap.pixel(bx, by);
            if (qAlpha(b) == 0)
                continue;
            if ((shot.pixel(x + bx, y + by) & 0xFFFFFF) != (b & 0xFFFFFF))
                return false;
        }
    }
    return true;
}

// The kinds whose bitmap is drawn somewhere near the left of rect.
QList<int> kindsDrawnIn(const QImage &shot, const QRect &rect)
{
    QList<int> kinds;
    for (int kind = 0; kind < 5; ++kind) {
        const QImage bitmap =
            TTreeListView::nodeBitmap(kind).toImage().convertToFormat(QImage::Format_ARGB32);
        bool found = false;
        for (int y = qMax(0, rect.top() - 2); !found && y + 16 <= qMin(shot.height(), rect.bottom() + 3);
             ++y) {
            for (int x = qMax(0, rect.left() - 2); !found && x <= rect.left() + 24 && x + 16 <= shot.width();
                 ++x)
                found = drawnAt(shot, bitmap, x, y);
        }
        if (found)
            kinds << kind;
    }
    return kinds;
}

} // namespace

class TestTreeListView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The rows below tell the five bitmaps apart.
    void bitmapsWithWhiteTransparent()
    {
        for (int kind = 0; kind < 5; ++kind) {
            const QImage image =
                TTreeListView::nodeBitmap(kind).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(16, 16));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
        QVERIFY(TTreeListView::nodeBitmap(5).isNull());
    }

    void eachRowShowsTheBitmapOfItsKind()
    {
        TTreeListView view;
        view.resize(300, 300);
        TTreeList *list = view.treeList();
        TreeListNode *file = list->AddFile(QStringLiteral("C:\\plan.txt"));
        TreeListNode *plain = list->AddDir(QStringLiteral("C:\\Plain\\Deeper"), QString())->parent();
        TreeListNode *archived = list->AddDir(QStringLiteral("C:\\Docs"), QStringLiteral(".doc"));
        TreeListNode *cdrive = list->AddDir(QStringLiteral("D:\\"), QStringLiteral(".*"));
        TreeListNode *drive = file->parent();
        list->ExpandTopLevel();
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QList<std::pair<TreeListNode *, int>> expected{
            {file, 0}, {plain, 1}, {drive, 2}, {archived, 3}, {cdrive, 4}};
        for (const auto &[node, kind] : expected) {
            const QRect rect = view.visualRect(view.viewIndexOf(node));
            QCOMPARE(kindsDrawnIn(shot, rect), QList<int>{kind});
        }

        // A kind that changes shows its new bitmap.
        list->SetNodeExt(plain, QStringLiteral(".txt"));
        QCoreApplication::processEvents();
        const QImage after = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(kindsDrawnIn(after, view.visualRect(view.viewIndexOf(plain))), QList<int>{3});
    }

    void selectionAndExpansionFollowTheUser()
    {
        TTreeListView view;
        view.resize(300, 300);
        TTreeList *list = view.treeList();
        TreeListNode *deep = list->AddFile(QStringLiteral("C:\\Data\\Sub\\f.txt"));
        TreeListNode *data = deep->parent()->parent();
        list->AddDir(QStringLiteral("D:\\"), QStringLiteral(".*"));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        list->ExpandTopLevel();
        QVERIFY(view.isExpanded(view.viewIndexOf(list->topLevelNode(0))));
        QVERIFY(!view.isExpanded(view.viewIndexOf(data)));

        // A click selects.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(view.viewIndexOf(data)).center());
        QCOMPARE(list->Selected(), data);

        // Keys open and close nodes; the list knows.
        QTest::keyClick(&view, Qt::Key_Right);
        QVERIFY(data->expanded());
        QTest::keyClick(&view, Qt::Key_Left);
        QVERIFY(!data->expanded());

        // The list's own selection and expansion show in the view.
        list->SetSelected(deep);
        QCOMPARE(view.currentIndex(), view.viewIndexOf(deep));

        // A load replaces the rows and leaves nothing selected or open.
        list->LoadFromBytes("DE:\r\n DX\r\n");
        QCOMPARE(list->Selected(), nullptr);
        QCOMPARE(view.model()->rowCount(), 1);
        QVERIFY(!view.currentIndex().isValid());
        QVERIFY(!view.isExpanded(view.viewIndexOf(list->topLevelNode(0))));
    }
};

DUNLIVO_TEST_MAIN(TestTreeListView)
#include "tst_treelistview.moc"
