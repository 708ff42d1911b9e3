// The real archiv cut off in the middle of runs: killed at calls spread over a whole run, and
// meeting a full disk (injected at a write, and on a small file system of its own where the
// system allows mounting one). After every interruption the archive is compared with the
// sources: the list kept in the archive names only files it holds whole, no final name holds
// partial data, and the next run sweeps the debris and completes. Compressed primary, plain
// secondary.
// DUNLIVO_INTERRUPT_FILES and DUNLIVO_INTERRUPT_KILLS scale it up; it prints its figures.
#include "archiverprogram.h"
#include "crashshim.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"
#include "core/archivelist/treelist.h"
#include "core/settings/config.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>

#include <bzlib.h>

#include <cerrno>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

using namespace archiver;

namespace {

constexpr int kFolders = 8;

int scaled(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

// Empty files, short ones, text that compresses well and noise that does not, up to 256 KiB.
QByteArray fileBytes(int index, int version)
{
    const quint32 seed = quint32(index * 7919 + version);
    if (index % 5 == 0)
        return index % 10 == 0 ? QByteArray() : QByteArray("v") + QByteArray::number(version);
    if (index % 5 < 3)
        return textLines(int(seed % 3000) + 1, version);
    return noise(qsizetype(seed % (256 * 1024)) + 4, seed);
}

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

bool isTemporary(const QString &name)
{
    return name.startsWith(QLatin1Char('.')) && name.contains(QLatin1String(".new-"));
}

} // namespace

class TestArchivInterrupt : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_source;
    int m_files = 0;
    int m_kills = 0;
    // Per source file (host path): the digest of what a whole run of the first list archived,
    // and of what the file holds now.
    QHash<QString, QByteArray> m_before;
    QHash<QString, QByteArray> m_now;
    QHash<QString, qsizetype> m_size;
    QStringList m_firstFiles; // what the first list names
    QStringList m_allFiles;   // what the second list names
    QByteArray m_firstList;
    QByteArray m_secondList;
    // Members already compared: "inode size mtime ctime" -> digest of their content.
    QHash<QString, QByteArray> m_checked;
    // The figures it prints.
    int m_killsDone = 0;
    int m_diskFulls = 0;
    qint64 m_membersChecked = 0;
    int m_faults = 0;
    QString m_destinations[2]; // where each side's archive lies

    static bool compressedSide(Side side) { return side == Side::Primary; }
    QString destination(Side side) const { return m_destinations[int(side) - 1]; }
    QString root(Side side) const { return destination(side) + QStringLiteral("/Archive%1").arg(int(side)); }
    QString baseline(Side side) const { return m_work.path() + QStringLiteral("/First%1").arg(int(side)); }
    QString folder(int i) const { return m_source + QStringLiteral("/Folder%1").arg(i); }

    void writeSource(const QString &path, const QByteArray &bytes, qint64 time)
    {
        writeFile(path, bytes);
        setModified(path, QDateTime::fromSecsSinceEpoch(time));
        m_now.insert(path, digest(bytes));
        m_size.insert(path, bytes.size());
    }

    static QByteArray listBytes(const QStringList &folders)
    {
        TTreeList list;
        for (const QString &f : folders)
            list.AddDir(win::ToWindowsPath(f), QStringLiteral(".*"));
        return list.ListFileBytes();
    }

    static void settings(Side side, const QString &dest)
    {
        Tconfig config;
        config.Write(TextSetting::Destination, win::ToWindowsPath(dest), side);
        config.Write(BoolSetting::Compressed, compressedSide(side), side);
    }

