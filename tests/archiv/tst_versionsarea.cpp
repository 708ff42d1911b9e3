// Thinning the versions area by age and making room in it, on real folders.
#include "testfiles.h"
#include "testmain.h"

#include "apps/archiv/versionsarea.h"
#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/versionslayout.h"

#include <QTemporaryDir>

#include <algorithm>
#include <limits>

#include <fcntl.h>
#include <unistd.h>

using namespace archiver;

class TestVersionsArea : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString area() const { return m_dir.path() + QStringLiteral("/root/versions"); }
    QString runOf(const QDateTime &time) const { return area() + QLatin1Char('/') + versionRunName(time); }

    // A run folder kept these files (paths below it; a compressed run keeps them as ".bz2", all
    // but the list).
    void plant(const QDateTime &time, bool compressed, const QStringList &files)
    {
        FormRecord record;
        record.compressed = compressed;
        writeFile(runOf(time) + QStringLiteral("/archiv.form"), record.toBytes());
        for (const QString &file : files)
            writeFile(runOf(time) + QLatin1Char('/') + file +
                          (compressed && file != "afiles.lst" ? ".bz2" : ""),
                      "v");
    }
    // The versions left in run folders, by file, as the times of their runs; every run folder left
    // holds its form record and at least one version.
    QMap<QString, QList<QDateTime>> left()
    {
        QMap<QString, QList<QDateTime>> versions;
        for (const QString &run : entriesOf(area())) {
            const QDateTime time = versionRunTime(run);
            if (!time.isValid())
                continue;
            const QString folder = area() + QLatin1Char('/') + run;
            [&] { QVERIFY(QFile::exists(folder + QStringLiteral("/archiv.form"))); }();
            QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
            int count = 0;
            for (; it.hasNext(); ++count) {
                const QString file = it.next().mid(folder.size() + 1);
                if (file != QStringLiteral("archiv.form"))
                    versions[file.endsWith(QStringLiteral(".bz2")) ? file.chopped(4) : file].append(time);
            }
            [&] { QVERIFY2(count > 1, qPrintable(run)); }();
        }
        return versions;
    }
    template <typename F> auto onRoot(F f)
    {
        const int fd =
            ::open(QFile::encodeName(m_dir.path() + QStringLiteral("/root")).constData(), O_DIRECTORY);
        const auto result = f(fd);
        ::close(fd);
        return result;
    }

private Q_SLOTS:
    void init() { QVERIFY(QDir().mkpath(area())); }
    void cleanup() { QDir(m_dir.path()).removeRecursively(); }

    // A year and more of runs, two a day, thinned every 40 days; at each thinning every file keeps
    // all versions of 48 hours, the newest per day for 30 days and per ISO week for 180 days,
    // and its newest version for all 180 days.
    void simulatedYear()
    {
        const QDateTime start(QDate(2025, 1, 1), QTime(0, 0));
        QMap<QString, QList<QDateTime>> planted;
        const auto add = [&](const QDateTime &time, bool compressed, const QStringList &files) {
            plant(time, compressed, files);
            for (const QString &file : files)
                planted[file].append(time);
        };
        add(start.addDays(249).addSecs(12 * 3600), true, {"C/once.txt"}); // 150 days before the last
        add(start.addDays(190), false, {"C/gone.txt"});
        writeFile(area() + QStringLiteral("/notes.txt"), "mine");
        writeFile(area() + QStringLiteral("/2025-13-01 000000/C/x"), "mine");
        writeFile(m_dir.path() + QStringLiteral("/outside/kept"), "outside");
        for (int day = 0; day < 400; ++day) {
            QDateTime now = start.addDays(day).addSecs(9 * 3600);
            add(now, day % 2, {"C/Docs/a.txt", "afiles.lst"});
            if (day == 0) {
                QVERIFY(QFile::link(m_dir.path() + "/outside", runOf(now) + "/C/dir"));
                QVERIFY(QFile::link(m_dir.path() + "/outside/kept", runOf(now) + "/C/Docs/file"));
            }
            add(now = now.addSecs(9 * 3600), day % 3, {"C/Docs/a.txt"});
            if (day % 40 == 39)
                now = now.addSecs(3 * 3600);
            else
                continue;
            QCOMPARE(onRoot([&](int fd) { return thinVersions(fd, now, 180); }).failures, 0);
            const QMap<QString, QList<QDateTime>> kept = left();
            for (auto it = planted.cbegin(); it != planted.cend(); ++it) {
                QMap<qint64, QDateTime> newest; // of each day or week, by a key for it
                QList<QDateTime> expected;
                for (const QDateTime &time : it.value()) {
                    const qint64 age = time.secsTo(now);
                    int year = 0;
                    const int week = time.date().weekNumber(&year);
                    if (age <= 2 * 86400)
                        expected.append(time);
                    else if (age <= 180 * 86400)
                        newest[age <= 30 * 86400 ? time.date().toJulianDay() : -(year * 100 + week)] = time;
                }
                expected += newest.values();
                if (it.value().last().secsTo(now) <= 180 * 86400 && !expected.contains(it.value().last()))
                    expected.append(it.value().last());
                std::sort(expected.begin(), expected.end());
                QCOMPARE(kept.value(it.key()), expected);
            }
        }
        QVERIFY(left().contains("C/once.txt"));
        QVERIFY(!left().contains("C/gone.txt"));
        onRoot([&](int fd) { return thinVersions(fd, QDateTime::currentDateTime(), 0); });
        QCOMPARE(entriesOf(area()), QStringList({"2025-13-01 000000", "notes.txt"}));
        QCOMPARE(entriesOf(m_dir.path() + "/outside"), QStringList("kept"));
        QCOMPARE(readFile(m_dir.path() + "/outside/kept"), "outside");
    }

    // Room is made from every version but each file's newest, never more than asked.
    void makeRoomKeepsNewest()
    {
        const QDateTime time(QDate(2026, 1, 5), QTime(10, 0));
        for (int day = 0; day < 3; ++day)
            plant(time.addDays(day), day == 1,
                  day == 0 ? QStringList{"C/a.txt", "C/b.txt"} : QStringList{"C/a.txt"});
        const auto all = left();
        QVERIFY(onRoot([](int fd) { return makeRoom(fd, 0); }));
        QCOMPARE(left(), all);
        QVERIFY(!onRoot([](int fd) { return makeRoom(fd, std::numeric_limits<qint64>::max()); }));
        QCOMPARE(left(),
                 (QMap<QString, QList<QDateTime>>{{"C/a.txt", {time.addDays(2)}}, {"C/b.txt", {time}}}));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestVersionsArea)
#include "tst_versionsarea.moc"
