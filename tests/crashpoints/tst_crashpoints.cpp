// Crash points of the archive list, ext.lst and settings writes: the writer is killed, or has one
// call fail, at each file system call of one write in turn. After every one the file (or the
// setting) holds exactly the old or the new content, a reported failure leaves the old one, and
// the next write leaves nothing of the interrupted one behind.
#include "crashshim.h"
#include "programrun.h"
#include "testfiles.h"
#include "testmain.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>

namespace {

class Writer
{
public:
    explicit Writer(const QString &kind) : m_kind(kind)
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("files"));
    }

    QString folder() const { return m_dir.path() + QStringLiteral("/files"); }

    // Runs the writer; with the shim when at >= 0 (0 only counts), failing call at with error
    // when error is not 0, killing the writer at it otherwise.
    ProgramRun run(const char *what, long at = -1, int error = 0, const QString &trace = QString()) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (at >= 0)
            env = crashShimEnvironment({{QStringLiteral("CRASHSHIM_AT"), QString::number(at)},
                                        {QStringLiteral("CRASHSHIM_ERRNO"), QString::number(error)}});
        if (!trace.isEmpty())
            env.insert(QStringLiteral("CRASHSHIM_TRACE"), trace);
        env.insert(QStringLiteral("DUNLIVO_PREFIX"), m_dir.path() + QStringLiteral("/prefix"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(CRASHPOINT_WRITER), {m_kind, QString::fromLatin1(what), folder()});
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString()};
    }

    // The file's bytes, or the setting's value.
    QByteArray state() const
    {
        if (m_kind == QLatin1String("setting"))
            return run("read").out.toUtf8();
        return readFile(folder() + (m_kind == QLatin1String("list") ? QStringLiteral("/afiles.lst")
                                                                    : QStringLiteral("/ext.lst")));
    }

    // What is in the folders that should hold nothing but the file, or the hives.
    QStringList strayFiles() const
    {
        QStringList stray = entriesOf(folder());
        stray.removeAll(QStringLiteral("afiles.lst"));
        stray.removeAll(QStringLiteral("ext.lst"));
        // In the registry folder, anything but the hives' databases.
        return stray + entriesOf(m_dir.path() + QStringLiteral("/prefix/registry"))
                           .filter(QRegularExpression(QStringLiteral("^(?!HKEY_[A-Z_]+\\.db(-wal|-shm)?$)")));
    }

private:
    QTemporaryDir m_dir;
    QString m_kind;
};

} // namespace

class TestCrashPoints : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyCallOfTheWrite_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        for (const char *kind : {"list", "ext", "setting"}) {
            QTest::addRow("%s killed", kind) << QString::fromLatin1(kind) << 0;
            QTest::addRow("%s ENOSPC", kind) << QString::fromLatin1(kind) << ENOSPC;
            QTest::addRow("%s EIO", kind) << QString::fromLatin1(kind) << EIO;
        }
    }

    void everyCallOfTheWrite()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        Writer writer(kind);
        // The new content, and the number of calls its write makes from the old one.
        QCOMPARE(writer.run("new").code, 0);
        const QByteArray fresh = writer.state();
        QCOMPARE(writer.run("old").code, 0);
        const QByteArray old = writer.state();
        QVERIFY(old != fresh);
        const ProgramRun counted = writer.run("new", 0);
        QCOMPARE(counted.code, 0);
        const long calls = shimCalls(counted.out.toLatin1());
        QVERIFY2(calls >= 3, qPrintable(counted.out));

        for (long k = 1; k <= calls; ++k) {
            QCOMPARE(writer.run("old").code, 0);
            const ProgramRun struck = writer.run("new", k, error);
            const QByteArray after = writer.state();
            const QByteArray where =
                kind.toLatin1() + " at call " + QByteArray::number(k) + " of " + QByteArray::number(calls);
            if (error == 0) {
                QVERIFY2(struck.code == 137, where.constData());
                QVERIFY2(after == old || after == fresh, ("torn " + where).constData());
            } else if (struck.code == 0) {
                QVERIFY2(after == fresh, ("success reported, new content missing, " + where).constData());
            } else {
                QVERIFY2(struck.code == 1, where.constData());
                QVERIFY2(after == old, ("failure reported, old content lost, " + where).constData());
            }
            QCOMPARE(writer.run("new").code, 0);
            QCOMPARE(writer.state(), fresh);
            QVERIFY2(writer.strayFiles().isEmpty(),
                     (where + ": " + writer.strayFiles().join(u' ').toUtf8()).constData());
        }
    }

    // What a power cut at any moment leaves depends on the order of the calls: the new content
    // is on the disk (written, then synced) before the rename puts it under the file's name, and
    // the folder is synced after the rename, so the name holds the old or the new file, whole.
    void syncedBeforeAndAfterTheRename()
    {
        for (const char *kind : {"list", "ext"}) {
            Writer writer(QString::fromLatin1(kind));
            QCOMPARE(writer.run("old").code, 0);
            const QString traceFile = writer.folder() + QStringLiteral("/../trace.txt");
            QCOMPARE(writer.run("new", 0, 0, traceFile).code, 0);
            const QStringList calls = QString::fromUtf8(readFile(traceFile)).split(u'\n', Qt::SkipEmptyParts);
            const QString folder = QFileInfo(writer.folder()).canonicalFilePath();
            const QString target =
                folder + (QByteArray(kind) == "list" ? QStringLiteral("/afiles.lst") : QStringLiteral("/ext.lst"));
            const QString where = QString::fromLatin1(kind) + QStringLiteral(": ") + calls.join(QStringLiteral("; "));

            const QRegularExpression renamed(QStringLiteral("^rename (.*) -> ") +
                                             QRegularExpression::escape(target) + QLatin1Char('$'));
            const qsizetype rename = calls.lastIndexOf(renamed);
            const QString temporary = renamed.match(calls.value(rename)).captured(1);
            QVERIFY2(rename > 0 && temporary.startsWith(folder + QLatin1Char('/')), qPrintable(where));
            const qsizetype lastWrite = calls.lastIndexOf(QStringLiteral("write ") + temporary, rename);
            const qsizetype sync = calls.lastIndexOf(QStringLiteral("fsync ") + temporary, rename);
            QVERIFY2(lastWrite >= 0 && sync > lastWrite, qPrintable(where));
            QVERIFY2(calls.indexOf(QStringLiteral("fsync ") + folder, rename) > rename, qPrintable(where));
        }
    }
};

DUNLIVO_CORE_TEST_MAIN(TestCrashPoints)
#include "tst_crashpoints.moc"
