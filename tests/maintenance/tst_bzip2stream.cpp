// The bzip2 decompression stream and DecompressFile, over data compressed here by libbz2.
#include "testbzip2.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archiveinfo/bzip2library.h"

#include "core/compression/bzip2stream.h"
#include "core/platform/paths.h"
#include "core/restore/decompressfile.h"
#include "core/restore/pendingfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" void BZ2_bz__AssertH__fail(int errcode);
extern "C" void bz_internal_error(int errcode);

namespace {

// A field of /proc/self/status in KiB ("VmHWM:" the peak resident size so far); -1 when missing.
qint64 statusKb(const char *field)
{
    QFile status("/proc/self/status");
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf(field);
    return at < 0 ? -1 : text.mid(at + qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
}

// The bytes as a stream over a file in memory.
FileStream memoryStream(const QByteArray &data)
{
    const int fd = ::memfd_create("packed", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data.constData(), size_t(data.size())) != data.size() ||
        ::lseek(fd, 0, SEEK_SET) != 0)
        qFatal("no file in memory");
    return FileStream(fd, QStringLiteral("packed"));
}

// Decodes everything; "ok" or the text of the bzip2 error raised.
QString decodeAll(const QByteArray &packed, QByteArray *out = nullptr)
{
    FileStream source = memoryStream(packed);
    try {
        TBZDecompressionStream bz(source);
        char buffer[65536];
        qint64 n = 0;
        while ((n = bz.read(buffer, sizeof buffer)) > 0)
            if (out)
                out->append(buffer, n);
        return QStringLiteral("ok");
    } catch (const EBZCompressionError &e) {
        return QString::fromUtf8(e.what());
    }
}

template <typename E, typename F> QString raised(F &&f)
{
    try {
        f();
    } catch (const E &e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("nothing raised");
}

} // namespace

class TestBZip2Stream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsBackWhatWasCompressed();
    void seekRules();
    void damagedStreamsFail();
    void decompressFileResults();
    void failuresLeaveTargetAsItWas();
    void libraryVersionCheck();
    void decompressionBombStopsAtTheSpaceBudget();
};

void TestBZip2Stream::readsBackWhatWasCompressed()
{
    const QByteArray original = textLines(9000);
    // Small blocks, so the data spans several; the stream starts where its source stands.
    FileStream source = memoryStream(QByteArray("prefix") + compress(original, 1));
    source.setPosition(6);
    TBZDecompressionStream bz(source);
    int steps = 0;
    bz.OnProgress = [&](TCustomBZip2Stream *sender) {
        QCOMPARE(sender, &bz);
        ++steps;
    };

    for (int round = 0; round < 2; ++round) {
        QByteArray out;
        static char buffer[100000];
        const qint64 sizes[] = {1, 4095, 65537, 100000};
        for (int i = 0;; ++i) {
            const qint64 asked = sizes[i % 4];
            source.setPosition(0); // someone else moving the source must not disturb the stream
            const qint64 n = bz.read(buffer, asked);
            out.append(buffer, n);
            if (n < asked)
                break;
        }
        QVERIFY(out == original);
        QVERIFY(bz.atStreamEnd());
        QCOMPARE(bz.position(), original.size());
        QCOMPARE(bz.read(buffer, 10), 0);
        QVERIFY(steps > 0);
        // Starting again goes back to where the stream began, not to the start of the source.
        QCOMPARE(bz.seek(0, Stream::SeekOrigin::Beginning), 0);
        QVERIFY(!bz.atStreamEnd());
    }
}

// Seeks go forward only, by reading; anything else is refused.
void TestBZip2Stream::seekRules()
{
    const QByteArray original = textLines(5000);
    FileStream source = memoryStream(compress(original));
    TBZDecompressionStream bz(source);
    char buffer[10];
    using O = Stream::SeekOrigin;
    QCOMPARE(bz.seek(6000, O::Current), 6000);
    QCOMPARE(bz.seek(6000 + 2 * 4096, O::Beginning), 6000 + 2 * 4096); // whole scratch reads, none left over
    QCOMPARE(bz.read(buffer, 10), 10);
    QCOMPARE(QByteArray(buffer, 10), original.mid(6000 + 2 * 4096, 10));

    const QString invalid = QStringLiteral("Invalid stream operation");
    QCOMPARE(raised<EBZDecompressionError>([&] { bz.seek(-1, O::Current); }), invalid);
    QCOMPARE(raised<EBZDecompressionError>([&] { bz.seek(0, O::End); }), invalid);
    QCOMPARE(raised<EBZDecompressionError>([&] { bz.write("x", 1); }), invalid);
    // Past the end the skip comes up short: a read error.
    QCOMPARE(raised<ReadError>([&] { bz.seek(original.size() + 1, O::Beginning); }),
             QStringLiteral("Stream read error"));
}

