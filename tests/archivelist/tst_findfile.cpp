// The directory walker: walk orders, hidden and system folders, the extension filter, link loops
// and the path limit.
#include "testfiles.h"
#include "testmain.h"

#include "core/archivelist/findfile.h"
#include "core/platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// What a walk from folder hands out: its folders, or its files.
QStringList walk(TFindFile &walker, const QString &folder, bool files)
{
    walker.Start(folder);
    QStringList found;
    for (int guard = 0; guard < 100000; ++guard) {
        const QString next = files ? walker.NextFile() : walker.NextDir();
        if (walker.done())
            break;
        found.append(next);
    }
    return found;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

QStringList allDirs(TFindFile &walker, const QString &folder)
{
    return walk(walker, folder, false);
}

QStringList allFiles(TFindFile &walker, const QString &folder, const QStringList &extensions)
{
    walker.setExtensions(extensions);
    return walk(walker, folder, true);
}

// What the walk must give for a tree without hidden folders or links, from the C++ library's own
// listing of each folder (which keeps the file system's order).
void expectedWalk(const fs::path &dir, const QString &relative, QStringList *dirs, QStringList *files)
{
    QStringList subdirs;
    for (const fs::directory_entry &e : fs::directory_iterator(dir)) {
        const QString name = QString::fromStdString(e.path().filename().string());
        if (e.is_directory())
            subdirs.append(name);
        else
            files->append(relative + name);
    }
    for (const QString &name : std::as_const(subdirs)) {
        dirs->append(relative + name);
        QStringList subFiles;
        expectedWalk(dir / name.toStdString(), relative + name + QLatin1Char('\\'), dirs, &subFiles);
        files->append(subFiles);
    }
}
} // namespace

class TestFindFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_win;

    QString host(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        m_win = win::ToWindowsPath(m_dir.path());
    }

    void walksFoldersBeforeWhatIsBelowThemAndFilesBeforeSubfolders()
    {
        // A tree against the file system's own order, level by level.
        for (const char *d : {"A/B/C", "D/E", "D/F/G", "D/H", "I", "A/J/K/L"})
            QVERIFY(QDir(m_dir.path()).mkpath(QLatin1String(d)));
        for (const char *f : {"x.txt", "A/y.txt", "A/B/z.txt", "D/1.txt", "D/E/2.txt", "D/F/3.txt",
                              "D/F/G/4.txt", "D/5.txt", "A/J/K/L/6.txt", "7.txt"})
            writeFile(host(QLatin1String(f)), {});
        TFindFile walker;
        QStringList expectedDirs;
        QStringList expectedFiles;
        expectedWalk(fs::path(m_dir.path().toStdString()), QString(), &expectedDirs, &expectedFiles);
        QCOMPARE(allDirs(walker, m_win), expectedDirs);
        QCOMPARE(allFiles(walker, m_win, {QStringLiteral(".*")}), expectedFiles);
        // The same through a trailing backslash, a case that differs and a child start that reuses
        // the earlier walker.
        QCOMPARE(allDirs(walker, m_win.toLower() + QLatin1Char('\\')), expectedDirs);
    }

    void emptyFoldersAndEmptyFiltersFinishAtOnce()
    {
        TFindFile walker;
        QVERIFY(allDirs(walker, m_win).isEmpty());
        QVERIFY(allFiles(walker, m_win, {QStringLiteral(".*")}).isEmpty());
        writeFile(host("a.txt"), {});
        QVERIFY(allFiles(walker, m_win, {}).isEmpty());
        QVERIFY(allFiles(walker, m_win + QStringLiteral("\\missing"), {QStringLiteral(".*")}).isEmpty());

        // A new Start forgets the walk before it, even half way through.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("one/two")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("other/three")));
        walker.Start(m_win + QStringLiteral("\\one"));
        QCOMPARE(walker.NextDir(), QStringLiteral("two"));
        QCOMPARE(allDirs(walker, m_win + QStringLiteral("\\other")), QStringList{"three"});
    }

    void hiddenAndSystemFoldersAreNotWalkedHiddenFilesAreListed()
    {
        for (const char *d : {".git/objects", "Hidden/inner", "System", ".shown/inner", "Normal"})
            QVERIFY(QDir(m_dir.path()).mkpath(QLatin1String(d)));
        setDosAttrib(host("Hidden"), "0x2");
        setDosAttrib(host("System"), "0x4");
        setDosAttrib(host(".shown"), "0x20"); // a dot folder marked as not hidden
        for (const char *f : {".git/HEAD", "Hidden/a.txt", "System/b.txt", ".shown/c.txt", "Normal/h.txt",
                              "Normal/.dot.txt", "Normal/s.txt"})
            writeFile(host(QLatin1String(f)), {});
        setDosAttrib(host("Normal/h.txt"), "0x2");
        setDosAttrib(host("Normal/s.txt"), "0x6");
        const QString fifo = host("Normal/pipe.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        writeFile(host("Normal/back\\slash.txt"), {});

        TFindFile walker;
        QCOMPARE(sorted(allDirs(walker, m_win)), QStringList({".shown", ".shown\\inner", "Normal"}));
        QCOMPARE(sorted(allFiles(walker, m_win, {QStringLiteral(".txt")})),
                 QStringList({".shown\\c.txt", "Normal\\.dot.txt", "Normal\\h.txt", "Normal\\s.txt"}));
    }

    void extensionsMatchWithoutRegardToCase()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("deep/er")));
        for (const char *f :
             {"A.BMP", "b.bmp", "c.Bmp.txt", "bmp", "deep/er/D.BmP", "deep/x.doc", "README", "e."})
            writeFile(host(QLatin1String(f)), {});
        TFindFile walker;
        QCOMPARE(sorted(allFiles(walker, m_win, {QStringLiteral(".bmp")})),
                 QStringList({"A.BMP", "b.bmp", "deep\\er\\D.BmP"}));
        QCOMPARE(sorted(allFiles(walker, m_win, {QStringLiteral(".DOC"), QStringLiteral(".TXT")})),
                 QStringList({"c.Bmp.txt", "deep\\x.doc"}));
        // ".*" admits every file, those without an extension too.
        QCOMPARE(allFiles(walker, m_win, {QStringLiteral(".none"), QStringLiteral(".*")}).size(), 8);
        // The filter is copied at Start: changing it afterwards does not change a walk under way.
        walker.setExtensions({QStringLiteral(".bmp")});
        walker.Start(m_win);
        walker.setExtensions({});
        int count = 0;
        while (walker.NextFile(), !walker.done())
            ++count;
        QCOMPARE(count, 3);
    }

    void linkLoopsEnd()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("A/B")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("outside/inner")));
        writeFile(host("A/B/f.txt"), {});
        writeFile(host("outside/inner/o.txt"), {});
        QCOMPARE(::symlink("..", QFile::encodeName(host("A/B/up")).constData()), 0);
        QCOMPARE(::symlink(QFile::encodeName(m_dir.path()).constData(),
                           QFile::encodeName(host("A/top")).constData()),
                 0);
        QCOMPARE(::symlink("../../outside", QFile::encodeName(host("A/B/out")).constData()), 0);
        QCOMPARE(::symlink("..", QFile::encodeName(host("outside/inner/back")).constData()), 0);
        QCOMPARE(::symlink("nowhere", QFile::encodeName(host("A/dangling")).constData()), 0);

        TFindFile walker;
        // Links back up the chain are listed but not entered; a link out of the chain is walked
        // until it, too, leads back.
        QCOMPARE(sorted(allDirs(walker, m_win)),
                 QStringList({"A", "A\\B", "A\\B\\out", "A\\B\\out\\inner", "A\\B\\out\\inner\\back",
                              "A\\B\\up", "A\\top", "outside", "outside\\inner", "outside\\inner\\back"}));
        QCOMPARE(
            sorted(allFiles(walker, m_win, {QStringLiteral(".*")})),
            QStringList({"A\\B\\f.txt", "A\\B\\out\\inner\\o.txt", "A\\dangling", "outside\\inner\\o.txt"}));
    }

    void stayingInsideEntersNoLinkThatLeadsOut()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("walked/A")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("outside/inner")));
        writeFile(host("walked/A/f.txt"), {});
        writeFile(host("outside/inner/o.txt"), {});
        QCOMPARE(::symlink("../outside", QFile::encodeName(host("walked/out")).constData()), 0);
        QCOMPARE(::symlink("A", QFile::encodeName(host("walked/alias")).constData()), 0);
        const QString walked = m_win + QStringLiteral("\\walked");

        TFindFile walker;
        walker.setStayInside(true);
        // The link out is listed, not entered; a link that stays inside is walked as usual.
        QCOMPARE(sorted(allDirs(walker, walked)), QStringList({"A", "alias", "out"}));
        QCOMPARE(sorted(allFiles(walker, walked, {QStringLiteral(".*")})),
                 QStringList({"A\\f.txt", "alias\\f.txt"}));
    }

    void foldersBeyondThePathLimitAreListedNotEntered()
    {
        // Nested folders of 20 characters until the Windows path passes 255.
        const QString level(20, QLatin1Char('n'));
        QString relative;
        while (m_win.size() + relative.size() < 300)
            relative += (relative.isEmpty() ? QString() : QStringLiteral("/")) + level;
        QVERIFY(QDir(m_dir.path()).mkpath(relative));
        TFindFile walker;
        const QStringList dirs = allDirs(walker, m_win);
        QVERIFY(!dirs.isEmpty());
        for (const QString &dir : dirs) {
            // Every folder handed out was found by listing a folder whose path fits.
            const qsizetype slash = dir.lastIndexOf(QLatin1Char('\\'));
            const QString listed = slash < 0 ? m_win : m_win + QLatin1Char('\\') + dir.left(slash);
            QVERIFY2(listed.size() <= 255, qPrintable(dir));
        }
        const QString deepest = m_win + QLatin1Char('\\') + dirs.last();
        QVERIFY(deepest.size() > 255);                               // listed...
        QVERIFY(deepest.size() - level.size() - 1 <= 255);           // ...by a folder that fits
        QVERIFY(dirs.size() < relative.count(QLatin1Char('/')) + 1); // and nothing below it
    }
};

DUNLIVO_CORE_TEST_MAIN(TestFindFile)
#include "tst_findfile.moc"
