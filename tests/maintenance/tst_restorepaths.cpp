// The entry test and EnsureDirectory.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/attributes.h"
#include "core/platform/paths.h"
#include "core/restore/restorepaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TestRestorePaths : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_win;

    QString host(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QString win(const QString &relative) const { return m_win + QLatin1Char('\\') + relative; }

private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        m_win = win::ToWindowsPath(m_dir.path());
    }

    void entryTestCountsWhatIsNeitherHiddenNorSystem()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Dir")));
        writeFile(host("file.txt"), {});
        QVERIFY(entryExists(win("dir")));
        QVERIFY(entryExists(win("dir\\")));
        QVERIFY(entryExists(win("FILE.TXT"))); // a plain file counts
        QVERIFY(!entryExists(win("missing")));

        setDosAttrib(host("Dir"), "0x2");
        QVERIFY(!entryExists(win("Dir")));
        setDosAttrib(host("file.txt"), "0x4");
        QVERIFY(!entryExists(win("file.txt")));
        setDosAttrib(host("file.txt"), "0x21"); // archive and a stray read-only bit
        QVERIFY(entryExists(win("file.txt")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral(".cache")));
        QVERIFY(!entryExists(win(".cache")));
        QVERIFY(entryExists(QStringLiteral("C:\\")));
    }

    void ensureDirectoryMakesEveryMissingParent()
    {
        QVERIFY(!EnsureDirectory(win("a\\b\\c\\")));
        QVERIFY(QFileInfo(host("a/b/c")).isDir());
        QVERIFY(!EnsureDirectory(win("A\\B\\c"))); // there already, in another case
        QVERIFY(!QFileInfo::exists(host("A")));
        QVERIFY(!EnsureDirectory(win("a\\B\\new")));
        QVERIFY(QFileInfo(host("a/b/new")).isDir());

        // A drive root and short paths are never created.
        QVERIFY(!EnsureDirectory(QStringLiteral("Q:\\")));
        QVERIFY(EnsureDirectory(QStringLiteral("Q:\\unmapped\\x")));

        // A file in the way is a failure further down.
        writeFile(host("plain"), {});
        QVERIFY(EnsureDirectory(win("plain\\sub")));

        // A hidden folder is there even if the entry test does not count it.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("hid")));
        setDosAttrib(host("hid"), "0x2");
        QVERIFY(!EnsureDirectory(win("hid")));
        QVERIFY(!EnsureDirectory(win("hid\\below")));
        QVERIFY(QFileInfo(host("hid/below")).isDir());

        // Too long: the parents that fit are made, the folder itself is refused, never cut short.
        const QString longName(300 - m_win.size(), QLatin1Char('L'));
        QVERIFY(EnsureDirectory(win(QStringLiteral("long\\") + longName)));
        QVERIFY(QFileInfo(host("long")).isDir());
        QVERIFY(QDir(host("long")).isEmpty());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestRestorePaths)
#include "tst_restorepaths.moc"
