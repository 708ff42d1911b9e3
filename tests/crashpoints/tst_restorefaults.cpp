// The restore into a target that fails: a write that fails with EIO or a full disk, every file
// system call of a restore failing in turn, and a read-only target folder. Under every final name
// there is afterwards the old file byte for byte or the whole new one, each failed file is
// reported by name with the restore's failure code, no temporary file is left, and the files
// after a failed one are still restored.
#include "crashshim.h"
#include "programrun.h"
#include "testbzip2.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/restore/decompressfile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>

namespace {

// Three files in two folders: report.doc (ten writes and more) replaces an old one in ro/, a.txt
// replaces an old read-only one and big.txt is new in ok/.
class Restore
{
public:
    Restore()
    {
        for (auto it = fresh.cbegin(); it != fresh.cend(); ++it)
            writeFile(archive() + QLatin1Char('/') + it.key() + QStringLiteral(".bz2"),
                      compress(it.value(), 1));
        reset();
    }

    QString archive() const { return m_dir.path() + QStringLiteral("/archive"); }
    QString target() const { return m_dir.path() + QStringLiteral("/target"); }

    // Puts the old files back and removes the new one.
    void reset()
    {
        QDir(target() + QStringLiteral("/ok")).removeRecursively();
        for (auto it = old.cbegin(); it != old.cend(); ++it)
            writeFile(target() + QLatin1Char('/') + it.key(), it.value());
        QFile::setPermissions(target() + QStringLiteral("/ok/a.txt"), QFile::ReadOwner);
    }

    // Runs the driver over the three files; with the shim when at >= 0 (0 only counts), failing
    // call at of the kinds calls with error. wrapper runs it through another program (unshare).
    QByteArray run(long at = -1, const char *calls = "", int error = 0, const QStringList &wrapper = {}) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (at >= 0)
            env = crashShimEnvironment({{QStringLiteral("CRASHSHIM_AT"), QString::number(at)},
                                        {QStringLiteral("CRASHSHIM_ERRNO"), QString::number(error)},
                                        {QStringLiteral("CRASHSHIM_CALLS"), QString::fromLatin1(calls)}});
        env.insert(QStringLiteral("DUNLIVO_PREFIX"), m_dir.path() + QStringLiteral("/prefix"));
        process.setProcessEnvironment(env);
        QStringList args = wrapper;
        args << QStringLiteral(RESTORE_DRIVER) << QStringLiteral("compressed") << archive() << target()
             << fresh.keys();
        process.start(args.takeFirst(), args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return "driver did not finish: " + process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    // Checks one run's outcome: each file restored is new, each failed one old (or absent when
    // it was new), nothing else in the folders. Returns an empty string when all holds.
    QString check(const QByteArray &out) const
    {
        for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
            const QString path = target() + QLatin1Char('/') + it.key();
            const QByteArray now = QFileInfo::exists(path) ? readFile(path) : QByteArray("<none>");
            const bool restored = out.contains("restored " + it.key().toUtf8() + '\n');
            const bool failed = out.contains("failed " + it.key().toUtf8() + ' ');
            if (restored == failed)
                return QStringLiteral("%1 not reported once: %2").arg(it.key(), QString::fromUtf8(out));
            if (restored && now != it.value())
                return QStringLiteral("%1 reported restored, new content missing").arg(it.key());
            if (failed && now != old.value(it.key(), "<none>"))
                return QStringLiteral("%1 reported failed, old content lost").arg(it.key());
            // The restore clears a read-only file's attribute to replace it, and gives it back
            // when it is not replaced.
            if (failed && it.key() == QLatin1String("ok/a.txt") &&
                (QFileInfo(path).permissions() & QFile::WriteOwner))
                return QStringLiteral("%1 reported failed, read-only attribute lost").arg(it.key());
        }
        QStringList left =
            entriesOf(target() + QStringLiteral("/ro")) + entriesOf(target() + QStringLiteral("/ok"));
        left.removeOne(QStringLiteral("big.txt")); // there or not as reported, checked above
        return left == QStringList({"report.doc", "a.txt"}) ? QString()
                                                            : QStringLiteral("debris: ") + left.join(u' ');
    }

    QMap<QString, QByteArray> fresh{
        {"ro/report.doc", noise(1100000, 1)}, {"ok/a.txt", "new a"}, {"ok/big.txt", noise(500000, 2)}};
    QMap<QString, QByteArray> old{{"ro/report.doc", "the old report"}, {"ok/a.txt", "old a"}};

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestRestoreFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void failingTargetKeepsOldOrNew()
    {
        Restore r;
        // A full disk at the first write of big.txt (after a.txt's one): a disk-full failure, no
        // big.txt at all, and the others come back.
        QByteArray out = r.run(2, "write", ENOSPC);
        QVERIFY(out.contains("failed ok/big.txt " + QByteArray::number(DecompressDiskFull) + '\n'));
        QCOMPARE(out.count("restored "), 2);
        QCOMPARE(r.check(out), QString());

        // Every open, write, sync, rename and close of the restore failing in turn (a failed
        // removal of the temporary file would leave it, which nothing can prevent).
        r.reset();
        const char *kinds = "open,write,fsync,rename,close";
        const long calls = shimCalls(r.run(0, kinds));
        QVERIFY2(calls >= 20, QByteArray::number(calls).constData());
        int failures = 0;
        for (long k = 1; k <= calls; ++k) {
            r.reset();
            out = r.run(k, kinds, EIO);
            failures += int(out.count("failed "));
            QVERIFY2(r.check(out).isEmpty(),
                     qPrintable(QStringLiteral("call %1 of %2: %3").arg(k).arg(calls).arg(r.check(out))));
        }
        QVERIFY(failures >= calls / 2);

        // A read-only target folder, when this system lets a user mount in a namespace of its own.
        r.reset();
        if (runProgram(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}).code != 0)
            QSKIP("no mount namespace here: the read-only target is not checked");
        out = r.run(
            -1, "", 0,
            {"unshare", "-rm", "sh", "-c",
             "mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" \"$1\" && shift && exec \"$@\"",
             "sh", r.target() + QStringLiteral("/ro")});
        QVERIFY2(
            out.contains("failed ro/report.doc " + QByteArray::number(DecompressCannotCreateTarget) + '\n'),
            out.constData());
        QCOMPARE(out.count("restored "), 2);
        QCOMPARE(r.check(out), QString());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestRestoreFaults)
#include "tst_restorefaults.moc"