void TestBZip2Stream::damagedStreamsFail()
{
    const QByteArray original = textLines(4000);
    const QByteArray packed = compress(original);
    QCOMPARE(decodeAll("not bzip2 data"), QStringLiteral("error -5"));

    QByteArray flipped = packed;
    flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x10);
    QCOMPARE(decodeAll(flipped), QStringLiteral("error -4"));

    // Cut short anywhere, even right after the header: never a quiet short file.
    for (qsizetype cut : {qsizetype(3), qsizetype(4), qsizetype(10), packed.size() / 3, packed.size() - 1})
        QCOMPARE(decodeAll(packed.left(cut)), QStringLiteral("error -7"));

    // Streams one after another decode in full, as bzip2 -d reads them (parallel compressors
    // write such files); bytes after an end marker that start no stream are damage, not dropped.
    QByteArray joined;
    QCOMPARE(decodeAll(packed + compress("tail", 1) + packed, &joined), QStringLiteral("ok"));
    QVERIFY(joined == original + "tail" + original);
    QCOMPARE(decodeAll(packed + "x"), QStringLiteral("error -5"));
    QCOMPARE(decodeAll(packed + "BZ"), QStringLiteral("error -7"));
    QCOMPARE(decodeAll(packed + packed.left(packed.size() / 2)), QStringLiteral("error -7"));

    // Random damage ends in an error or, when it hit no data, in the same bytes.
    const QByteArray small = compress(original.left(30000), 1);
    QRandomGenerator random(7);
    for (int i = 0; i < 300; ++i) {
        QByteArray damaged = small;
        for (int k = random.bounded(1, 4); k > 0; --k)
            damaged[random.bounded(damaged.size())] = static_cast<char>(random.bounded(256));
        QByteArray out;
        const QString result = decodeAll(damaged, &out);
        if (result == QLatin1String("ok"))
            QVERIFY(out == original.left(30000));
        else
            QVERIFY2(result.startsWith(QLatin1String("error -")), qPrintable(result));
    }

    // The library's internal errors are raised as the base class, which DecompressFile reports
    // as a library error.
    QCOMPARE(raised<EBZip2Error>([] { BZ2_bz__AssertH__fail(1007); }),
             QStringLiteral("Compression Error 1007"));
    QCOMPARE(raised<EBZip2Error>([] { bz_internal_error(3001); }), QStringLiteral("Compression Error 3001"));
}

void TestBZip2Stream::decompressFileResults()
{
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    const auto run = [&](const QString &source, const QString &target) {
        return DecompressFile(win::ToWindowsPath(d + source), win::ToWindowsPath(d + target));
    };
    const QByteArray exact = textLines(8000).left(300000); // three full output chunks, then a read of nothing
    writeFile(d + "exact.bz2", compress(exact));
    QCOMPARE(run("exact.bz2", "exact"), int(DecompressOk));
    QVERIFY(readFile(d + "exact") == exact);

    // An empty member is a damaged one (the Archiver writes 14 bytes for an empty file): the
    // old file stays as it was instead of being emptied.
    writeFile(d + "empty.bz2", QByteArray());
    writeFile(d + "empty", "old contents");
    QCOMPARE(run("empty.bz2", "empty"), int(DecompressLibraryError));
    QVERIFY(readFile(d + "empty") == "old contents");
    writeFile(d + "nothing.bz2", compress(QByteArray()));
    QCOMPARE(run("nothing.bz2", "empty"), int(DecompressOk));
    QCOMPARE(QFileInfo(d + "empty").size(), 0);

    QDir(d).mkdir("folder.bz2");
    QCOMPARE(run("folder.bz2", "x"), int(DecompressSourceMissing));
    QCOMPARE(DecompressFile("not a drive path", win::ToWindowsPath(d + "x")), int(DecompressSourceMissing));

    QCOMPARE(run("exact.bz2", "no/such/folder/x"), int(DecompressCannotCreateTarget));
    QCOMPARE(DecompressFile(win::ToWindowsPath(d + "exact.bz2"), "Q:\\unmapped"),
             int(DecompressCannotCreateTarget));

    // Replacing a file keeps what truncating it would have kept: its permissions.
    const QByteArray emptyName = QFile::encodeName(d + "empty");
    QCOMPARE(::chmod(emptyName.constData(), 0640), 0);
    QCOMPARE(run("exact.bz2", "empty"), int(DecompressOk));
    QVERIFY(readFile(d + "empty") == exact);
    struct stat info;
    QCOMPARE(::stat(emptyName.constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));

    // A source that exists but cannot be read: this process's own memory, unmapped at offset 0.
    const int code = DecompressFile("Z:\\proc\\self\\mem", win::ToWindowsPath(d + "mem"));
    QVERIFY2(code == DecompressReadFailure || code == DecompressCannotOpenSource,
             qPrintable(QString::number(code)));
    QVERIFY(!QFileInfo::exists(d + "mem"));
}

