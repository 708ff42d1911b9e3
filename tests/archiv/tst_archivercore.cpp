// The archive layout, the state codes of failures and the timer rules.
#include "testmain.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"
#include "core/archiveinfo/schedule.h"

#include <cerrno>

using namespace archiver;

class TestArchiverCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout()
    {
        QCOMPARE(archiveRoot(QStringLiteral("D:\\Backup"), QStringLiteral("Archive1")),
                 QStringLiteral("D:\\Backup\\Archive1"));
        QCOMPARE(archiveRoot(QStringLiteral("D:\\Backup\\"), QStringLiteral("\\Archive1")),
                 QStringLiteral("D:\\Backup\\Archive1"));

        ArchivedLocation location;
        QVERIFY(archivedLocation(QStringLiteral("c:\\Docs\\Report.doc"), true, &location));
        QCOMPARE(location.relativePath(), QStringLiteral("C\\Docs\\Report.doc.bz2"));
        QVERIFY(archivedLocation(QStringLiteral("C:\\Docs\\\\Sub\\.\\a.txt"), false, &location));
        QCOMPARE(location.folders, QStringList({"C", "Docs", "Sub"}));
        QCOMPARE(location.fileName, QStringLiteral("a.txt"));

        // Nothing may climb out of the root or name no file.
        QVERIFY(!archivedLocation(QStringLiteral("C:\\Docs\\..\\..\\etc\\passwd"), false, &location));
        QVERIFY(!archivedLocation(QStringLiteral("C:\\"), false, &location));
        QVERIFY(!archivedLocation(QStringLiteral("\\\\server\\share\\a"), false, &location));

        QVERIFY(isPlainFolderName(QStringLiteral("Archive1")));
        QVERIFY(!isPlainFolderName(QStringLiteral("..")));
        QVERIFY(!isPlainFolderName(QStringLiteral("a\\b")));
        QVERIFY(!isPlainFolderName(QStringLiteral("a/b")));
        QVERIFY(!isPlainFolderName(QString()));
    }

    // The codes the real archiv is seen to report (a full disk, a source gone, a missing folder,
    // a file where a folder belongs) are checked where it runs.
    void stateCodes()
    {
        QCOMPARE(stateForError(EACCES, FileStage::OpenSource), StateFileOpenError);
        QCOMPARE(stateForError(EIO, FileStage::ReadSource), StateFileReadError);
        QCOMPARE(stateForError(ELOOP, FileStage::CreateTarget), StateFileCreateError);
        QCOMPARE(stateForError(EROFS, FileStage::CreateTarget), StateDriveLocked);
        QCOMPARE(stateForError(EBADF, FileStage::WriteTarget), StateFileWriteError);
        QCOMPARE(stateForError(0, FileStage::Compress), StateCompressionError);
        QCOMPARE(stateForError(ENOMEM, FileStage::Compress), StateOutOfMemory);
    }

    void schedule()
    {
        const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));
        const qint64 hour = 3600;
        // Never run: due at once.
        QVERIFY(isDue(nextDue(QDateTime(), QDateTime(), hour), now));
        // Run 30 minutes ago with an hourly period: due in 30 minutes.
        QCOMPARE(nextDue(now.addSecs(-1800), QDateTime(), hour), now.addSecs(1800));
        // Missed while the machine was off: due now.
        QVERIFY(isDue(nextDue(now.addDays(-3), QDateTime(), hour), now));
        // A failed attempt in this life waits a period before the next one.
        QCOMPARE(nextDue(now.addDays(-3), now, hour), now.addSecs(hour));
        QVERIFY(!isDue(nextDue(QDateTime(), now.addSecs(-10), hour), now));
        // Period 0 is never.
        QVERIFY(!isDue(nextDue(QDateTime(), QDateTime(), 0), now));

        QCOMPARE(primaryPeriodSeconds(-5), 0);
        QCOMPARE(secondaryPeriodSeconds(72), 72 * 3600);
        QCOMPARE(emptyingPeriodSeconds(30), 30 * 86400);
        // The largest values the settings allow do not overflow.
        QCOMPARE(primaryPeriodSeconds(std::numeric_limits<qint32>::max()),
                 qint64(std::numeric_limits<qint32>::max()) * 60);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestArchiverCore)
#include "tst_archivercore.moc"