    static bool copyTree(const QString &from, const QString &to)
    {
        return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), from, to}) == 0;
    }

    // The archive as a whole run of the first list left it, with the second list in force.
    bool resetArchive(Side side)
    {
        return QDir(root(side)).removeRecursively() && copyTree(baseline(side), root(side));
    }

    static QProcessEnvironment shimmed(const QString &under, QMap<QString, QString> values)
    {
        values.insert(QStringLiteral("CRASHSHIM_ARM"), QStringLiteral("1"));
        values.insert(QStringLiteral("CRASHSHIM_UNDER"), under);
        return crashShimEnvironment(values);
    }

    // The calls (of the given kind: "" every call, "write" the writes) one whole run makes
    // below the archive root, counted on a reset archive that is reset again afterwards.
    long countCalls(ArchiverProgram &program, Side side, const QString &calls)
    {
        const QString countFile = m_work.path() + QStringLiteral("/calls");
        QFile::remove(countFile);
        QMap<QString, QString> values{{QStringLiteral("CRASHSHIM_COUNT_FILE"), countFile}};
        if (!calls.isEmpty())
            values.insert(QStringLiteral("CRASHSHIM_CALLS"), calls);
        const bool whole = resetArchive(side) &&
                           runUntilEnd(program, side, shimmed(root(side), values)) == 0 &&
                           Tconfig().Read(IntSetting::State, side) == StateCorrect && resetArchive(side);
        return whole ? readFile(countFile).trimmed().toLong() : -1;
    }

    // Compares the archive with the sources. Whatever state a run was cut off in: the kept list
    // is the first or the second list byte for byte; every file it names is in the archive; every
    // member under a final name is whole, as its file is now or (while the kept list is still the
    // first one) as it was archived before. complete: a run has just finished, so the list is the
    // second one, every member holds its file as it is now with its time, and no temporary file
    // is left. Returns the faults, each logged.
    int compare(Side side, bool complete, const QString &when)
    {
        const bool compressed = compressedSide(side);
        QStringList faults;
        const QByteArray kept = readFile(root(side) + QStringLiteral("/afiles.lst"));
        const bool keptIsSecond = kept == m_secondList;
        if (!keptIsSecond && (complete || kept != m_firstList))
            faults << QStringLiteral("the kept list is %1")
                          .arg(complete ? "not the list in force" : "neither list");
        QHash<QString, QString> sources; // member path -> source file
        for (const QString &file : std::as_const(m_allFiles))
            sources.insert(archivedPath(root(side), file, compressed), file);
        QSet<QString> seen;
        QDirIterator it(root(side), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(root(side).size() + 1);
            if (!relative.contains(QLatin1Char('/')) || relative.startsWith(QLatin1String("versions/")))
                continue; // the kept list, the form record and earlier versions
            if (isTemporary(it.fileName())) {
                if (complete)
                    faults << QStringLiteral("%1 is left from an interrupted write").arg(relative);
                continue;
            }
            seen.insert(path);
            const QString file = sources.value(path);
            QByteArray held;
            if (file.isEmpty())
                faults << QStringLiteral("%1 is a member of no listed file").arg(relative);
            else if (!memberDigest(path, compressed, m_size.value(file), &held) ||
                     (held != m_now.value(file) &&
                      (complete || keptIsSecond || held != m_before.value(file))))
                faults << QStringLiteral("%1 holds a partial or wrong copy").arg(relative);
            // With the time of its file, or the next run would copy it again.
            else if (complete && modificationNs(path) != modificationNs(file))
                faults << QStringLiteral("%1 does not have its file's time").arg(relative);
        }
        for (const QString &file : keptIsSecond ? m_allFiles : m_firstFiles) {
            if (!seen.contains(archivedPath(root(side), file, compressed)))
                faults << QStringLiteral("%1 is named by the kept list but not in the archive").arg(file);
        }
        for (const QString &fault : faults)
            qWarning("%s, %s: %s", sideLabel(side).toLatin1().constData(), qPrintable(when),
                     qPrintable(fault));
        m_faults += int(faults.size());
        return int(faults.size());
    }

    // The digest of what a member holds, decompressed when compressed; expectedSize bounds the
    // output, so a member that decompresses to more is told apart without reading it all. Each
    // state of a member is read once.
    bool memberDigest(const QString &member, bool compressed, qsizetype expectedSize, QByteArray *result)
    {
        struct stat status;
        if (::lstat(QFile::encodeName(member).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            return false;
        const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
        const QString key = QStringLiteral("%1 %2 %3 %4")
                                .arg(status.st_ino)
                                .arg(status.st_size)
                                .arg(ns(status.st_mtim))
                                .arg(ns(status.st_ctim));
        ++m_membersChecked;
        if (!m_checked.contains(key)) {
            QByteArray content = readFile(member);
            if (compressed) {
                QByteArray out(expectedSize + 1, Qt::Uninitialized);
                unsigned int length = unsigned(out.size());
                if (BZ2_bzBuffToBuffDecompress(out.data(), &length, content.data(), unsigned(content.size()),
                                               0, 0) != BZ_OK)
                    return false;
                content = out.left(length);
            }
            m_checked.insert(key, digest(content));
        }
        *result = m_checked.value(key);
        return true;
    }

    // Starts archiv with the given environment, runs the side and waits until archiv ends
    // (killed or, when it lives through the run, asked to close). Its exit code, or -1.
    static int runUntilEnd(ArchiverProgram &program, Side side, const QProcessEnvironment &env)
    {
        if (!program.start(env))
            return -1;
        ArchiverProgram::command(int(side) + 1);
        // A killed archiv leaves its busy flag standing.
        const QString progress = settingDef(BoolSetting::Progress, side).name();
        Tconfig config;
        const bool ended = QTest::qWaitFor(
            [&] {
                return program.process().state() == QProcess::NotRunning || !config.ReadBool(progress, false);
            },
            ArchiverProgram::kLong);
        program.stop();
        if (!ended)
            return -1;
        return program.process().exitCode();
    }

    // Mounts (flags 0) or resizes (MS_REMOUNT) a memory file system of the given size.
    static bool sizeFileSystem(const QByteArray &mountPoint, unsigned long flags, qint64 bytes)
    {
        const QByteArray options = "size=" + QByteArray::number(bytes);
        return ::mount("dunlivo-test", mountPoint.constData(), "tmpfs", flags, options.constData()) == 0;
    }

    // A normal run after an interruption: it sweeps, completes and reports success.
    void finishNormally(ArchiverProgram &program, Side side, const QString &when)
    {
        QVERIFY(program.start());
        QCOMPARE(ArchiverProgram::archive(int(side)), int(StateCorrect));
        program.stop();
        QCOMPARE(compare(side, true, when + QStringLiteral(", then a whole run")), 0);
    }

    // After a run that met a full disk: the kept list is still the first one and names only whole
    // files, and a write given up has removed its temporary file at once.
    void checkDiskFull(Side side, const QString &when)
    {
        ++m_diskFulls;
        QVERIFY2(Tconfig().Read(IntSetting::State, side) == StateDiskFull, qPrintable(when));
        QCOMPARE(readFile(root(side) + QStringLiteral("/afiles.lst")), m_firstList);
        QCOMPARE(compare(side, false, when), 0);
        QCOMPARE(temporaries(root(side)), QStringList());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        m_files = scaled("DUNLIVO_INTERRUPT_FILES", 240);
        // The kills are shared between the two sides.
        m_kills = std::max(1, scaled("DUNLIVO_INTERRUPT_KILLS", 10) / 2);
        m_source = m_work.path() + QStringLiteral("/Source");
        m_destinations[0] = m_work.path() + QStringLiteral("/Dest1");
        m_destinations[1] = m_work.path() + QStringLiteral("/Dest2");
        QStringList firstFolders;
        QStringList allFolders;
        for (int i = 0; i < kFolders; ++i) {
            QVERIFY(QDir().mkpath(folder(i)));
            allFolders << folder(i);
            if (i < kFolders / 2)
                firstFolders << folder(i);
        }
        // The first list takes half of the folders; between its run and the interrupted ones the
        // second list takes them all and a fifth of the files already archived change.
        const qint64 then = QDateTime::currentSecsSinceEpoch() - 7200;
        for (int i = 0; i < m_files; ++i) {
            const QString path =
                folder(i % kFolders) + QStringLiteral("/file%1.%2").arg(i).arg(i % 3 ? "txt" : "dat");
            writeSource(path, fileBytes(i, 1), then);
            m_allFiles << path;
            if (i % kFolders < kFolders / 2)
                m_firstFiles << path;
        }
        m_before = m_now;
        m_firstList = listBytes(firstFolders);
        m_secondList = listBytes(allFolders);

        ArchiverProgram program;
        for (Side side : {Side::Primary, Side::Secondary}) {
            QVERIFY(QDir().mkpath(destination(side)));
            settings(side, destination(side));
        }
        Tconfig().WriteBool(QStringLiteral("Autourites"), false);
        writeFile(program.listFile(), m_firstList);
        QVERIFY(program.start());
        for (Side side : {Side::Primary, Side::Secondary}) {
            QCOMPARE(ArchiverProgram::archive(int(side)), int(StateCorrect));
            QVERIFY(copyTree(root(side), baseline(side)));
        }
        program.stop();
        for (int i = 0; i < m_files; i += 5) {
            if (i % kFolders < kFolders / 2)
                writeSource(m_allFiles.at(i), fileBytes(i, 2), then + 60);
        }
    }

    // Killed at calls spread evenly over a run (the files' writes, syncs and renames, the sweep,
    // the list's own write), each from the archive of the first list's run: after every kill the
    // archive holds only whole files and a kept list that names only those; the next run ends it.
    void killedRunsLeaveOnlyWholeFiles()
    {
        for (Side side : {Side::Primary, Side::Secondary}) {
            ArchiverProgram program;
            writeFile(program.listFile(), m_secondList);
            const long calls = countCalls(program, side, QString());
            QVERIFY2(calls > m_kills, qPrintable(QString::number(calls)));
            for (int kill = 1; kill <= m_kills; ++kill) {
                QVERIFY(resetArchive(side));
                const long at = calls * kill / (m_kills + 1);
                const QString when = QStringLiteral("killed at call %1 of %2").arg(at).arg(calls);
                const int exit =
                    runUntilEnd(program, side,
                                shimmed(root(side), {{QStringLiteral("CRASHSHIM_AT"), QString::number(at)}}));
                QVERIFY2(exit == 137, qPrintable(when));
                ++m_killsDone;
                QCOMPARE(compare(side, false, when), 0);
                finishNormally(program, side, when);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    // Killed once a batch of files is on the disk, at its first rename: the archive holds only
    // whole files, the batch waits under temporary names, and the next run ends it.
    void killedBetweenTheFlushAndTheRenames()
    {
        const Side side = Side::Secondary;
        ArchiverProgram program;
        writeFile(program.listFile(), m_secondList);
        QVERIFY(resetArchive(side));
        // The first copy kept as an earlier version writes its run folder's record in between.
        Tconfig().Write(IntSetting::KeepVersionsDays, 0);
        const QString trace = m_work.path() + QStringLiteral("/trace");
        QFile::remove(trace);
        const QProcessEnvironment env =
            shimmed(root(side), {{QStringLiteral("CRASHSHIM_CALLS"), QStringLiteral("fsync,rename")},
                                 {QStringLiteral("CRASHSHIM_AT"), QStringLiteral("2")},
                                 {QStringLiteral("CRASHSHIM_TRACE"), trace}});
        QCOMPARE(runUntilEnd(program, side, env), 137);
        const QList<QByteArray> calls = readFile(trace).split('\n');
        QCOMPARE(calls.value(0), "fsync " + QFile::encodeName(root(side)));
        QVERIFY2(calls.value(1).startsWith("rename "), calls.value(1).constData());
        QVERIFY(!temporaries(root(side)).isEmpty());
        QCOMPARE(compare(side, false, QStringLiteral("killed at the first rename")), 0);
        finishNormally(program, side, QStringLiteral("killed at the first rename"));
        Tconfig().Write(IntSetting::KeepVersionsDays, 180);
    }

    // The destination fills up during a run: once at one write (the failed file's space comes
    // back when it is removed, so later writes succeed), once for the rest of the run. The run
    // reports a full disk, no partial file is under a final name, the kept list stays the one
    // that names what is there, and the run after space returns completes.
    void fullDiskKeepsTheListAndTheNextRunCompletes()
    {
        for (Side side : {Side::Primary, Side::Secondary}) {
            ArchiverProgram program;
            writeFile(program.listFile(), m_secondList);
            const long writes = countCalls(program, side, QStringLiteral("write"));
            QVERIFY(writes > 3);
            const std::pair<long, bool> points[] = {{writes / 3, false}, {writes / 2, true}, {writes, false}};
            for (const auto &[at, sticky] : points) {
                QVERIFY(resetArchive(side));
                const QString when = QStringLiteral("disk full at write %1 of %2%3")
                                         .arg(at)
                                         .arg(writes)
                                         .arg(sticky ? " to the end" : "");
                QMap<QString, QString> values{{QStringLiteral("CRASHSHIM_CALLS"), QStringLiteral("write")},
                                              {QStringLiteral("CRASHSHIM_AT"), QString::number(at)},
                                              {QStringLiteral("CRASHSHIM_ERRNO"), QString::number(ENOSPC)}};
                if (sticky)
                    values.insert(QStringLiteral("CRASHSHIM_STICKY"), QStringLiteral("1"));
                QCOMPARE(runUntilEnd(program, side, shimmed(root(side), values)), 0);
                checkDiskFull(side, when);
                finishNormally(program, side, when);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    // A file that the archive can not take (a file stands where its folder belongs) is not
    // named by a new kept list either; a file the source can not give does not hold the list back.
    void aFileTheArchiveCannotTakeKeepsTheList()
    {
        const Side side = Side::Secondary;
        ArchiverProgram program;
        writeFile(program.listFile(), m_secondList);
        QVERIFY(resetArchive(side));
        // The folder of a file only the second list names.
        const QString blocked =
            QFileInfo(archivedPath(root(side), folder(kFolders - 1) + QStringLiteral("/x"), false)).path();
        QVERIFY(!QFileInfo::exists(blocked));
        QVERIFY(QDir().mkpath(QFileInfo(blocked).path()));
        writeFile(blocked, "a file where a folder belongs");
        QVERIFY(program.start());
        QCOMPARE(ArchiverProgram::archive(int(side)), int(StateFileCreateError));
        QCOMPARE(readFile(root(side) + QStringLiteral("/afiles.lst")), m_firstList);
        QFile::remove(blocked);

        // A listed file that is not there: the source's failure, reported, but every file the
        // archive took is there, and the list naming them all goes in.
        TTreeList list;
        list.LoadFromBytes(m_secondList);
        list.AddFile(win::ToWindowsPath(folder(0) + QStringLiteral("/gone.txt")));
        writeFile(program.listFile(), list.ListFileBytes());
        QCOMPARE(ArchiverProgram::archive(int(side)), int(StateFileNotExists));
        QCOMPARE(readFile(root(side) + QStringLiteral("/afiles.lst")), list.ListFileBytes());
        writeFile(program.listFile(), m_secondList);
        QCOMPARE(ArchiverProgram::archive(int(side)), int(StateCorrect));
        program.stop();
        QCOMPARE(compare(side, true, QStringLiteral("after a failed member")), 0);
    }

    // A real full disk: the archive on a small file system of its own, too small for the files
    // the second list adds. The run ends with a full disk and leaves the archive as above; with
    // the file system grown, the next run completes. Skipped where file systems can not be
    // mounted (a mount namespace of this test's own keeps the mount from everyone else).
    void realFullDiskOnASmallFileSystem()
    {
        static const bool isolated =
            ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!isolated)
            QSKIP("no mount namespace of our own here");
        for (Side side : {Side::Primary, Side::Secondary}) {
            QString &dest = m_destinations[int(side) - 1];
            const QString usual = dest;
            dest = m_work.path() + QStringLiteral("/Small%1").arg(int(side));
            QVERIFY(QDir().mkpath(dest));
            const QByteArray mountPoint = QFile::encodeName(dest);
            if (!sizeFileSystem(mountPoint, 0, qint64(1) << 30))
                QSKIP("a small file system can not be mounted here");
            settings(side, dest);
            const auto restore = qScopeGuard([&] {
                ::umount2(mountPoint.constData(), MNT_DETACH);
                dest = usual;
                settings(side, dest);
            });
            ArchiverProgram program;
            writeFile(program.listFile(), m_secondList);
            QVERIFY(copyTree(baseline(side), root(side)));
            // Room for a third of what the second list adds.
            qint64 added = 0;
            for (const QString &file : std::as_const(m_allFiles))
                added += m_firstFiles.contains(file) ? 0 : m_size.value(file);
            struct statvfs space;
            QVERIFY(::statvfs(mountPoint.constData(), &space) == 0);
            const qint64 used = qint64(space.f_blocks - space.f_bfree) * qint64(space.f_frsize);
            QVERIFY(sizeFileSystem(mountPoint, MS_REMOUNT, used + added / 3));

            QVERIFY(program.start());
            ArchiverProgram::archive(int(side));
            program.stop();
            checkDiskFull(side, QStringLiteral("a small file system filled up"));
            QVERIFY(sizeFileSystem(mountPoint, MS_REMOUNT, qint64(1) << 30));
            finishNormally(program, side, QStringLiteral("a small file system"));
        }
    }

    void cleanupTestCase()
    {
        // The sources were only read.
        int changed = 0;
        for (const QString &file : std::as_const(m_allFiles))
            changed += digest(readFile(file)) == m_now.value(file) ? 0 : 1;
        QCOMPARE(changed, 0);
        qInfo("interrupt_kills %d kills", m_killsDone);
        qInfo("interrupt_disk_full_runs %d runs", m_diskFulls);
        qInfo("interrupt_members_checked %lld members", m_membersChecked);
        qInfo("interrupt_faults_found %d faults", m_faults);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchivInterrupt)
#include "tst_archivinterrupt.moc"