void TestBZip2Stream::failuresLeaveTargetAsItWas()
{
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    const auto run = [&](const QString &source) {
        return DecompressFile(win::ToWindowsPath(d + source), win::ToWindowsPath(d + "target"));
    };
    const QByteArray data = textLines(10000);
    QByteArray damaged = compress(data);
    writeFile(d + "good.bz2", damaged);
    damaged[damaged.size() - 100] = static_cast<char>(damaged[damaged.size() - 100] ^ 0x01);
    writeFile(d + "bad.bz2", damaged);
    writeFile(d + "short.bz2", damaged.left(damaged.size() / 2));
    writeFile(d + "target", "the file as it was");
    const QStringList before = entriesOf(d);
    const auto unchanged = [&] {
        return readFile(d + "target") == "the file as it was" && entriesOf(d) == before;
    };

    QCOMPARE(run("bad.bz2"), int(DecompressLibraryError));
    QVERIFY(unchanged());
    QCOMPARE(run("short.bz2"), int(DecompressLibraryError));
    QVERIFY(unchanged());
    QCOMPARE(run("missing.bz2"), int(DecompressSourceMissing));
    QVERIFY(unchanged());

    // Read-only is the owner's write bit, for root as well.
    QFile::setPermissions(d + "target", QFile::ReadOwner);
    QCOMPARE(run("good.bz2"), int(DecompressCannotCreateTarget));
    QVERIFY(unchanged());
    QFile::setPermissions(d + "target", QFile::ReadOwner | QFile::WriteOwner);

    // A disk that fills up halfway.
    {
        FileSizeLimit limit(150000);
        QCOMPARE(run("good.bz2"), int(DecompressWriteFailure));
    }
    QVERIFY(unchanged());

    // No memory for the decompressor's block tables. Large blocks must come from fresh mappings,
    // not from heap space freed by earlier cases, for the limit to bite.
    // AddressSanitizer's own bookkeeping needs far more address space than such a limit leaves.
#if !defined(__SANITIZE_ADDRESS__)
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    malloc_trim(0);
    rlimit oldSpace;
    getrlimit(RLIMIT_AS, &oldSpace);
    if (const qint64 vmKb = statusKb("VmSize:"); vmKb > 0 && oldSpace.rlim_cur == RLIM_INFINITY) {
        rlimit tight = oldSpace;
        tight.rlim_cur = static_cast<rlim_t>(vmKb + 2048) * 1024;
        setrlimit(RLIMIT_AS, &tight);
        const int oom = run("good.bz2");
        setrlimit(RLIMIT_AS, &oldSpace);
        QCOMPARE(oom, int(DecompressOutOfMemory));
        QVERIFY(unchanged());
    }
#endif

    QCOMPARE(run("good.bz2"), int(DecompressOk));
    QVERIFY(readFile(d + "target") == data);
    QCOMPARE(entriesOf(d), before);
}

