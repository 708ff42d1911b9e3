// The restore's logic without its window: which names from an archive are refused, how an archive
// folder's files are listed, where a file comes from and goes to, the files made ready ahead on
// worker threads (order, the other form of a side that changes, nothing in place before it is
// asked for, nothing left behind), and whose linked folders a restore follows, also while another
// user swaps a folder on the way.
#include "testbzip2.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/attributes.h"
#include "core/platform/paths.h"
#include "core/restore/decompressfile.h"
#include "core/restore/restorelinks.h"
#include "core/restore/restorenames.h"
#include "core/restore/restorerun.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include <bzlib.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace restore;

class TestRestoreLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesFromAnArchive()
    {
        for (const char *good : {"a.txt", "Report 2024.doc", ".bashrc", "x..y", "\xc3\xa1rv\xc3\xadz"})
            QVERIFY2(nameAllowed(QString::fromUtf8(good)), good);
        for (const char *bad : {"", ".", "..", "a\\b", "a/b", "c:x", "tab\there", "nl\n", "\x7f"})
            QVERIFY2(!nameAllowed(QString::fromUtf8(bad)), bad);
        QVERIFY(driveAllowed(QStringLiteral("C:")));
        QVERIFY(driveAllowed(QStringLiteral("z:")));
        for (const char *bad : {"C", "C:\\", "CC:", "1:", "..", ""})
            QVERIFY2(!driveAllowed(QString::fromLatin1(bad)), bad);

        QCOMPARE(refusedName({QStringLiteral("C:"), QStringLiteral("Docs"), QStringLiteral("a.txt")}),
                 QString());
        QCOMPARE(refusedName({QStringLiteral("C:"), QStringLiteral(".."), QStringLiteral("..")}),
                 QStringLiteral(".."));
        QCOMPARE(refusedName({QStringLiteral("outside"), QStringLiteral("x")}), QStringLiteral("outside"));
        QCOMPARE(refusedName({QStringLiteral("C:"), QString()}), QStringLiteral("\"\""));
    }

    void fileListNames()
    {
        const QStringList entries = {QStringLiteral("a.txt.bz2"), QStringLiteral("b"),
                                     QStringLiteral("b.bz2"),     QStringLiteral("C.BZ2"),
                                     QStringLiteral("d.bz2.bz2"), QStringLiteral("e.bz")};
        // A member the Archiver is writing is no archived file, in either form.
        const QStringList withTemporary = QStringList(entries) << QStringLiteral(".a.txt.bz2.new-3k9z1q8");
        // Compressed: the suffix goes, exactly ".bz2"; both forms of b show once.
        QCOMPARE(shownNames(withTemporary, true), QStringList({"a.txt", "b", "C.BZ2", "d.bz2", "e.bz"}));
        // Plain: as read.
        QCOMPARE(shownNames(withTemporary, false), entries);
    }

    void placesOfAFile()
    {
        // A drive item: the archive folder root\C, the file C:\name, no doubled backslash.
        FileOrigin o = fileInFolder(QStringLiteral("E:"), QStringLiteral("Archive1"), QStringLiteral("C:"),
                                    QStringLiteral("a.txt"));
        QCOMPARE(o.source, QStringLiteral("E:\\Archive1\\C\\a.txt"));
        QCOMPARE(o.target, QStringLiteral("C:\\a.txt"));
        QCOMPARE(archiveFolder(QStringLiteral("E:\\Archive1"), QStringLiteral("C:\\")),
                 QStringLiteral("E:\\Archive1\\C"));
    }

    void filesMadeReadyAheadAndPutInPlaceInOrder()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString w = win::ToWindowsPath(d);
        QDir().mkpath(d + QStringLiteral("/arc"));
        std::vector<RestoreRun::Item> items;
        for (int i = 0; i < 40; ++i) {
            const QString name = QStringLiteral("f%1").arg(i);
            writeFile(d + QStringLiteral("/arc/") + name + QStringLiteral(".bz2"),
                      compress(name.toUtf8().repeated(i)));
            RestoreRun::Item item;
            item.origin = {w + QStringLiteral("\\arc\\") + name, w + QStringLiteral("\\out\\deep\\") + name,
                           w + QStringLiteral("\\out\\deep")};
            items.push_back(item);
        }
        items[5].refused = true;
        {
            RestoreRun run(items, true, 3);
            // Nothing is in place before the GUI thread takes the first file; the workers make
            // the folder.
            QVERIFY(QTest::qWaitFor([&] { return entriesOf(d + QStringLiteral("/out/deep")).size() >= 3; }));
            QCOMPARE(QDir(d + QStringLiteral("/out/deep")).entryList(QDir::Files), QStringList());
            for (size_t i = 0; i < 20; ++i) {
                const RestoreRun::Taken taken = run.take(i, {});
                if (i == 5) {
                    QCOMPARE(taken.placed.result, int(DecompressOtherFailure));
                    // Nothing after a failure is put in place before the GUI thread takes it.
                    QVERIFY(QTest::qWaitFor([&] {
                        return entriesOf(d + QStringLiteral("/out/deep")).join(u'|').contains(u".f6.new-");
                    }));
                    QVERIFY(!QFileInfo::exists(d + QStringLiteral("/out/deep/f6")));
                    continue;
                }
                QCOMPARE(taken.member, items[i].origin.source + QStringLiteral(".bz2"));
                QCOMPARE(taken.placed.result, int(DecompressOk));
            }
            // The run is dropped with files still ahead of the GUI thread.
        }
        const QString out = d + QStringLiteral("/out/deep/");
        const qsizetype placed = QDir(out).entryList(QDir::Files).size();
        QVERIFY(placed >= 19 && placed <= 39);
        QCOMPARE(entriesOf(out).size(), placed); // no temporary file is left behind
        QCOMPARE(readFile(out + QStringLiteral("f7")), QByteArray("f7").repeated(7));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("f5")));
    }

    void theOtherFormOfAChangingSide()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString w = win::ToWindowsPath(d);
        writeFile(d + QStringLiteral("/plain"), "plain copy");
        writeFile(d + QStringLiteral("/packed.bz2"), compress("packed member"));
        writeFile(d + QStringLiteral("/both"), "plain of both");
        writeFile(d + QStringLiteral("/both.bz2"), compress("member of both"));
        QVERIFY(::chmod(QFile::encodeName(d + QStringLiteral("/plain")).constData(), 0600) == 0);
        const auto item = [&](const char *name) {
            RestoreRun::Item i;
            i.origin = {w + QLatin1Char('\\') + QLatin1String(name),
                        w + QStringLiteral("\\out\\") + QLatin1String(name), w + QStringLiteral("\\out")};
            return i;
        };
        const auto restored = [&](const char *name, bool compressed) {
            RestoreRun::Prepared p = RestoreRun::prepare(item(name), compressed);
            const int code = p.file->commit();
            return code == 0 ? readFile(d + QStringLiteral("/out/") + QLatin1String(name))
                             : QByteArray::number(code);
        };
        // Compressed side: the member first, the plain copy when the member is missing.
        QCOMPARE(restored("both", true), QByteArray("member of both"));
        QCOMPARE(restored("plain", true), QByteArray("plain copy"));
        QCOMPARE(QFileInfo(d + QStringLiteral("/out/plain")).permissions() & QFileDevice::ReadGroup,
                 QFileDevice::Permissions()); // a copy keeps the source's permissions
        // Plain side: the plain file first, the member when the plain file is missing.
        QCOMPARE(restored("both", false), QByteArray("plain of both"));
        QCOMPARE(restored("packed", false), QByteArray("packed member"));
        // Neither form: the side's own kind of failure.
        RestoreRun::Prepared missing = RestoreRun::prepare(item("none"), true);
        QCOMPARE(missing.file->kind(), PendingFile::Kind::Decompressed);
        QCOMPARE(missing.file->commit(), int(DecompressSourceMissing));
        missing = RestoreRun::prepare(item("none"), false);
        QCOMPARE(missing.file->kind(), PendingFile::Kind::Copied);
        QCOMPARE(missing.file->commit(), int(DecompressSourceMissing));

        // A folder and a file that are there in another case are found as a Windows path finds
        // them, not made anew beside them.
        RestoreRun::Item upper = item("packed");
        upper.origin.target = w + QStringLiteral("\\OUT\\BOTH");
        upper.origin.targetDir = w + QStringLiteral("\\OUT");
        QCOMPARE(RestoreRun::putInPlace(RestoreRun::prepare(upper, false)).result, int(DecompressOk));
        QCOMPARE(readFile(d + QStringLiteral("/out/both")), QByteArray("packed member"));
        QVERIFY(!QFileInfo::exists(d + QStringLiteral("/OUT")) &&
                !QFileInfo::exists(d + QStringLiteral("/out/BOTH")));
        // So is a file the restore put into a folder it made itself.
        const auto made = restore::TargetFolder::open(w + QStringLiteral("\\new"), ::geteuid(), true);
        for (const char *name : {"Name", "NAME"}) {
            RestoreRun::Item i = item(name[1] == 'a' ? "plain" : "both");
            i.origin.target = w + QStringLiteral("\\new\\") + QLatin1String(name);
            QCOMPARE(RestoreRun::putInPlace(RestoreRun::prepare(i, false, made)).result, int(DecompressOk));
        }
        QCOMPARE(entriesOf(d + QStringLiteral("/new")), QStringList{QStringLiteral("Name")});
        QCOMPARE(readFile(d + QStringLiteral("/new/Name")), QByteArray("plain of both"));

        // A folder of the archive that is a link leading out of it: nothing there is read.
        QDir().mkpath(d + QStringLiteral("/root/in"));
        QDir().mkpath(d + QStringLiteral("/outside"));
        writeFile(d + QStringLiteral("/outside/secret"), "secret");
        writeFile(d + QStringLiteral("/root/in/secret"), "inside");
        QVERIFY(QFile::link(d + QStringLiteral("/outside"), d + QStringLiteral("/root/away")));
        const auto below = [&](const char *folder) {
            RestoreRun::Item i = item("x");
            i.origin.source =
                w + QStringLiteral("\\root\\") + QLatin1String(folder) + QStringLiteral("\\secret");
            i.root = w + QStringLiteral("\\root");
            return i;
        };
        QCOMPARE(RestoreRun::prepare(below("away"), false).file->commit(), int(DecompressCannotOpenSource));
        QCOMPARE(RestoreRun::prepare(below("away"), true).file->commit(), int(DecompressCannotOpenSource));
        QVERIFY(!QFileInfo::exists(d + QStringLiteral("/out/x")));
        QCOMPARE(RestoreRun::prepare(below("in"), false).file->commit(), int(DecompressOk));
        QCOMPARE(readFile(d + QStringLiteral("/out/x")), QByteArray("inside"));

        // A member reached through a link is not read: it could lead out of the archive.
        QVERIFY(QFile::link(d + QStringLiteral("/plain"), d + QStringLiteral("/linked")));
        QCOMPARE(RestoreRun::prepare(item("linked"), false).file->commit(), int(DecompressSourceMissing));
    }

    // Whose linked folders a restore follows: the user's own and root's, not another user's,
    // found below the drive root however deep, and also behind a link that is followed.
    void whoseLinksAreFollowed()
    {
        if (::geteuid() != 0)
            QSKIP("not root: links of other users cannot be made here");
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString w = win::ToWindowsPath(d);
        QDir().mkpath(d + QStringLiteral("/real/inner"));
        QDir().mkpath(d + QStringLiteral("/elsewhere"));
        QVERIFY(QFile::link(d + QStringLiteral("/real"), d + QStringLiteral("/own")));
        QVERIFY(QFile::link(d + QStringLiteral("/elsewhere"), d + QStringLiteral("/real/theirs")));
        QCOMPARE(::lchown(QFile::encodeName(d + QStringLiteral("/real/theirs")).constData(), 1234, 1234), 0);
        const auto foreign = [&](const char *below, uid_t user) {
            return TargetFolder::open(w + QLatin1Char('\\') + QLatin1String(below), user, false)->link();
        };
        // Behind the user's own link, in a folder that does not exist yet.
        QCOMPARE(foreign("own\\theirs\\new", 0), w + QStringLiteral("\\own\\theirs"));
        // Its owner follows it; root's links are followed by everyone.
        QCOMPARE(foreign("real\\theirs", 1234), QString());
        QCOMPARE(foreign("own\\inner", 1234), QString());
    }

    // Another user who may write the folder above the target swaps a folder on the way with a link
    // of theirs to a folder outside, over and over, while a restore of many files runs the way
    // the window runs it (made ready on workers, put in place in order): nothing lands outside,
    // every file that is not restored is refused naming the link, and every restored one is whole
    // in the real folder, beside nothing else.
    void aFolderSwappedByAnotherUser_data()
    {
        QTest::addColumn<bool>("compressed");
        QTest::newRow("compressed") << true;
        QTest::newRow("plain") << false;
    }

    void aFolderSwappedByAnotherUser()
    {
        if (::geteuid() != 0)
            QSKIP("not root: another user cannot be played here");
        QFETCH(bool, compressed);
        // The files lie in several folders below the swapped one, so that the restore walks past
        // it once per folder.
        constexpr int kFiles = 2000;
        constexpr int kFolders = 40;
        constexpr uid_t kOther = 65534;
        QTemporaryDir dir;
        const QString d = dir.path();
        const QString w = win::ToWindowsPath(d);
        QCOMPARE(::chmod(QFile::encodeName(d).constData(), 0755), 0);
        QVERIFY(QDir().mkpath(d + QStringLiteral("/shared/sub")) &&
                QDir().mkpath(d + QStringLiteral("/outside")));
        QCOMPARE(::chown(QFile::encodeName(d + QStringLiteral("/shared")).constData(), kOther, kOther), 0);
        const QByteArray content = "restored content";
        const QByteArray member = compressed ? compress(content) : content;
        std::vector<RestoreRun::Item> items;
        for (int i = 0; i < kFiles; ++i) {
            const QString file = QStringLiteral("sub/%1/f%2").arg(i * kFolders / kFiles).arg(i);
            QVERIFY(QDir().mkpath(QFileInfo(d + QStringLiteral("/arc/") + file).path()));
            writeFile(d + QStringLiteral("/arc/") + file + (compressed ? QStringLiteral(".bz2") : QString()),
                      member);
            RestoreRun::Item item;
            const QString target = w + QStringLiteral("\\shared\\") + QString(file).replace(u'/', u'\\');
            item.origin = {w + QStringLiteral("\\arc\\") + QString(file).replace(u'/', u'\\'), target,
                           target.left(target.lastIndexOf(u'\\'))};
            items.push_back(item);
        }

        // The other user exchanges the folder with its link, and back, as fast as it can.
        const QByteArray sub = QFile::encodeName(d + QStringLiteral("/shared/sub"));
        const QByteArray link = QFile::encodeName(d + QStringLiteral("/shared/link"));
        const QByteArray outside = QFile::encodeName(d + QStringLiteral("/outside"));
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t racer = ::fork();
        if (racer == 0) {
            char state = 'u';
            if (::setgroups(0, nullptr) == 0 && ::setgid(kOther) == 0 && ::setuid(kOther) == 0)
                state = ::symlink(outside.constData(), link.constData()) == 0 &&
                                ::renameat2(AT_FDCWD, sub.constData(), AT_FDCWD, link.constData(),
                                            RENAME_EXCHANGE) == 0
                            ? 'r'
                            : 'x';
            (void)!::write(ready[1], &state, 1);
            while (state == 'r')
                ::renameat2(AT_FDCWD, sub.constData(), AT_FDCWD, link.constData(), RENAME_EXCHANGE);
            ::_exit(1);
        }
        ::close(ready[1]);
        char state = 0;
        const bool heard = ::read(ready[0], &state, 1) == 1;
        ::close(ready[0]);
        const auto stopRacer = [&] {
            ::kill(racer, SIGKILL);
            ::waitpid(racer, nullptr, 0);
        };
        if (!heard || state != 'r') {
            stopRacer();
            QSKIP(state == 'x' ? "the other user cannot exchange the folder with a link here"
                               : "the uid switch failed");
        }

        std::vector<RestoreRun::Placed> placed;
        {
            RestoreRun run(items, compressed);
            for (size_t i = 0; i < items.size(); ++i)
                placed.push_back(run.take(i, {}).placed);
        }
        stopRacer();

        QCOMPARE(entriesOf(d + QStringLiteral("/outside")), QStringList());
        const QString real =
            d + (QFileInfo(d + QStringLiteral("/shared/sub")).isSymLink() ? QStringLiteral("/shared/link")
                                                                          : QStringLiteral("/shared/sub"));
        QStringList expected;
        for (int i = 0; i < kFiles; ++i) {
            const QString file = QStringLiteral("%1/f%2").arg(i * kFolders / kFiles).arg(i);
            if (placed[size_t(i)].result == DecompressOk) {
                expected.append(file);
                QCOMPARE(readFile(real + QLatin1Char('/') + file), content);
            } else {
                QCOMPARE(placed[size_t(i)].foreignLink, w + QStringLiteral("\\shared\\sub"));
            }
        }
        QStringList found;
        QDirIterator it(real, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next().mid(real.size() + 1));
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestRestoreLogic)
#include "tst_restorelogic.moc"
