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
#include <QSet>
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

// The names a folder holds (without "." and ".."), to see that nothing was left behind.
QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

FILETIME fileTimeAt(qint64 seconds)
{
    return FileTimeFromTimespec(timespec{time_t(seconds), 0});
}

// Puts the extended-attribute failure back however a test ends.
struct NoExtendedAttributes
{
    NoExtendedAttributes() { SetExtendedAttributeFailureForTesting(ENOTSUP); }
    ~NoExtendedAttributes() { SetExtendedAttributeFailureForTesting(0); }
};
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
        QVERIFY(m_win.startsWith(QStringLiteral("Z:\\")));
    }

    void attributesRoundTripThroughModeAndExtendedAttribute()
    {
        writeFile(host(QStringLiteral("a.txt")), "a");
        QCOMPARE(GetFileAttributes(win(QStringLiteral("A.TXT"))), DWORD(FILE_ATTRIBUTE_NORMAL));

        const DWORD all =
            FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
        QVERIFY(SetFileAttributes(win(QStringLiteral("a.txt")), all));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), all);
        QCOMPARE(dosAttrib(host(QStringLiteral("a.txt"))), QByteArray("0x26"));
        QCOMPARE(modeOf(host(QStringLiteral("a.txt"))) & 0222, mode_t(0)); // nobody may write it

        QVERIFY(SetFileAttributes(win(QStringLiteral("a.txt")), FILE_ATTRIBUTE_ARCHIVE));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), DWORD(FILE_ATTRIBUTE_ARCHIVE));
        QVERIFY(modeOf(host(QStringLiteral("a.txt"))) & S_IWUSR);
        QVERIFY(SetFileAttributes(win(QStringLiteral("a.txt")), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), DWORD(FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(dosAttrib(host(QStringLiteral("a.txt"))), QByteArray("<none>")); // nothing left to say

        // Read-only is the owner's write bit alone, for root too.
        ::chmod(hostOf(host(QStringLiteral("a.txt"))).constData(), 0466);
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), DWORD(FILE_ATTRIBUTE_READONLY));
        ::chmod(hostOf(host(QStringLiteral("a.txt"))).constData(), 0200);
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), DWORD(FILE_ATTRIBUTE_NORMAL));

        // Dot names are hidden until the attribute says otherwise.
        writeFile(host(QStringLiteral(".profile")), "p");
        QCOMPARE(GetFileAttributes(win(QStringLiteral(".profile"))), DWORD(FILE_ATTRIBUTE_HIDDEN));
        QVERIFY(SetFileAttributes(win(QStringLiteral(".profile")), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetFileAttributes(win(QStringLiteral(".profile"))), DWORD(FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(dosAttrib(host(QStringLiteral(".profile"))), QByteArray("0x0"));
        QVERIFY(SetFileAttributes(win(QStringLiteral(".profile")), FILE_ATTRIBUTE_HIDDEN));
        QCOMPARE(GetFileAttributes(win(QStringLiteral(".profile"))), DWORD(FILE_ATTRIBUTE_HIDDEN));

        // What Samba writes: the text, a NUL and a binary record.
        const char samba[] = "0x4\0\x03\x00\x03\x00\x11\x00\x00\x00";
        ::setxattr(hostOf(host(QStringLiteral("a.txt"))).constData(), "user.DOSATTRIB", samba,
                   sizeof(samba) - 1, 0);
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), DWORD(FILE_ATTRIBUTE_SYSTEM));
        // A value in another form is ignored, not misread.
        ::setxattr(hostOf(host(QStringLiteral("a.txt"))).constData(), "user.DOSATTRIB", "hidden", 6, 0);
        QCOMPARE(GetFileAttributes(win(QStringLiteral("a.txt"))), DWORD(FILE_ATTRIBUTE_NORMAL));

        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Sub")));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("sub"))), DWORD(FILE_ATTRIBUTE_DIRECTORY));
        QVERIFY(SetFileAttributes(win(QStringLiteral("sub")), FILE_ATTRIBUTE_HIDDEN));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("sub"))),
                 DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));

        QCOMPARE(GetFileAttributes(win(QStringLiteral("missing.txt"))), INVALID_FILE_ATTRIBUTES);
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("missing\\x.txt"))), INVALID_FILE_ATTRIBUTES);
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
        QVERIFY(!SetFileAttributes(win(QStringLiteral("missing.txt")), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    }

    void withoutExtendedAttributesOnlyNameAndPermissionCount()
    {
        writeFile(host(QStringLiteral("plain.txt")), "x");
        writeFile(host(QStringLiteral(".dot")), "x");
        NoExtendedAttributes none;
        QVERIFY(SetFileAttributes(win(QStringLiteral("plain.txt")),
                                  FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("plain.txt"))), DWORD(FILE_ATTRIBUTE_READONLY));
        QVERIFY(SetFileAttributes(win(QStringLiteral(".dot")), FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(GetFileAttributes(win(QStringLiteral(".dot"))), DWORD(FILE_ATTRIBUTE_HIDDEN));
        QCOMPARE(GetLastError(), DWORD(ERROR_SUCCESS));
    }

    void copyReplacesTheTargetAndKeepsTheSourceTimes()
    {
        writeFile(host(QStringLiteral("src.bin")), QByteArray(300000, 'n') + "end");
        const timespec times[2] = {{1000000001, 123456700}, {1234567891, 987654300}};
        QCOMPARE(::utimensat(AT_FDCWD, hostOf(host(QStringLiteral("src.bin"))).constData(), times, 0), 0);
        ::setxattr(hostOf(host(QStringLiteral("src.bin"))).constData(), "user.DOSATTRIB", "0x22", 4, 0);
        writeFile(host(QStringLiteral("dst.bin")), "old target");

        QVERIFY(CopyFile(win(QStringLiteral("SRC.bin")), win(QStringLiteral("dst.bin")), false));
        struct stat st; // before reading the copy, which moves its access time
        QCOMPARE(::stat(hostOf(host(QStringLiteral("dst.bin"))).constData(), &st), 0);
        QCOMPARE(st.st_mtim.tv_sec, times[1].tv_sec);
        QCOMPARE(st.st_mtim.tv_nsec, times[1].tv_nsec);
        QCOMPARE(st.st_atim.tv_sec, times[0].tv_sec);
        QCOMPARE(readFile(host(QStringLiteral("dst.bin"))), readFile(host(QStringLiteral("src.bin"))));
        QCOMPARE(GetFileAttributes(win(QStringLiteral("dst.bin"))),
                 DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        QCOMPARE(namesIn(m_dir.path()), QStringList({QStringLiteral("dst.bin"), QStringLiteral("src.bin")}));

        // To a new name, and not over an existing one when asked not to.
        QVERIFY(CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("new.bin")), true));
        QCOMPARE(readFile(host(QStringLiteral("new.bin"))).size(), 300003);
        writeFile(host(QStringLiteral("keep.bin")), "keep");
        QVERIFY(!CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("keep.bin")), true));
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_EXISTS));
        QCOMPARE(readFile(host(QStringLiteral("keep.bin"))), QByteArray("keep"));

        // A read-only target stays until its attributes are cleared, as on Windows.
        QVERIFY(SetFileAttributes(win(QStringLiteral("keep.bin")), FILE_ATTRIBUTE_READONLY));
        QVERIFY(!CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("keep.bin")), false));
        QCOMPARE(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        QCOMPARE(readFile(host(QStringLiteral("keep.bin"))), QByteArray("keep"));
        QVERIFY(SetFileAttributes(win(QStringLiteral("keep.bin")), FILE_ATTRIBUTE_NORMAL));
        QVERIFY(CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("keep.bin")), false));

        // A target that is a link: the file it leads to gets the bytes, the link stays.
        writeFile(host(QStringLiteral("real.bin")), "real");
        QCOMPARE(::symlink("real.bin", hostOf(host(QStringLiteral("link.bin"))).constData()), 0);
        QVERIFY(CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("link.bin")), false));
        QVERIFY(QFileInfo(host(QStringLiteral("link.bin"))).isSymLink());
        QCOMPARE(readFile(host(QStringLiteral("real.bin"))).size(), 300003);

        QVERIFY(!CopyFile(win(QStringLiteral("none.bin")), win(QStringLiteral("x.bin")), false));
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
        QVERIFY(!CopyFile(win(QStringLiteral("folder")), win(QStringLiteral("x.bin")), false));
        QCOMPARE(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        QVERIFY(!CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("folder")), false));
        QCOMPARE(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        QVERIFY(!CopyFile(win(QStringLiteral("src.bin")), win(QStringLiteral("nowhere\\x.bin")), false));
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
        QVERIFY(!QFileInfo::exists(host(QStringLiteral("x.bin"))));
    }

    void aFailedCopyLeavesTheTargetAsItWas()
    {
        writeFile(host(QStringLiteral("big.bin")), QByteArray(1 << 20, 'b'));
        writeFile(host(QStringLiteral("target.bin")), "previous bytes");
        const QStringList before = namesIn(m_dir.path());

        // The file size limit makes the write fail part way, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const BOOL copied =
            CopyFile(win(QStringLiteral("big.bin")), win(QStringLiteral("target.bin")), false);
        const DWORD error = GetLastError();
        const BOOL copiedNew =
            CopyFile(win(QStringLiteral("big.bin")), win(QStringLiteral("fresh.bin")), false);
        ::setrlimit(RLIMIT_FSIZE, &old);

        QVERIFY(!copied);
        QCOMPARE(error, DWORD(ERROR_WRITE_FAULT));
        QVERIFY(!copiedNew);
        QCOMPARE(readFile(host(QStringLiteral("target.bin"))), QByteArray("previous bytes"));
        QCOMPARE(namesIn(m_dir.path()), before); // no half file, no temporary left
    }

    void createDirectoryAndDeleteFile()
    {
        QVERIFY(CreateDirectory(win(QStringLiteral("made"))));
        QVERIFY(QFileInfo(host(QStringLiteral("made"))).isDir());
        QVERIFY(!CreateDirectory(win(QStringLiteral("MADE"))));
        QCOMPARE(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
        QVERIFY(!CreateDirectory(win(QStringLiteral("no\\such"))));
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
        QVERIFY(!CreateDirectory(QStringLiteral("Z:\\") + QString(260, QLatin1Char('x'))));
        QCOMPARE(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));

        writeFile(host(QStringLiteral("made/f.txt")), "f");
        QVERIFY(SetFileAttributes(win(QStringLiteral("made\\f.txt")), FILE_ATTRIBUTE_READONLY));
        QVERIFY(!DeleteFile(win(QStringLiteral("made\\f.txt"))));
        QCOMPARE(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        QVERIFY(SetFileAttributes(win(QStringLiteral("made\\f.txt")), FILE_ATTRIBUTE_HIDDEN));
        QVERIFY(DeleteFile(win(QStringLiteral("Made\\F.TXT"))));
        QVERIFY(!QFileInfo::exists(host(QStringLiteral("made/f.txt"))));
        QVERIFY(!DeleteFile(win(QStringLiteral("made\\f.txt"))));
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        QVERIFY(!DeleteFile(win(QStringLiteral("made"))));
        QCOMPARE(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

        // Deleting a link removes the link, not what it leads to.
        writeFile(host(QStringLiteral("kept.txt")), "k");
        QCOMPARE(::symlink("kept.txt", hostOf(host(QStringLiteral("made/l.txt"))).constData()), 0);
        QVERIFY(DeleteFile(win(QStringLiteral("made\\l.txt"))));
        QCOMPARE(readFile(host(QStringLiteral("kept.txt"))), QByteArray("k"));
    }

    void dosDateTimesConvertAsWindowsDoes()
    {
        WORD date = 0;
        WORD time = 0;
        // 2024-02-29 13:45:59 UTC as a FILETIME: the odd second is cut to 58.
        const qint64 leapDay = 1709214359;
        FILETIME ft = fileTimeAt(leapDay);
        QCOMPARE((quint64(ft.dwHighDateTime) << 32 | ft.dwLowDateTime),
                 quint64(leapDay + 11644473600LL) * 10000000);
        QVERIFY(FileTimeToDosDateTime(&ft, &date, &time));
        QCOMPARE(date, WORD((44 << 9) | (2 << 5) | 29));
        QCOMPARE(time, WORD((13 << 11) | (45 << 5) | 29));
        FILETIME back;
        QVERIFY(DosDateTimeToFileTime(date, time, &back));
        QCOMPARE(TimespecFromFileTime(back).tv_sec, time_t(leapDay - 1));

        // The range is 1980-01-01 00:00:00 to 2107-12-31 23:59:58.
        FILETIME first = fileTimeAt(315532800);
        QVERIFY(FileTimeToDosDateTime(&first, &date, &time));
        QCOMPARE(date, WORD(0x21));
        QCOMPARE(time, WORD(0));
        FILETIME before = fileTimeAt(315532799);
        QVERIFY(!FileTimeToDosDateTime(&before, &date, &time));
        QCOMPARE(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        FILETIME last = fileTimeAt(4354819199);
        QVERIFY(FileTimeToDosDateTime(&last, &date, &time));
        QCOMPARE(date, WORD((127 << 9) | (12 << 5) | 31));
        FILETIME after = fileTimeAt(4354819200);
        QVERIFY(!FileTimeToDosDateTime(&after, &date, &time));

        QVERIFY(!DosDateTimeToFileTime(WORD((44 << 9) | (13 << 5) | 1), 0, &back)); // month 13
        QVERIFY(!DosDateTimeToFileTime(WORD((45 << 9) | (2 << 5) | 29), 0, &back)); // 2025-02-29
        QVERIFY(!DosDateTimeToFileTime(WORD((44 << 9) | (1 << 5) | 1), WORD(24 << 11), &back));

        // Local and back is the same time, whatever the zone.
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        ::tzset();
        FILETIME local;
        QVERIFY(FileTimeToLocalFileTime(&ft, &local));
        QVERIFY(LocalFileTimeToFileTime(&local, &back));
        QCOMPARE(back.dwLowDateTime, ft.dwLowDateTime);
        QCOMPARE(back.dwHighDateTime, ft.dwHighDateTime);
        const qint64 shift = TimespecFromFileTime(local).tv_sec - TimespecFromFileTime(ft).tv_sec;
        QVERIFY(shift == 3600 || shift == 7200);

        // Carrying a modification time from one file to another at DOS resolution.
        writeFile(host(QStringLiteral("from")), "f");
        writeFile(host(QStringLiteral("to")), "t");
        const timespec stamp[2] = {{0, UTIME_OMIT}, {1600000001, 500000000}};
        QCOMPARE(::utimensat(AT_FDCWD, hostOf(host(QStringLiteral("from"))).constData(), stamp, 0), 0);
        DWORD dos = 0;
        QVERIFY(GetFileDosDateTime(win(QStringLiteral("from")), &dos));
        QVERIFY(SetFileDosDateTime(win(QStringLiteral("to")), dos));
        struct stat st;
        QCOMPARE(::stat(hostOf(host(QStringLiteral("to"))).constData(), &st), 0);
        QCOMPARE(st.st_mtim.tv_sec, time_t(1600000000));
        QCOMPARE(st.st_mtim.tv_nsec, 0L);
        QVERIFY(!GetFileDosDateTime(win(QStringLiteral("nothing")), &dos));
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        ::tzset();
    }

    void aDriveRootListsNoDotEntriesAndIsNotHiddenByItsHostName()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral(".drive/inner")));
        const QString link = Prefix::dosdevicesDir() + QStringLiteral("/y:");
        QCOMPARE(::symlink(hostOf(host(QStringLiteral(".drive"))).constData(), hostOf(link).constData()), 0);
        QCOMPARE(GetFileAttributes(QStringLiteral("Y:\\")), DWORD(FILE_ATTRIBUTE_DIRECTORY));
        QCOMPARE(GetFileAttributes(win(QStringLiteral(".drive"))),
                 DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
        WIN32_FIND_DATA data;
        QStringList names;
        HANDLE h = FindFirstFile(QStringLiteral("Y:\\*.*"), &data);
        QVERIFY(h != INVALID_HANDLE_VALUE);
        do
            names.append(data.cFileName);
        while (FindNextFile(h, &data));
        FindClose(h);
        QFile::remove(link);
        QCOMPARE(names, QStringList{QStringLiteral("inner")});
    }

    void listingsCarryAttributesAndMatchPatterns()
    {
        writeFile(host(QStringLiteral("a.txt")), "12345");
        writeFile(host(QStringLiteral("B.TXT")), "");
        writeFile(host(QStringLiteral(".hidden")), "");
        writeFile(host(QStringLiteral("README")), "");
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
        QCOMPARE(::mkfifo(hostOf(host(QStringLiteral("pipe"))).constData(), 0600), 0);
        writeFile(host(QStringLiteral("back\\slash")), "");

        QHash<QString, WIN32_FIND_DATA> found;
        WIN32_FIND_DATA data;
        HANDLE h = FindFirstFile(win(QStringLiteral("*.*")), &data);
        QVERIFY(h != INVALID_HANDLE_VALUE);
        do
            found.insert(data.cFileName, data);
        while (FindNextFile(h, &data));
        QCOMPARE(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
        QVERIFY(FindClose(h));
        const QStringList names = found.keys();
        QCOMPARE(QSet<QString>(names.begin(), names.end()),
                 QSet<QString>({QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a.txt"),
                                QStringLiteral("B.TXT"), QStringLiteral(".hidden"), QStringLiteral("README"),
                                QStringLiteral("sub")}));
        QCOMPARE(found[QStringLiteral("a.txt")].nFileSizeLow, DWORD(5));
        QCOMPARE(found[QStringLiteral("a.txt")].dwFileAttributes, DWORD(FILE_ATTRIBUTE_NORMAL));
        QCOMPARE(found[QStringLiteral(".hidden")].dwFileAttributes, DWORD(FILE_ATTRIBUTE_HIDDEN));
        QCOMPARE(found[QStringLiteral("sub")].dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
        QCOMPARE(found[QStringLiteral("..")].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY,
                 DWORD(FILE_ATTRIBUTE_DIRECTORY));

        QStringList txt;
        h = FindFirstFile(win(QStringLiteral("*.TxT")), &data);
        QVERIFY(h != INVALID_HANDLE_VALUE);
        do
            txt.append(data.cFileName);
        while (FindNextFile(h, &data));
        FindClose(h);
        txt.sort();
        QCOMPARE(txt, QStringList({QStringLiteral("B.TXT"), QStringLiteral("a.txt")}));

        QCOMPARE(FindFirstFile(win(QStringLiteral("x*")), &data), INVALID_HANDLE_VALUE);
        QCOMPARE(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
        QCOMPARE(FindFirstFile(win(QStringLiteral("gone\\*.*")), &data), INVALID_HANDLE_VALUE);
        QCOMPARE(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

        QVERIFY(MatchesWildcard(u"README", u"*.*"));
        QVERIFY(MatchesWildcard(u"README", u"*."));
        QVERIFY(!MatchesWildcard(u"a.txt", u"*."));
        QVERIFY(MatchesWildcard(u"report.doc", u"R?P*.D*"));
        QVERIFY(!MatchesWildcard(u"report.doc", u"*.docx"));
        QVERIFY(MatchesWildcard(u"aXbXc", u"*x*x*"));
        QVERIFY(!MatchesWildcard(u"abc", u"a?"));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestFiles)
#include "tst_files.moc"
