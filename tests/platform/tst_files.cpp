// Files by Windows path: attributes, copy, create and delete, file times and folder listings.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/attributes.h"
#include "core/platform/enumeration.h"
#include "core/platform/files.h"
#include "core/platform/filetime.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>

using namespace win;

namespace {
QByteArray hostOf(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray dosAttrib(const QString &path)
{
    char buffer[64];
    const ssize_t n = ::getxattr(hostOf(path).constData(), "user.DOSATTRIB", buffer, sizeof(buffer));
    return n < 0 ? QByteArray("<none>") : QByteArray(buffer, n);
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(hostOf(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// What a search finds, by name.
QMap<QString, WIN32_FIND_DATA> search(const QString &pattern)
{
    QMap<QString, WIN32_FIND_DATA> found;
    WIN32_FIND_DATA data;
    HANDLE h = FindFirstFile(pattern, &data);
    if (h == INVALID_HANDLE_VALUE)
        return found;
    do
        found.insert(data.cFileName, data);
    while (FindNextFile(h, &data));
    FindClose(h);
    return found;
}
} // namespace

class TestFiles : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_win; // m_dir as a Windows path

    QString host(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString win(const QString &name) const { return m_win + QLatin1Char('\\') + name; }

private Q_SLOTS:
    void init()
    {
        // Every test starts on an empty folder.
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        m_win = ToWindowsPath(m_dir.path());
    }

    void attributesRoundTripThroughModeAndExtendedAttribute()
    {
        writeFile(host("a.txt"), "a");
        QCOMPARE(GetFileAttributes(win("A.TXT")), DWORD(FILE_ATTRIBUTE_NORMAL));

        const DWORD all =
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
        QVERIFY(SetFileAttributes(win("a.txt"), all));
        QCOMPARE(GetFileAttributes(win("a.txt")), all);
        QCOMPARE(dosAttrib(host("a.txt")), QByteArray("0x26"));
        QCOMPARE(modeOf(host("a.txt")) & 0222, mode_t(0)); // nobody may write it

        QVERIFY(SetFileAttributes(win("a.txt"), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetFileAttributes(win("a.txt")), DWORD(FILE_ATTRIBUTE_NORMAL));
        QVERIFY(modeOf(host("a.txt")) & S_IWUSR);
        QCOMPARE(dosAttrib(host("a.txt")), QByteArray("<none>")); // nothing left to say

        // Read-only is the owner's write bit alone, for root too.
        ::chmod(hostOf(host("a.txt")).constData(), 0466);
        QCOMPARE(GetFileAttributes(win("a.txt")), DWORD(FILE_ATTRIBUTE_READONLY));
        ::chmod(hostOf(host("a.txt")).constData(), 0200);
        QCOMPARE(GetFileAttributes(win("a.txt")), DWORD(FILE_ATTRIBUTE_NORMAL));

        // A dot name is hidden until the attribute says otherwise.
        writeFile(host(".profile"), "p");
        QVERIFY(SetFileAttributes(win(".profile"), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetFileAttributes(win(".profile")), DWORD(FILE_ATTRIBUTE_NORMAL));

        // What Samba writes: the text, a NUL and a binary record.
        const char samba[] = "0x4\0\x03\x00\x03\x00\x11\x00\x00\x00";
        ::setxattr(hostOf(host("a.txt")).constData(), "user.DOSATTRIB", samba, sizeof(samba) - 1, 0);
        QCOMPARE(GetFileAttributes(win("a.txt")), DWORD(FILE_ATTRIBUTE_SYSTEM));
        // A value in another form is ignored, not misread.
        setDosAttrib(host("a.txt"), "hidden");
        QCOMPARE(GetFileAttributes(win("a.txt")), DWORD(FILE_ATTRIBUTE_NORMAL));

        QCOMPARE(GetFileAttributes(win("missing.txt")), INVALID_FILE_ATTRIBUTES);
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    }

    void withoutExtendedAttributesOnlyNameAndPermissionCount()
    {
        writeFile(host("plain.txt"), "x");
        writeFile(host(".dot"), "x");
        SetExtendedAttributeFailureForTesting(ENOTSUP);
        const auto restore = qScopeGuard([] { SetExtendedAttributeFailureForTesting(0); });
        QVERIFY(SetFileAttributes(win("plain.txt"),
                                  FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
        QCOMPARE(GetFileAttributes(win("plain.txt")), DWORD(FILE_ATTRIBUTE_READONLY));
        QVERIFY(SetFileAttributes(win(".dot"), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetFileAttributes(win(".dot")), DWORD(FILE_ATTRIBUTE_HIDDEN));
    }

    void copyReplacesTheTargetAndKeepsTheSourceTimes()
    {
        writeFile(host("src.bin"), QByteArray(300000, 'n') + "end");
        const timespec times[2] = {{1000000001, 123456700}, {1234567891, 987654300}};
        QCOMPARE(::utimensat(AT_FDCWD, hostOf(host("src.bin")).constData(), times, 0), 0);
        setDosAttrib(host("src.bin"), "0x22");
        writeFile(host("dst.bin"), "old target");

        QVERIFY(CopyFile(win("SRC.bin"), win("dst.bin"), false));
        struct stat st; // before reading the copy, which moves its access time
        QCOMPARE(::stat(hostOf(host("dst.bin")).constData(), &st), 0);
        QCOMPARE(st.st_mtim.tv_sec, times[1].tv_sec);
        QCOMPARE(st.st_mtim.tv_nsec, times[1].tv_nsec);
        QCOMPARE(st.st_atim.tv_sec, times[0].tv_sec);
        QCOMPARE(readFile(host("dst.bin")), readFile(host("src.bin")));
        QCOMPARE(GetFileAttributes(win("dst.bin")), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

        // A target that is a link: the file it leads to gets the bytes, the link stays.
        writeFile(host("real.bin"), "real");
        QCOMPARE(::symlink("real.bin", hostOf(host("link.bin")).constData()), 0);
        QVERIFY(CopyFile(win("src.bin"), win("link.bin"), false));
        QVERIFY(QFileInfo(host("link.bin")).isSymLink());
        QCOMPARE(readFile(host("real.bin")).size(), 300003);

        QVERIFY(!CopyFile(win("src.bin"), win("nowhere\\x.bin"), false));
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    }

    void aFailedCopyLeavesTheTargetAsItWas()
    {
        writeFile(host("big.bin"), QByteArray(1 << 20, 'b'));
        writeFile(host("target.bin"), "previous bytes");
        const QStringList before = entriesOf(m_dir.path());

        // The file size limit makes the write fail part way, as a full disk would.
        const auto copy = [this](const char *target) {
            FileSizeLimit limit(64 * 1024);
            return CopyFile(win("big.bin"), win(target), false) ? DWORD(ERROR_SUCCESS) : GetLastError();
        };
        QCOMPARE(copy("target.bin"), DWORD(ERROR_WRITE_FAULT));
        QCOMPARE(copy("fresh.bin"), DWORD(ERROR_WRITE_FAULT));
        QCOMPARE(readFile(host("target.bin")), QByteArray("previous bytes"));
        QCOMPARE(entriesOf(m_dir.path()), before); // no half file, no temporary left
    }

    void createDirectoryAndDeleteFile()
    {
        QVERIFY(CreateDirectory(win("made")));
        QVERIFY(QFileInfo(host("made")).isDir());
        QVERIFY(!CreateDirectory(win("MADE")));
        QCOMPARE(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
        QVERIFY(!CreateDirectory(win("no\\such")));
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

        writeFile(host("made/f.txt"), "f");
        QVERIFY(SetFileAttributes(win("made\\f.txt"), FILE_ATTRIBUTE_READONLY));
        QVERIFY(!DeleteFile(win("made\\f.txt")));
        QCOMPARE(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        QVERIFY(SetFileAttributes(win("made\\f.txt"), FILE_ATTRIBUTE_NORMAL));
        QVERIFY(DeleteFile(win("Made\\F.TXT")));
        QVERIFY(!QFileInfo::exists(host("made/f.txt")));

        // Deleting a link removes the link, not what it leads to.
        writeFile(host("kept.txt"), "k");
        QCOMPARE(::symlink("kept.txt", hostOf(host("made/l.txt")).constData()), 0);
        QVERIFY(DeleteFile(win("made\\l.txt")));
        QCOMPARE(readFile(host("kept.txt")), QByteArray("k"));
    }

    void dosDateTimesConvertAsWindowsDoes()
    {
        WORD date = 0;
        WORD time = 0;
        // 2024-02-29 13:45:59 UTC as a FILETIME: the odd second is cut to 58.
        const qint64 leapDay = 1709214359;
        FILETIME ft = FileTimeFromTimespec(timespec{time_t(leapDay), 0});
        QVERIFY(FileTimeToDosDateTime(&ft, &date, &time));
        QCOMPARE(date, WORD((44 << 9) | (2 << 5) | 29));
        QCOMPARE(time, WORD((13 << 11) | (45 << 5) | 29));
        FILETIME back;
        QVERIFY(DosDateTimeToFileTime(date, time, &back));
        QCOMPARE(TimespecFromFileTime(back).tv_sec, time_t(leapDay - 1));

        // The range is 1980-01-01 00:00:00 to 2107-12-31 23:59:58.
        for (const qint64 seconds : {315532799LL, 315532800LL, 4354819199LL, 4354819200LL}) {
            FILETIME at = FileTimeFromTimespec(timespec{time_t(seconds), 0});
            QCOMPARE(FileTimeToDosDateTime(&at, &date, &time), seconds == 315532800 || seconds == 4354819199);
        }
        QCOMPARE(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

        QVERIFY(!DosDateTimeToFileTime(WORD((45 << 9) | (2 << 5) | 29), 0, &back)); // 2025-02-29
        QVERIFY(!DosDateTimeToFileTime(WORD((44 << 9) | (1 << 5) | 1), WORD(24 << 11), &back));
    }

    void aDriveRootListsNoDotEntriesAndIsNotHiddenByItsHostName()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral(".drive/inner")));
        const QString link = Prefix::dosdevicesDir() + QStringLiteral("/y:");
        QCOMPARE(::symlink(hostOf(host(".drive")).constData(), hostOf(link).constData()), 0);
        QCOMPARE(GetFileAttributes(QStringLiteral("Y:\\")), DWORD(FILE_ATTRIBUTE_DIRECTORY));
        QCOMPARE(GetFileAttributes(win(".drive")), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
        const QStringList names = search(QStringLiteral("Y:\\*.*")).keys();
        QFile::remove(link);
        QCOMPARE(names, QStringList{"inner"});
    }

    void listingsCarryAttributesAndMatchPatterns()
    {
        writeFile(host("a.txt"), "12345");
        writeFile(host("B.TXT"), "");
        writeFile(host(".hidden"), "");
        writeFile(host("README"), "");
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
        QCOMPARE(::mkfifo(hostOf(host("pipe")).constData(), 0600), 0);
        writeFile(host("back\\slash"), "");

        const QMap<QString, WIN32_FIND_DATA> found = search(win("*.*"));
        QCOMPARE(found.keys(), QStringList({".", "..", ".hidden", "B.TXT", "README", "a.txt", "sub"}));
        QCOMPARE(found[QStringLiteral("a.txt")].nFileSizeLow, DWORD(5));
        QCOMPARE(found[QStringLiteral(".hidden")].dwFileAttributes, DWORD(FILE_ATTRIBUTE_HIDDEN));
        QCOMPARE(found[QStringLiteral("sub")].dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
        QCOMPARE(search(win("*.TxT")).keys(), QStringList({"B.TXT", "a.txt"}));

        WIN32_FIND_DATA data;
        QCOMPARE(FindFirstFile(win("x*"), &data), INVALID_HANDLE_VALUE);
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        QCOMPARE(FindFirstFile(win("gone\\*.*"), &data), INVALID_HANDLE_VALUE);
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

        for (const auto &[name, pattern, matches] : {std::tuple{u"README", u"*.", true},
                                                     {u"a.txt", u"*.", false},
                                                     {u"report.doc", u"R?P*.D*", true},
                                                     {u"report.doc", u"*.docx", false},
                                                     {u"aXbXc", u"*x*x*", true},
                                                     {u"abc", u"a?", false}})
            QVERIFY2(MatchesWildcard(name, pattern) == matches, qPrintable(QString::fromUtf16(name)));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestFiles)
#include "tst_files.moc"
