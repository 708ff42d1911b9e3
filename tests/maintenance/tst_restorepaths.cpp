// The entry test and EnsureDirectory.
#include "testmain.h"

#include "core/restore/restorepaths.h"
#include "core/platform/attributes.h"
#include "core/platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/xattr.h>

namespace {
void setDosAttrib(const QString &path, const char *value)
{
    QCOMPARE(::setxattr(QFile::encodeName(path).constData(), "user.DOSATTRIB", value, strlen(value), 0), 0);
}

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}
} // namespace

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
        touch(host(QStringLiteral("file.txt")));
        QVERIFY(entryExists(win(QStringLiteral("dir"))));
        QVERIFY(entryExists(win(QStringLiteral("dir\\"))));
        QVERIFY(entryExists(win(QStringLiteral("FILE.TXT")))); // a plain file counts
        QVERIFY(!entryExists(win(QStringLiteral("missing"))));

        setDosAttrib(host(QStringLiteral("Dir")), "0x2");
        QVERIFY(!entryExists(win(QStringLiteral("Dir"))));
        setDosAttrib(host(QStringLiteral("file.txt")), "0x4");
        QVERIFY(!entryExists(win(QStringLiteral("file.txt"))));
        setDosAttrib(host(QStringLiteral("file.txt")), "0x21"); // archive and a stray read-only bit
        QVERIFY(entryExists(win(QStringLiteral("file.txt"))));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral(".cache")));
        QVERIFY(!entryExists(win(QStringLiteral(".cache"))));
        QVERIFY(entryExists(QStringLiteral("C:\\")));
    }

    void ensureDirectoryMakesEveryMissingParent()
    {
        QVERIFY(!EnsureDirectory(win(QStringLiteral("a\\b\\c\\"))));
        QVERIFY(QFileInfo(host(QStringLiteral("a/b/c"))).isDir());
        QVERIFY(!EnsureDirectory(win(QStringLiteral("A\\B\\c")))); // there already, in another case
        QVERIFY(!QFileInfo::exists(host(QStringLiteral("A"))));
        QVERIFY(!EnsureDirectory(win(QStringLiteral("a\\B\\new"))));
        QVERIFY(QFileInfo(host(QStringLiteral("a/b/new"))).isDir());

        // A drive root and short paths are never created.
        QVERIFY(!EnsureDirectory(QStringLiteral("C:\\")));
        QVERIFY(!EnsureDirectory(QStringLiteral("Q:\\")));
        QVERIFY(EnsureDirectory(QStringLiteral("Q:\\unmapped\\x")));

        // A file in the way is a failure further down.
        touch(host(QStringLiteral("plain")));
        QVERIFY(EnsureDirectory(win(QStringLiteral("plain\\sub"))));

        // A hidden folder is there even if the entry test does not count it.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("hid")));
        setDosAttrib(host(QStringLiteral("hid")), "0x2");
        QVERIFY(!EnsureDirectory(win(QStringLiteral("hid"))));
        QVERIFY(!EnsureDirectory(win(QStringLiteral("hid\\below"))));
        QVERIFY(QFileInfo(host(QStringLiteral("hid/below"))).isDir());
        QVERIFY(!EnsureDirectory(win(QStringLiteral(".dotted\\x"))));
        QVERIFY(QFileInfo(host(QStringLiteral(".dotted/x"))).isDir());

        // Too long: the parents that fit are made, the folder itself is refused, never cut short.
        const QString longName(300 - m_win.size(), QLatin1Char('L'));
        QVERIFY(EnsureDirectory(win(QStringLiteral("long\\") + longName)));
        QVERIFY(QFileInfo(host(QStringLiteral("long"))).isDir());
        QVERIFY(QDir(host(QStringLiteral("long"))).isEmpty());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestRestorePaths)
#include "tst_restorepaths.moc"