// No original size is recorded, so a member that unpacks without end is stopped by the free space
// it would leave on the target's disk: the output, written in fixed chunks with flat memory, fails
// as a full disk once it would go below the reserve, and the old target stays.
void TestBZip2Stream::decompressionBombStopsAtTheSpaceBudget()
{
    constexpr qint64 MiB = 1024 * 1024;
    QCOMPARE(PendingFile::defaultReserve(2 * 1024 * MiB), 64 * MiB);
    QCOMPARE(PendingFile::defaultReserve(20 * 1024 * MiB), 20 * 1024 * MiB / 100);
    QCOMPARE(PendingFile::defaultReserve(4 * 1024 * 1024 * MiB), 1024 * MiB);
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    // 200 MiB of zeros in a few kilobytes: streams of 10 MiB one after another.
    const QByteArray ten = compress(QByteArray(10 * MiB, '\0'));
    writeFile(d + "bomb.bz2", ten.repeated(20));
    writeFile(d + "ten.bz2", ten);
    writeFile(d + "target", "the file as it was");
    const QStringList before = entriesOf(d);
    const auto available = [&] { return QStorageInfo(d).bytesAvailable(); };
    if (available() < 160 * MiB)
        QSKIP("less than 160 MiB free where temporary files go");
    const auto decompress = [&](const char *member, qint64 budget) {
        return PendingFile::decompress(win::ToWindowsPath(d + member), win::ToWindowsPath(d + "target"),
                                       available() - budget)
            ->commit();
    };

    // Some 80 MiB may be written of the 200 MiB.
    const qint64 peakBefore = statusKb("VmHWM:");
    QCOMPARE(decompress("bomb.bz2", 80 * MiB), int(DecompressDiskFull));
    QVERIFY(readFile(d + "target") == "the file as it was");
    QCOMPARE(entriesOf(d), before);
    const qint64 grown = statusKb("VmHWM:") - peakBefore;
    QVERIFY2(peakBefore > 0 && grown < 32 * 1024, qPrintable(QStringLiteral("%1 KiB more").arg(grown)));

    // A file well inside the budget comes back whole, through several checks of the space.
    QCOMPARE(decompress("ten.bz2", 80 * MiB), int(DecompressOk));
    QCOMPARE(readFile(d + "target"), QByteArray(10 * MiB, '\0'));
}

DUNLIVO_CORE_TEST_MAIN(TestBZip2Stream)
#include "tst_bzip2stream.moc"

// Libraries before 1.0.8 write out of bounds on some damaged streams (a selector count above the
// table's size); such a stream fails cleanly here, and such a library is not used to decode.
void TestBZip2Stream::libraryVersionCheck()
{
    // The first block's selector count, 15 bits after the 16-bit map of used byte groups, the
    // maps of the groups in use and 3 bits of the table count, is raised to its largest value.
    const QByteArray packed = compress(textLines(120), 1);
    const auto bit = [&](qint64 at) { return (uchar(packed[at / 8]) >> (7 - at % 8)) & 1; };
    qint64 at = 8 * 4 + 48 + 32 + 1 + 24; // stream header, block magic, CRC, randomised, origin
    int groups = 0;
    for (int i = 0; i < 16; ++i)
        groups += bit(at + i);
    at += 16 + 16 * groups + 3;
    QByteArray hostile = packed;
    for (qint64 b = at; b < at + 15; ++b)
        hostile[b / 8] = char(uchar(hostile[b / 8]) | (0x80 >> (b % 8)));
    const QString result = decodeAll(hostile);
    QVERIFY2(result.startsWith(QLatin1String("error")), qPrintable(result));

    using archiver::bzip2VersionAtLeast;
    for (const char *safe : {"1.0.8, 13-Jul-2019", "1.0.10", "2.0.0-pre"})
        QVERIFY2(bzip2VersionAtLeast(safe, 1, 0, 8), safe);
    for (const char *unsafe : {"1.0.6, 6-Sept-2010", "0.9.5d", "", "1.0", "1.x.8", "99999999999.0.0"})
        QVERIFY2(!bzip2VersionAtLeast(unsafe, 1, 0, 8), unsafe);
    QVERIFY(!bzip2VersionAtLeast(nullptr, 1, 0, 8));
    // The library this was built with is a safe one.
    QCOMPARE(archiver::bzip2LibraryProblem(), QString());
}
