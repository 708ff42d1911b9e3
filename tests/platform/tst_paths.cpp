// Drive-letter paths: the drive map, Windows paths to host paths and back, case-insensitive
// lookup and the 255-character limit.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "core/platform/prefix.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

using namespace win;

namespace {
bool makeLink(const QString &target, const QString &link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

QString driveLink(char letter)
{
    return Prefix::dosdevicesDir() + QLatin1Char('/') + QLatin1Char(letter) + QLatin1Char(':');
}

QString mappedTo(QChar letter)
{
    for (const DriveMapping &d : DriveMap()) {
        if (d.letter == letter)
            return d.target;
    }
    return QString();
}
} // namespace

class TestPaths : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void driveMapFollowsTheDosdevicesFolder()
    {
        QVERIFY(mappedTo(QLatin1Char('D')).isEmpty());
        QTemporaryDir dir;
        QVERIFY(makeLink(dir.path(), driveLink('d')));
        QCOMPARE(mappedTo(QLatin1Char('D')), dir.path()); // a new link is seen at once
        QCOMPARE(HostPath(QStringLiteral("d:\\")), dir.path());
        QVERIFY(QFile::remove(driveLink('d')));
        QVERIFY(mappedTo(QLatin1Char('D')).isEmpty());
        LONG error = ERROR_SUCCESS;
        QString host;
        QVERIFY(!ToHostPath(QStringLiteral("D:\\x"), &host, &error));
        QCOMPARE(error, LONG(ERROR_PATH_NOT_FOUND));
    }

    void windowsPathsBecomeHostPaths()
    {
        const QString home = QDir::cleanPath(QDir::homePath());
        QCOMPARE(HostPath(QStringLiteral("c:")), home);
        QCOMPARE(HostPath(QStringLiteral("Z:/no-such-dunlivo//b\\.\\c")),
                 QStringLiteral("/no-such-dunlivo/b/c"));
        // ".." stays inside the drive: C:\..\.. is still the home folder, not its parent.
        QCOMPARE(HostPath(QStringLiteral("C:\\a\\..\\..\\..")), home);
        bool root = false;
        QString host;
        QVERIFY(ToHostPath(QStringLiteral("C:\\x\\.."), &host, nullptr, &root));
        QVERIFY(root);

        for (const QString &bad :
             {QStringLiteral(""), QStringLiteral("Docs\\a.txt"), QStringLiteral("\\\\server\\share"),
              QStringLiteral("C:a.txt"), QStringLiteral("1:\\"), QStringLiteral("\\Docs")}) {
            LONG error = ERROR_SUCCESS;
            QVERIFY2(!ToHostPath(bad, &host, &error), qPrintable(bad));
            QCOMPARE(error, LONG(ERROR_INVALID_NAME));
        }
    }

