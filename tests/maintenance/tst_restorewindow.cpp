// The restore window on a whole panel, with archives laid out by hand: its commands, restoring
// from a compressed and a plain side, what a failure leaves, hostile members and names,
// restore.log, the archive's list put back, the files' details, and the find and versions window.
#include "restorepanel.h"
#include "testbzip2.h"
#include "testmain.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archivelist/treelist.h"
#include "core/platform/attributes.h"
#include "core/platform/prefix.h"
#include "gui/restore/archivedfiledelegate.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDirIterator>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>

#include <sys/stat.h>
#include <unistd.h>

using namespace win;

namespace {

DWORD attributes(const QString &hostPath)
{
    return GetFileAttributes(ToWindowsPath(hostPath));
}

QByteArray fileBytes(const QString &path)
{
    return QFileInfo::exists(path) ? readFile(path) : QByteArray("<none>");
}

// Every entry below folder with its bytes (files), its link target (links), "folder" or "other"
// (pipes and the like, never opened).
QStringList tree(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        found << info.filePath() + QStringLiteral(" ") +
                     (info.isSymLink() ? info.symLinkTarget()
                      : info.isDir()   ? QStringLiteral("folder")
                      : info.isFile()  ? QString::fromUtf8(fileBytes(info.filePath()))
                                       : QStringLiteral("other"));
    }
    found.sort();
    return found;
}

TTreeList *treeOf(const QWidget *window)
{
    return control<TTreeListView>(window, "TLrewrite")->treeList();
}
// Selects the item of a path of names in the restore window's tree.
void select(const QWidget *window, const QStringList &names)
{
    treeOf(window)->SetSelected(nodeAt(treeOf(window), names));
}
QListWidget *files(const QWidget *window)
{
    return control<QListWidget>(window, "FileListBox1");
}

// The rows of a table, their cells joined by "|", sorted.
QStringList rowsOf(const QWidget *window, const char *name)
{
    const auto *table = control<QTableWidget>(window, name);
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << table->item(row, column)->text();
        rows << cells.join(QLatin1Char('|'));
    }
    rows.sort();
    return rows;
}

const QString kConfirm = QStringLiteral("Are you sure you want to restore the selected files?");

} // namespace

class TestRestoreWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void compressedSideFilesAndFailures()
    {
        RestorePanel p;
        // The archive: T:\Docs archived, its files as members; one plain file (a side changing
        // its form), one empty and one garbled member.
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Docs"), QStringLiteral(".*"));
        list.AddFile(QStringLiteral("T:\\Blocked\\sub\\f.txt"));
        list.AddFile(QStringLiteral("T:\\Docs\\gone.txt"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), list.ListFileBytes());
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/a.txt.bz2")), compress("alpha"));
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/b.txt.bz2")), compress("bravo"));
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/plain.txt")), "plain");
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/empty.txt.bz2")), QByteArray());
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/garbled.txt.bz2")), "BZh9 not really");
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/UPPER.BZ2")), compress("upper"));
        // A member the Archiver is writing at this moment: neither listed nor restored.
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/.a.txt.bz2.new-3k9z1q8")),
                  compress("partial").left(20));
        writeFile(p.e(QStringLiteral("Archive1/T/Blocked/sub/f.txt.bz2")), compress("f"));
        // The origins: an a.txt to be replaced, a hidden read-only empty.txt that a failed
        // restore must leave exactly as it was, and a plain file where a folder must go.
        writeFile(p.t(QStringLiteral("Docs/a.txt")), "old a");
        writeFile(p.t(QStringLiteral("Docs/empty.txt")), "keep me");
        const QDateTime oldTime(QDate(2019, 1, 2), QTime(3, 4, 6));
        setModified(p.t(QStringLiteral("Docs/empty.txt")), oldTime);
        QVERIFY(SetFileAttributes(QStringLiteral("T:\\Docs\\empty.txt"),
                                  FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        writeFile(p.t(QStringLiteral("Blocked")), "a file, not a folder");
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            // A directory: its files, the suffix gone, each once; the directory commands on.
            select(w, {"T:", "Docs"});
            QCOMPARE(listed(files(w)),
                     QStringList({"a.txt", "b.txt", "empty.txt", "garbled.txt", "plain.txt", "UPPER.BZ2"}));
            QVERIFY(files(w)->isVisible());
            QVERIFY(!control(w, "SpeedButton2")->isEnabled());
            QVERIFY(control(w, "SBrewritedir")->isEnabled() && control(w, "CBsubdir")->isEnabled() &&
                    control(w, "Lsubdir")->isEnabled());
            // The drive item is only a step: no directory commands.
            select(w, {"T:"});
            QVERIFY(!control(w, "SBrewritedir")->isEnabled() && !control(w, "CBsubdir")->isEnabled());
            QCOMPARE(listed(files(w)), QStringList({}));
            select(w, {"T:", "Docs"});

            // A click in the list: restore files on, the directory commands off; the box keeps
            // its state.
            clickControl(w, "Lsubdir");
            auto *box = control<QCheckBox>(w, "CBsubdir");
            const QRect first = files(w)->visualItemRect(files(w)->item(0));
            QTest::mouseClick(files(w)->viewport(), Qt::LeftButton, {}, first.center());
            QVERIFY(control(w, "SpeedButton2")->isEnabled());
            QVERIFY(!control(w, "SBrewritedir")->isEnabled() && !box->isEnabled() &&
                    !control(w, "Lsubdir")->isEnabled());
            QVERIFY(box->isChecked());
            QCOMPARE(files(w)->selectedItems().size(), 1);
            // A double click selects every entry; so does the menu's item, offered only with entries.
            QTest::mouseDClick(files(w)->viewport(), Qt::LeftButton, {}, first.center());
            QCOMPARE(files(w)->selectedItems().size(), 6);
            files(w)->clearSelection();
            control<QAction>(w, "selectall1")->trigger();
            QCOMPARE(files(w)->selectedItems().size(), 6);

            clickControl(w, "SpeedButton2");
            QCOMPARE(yes.questions(), QStringList({kConfirm}));

            // A file item: the list goes, restore files on. Its folder cannot be made.
            select(w, {"T:", "Blocked", "sub", "f.txt"});
            QVERIFY(!files(w)->isVisible() && !control(w, "Label2")->isVisible());
            QVERIFY(control(w, "SpeedButton2")->isEnabled() && !control(w, "SBrewritedir")->isEnabled());
            clickControl(w, "SpeedButton2");
            // A file the archive does not hold in either form.
            select(w, {"T:", "Docs", "gone.txt"});
            clickControl(w, "SpeedButton2");
        }));

        // Entries from the last to the first: garbled and empty members are damaged; a folder
        // below a plain file cannot be made (its box, then the file's).
        const QString docs = QStringLiteral("E:\\Archive1\\T\\Docs\\");
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{
                                          {"Compression Error!", docs + "garbled.txt"},
                                          {"Compression Error!", docs + "empty.txt"},
                                          {"Can not create file!", ""},
                                          {"Can not create file!", "T:\\Blocked\\sub\\f.txt"},
                                          {"File is not exists!", docs + "gone.txt"},
                                      }));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/plain.txt"))), QByteArray("plain"));
        // UPPER.BZ2 is a name of its own: with no member UPPER.BZ2.bz2 the file of that name is
        // taken as a plain copy.
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/UPPER.BZ2"))), compress("upper"));
        // The failed restore left everything: bytes, attributes, time.
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/empty.txt"))), QByteArray("keep me"));
        QCOMPARE(attributes(p.t(QStringLiteral("Docs/empty.txt"))) &
                     (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                 DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        QCOMPARE(QFileInfo(p.t(QStringLiteral("Docs/empty.txt"))).lastModified(), oldTime);
        QCOMPARE(readFile(p.t(QStringLiteral("Blocked"))), QByteArray("a file, not a folder"));
        // No temporary file is left beside the targets.
        QCOMPARE(QDir(p.t(QStringLiteral("Docs"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"a.txt", "b.txt", "empty.txt", "plain.txt", "UPPER.BZ2"}));

        // The log tells what came back and what did not.
        const QByteArray log = readFile(Prefix::logDir() + QStringLiteral("/restore.log"));
        QVERIFY(log.contains(
            "failed T:\\Docs\\empty.txt from E:\\Archive1\\T\\Docs\\empty.txt.bz2: Compression Error!"));
        QVERIFY(log.contains("failed T:\\Docs\\gone.txt"));
    }

    void plainSideDirectoryWithSubdirectories()
    {
        RestorePanel p;
        p.settings().WriteBool(QStringLiteral("Bzip2_ok_2"), false);
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Proj"), QStringLiteral(".*"));
        list.AddFile(QStringLiteral("T:\\Proj\\Sub1\\A\\z.txt"));
        QDir().mkpath(p.e(QStringLiteral("Archive2/T/Proj/Sub2")));
        writeFile(p.e(QStringLiteral("Archive2/afiles.lst")), list.ListFileBytes());
        writeFile(p.e(QStringLiteral("Archive2/T/Proj/x.txt")), "x");
        writeFile(p.e(QStringLiteral("Archive2/T/Proj/keep.bz2")), "a file of the user's own, kept plain");
        writeFile(p.e(QStringLiteral("Archive2/T/Proj/Sub1/y.txt")), "y");
        writeFile(p.e(QStringLiteral("Archive2/T/Proj/Sub1/A/z.txt.bz2")), compress("z from a member"));
        writeFile(p.e(QStringLiteral("Archive2/T/Proj/Sub1/A/w.txt")), "w");
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        const int progressShown = p.saves();
        QVERIFY(p.inRestoreWindow(2, [&](TrewriteF *w) {
            select(w, {"T:", "Proj"});
            QCOMPARE(listed(files(w)), QStringList({"keep.bz2", "x.txt"}));
            clickControl(w, "Lsubdir");
            clickControl(w, "SBrewritedir");
            // The list stays on the last folder of the walk.
            QVERIFY(listed(files(w)) != QStringList({"keep.bz2", "x.txt"}));
            // A file whose plain copy is missing on this plain side: its member is decompressed.
            select(w, {"T:", "Proj", "Sub1", "A", "z.txt"});
            clickControl(w, "SpeedButton2");
        }));
        // Sub2 holds no file: "Select a file!" once, in its turn. The progress window was shown,
        // and has gone.
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{{"Select a file!", ""}}));
        QVERIFY(p.saves() > progressShown);
        QVERIFY(
            control<QLabel>(p.panel->saveF(), "Label1")->text().startsWith(QStringLiteral("Restoring...")));
        QVERIFY(QTest::qWaitFor([&] { return !p.panel->saveF()->isVisible(); }));
        QCOMPARE(readFile(p.t(QStringLiteral("Proj/keep.bz2"))),
                 QByteArray("a file of the user's own, kept plain"));
        // A member left on a side that turned plain: listed as it is, so restoring the directory
        // gives it back under its own name; asked for by its file's name it is decompressed.
        QCOMPARE(readFile(p.t(QStringLiteral("Proj/Sub1/A/z.txt.bz2"))), compress("z from a member"));
        QCOMPARE(readFile(p.t(QStringLiteral("Proj/Sub1/A/z.txt"))), QByteArray("z from a member"));
        // Each folder before its own subfolders; a folder's files from the last to the first.
        const QByteArray log = readFile(Prefix::logDir() + QStringLiteral("/restore.log"));
        const qsizetype x = log.indexOf("restored T:\\Proj\\x.txt"),
                        keep = log.indexOf("restored T:\\Proj\\keep.bz2"),
                        y = log.indexOf("restored T:\\Proj\\Sub1\\y.txt"),
                        z = log.indexOf("restored T:\\Proj\\Sub1\\A\\z.txt.bz2"),
                        a = log.indexOf("restored T:\\Proj\\Sub1\\A\\w.txt");
        QVERIFY(x >= 0 && keep > x && y > keep && z > y && a > z);

        // A plain file that is gone: the copy-failure box, naming the archive's path.
        QFile::remove(p.e(QStringLiteral("Archive2/T/Proj/x.txt")));
        boxes.boxes.clear();
        QVERIFY(p.inRestoreWindow(2, [&](TrewriteF *w) {
            select(w, {"T:", "Proj"});
            QCOMPARE(listed(files(w)), QStringList({"keep.bz2"}));
            // Restore files without a selection.
            QTest::mouseClick(files(w)->viewport(), Qt::LeftButton, {},
                              files(w)->visualItemRect(files(w)->item(0)).center());
            files(w)->clearSelection();
            clickControl(w, "SpeedButton2");
            // Restore directory on a folder the archive does not hold: nothing, not even a question.
            QDir(p.e(QStringLiteral("Archive2/T/Proj"))).removeRecursively();
            select(w, {"T:", "Proj"});
            const int asked = yes.questions().size();
            clickControl(w, "SBrewritedir");
            QCOMPARE(yes.questions().size(), asked);
        }));
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{{"Select a file!", ""}}));
    }

    void namesFromADamagedArchive()
    {
        RestorePanel p;
        p.settings().WriteBool(QStringLiteral("Bzip2_ok_1"), false);
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), "DT:\r\n DDocs [.*]\r\n  Ftab\there\r\n");
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/good.txt")), "good");
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/bad\\name")), "bad");
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/esc\x1B[2J.txt")), "escape");
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            TTreeList *tree = treeOf(w);
            select(w, {"T:", "Docs"});
            // A name with a backslash is not even listed; one with an escape is listed as it is
            // and shown with the escape written out, in the list and in the tree.
            QCOMPARE(listed(files(w)), QStringList({"esc\x1B[2J.txt", "good.txt"}));
            const QModelIndex first = files(w)->model()->index(0, 0);
            QCOMPARE(drawnText(files(w), first), QStringLiteral("esc<U+001B>[2J.txt"));
            const QModelIndex tab = control<TTreeListView>(w, "TLrewrite")
                                        ->viewIndexOf(nodeAt(tree, {"T:", "Docs", "tab\there"}));
            QCOMPARE(drawnText(control<TTreeListView>(w, "TLrewrite"), tab),
                     QStringLiteral("tab<U+0009>here"));
            clickControl(w, "SBrewritedir");
        }));
        // A restore never makes a name with a control character: refused, and named written out
        // in the box and in the log.
        const QString refused = QStringLiteral("Not restored: the archive holds a name that is not allowed:");
        QCOMPARE(failureBoxes(boxes),
                 (QList<QPair<QString, QString>>{{refused, QStringLiteral("esc<U+001B>[2J.txt")}}));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/good.txt"))), QByteArray("good"));
        QCOMPARE(QDir(p.t(QStringLiteral("Docs"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"good.txt"}));
        const QByteArray log = readFile(Prefix::logDir() + QStringLiteral("/restore.log"));
        QVERIFY2(log.contains("refused name esc<U+001B>[2J.txt"), log.constData());
        QVERIFY(!log.contains('\x1B'));
    }

    // Archive members that are not what the list says: a folder, a link to a secret outside the
    // archive, a FIFO, one that is missing, on a compressed and on a plain side. Each gives its
    // own failure box naming the member, nothing hangs, the secret is never copied, the files
    // the archive holds beyond the ones asked for never come back, and the good file does.
    void tamperedArchiveMembers()
    {
        RestorePanel p;
        QTemporaryDir outside;
        writeFile(outside.path() + QStringLiteral("/secret"), "secret token 7f3a");
        p.settings().WriteBool(QStringLiteral("Bzip2_ok_2"), false);
        TTreeList list;
        for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
            list.AddFile(QStringLiteral("T:\\Docs\\") + QLatin1String(name));
        for (const char *archive : {"Archive1", "Archive2"}) {
            const QString docs = p.e(QLatin1String(archive) + QStringLiteral("/T/Docs/"));
            const QString suffix =
                QLatin1String(archive) == QLatin1String("Archive1") ? QStringLiteral(".bz2") : QString();
            QDir().mkpath(docs + QStringLiteral("a.txt") + suffix);
            QVERIFY(QFile::link(outside.path() + QStringLiteral("/secret"),
                                docs + QStringLiteral("b.txt") + suffix));
            QCOMPARE(::mkfifo(QFile::encodeName(docs + QStringLiteral("c.txt") + suffix).constData(), 0644),
                     0);
            writeFile(docs + QStringLiteral("e.txt") + suffix,
                      suffix.isEmpty() ? QByteArray("good") : compress("good"));
            writeFile(docs + QStringLiteral("extra.txt") + suffix,
                      suffix.isEmpty() ? QByteArray("extra") : compress("extra"));
            writeFile(p.e(QLatin1String(archive) + QStringLiteral("/afiles.lst")), list.ListFileBytes());
        }
        writeFile(p.t(QStringLiteral("Docs/a.txt")), "old a");
        writeFile(p.t(QStringLiteral("Docs/b.txt")), "old b");
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        const auto restoreEach = [&](TrewriteF *w) {
            for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
                select(w, {"T:", "Docs", name});
                clickControl(w, "SpeedButton2");
            }
        };
        const QString docs = QStringLiteral("E:\\Archive%1\\T\\Docs\\");
        const QString notThere = QStringLiteral("File is not exists!");
        for (int side : {1, 2}) {
            boxes.boxes.clear();
            QFile::remove(p.t(QStringLiteral("Docs/e.txt")));
            QVERIFY(p.inRestoreWindow(side, restoreEach));
            // A plain side shows the copy's box; both name the member without a suffix.
            const QString first = side == 1 ? notThere : notThere + QStringLiteral("  /  Other file error!");
            QList<QPair<QString, QString>> expected;
            for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt"})
                expected.append({first, docs.arg(side) + QLatin1String(name)});
            QCOMPARE(failureBoxes(boxes), expected);
            QCOMPARE(readFile(p.t(QStringLiteral("Docs/a.txt"))), QByteArray("old a"));
            QCOMPARE(readFile(p.t(QStringLiteral("Docs/b.txt"))), QByteArray("old b"));
            QCOMPARE(readFile(p.t(QStringLiteral("Docs/e.txt"))), QByteArray("good"));
            QCOMPARE(entriesOf(p.t(QStringLiteral("Docs"))), QStringList({"a.txt", "b.txt", "e.txt"}));
        }
        for (const QString &entry : tree(p.origin))
            QVERIFY2(!entry.contains(QStringLiteral("secret token")), qPrintable(entry));
    }

    // What stands at the target already: a link to a file outside and a hard link to one are
    // replaced, never written through; a FIFO is refused without waiting on it; a linked folder
    // of the user's own is followed, one of another user is refused with a box naming it, and
    // nothing is made or written behind it.
    void linksAtTheTarget()
    {
        RestorePanel p;
        QTemporaryDir outside;
        const QString o = outside.path();
        writeFile(o + QStringLiteral("/victim.txt"), "victim");
        writeFile(o + QStringLiteral("/victim2.txt"), "victim2");
        QDir().mkpath(o + QStringLiteral("/sub"));
        QDir().mkpath(o + QStringLiteral("/mine"));
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\C"), QStringLiteral(".*"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), list.ListFileBytes());
        for (const char *name : {"notes.txt", "hl.txt", "fifo.txt", "docs/deep/report.doc", "mine/own.txt"})
            writeFile(p.e(QStringLiteral("Archive1/T/C/") + QLatin1String(name) + QStringLiteral(".bz2")),
                      compress(QByteArray("new ") + name));
        QDir().mkpath(p.t(QStringLiteral("C")));
        QVERIFY(QFile::link(o + QStringLiteral("/victim.txt"), p.t(QStringLiteral("C/notes.txt"))));
        QCOMPARE(::link(QFile::encodeName(o + QStringLiteral("/victim2.txt")).constData(),
                        QFile::encodeName(p.t(QStringLiteral("C/hl.txt"))).constData()),
                 0);
        QCOMPARE(::mkfifo(QFile::encodeName(p.t(QStringLiteral("C/fifo.txt"))).constData(), 0644), 0);
        QVERIFY(QFile::link(o + QStringLiteral("/sub"), p.t(QStringLiteral("C/docs"))));
        QVERIFY(QFile::link(o + QStringLiteral("/mine"), p.t(QStringLiteral("C/mine"))));
        // Another user's link: root can make one by giving it away.
        // Both victims read-only: clearing the attribute of a link or of a shared file would
        // make them writable.
        QVERIFY(QFile::setPermissions(o + QStringLiteral("/victim.txt"), QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(o + QStringLiteral("/victim2.txt"), QFile::ReadOwner));
        const bool root = ::geteuid() == 0;
        if (root)
            QCOMPARE(::lchown(QFile::encodeName(p.t(QStringLiteral("C/docs"))).constData(), 65534, 65534), 0);
        const QStringList outsideBefore = tree(o);
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "C"});
            clickControl(w, "Lsubdir");
            clickControl(w, "SBrewritedir");
        }));
        QCOMPARE(readFile(p.t(QStringLiteral("C/notes.txt"))), QByteArray("new notes.txt"));
        QVERIFY(!QFileInfo(p.t(QStringLiteral("C/notes.txt"))).isSymLink());
        QCOMPARE(readFile(p.t(QStringLiteral("C/hl.txt"))), QByteArray("new hl.txt"));
        QCOMPARE(readFile(o + QStringLiteral("/victim.txt")), QByteArray("victim"));
        QCOMPARE(readFile(o + QStringLiteral("/victim2.txt")), QByteArray("victim2"));
        for (const char *victim : {"/victim.txt", "/victim2.txt"})
            QCOMPARE(QFileInfo(o + QLatin1String(victim)).permissions() & QFile::WriteOwner,
                     QFile::Permissions());
        // The shared file's name gets what clearing its attributes would have given: writable.
        QVERIFY(QFileInfo(p.t(QStringLiteral("C/hl.txt"))).permissions() & QFile::WriteOwner);
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(p.t(QStringLiteral("C/fifo.txt"))).constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
        // The user's own linked folder is written through, as the user laid it out.
        QCOMPARE(readFile(o + QStringLiteral("/mine/own.txt")), QByteArray("new mine/own.txt"));
        // docs holds no file of its own: the walk says so in its turn, as for any such folder.
        QList<QPair<QString, QString>> expected{{"Can not create file!", "T:\\C\\fifo.txt"},
                                                {"Select a file!", ""}};
        if (root) {
            expected.append(
                qMakePair(QStringLiteral(
                              "Not restored, the way leads through another user's linked folder T:\\C\\docs"),
                          QStringLiteral("T:\\C\\docs\\deep\\report.doc")));
        }
        QCOMPARE(failureBoxes(boxes), expected);
        QCOMPARE(entriesOf(p.t(QStringLiteral("C"))),
                 QStringList({"docs", "fifo.txt", "hl.txt", "mine", "notes.txt"}));
        if (!root)
            QSKIP("not root: another user's linked folder cannot be made here");
        QStringList outsideAfter = tree(o);
        outsideAfter.removeAll(o + QStringLiteral("/mine/own.txt new mine/own.txt"));
        QCOMPARE(outsideAfter, outsideBefore);
        QVERIFY(readFile(Prefix::logDir() + QStringLiteral("/restore.log"))
                    .contains(
                        "refused T:\\C\\docs\\deep\\report.doc: linked folder T:\\C\\docs of another user"));
    }

    // The archive's form record, not the flag, says which file is which: right after the flag
    // changed, before the Archiver converted anything, and while it converts.
    void theRecordedFormWinsOverTheFlag()
    {
        RestorePanel p;
        p.settings().WriteBool(QStringLiteral("Bzip2_ok_1"), true); // just switched on
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Docs"), QStringLiteral(".*"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), list.ListFileBytes());
        // Still plain: x, and the user's own bzip2 file x.bz2 beside it.
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/x")), "the plain x");
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/x.bz2")), compress("the user's own x.bz2"));
        archiver::FormRecord plain;
        plain.compressed = false;
        writeFile(p.e(QStringLiteral("Archive1/archiv.form")), plain.toBytes());
        QVERIFY(p.start());

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "Docs"});
            QCOMPARE(listed(files(w)), QStringList({"x", "x.bz2"}));
            clickControl(w, "SBrewritedir");
        }));
        QCOMPARE(failureBoxes(boxes), (QList<QPair<QString, QString>>{}));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/x"))), QByteArray("the plain x"));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/x.bz2"))), compress("the user's own x.bz2"));

        // Converting: a restore is refused and writes nothing.
        QVERIFY(QFile::remove(p.t(QStringLiteral("Docs/x"))));
        archiver::FormRecord converting;
        converting.compressed = false;
        converting.converting = true;
        converting.list = 1;
        writeFile(p.e(QStringLiteral("Archive1/archiv.form")), converting.toBytes());
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "Docs"});
            clickControl(w, "SBrewritedir");
        }));
        QCOMPARE(failureBoxes(boxes),
                 (QList<QPair<QString, QString>>{{"The archive is being converted to its new form.",
                                                  "Restore from it when the Archiver has finished."}}));
        QVERIFY(!QFileInfo::exists(p.t(QStringLiteral("Docs/x"))));
    }

    // An archive whose disk is not there: said before the question, logged, nothing written.
    void unreachableArchive()
    {
        RestorePanel p;
        TTreeList list;
        list.AddFile(QStringLiteral("T:\\Docs\\a.txt"));
        writeFile(p.host(QStringLiteral("afiles.lst")), list.ListFileBytes());
        QVERIFY(p.start());
        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "Docs", "a.txt"});
            clickControl(w, "SpeedButton2");
        }));
        QCOMPARE(boxes.shown(), QStringList({"Can not access the disk!|E:\\Archive1"}));
        QCOMPARE(yes.questions(), QStringList());
        QCOMPARE(tree(p.origin), QStringList());
        QVERIFY(readFile(Prefix::logDir() + QStringLiteral("/restore.log"))
                    .contains("cannot reach the archive E:\\Archive1"));
    }

    // A target changed since it was archived is kept under a dated name; an older one is replaced;
    // the closing report counts both.
    void newerWorkIsKept()
    {
        RestorePanel p;
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Docs"), QStringLiteral(".*"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), list.ListFileBytes());
        const QDateTime archived = QDateTime::currentDateTime().addDays(-1);
        for (const char *name : {"note.md", "old.txt"}) {
            const QString member = p.e(QStringLiteral("Archive1/T/Docs/") + QLatin1String(name) + ".bz2");
            writeFile(member, compress(QByteArray("archived ") + name));
            setModified(member, archived);
            writeFile(p.t(QStringLiteral("Docs/") + QLatin1String(name)), "local");
        }
        setModified(p.t(QStringLiteral("Docs/old.txt")), archived.addDays(-1));
        QVERIFY(p.start());
        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "Docs"});
            clickControl(w, "SBrewritedir");
        }));
        const QStringList kept = QDir(p.t(QStringLiteral("Docs"))).entryList({"note (before restore *).md"});
        QCOMPARE(kept.size(), 1);
        QVERIFY(QRegularExpression(R"(note \(before restore \d{4}-\d\d-\d\d \d\d\.\d\d\)\.md)")
                    .match(kept[0])
                    .hasMatch());
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/") + kept[0])), QByteArray("local"));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/note.md"))), QByteArray("archived note.md"));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/old.txt"))), QByteArray("archived old.txt"));
        QCOMPARE(entriesOf(p.t(QStringLiteral("Docs"))).size(), 3);
        QCOMPARE(boxes.shown(), QStringList({"Files restored: 2|Newer files kept: 1: T:\\Docs\\" + kept[0]}));
        QVERIFY(readFile(Prefix::logDir() + QStringLiteral("/restore.log"))
                    .contains("kept newer T:\\Docs\\note.md as T:\\Docs\\" + kept[0].toUtf8()));
    }

    void archiveListPutBack()
    {
        RestorePanel p;
        TTreeList own;
        own.AddDir(QStringLiteral("T:\\Mine"), QStringLiteral(".doc"));
        writeFile(p.host(QStringLiteral("afiles.lst")), own.ListFileBytes());
        TTreeList kept;
        kept.AddDir(QStringLiteral("T:\\Kept"), QStringLiteral(".*"));
        kept.AddFile(QStringLiteral("T:\\Other\\one.txt"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), kept.ListFileBytes());
        QVERIFY(p.start());
        const QByteArray ownBytes = readFile(p.host(QStringLiteral("afiles.lst")));

        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        // A kept copy that no longer reads (damaged after the window opened): nothing changes.
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), "DT:\r\n   DJump\r\n");
            clickControl(w, "B_backfiles");
            QVERIFY(nodeAt(treeOf(w), {"T:", "Kept"}));
        }));
        QCOMPARE(yes.questions(), QStringList({"Restore the archive's list from archivum?"}));
        QCOMPARE(failureBoxes(boxes),
                 (QList<QPair<QString, QString>>{{"Can not open file:", "E:\\Archive1\\afiles.lst"}}));
        QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst"))), ownBytes);
        QCOMPARE(p.main->startList()->ListFileBytes(), own.ListFileBytes());

        // A copy that reads replaces the list, both trees and the restore window's tree.
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), kept.ListFileBytes());
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            clickControl(w, "B_backfiles");
            QCOMPARE(treeOf(w)->ListFileBytes(), kept.ListFileBytes());
        }));
        QCOMPARE(p.main->startList()->ListFileBytes(), kept.ListFileBytes());
        QCOMPARE(p.main->archiveList()->ListFileBytes(), kept.ListFileBytes());

        // No kept copy: nothing is copied, the window shows the panel's list.
        QFile::remove(p.e(QStringLiteral("Archive1/afiles.lst")));
        p.main->archiveList()->AddFile(QStringLiteral("T:\\New\\n.txt"));
        p.main->SyncArchiveLists(2);
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            treeOf(w)->Clear();
            clickControl(w, "B_backfiles");
            QVERIFY(nodeAt(treeOf(w), {"T:", "New", "n.txt"}));
        }));
    }

    // The file list shows each archived copy's size and time and marks a file whose original is
    // gone. The search finds current files in folders the kept list leaves out and earlier
    // versions, without regard to case, and never follows a link out of the archive.
    void fileDetailsAndSearch()
    {
        RestorePanel p;
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Docs"), QStringLiteral(".*"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), list.ListFileBytes());
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/gone.txt.bz2")), compress("gone"));
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/here.txt.bz2")), compress("here, a little longer"));
        const QDateTime archived(QDate(2024, 5, 6), QTime(7, 8, 10));
        setModified(p.e(QStringLiteral("Archive1/T/Docs/here.txt.bz2")), archived);
        writeFile(p.t(QStringLiteral("Docs/here.txt")), "here");
        writeFile(p.e(QStringLiteral("Archive1/T/Old/ReportÉté.doc.bz2")), compress("old"));
        writeFile(p.e(QStringLiteral("Archive1/versions/2026-12-07 193000/T/Docs/report.DOC.bz2")), "1234");
        QTemporaryDir outside;
        writeFile(outside.path() + QStringLiteral("/report outside.doc"), "not the archive's");
        QVERIFY(QFile::link(outside.path(), p.e(QStringLiteral("Archive1/T/Link"))));
        QVERIFY(p.start());
        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "Docs"});
            QCOMPARE(listed(files(w)), QStringList({"gone.txt", "here.txt"}));
            const QListWidgetItem *gone = files(w)->item(0), *here = files(w)->item(1);
            QCOMPARE(here->data(ArchivedFileDelegate::SizeRole).toLongLong(),
                     compress("here, a little longer").size());
            QCOMPARE(here->data(ArchivedFileDelegate::ModifiedRole).toDateTime(), archived);
            QVERIFY(gone->data(ArchivedFileDelegate::DeletedRole).toBool());
            QVERIFY(!here->data(ArchivedFileDelegate::DeletedRole).toBool());

            // A result row as the table shows it, from the archived copy's own details.
            const auto result = [&](const QString &origin, const QString &copy, const QString &version) {
                const QFileInfo info(p.e(QStringLiteral("Archive1/") + copy));
                return QStringList({origin, ArchivedFileDelegate::sizeText(info.size()),
                                    info.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                    version})
                    .join(QLatin1Char('|'));
            };
            const QString old = result("T:\\Old\\ReportÉté.doc", "T/Old/ReportÉté.doc.bz2", "current");
            const QString earlier =
                result("T:\\Docs\\report.DOC", "versions/2026-12-07 193000/T/Docs/report.DOC.bz2",
                       "2026-12-07 19:30:00");
            QVERIFY(inVersionsWindow([&] { clickControl(w, "SBversions"); },
                                     [&](TversionsF *v) {
                                         for (const auto &[part, found] : QList<QPair<QString, QStringList>>{
                                                  {"éTÉ", {old}}, {"REPORT", {earlier, old}}}) {
                                             control<QLineEdit>(v, "EditFind")->setText(part);
                                             clickControl(v, "SBfind");
                                             QTRY_VERIFY(!control(v, "SBstop")->isEnabled());
                                             QCOMPARE(rowsOf(v, "SearchResults"), found);
                                         }
                                         // Every result chosen goes back in one command, each in
                                         // its own form: the plain-named version is no bzip2 member.
                                         control<QTableWidget>(v, "SearchResults")->selectAll();
                                         clickControl(v, "SBrestorefound");
                                     }));
        }));
        QCOMPARE(readFile(p.t(QStringLiteral("Old/ReportÉté.doc"))), QByteArray("old"));
        QCOMPARE(boxes.shown().last(), QString("Files restored: 1   Not restored: 1, see restore.log|"));
    }

    // An earlier version goes back under every rule of the restore: beside its original under a
    // dated name, or in its place with the newer local file kept aside. Its run folder's record
    // says it is compressed though the archive has since gone plain.
    void earlierVersionRestored()
    {
        RestorePanel p;
        TTreeList list;
        list.AddDir(QStringLiteral("T:\\Docs"), QStringLiteral(".*"));
        writeFile(p.e(QStringLiteral("Archive1/afiles.lst")), list.ListFileBytes());
        archiver::FormRecord form;
        form.compressed = false;
        writeFile(p.e(QStringLiteral("Archive1/archiv.form")), form.toBytes());
        writeFile(p.e(QStringLiteral("Archive1/T/Docs/note.txt")), "current");
        const QString run = p.e(QStringLiteral("Archive1/versions/2026-12-07 193000/"));
        form.compressed = true;
        writeFile(run + QStringLiteral("archiv.form"), form.toBytes());
        writeFile(run + QStringLiteral("T/Docs/note.txt.bz2"), compress("earlier"));
        const QDateTime earlier(QDate(2026, 12, 1), QTime(10, 0, 0));
        setModified(run + QStringLiteral("T/Docs/note.txt.bz2"), earlier);
        writeFile(p.t(QStringLiteral("Docs/note.txt")), "local work");
        QVERIFY(p.start());
        InfoLog boxes(p.panel->info1F());
        YesToAll yes;
        QVERIFY(p.inRestoreWindow(1, [&](TrewriteF *w) {
            select(w, {"T:", "Docs"});
            files(w)->setCurrentRow(0);
            QVERIFY(inVersionsWindow(
                [&] { control<QAction>(w, "versions1")->trigger(); },
                [&](TversionsF *v) {
                    QCOMPARE(rowsOf(v, "VersionList"),
                             QStringList({"2026-12-07 19:30:00|" +
                                              ArchivedFileDelegate::sizeText(compress("earlier").size()) +
                                              "|2026-12-01 10:00",
                                          "current|7|" + QFileInfo(p.e("Archive1/T/Docs/note.txt"))
                                                             .lastModified()
                                                             .toString("yyyy-MM-dd HH:mm")}));
                    // The current copy first: it has no run to name a file beside its original after.
                    QVERIFY(!control(v, "SBbeside")->isEnabled());
                    control<QTableWidget>(v, "VersionList")->selectRow(1);
                    clickControl(v, "SBbeside");
                    QCOMPARE(readFile(p.t(QStringLiteral("Docs/note.txt"))), QByteArray("local work"));
                    clickControl(v, "SBrestore");
                }));
        }));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/note (version 2026-12-07 193000).txt"))),
                 QByteArray("earlier"));
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/note.txt"))), QByteArray("earlier"));
        QCOMPARE(QFileInfo(p.t(QStringLiteral("Docs/note.txt"))).lastModified(), earlier);
        const QStringList kept = QDir(p.t(QStringLiteral("Docs"))).entryList({"note (before restore *).txt"});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readFile(p.t(QStringLiteral("Docs/") + kept[0])), QByteArray("local work"));
        QCOMPARE(boxes.shown(), QStringList({"Files restored: 1|",
                                             "Files restored: 1|Newer files kept: 1: T:\\Docs\\" + kept[0]}));
    }
};

DUNLIVO_TEST_MAIN(TestRestoreWindow)
#include "tst_restorewindow.moc"
