// Thinning the versions area by age and making room in it, on real folders.
#include "testfiles.h"
#include "testmain.h"

#include "apps/archiv/versionsarea.h"
#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/versionslayout.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

using namespace archiver;
using Versions = QMap<QString, QList<QDateTime>>; // the times of the runs that kept each file

class TestVersionsArea : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_root = -1;
    QString area() const { return m_dir.path() + QStringLiteral("/root/versions"); }
    QString runOf(const QDateTime &time) const { return area() + QLatin1Char('/') + versionRunName(time); }

    // A run folder kept these files (a compressed run as ".bz2", all but the list).
    void plant(const QDateTime &time, bool compressed, const QStringList &files)
    {
        const QString run = runOf(time) + QLatin1Char('/');
        writeFile(run + QStringLiteral("archiv.form"), FormRecord{compressed, false, 0, 0, 0, {}}.toBytes());
        for (const QString &file : files)
            writeFile(run + file + (compressed && file != "afiles.lst" ? ".bz2" : ""), "v");
    }
    // The versions left, by file; every run folder left holds its form record and a version.
    Versions left()
    {
        Versions versions;
        for (const QString &run : entriesOf(area())) {
            const QDateTime time = versionRunTime(run);
            if (!time.isValid())
                continue;
            const QString folder = area() + QLatin1Char('/') + run;
            QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
            int count = 0;
            for (QString file; it.hasNext() && ++count;)
                if ((file = it.next().mid(folder.size() + 1)) != QStringLiteral("archiv.form"))
                    versions[file.endsWith(QStringLiteral(".bz2")) ? file.chopped(4) : file].append(time);
            [&] { QVERIFY2(count > 1 && QFile::exists(folder + "/archiv.form"), qPrintable(run)); }();
        }
        return versions;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(QDir().mkpath(area()));
        m_root = ::open(QFile::encodeName(m_dir.path() + "/root").constData(), O_DIRECTORY | O_CLOEXEC);
    }
    void cleanup()
    {
        ::close(m_root);
        QDir(m_dir.path()).removeRecursively();
    }

    // A year and more of runs, two a day, thinned every 40 days; at each thinning every file keeps
    // all versions of 48 hours, the newest per day for 30 days and per ISO week for 180 days.
    void simulatedYear()
    {
        const QDateTime start(QDate(2025, 1, 1), QTime(0, 0));
        plant(start, false, {"C/Docs/a.txt"});
        QVERIFY(QFile::link(m_dir.path() + "/outside", runOf(start) + "/C/dir"));
        QVERIFY(QFile::link(m_dir.path() + "/outside/kept", runOf(start) + "/C/Docs/file"));
        plant(start.addDays(249).addSecs(12 * 3600), true, {"C/once.txt"}); // 150 days before the last
        plant(start.addDays(190), false, {"C/gone.txt"});
        writeFile(area() + QStringLiteral("/2025-13-01 000000/C/x"), "mine");
        writeFile(m_dir.path() + QStringLiteral("/outside/kept"), "outside");
        for (int day = 0; day < 400; ++day) {
            const QDateTime morning = start.addDays(day).addSecs(9 * 3600), now = morning.addSecs(12 * 3600);
            plant(morning, day % 2, {"C/Docs/a.txt", "afiles.lst"});
            plant(morning.addSecs(9 * 3600), day % 3, {"C/Docs/a.txt"});
            if (day % 40 != 39)
                continue;
            const Versions before = left();
            QCOMPARE(thinVersions(m_root, now, 180).failures, 0);
            const Versions kept = left();
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                QMap<qint64, QDateTime> newest; // of each version of 48 hours, each day, each week
                for (const QDateTime &time : it.value()) {
                    const qint64 age = time.secsTo(now);
                    int year = 0;
                    const int week = time.date().weekNumber(&year);
                    if (age <= 180 * 86400)
                        newest[age <= 2 * 86400    ? time.toSecsSinceEpoch()
                               : age <= 30 * 86400 ? time.date().toJulianDay()
                                                   : year * 100 + week] = time; // in time order
                }
                QCOMPARE(kept.value(it.key()), newest.values());
            }
        }
        thinVersions(m_root, QDateTime::currentDateTime(), 0);
        QCOMPARE(entriesOf(area()), QStringList("2025-13-01 000000"));
        QCOMPARE(readFile(m_dir.path() + "/outside/kept"), "outside");
    }

    // Room is made from every version but each file's newest, never more than asked.
    void makeRoomKeepsNewest()
    {
        const QDateTime time(QDate(2026, 1, 5), QTime(10, 0));
        plant(time, false, {"C/a.txt", "C/b.txt"});
        for (int day : {1, 2})
            plant(time.addDays(day), day == 1, {"C/a.txt"});
        const auto all = left();
        QVERIFY(makeRoom(m_root, 0));
        QCOMPARE(left(), all);
        QVERIFY(!makeRoom(m_root, std::numeric_limits<qint64>::max()));
        QCOMPARE(left(), (Versions{{"C/a.txt", {time.addDays(2)}}, {"C/b.txt", {time}}}));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestVersionsArea)
#include "tst_versionsarea.moc"