    void hostPathsBecomeWindowsPathsThroughTheDeepestDrive()
    {
        const QString home = QDir::cleanPath(QDir::homePath());
        QCOMPARE(ToWindowsPath(QStringLiteral("/")), QStringLiteral("Z:\\"));
        QCOMPARE(ToWindowsPath(home), QStringLiteral("C:\\"));
        QCOMPARE(ToWindowsPath(home + QStringLiteral("/Docs/a.txt")), QStringLiteral("C:\\Docs\\a.txt"));

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("deep/er")));
        QVERIFY(makeLink(dir.path() + QStringLiteral("/deep"), driveLink('e')));
        QVERIFY(makeLink(dir.path() + QStringLiteral("/deep/er"), driveLink('f')));
        QCOMPARE(ToWindowsPath(dir.path() + QStringLiteral("/deep/er/x")), QStringLiteral("F:\\x"));
        QCOMPARE(ToWindowsPath(dir.path() + QStringLiteral("/deep/erx")), QStringLiteral("E:\\erx"));
        QCOMPARE(ToWindowsPath(dir.path() + QStringLiteral("/deep")), QStringLiteral("E:\\"));

        // A drive whose link leads through another link holds the real folder's paths too.
        QVERIFY(makeLink(dir.path() + QStringLiteral("/deep"), dir.path() + QStringLiteral("/alias")));
        QVERIFY(QFile::remove(driveLink('e')));
        QVERIFY(makeLink(dir.path() + QStringLiteral("/alias"), driveLink('e')));
        QCOMPARE(ToWindowsPath(dir.path() + QStringLiteral("/alias/y")), QStringLiteral("E:\\y"));
        QCOMPARE(ToWindowsPath(dir.path() + QStringLiteral("/deep/y")), QStringLiteral("E:\\y"));
        QFile::remove(driveLink('e'));
        QFile::remove(driveLink('f'));
    }

    // A component that does not exist with exactly its case is found without regard to case (an
    // exact match first); below the first missing one the rest is taken as written. One cache
    // serves every row, as one run uses it, and must give the answers of the uncached look-up.
    void componentsAreFoundWithoutRegardToCase_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // empty: whichever the folder lists first
        const QList<std::pair<const char *, const char *>> rows{
            {"Docs\\Report.DOC", "Docs/Report.DOC"}, {"docs\\REPORT.doc", "Docs/Report.DOC"},
            {"DOCS\\missing.txt", "Docs/missing.txt"}, {"docs\\sub\\y", "Docs/sub/y"},
            {"Docs\\..\\DOCS\\.\\report.doc", "Docs/Report.DOC"}, {"Link\\report.doc", "link/Report.DOC"},
            {"dangling\\a", "dangling/a"}, {"Docs\\Report.DOC\\x", "Docs/Report.DOC/x"},
            {"Twins\\A.txt", "Twins/A.txt"}, {"twins\\a.txt", "Twins/a.txt"}, {"twins\\a.TXT", ""},
            {"docs\\üNÏCODE", "Docs/Ünïcode"}, {"Report.doc", "Report.doc"}, {".", ""}};
        for (const auto &[path, expected] : rows)
            QTest::newRow(path) << QString::fromUtf8(path) << QString::fromUtf8(expected);
    }
    void componentsAreFoundWithoutRegardToCase()
    {
        static QTemporaryDir dir;
        static HostPathCache cache;
        const QDir host(dir.path());
        if (!host.exists(QStringLiteral("Docs"))) {
            QVERIFY(host.mkpath(QStringLiteral("Docs/Ünïcode")) && host.mkpath(QStringLiteral("Twins")));
            for (const char *name : {"Docs/Report.DOC", "Twins/a.txt", "Twins/A.txt"}) {
                QFile file(host.filePath(QLatin1String(name)));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
            QVERIFY(makeLink(host.filePath(QStringLiteral("Docs")), host.filePath(QStringLiteral("link"))));
            QVERIFY(makeLink(host.filePath(QStringLiteral("gone")), host.filePath(QStringLiteral("dangling"))));
        }
        QFETCH(QString, path);
        QFETCH(QString, expected);
        path = ToWindowsPath(dir.path()) + QLatin1Char('\\') + path;
        QString uncached, cached;
        QVERIFY(ToHostPath(path, &uncached) && ToHostPath(path, &cached, nullptr, nullptr, &cache));
        if (!expected.isEmpty())
            QCOMPARE(uncached, host.filePath(expected));
        QCOMPARE(cached, uncached);
    }

    void pathsLongerThan255AreRefusedNotCut()
    {
        QString fits = QStringLiteral("Z:\\");
        fits += QString(kMaxPathLength - fits.size(), QLatin1Char('a'));
        QString host;
        LONG error = ERROR_SUCCESS;
        QVERIFY(ToHostPath(fits, &host, &error));
        QCOMPARE(host.size(), 253);

        const QString tooLong = fits + QLatin1Char('b');
        QVERIFY(!ToHostPath(tooLong, &host, &error));
        QCOMPARE(error, LONG(ERROR_FILENAME_EXCED_RANGE));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestPaths)
#include "tst_paths.moc"
