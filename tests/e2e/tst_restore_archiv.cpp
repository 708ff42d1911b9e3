// Getting files back from archives written by the real archiv: both destinations chosen in the
// panel, a tree archived compressed on one side and plain on the other, then originals changed,
// deleted and write-protected and restored through the real restore window, file by file, by
// directory with subdirectories and by a drive's single file; bytes, times and attributes; a
// missing and a damaged member; the archive's list put back; an earlier version given back.
#include "../maintenance/restorepanel.h"
#include "archiverpanel.h"
#include "findcontrol.h"
#include "testmain.h"

#include "core/platform/attributes.h"
#include "core/platform/prefix.h"
#include "gui/destinations/dirselectf.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>

#include "gui/archivelist/directoryviews.h"

using namespace win;

namespace {

constexpr int kLong = 120000;

// The restore panel with archiv beside it and no destination chosen yet.
class ArchivRestorePanel : public WithArchiver<RestorePanel>
{
public:
    ArchivRestorePanel()
    {
        settings().WriteString(QStringLiteral("Celutvonal"), QString());
        settings().WriteString(QStringLiteral("Celutvonal2"), QString());
    }
};

} // namespace

class TestRestoreArchiv : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void archiveThenGetEverythingBack()
    {
        ArchivRestorePanel p;
        p.settings().WriteBool(QStringLiteral("Bzip2_ok_1"), true);
        p.settings().WriteBool(QStringLiteral("Bzip2_ok_2"), false);
        // The originals: a folder of documents with subfolders, and a single file of the drive.
        const QStringList names = {"Docs/letter.txt",     "Docs/report.doc",          "Docs/Empty.txt",
                                   "Docs/Sub1/notes.txt", "Docs/Sub1/Deep/photo.jpg", "Docs/Sub2/sheet.xls",
                                   "single.txt"};
        const auto bytesOf = [](int n) {
            return n == 4 ? noise(300000, n) : textLines(n == 2 ? 0 : 1000 + n, n);
        };
        const auto timeOf = [](int n) { return QDateTime(QDate(2020, 1 + n, 3), QTime(4, 5, 7 + n)); };
        for (int n = 0; n < names.size(); ++n) {
            writeFile(p.t(names.at(n)), bytesOf(n));
            setModified(p.t(names.at(n)), timeOf(n));
        }
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Docs"), QStringLiteral(".*"));
        list.AddDir(QStringLiteral("T:\\Docs\\Sub1"), QStringLiteral(".*"));
        list.AddDir(QStringLiteral("T:\\Docs\\Sub1\\Deep"), QStringLiteral(".jpg"));
        list.AddDir(QStringLiteral("T:\\Docs\\Sub2"), QStringLiteral(".xls"));
        list.AddFile(QStringLiteral("T:\\single.txt"));
        writeFile(p.host(QStringLiteral("afiles.lst")), list.ListFileBytes());
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        // Both destinations chosen in the panel, then saved.
        SettingsPage *page = p.main->settingsPage();
        control<QCheckBox>(page, "CheckBox1")->setChecked(false);
        TdirselectF *chooser = p.panel->dirselectF();
        for (QToolButton *button :
             {control<QToolButton>(page, "SpeedButton13"), control<QToolButton>(page, "SpeedButton14")}) {
            whenModal(chooser, [chooser] {
                control<TDirectoryTreeView>(chooser, "LsDTpath")->OpenAt(QStringLiteral("E:\\"));
                clickControl(chooser, "SpeedButton1");
            });
            p.main->showPage(3);
            QTest::mouseClick(button, Qt::LeftButton);
        }
        QTest::mouseClick(control<QToolButton>(page, "SpeedButton8"), Qt::LeftButton);

        // Archived on both sides by command.
        QTest::mouseClick(control<QToolButton>(page, "SpeedButton7"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([] { return archiverWindow() != nullptr; }, kLong));
        Tman_archF *manual = p.panel->man_archF();
        for (QToolButton *side :
             {control<QToolButton>(manual, "SpeedButton2"), control<QToolButton>(manual, "SpeedButton3")}) {
            whenModal(manual, [side] { QTest::mouseClick(side, Qt::LeftButton); });
            QTest::mouseClick(control<QToolButton>(p.main, "SpeedButton1"), Qt::LeftButton);
        }
        for (const char *kept : {"Archive1/afiles.lst", "Archive2/afiles.lst"})
            QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(p.e(QLatin1String(kept))); }, kLong));
        QVERIFY(ArchiverProgram::waitIdle(1) && ArchiverProgram::waitIdle(2));

        const auto damage = [&] {
            writeFile(p.t(QStringLiteral("Docs/letter.txt")), "changed since");
            QFile::remove(p.t(QStringLiteral("single.txt")));
            QVERIFY(QDir(p.t(QStringLiteral("Docs/Sub1"))).removeRecursively());
            writeFile(p.t(QStringLiteral("Docs/report.doc")), "changed and write-protected");
            QVERIFY(SetFileAttributes(QStringLiteral("T:\\Docs\\report.doc"), FILE_ATTRIBUTE_READONLY));
        };
        const auto restoreAll = [&](int side) {
            return p.inRestoreWindow(side, [&](TrewriteF *w) {
                TTreeList *tree = control<TTreeListView>(w, "TLrewrite")->treeList();
                tree->SetSelected(nodeAt(tree, {"T:", "Docs"}));
                if (!control<QCheckBox>(w, "CBsubdir")->isChecked())
                    clickControl(w, "CBsubdir");
                clickControl(w, "SBrewritedir");
                // The walk leaves the list on its last folder, every file in it selected.
                const auto *files = control<QListWidget>(w, "FileListBox1");
                QVERIFY(files->count() > 0 && files->selectedItems().size() == files->count());
                tree->SetSelected(nodeAt(tree, {"T:", "single.txt"}));
                clickControl(w, "SpeedButton2");
            });
        };
        const auto checkAll = [&](bool compressedSide) {
            for (int n = 0; n < names.size(); ++n) {
                const QString path = p.t(names.at(n));
                QVERIFY2(readFile(path) == bytesOf(n), qPrintable(path));
                if (compressedSide) // carried at the two seconds of a DOS time
                    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch() / 2,
                             timeOf(n).toSecsSinceEpoch() / 2);
                else
                    QCOMPARE(QFileInfo(path).lastModified(), timeOf(n));
                QCOMPARE(GetFileAttributes(ToWindowsPath(path)) & FILE_ATTRIBUTE_READONLY, DWORD(0));
            }
        };

        // From the compressed side.
        damage();
        QVERIFY(restoreAll(1));
        checkAll(true);
        // From the plain side.
        damage();
        QVERIFY(restoreAll(2));
        checkAll(false);
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{}));

        // A member gone and a member damaged: their boxes, the damaged one's old file intact.
        QFile::remove(p.e(QStringLiteral("Archive1/T/Docs/letter.txt.bz2")));
        const QByteArray member = readFile(p.e(QStringLiteral("Archive1/T/Docs/report.doc.bz2")));
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/report.doc.bz2")), member.left(member.size() / 2));
        writeFile(p.t(QStringLiteral("Docs/report.doc")), "current report");
        const qint64 before = modificationNs(p.t(QStringLiteral("Docs/report.doc")));
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            TTreeList *tree = control<TTreeListView>(w, "TLrewrite")->treeList();
            tree->SetSelected(nodeAt(tree, {"T:", "Docs"}));
            control<QCheckBox>(w, "CBsubdir")->setChecked(false);
            QCOMPARE(listed(control<QListWidget>(w, "FileListBox1")),
                     QStringList({"Empty.txt", "report.doc"}));
            clickControl(w, "SBrewritedir");
        }));
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{
                                          {"Compression Error!", "E:\\Archive1\\T\\Docs\\report.doc"}}));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/report.doc"))), QByteArray("current report"));
        QCOMPARE(modificationNs(p.t(QStringLiteral("Docs/report.doc"))), before);
        boxes.boxes.clear();
        list.AddFile(QStringLiteral("T:\\Docs\\letter.txt"));
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            TTreeList *tree = control<TTreeListView>(w, "TLrewrite")->treeList();
            // The archive's list has no file item for letter.txt: the panel's list, put back from
            // the archive, is what the tree shows afterwards.
            QVERIFY(!nodeAt(tree, {"T:", "Docs", "letter.txt"}));
            tree->Assign(list);
            tree->SetSelected(nodeAt(tree, {"T:", "Docs", "letter.txt"}));
            clickControl(w, "SpeedButton2");
            clickControl(w, "B_backfiles");
        }));
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{
                                          {"File is not exists!", "E:\\Archive1\\T\\Docs\\letter.txt"}}));
        // The archive's own list, as archiv wrote it, is the panel's list again.
        TTreeList kept;
        kept.LoadFromFile(QStringLiteral("E:\\Archive1\\afiles.lst"));
        QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst"))), kept.ListFileBytes());
        QVERIFY(readFile(Prefix::logDir() + QStringLiteral("/restore.log"))
                    .contains("restored T:\\Docs\\Sub1\\Deep\\photo.jpg"));

        // The sheet changed and archived again on each side: the version that run replaced, chosen
        // in the versions window, is back with its bytes and time.
        const QString sheet = p.t(QStringLiteral("Docs/Sub2/sheet.xls"));
        boxes.boxes.clear();
        for (int side : {1, 2}) {
            writeFile(sheet, "changed sheet");
            QCOMPARE(ArchiverProgram::archive(side), 0);
            QVERIFY(p.inRestoreWindow(side, [&](TrewriteF *w) {
                TTreeList *tree = control<TTreeListView>(w, "TLrewrite")->treeList();
                tree->SetSelected(nodeAt(tree, {"T:", "Docs", "Sub2"}));
                auto *files = control<QListWidget>(w, "FileListBox1");
                files->setCurrentItem(
                    files->findItems(QStringLiteral("sheet.xls"), Qt::MatchExactly).value(0));
                QVERIFY(inVersionsWindow([&] { control<QAction>(w, "versions1")->trigger(); },
                                         [&](TversionsF *v) {
                                             auto *versions = control<QTableWidget>(v, "VersionList");
                                             QCOMPARE(versions->rowCount(), 2);
                                             versions->selectRow(
                                                 versions->item(0, 0)->text() == "current" ? 1 : 0);
                                             clickControl(v, "SBrestore");
                                         }));
            }));
            QCOMPARE(readFile(sheet), bytesOf(5));
            QCOMPARE(QFileInfo(sheet).lastModified().toSecsSinceEpoch() / (side == 1 ? 2 : 1),
                     timeOf(5).toSecsSinceEpoch() / (side == 1 ? 2 : 1));
        }
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{}));
    }
};

DUNLIVO_TEST_MAIN(TestRestoreArchiv)
#include "tst_restore_archiv.moc"
