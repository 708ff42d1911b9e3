// The bzip2 encoder, checked against libbz2's decoder: every stream it writes decodes to exactly
// its input, over the corner cases of the format (runs at block ends, periodic blocks, blocks of
// one byte, full blocks), and stock bzip2 accepts its streams.
#include "testmain.h"

#include "core/compression/bzip2encoder.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <bzlib.h>

#include <string>

namespace {

// The run-length coded bytes a block of this level holds.
int blockCapacity(int level)
{
    return level * 100000 - 19;
}

// Written in pieces of these sizes in turn (all at once when empty).
QByteArray encode(const QByteArray &data, int level, const QList<int> &pieces = {})
{
    Bzip2Encoder encoder(level);
    std::string out;
    qsizetype at = 0;
    for (int turn = 0; at < data.size(); ++turn) {
        const qsizetype size = pieces.isEmpty()
                                   ? data.size()
                                   : std::min<qsizetype>(pieces.at(turn % pieces.size()), data.size() - at);
        encoder.write(data.constData() + at, size_t(size), out);
        at += size;
    }
    encoder.finish(out);
    return QByteArray(out.data(), qsizetype(out.size()));
}

// libbz2's decoding of stream; a null array with the error code in the message when it fails.
QByteArray decode(const QByteArray &stream, qsizetype expected, QByteArray *problem)
{
    QByteArray out(expected + 1, '\0');
    unsigned length = unsigned(out.size());
    const int rc = BZ2_bzBuffToBuffDecompress(out.data(), &length, const_cast<char *>(stream.constData()),
                                              unsigned(stream.size()), 0, 0);
    if (rc != BZ_OK) {
        *problem = "libbz2 error " + QByteArray::number(rc);
        return QByteArray();
    }
    out.truncate(length);
    return out;
}

QByteArray randomBytes(qsizetype size, quint32 seed, int alphabet = 256)
{
    QRandomGenerator random(seed);
    QByteArray data(size, '\0');
    for (char &c : data)
        c = char(random.bounded(alphabet));
    return data;
}

// Bytes with no two equal neighbours, so each one is one run-length coded byte.
QByteArray noRuns(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(i % 251);
    return data;
}

QByteArray text(qsizetype size, quint32 seed)
{
    static const char *const words[] = {"archive", "backup ",  "restore", "the ", "of ",
                                        "and ",    "folder\n", "ab",      "zzzz "};
    QRandomGenerator random(seed);
    QByteArray data;
    while (data.size() < size)
        data += words[random.bounded(int(std::size(words)))];
    data.truncate(size);
    return data;
}

} // namespace

class TestBzip2Encoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void piecesGiveTheSameStream_data();
    void piecesGiveTheSameStream();
    void stockBzip2AcceptsTheStream();
};

void TestBzip2Encoder::roundTrip_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("level");

    QTest::newRow("empty") << QByteArray() << 9;
    QTest::newRow("one byte") << QByteArray("x") << 9;
    for (int run : {4, 5, 251, 255, 256, 259, 510, 1000})
        QTest::addRow("run of %d", run) << QByteArray(run, 'r') << 9;
    QTest::newRow("runs between bytes")
        << QByteArray("ab").append(4, 'c').append("d").append(255, '\0').append(5, 'e') << 1;
    // A run that starts just before the block is full: it is kept whole for the next block, or
    // cut at 255 bytes with the rest starting the next block.
    for (int room : {0, 1, 3, 4, 5, 6})
        for (int run : {4, 5, 255, 256, 600})
            QTest::addRow("run of %d with %d bytes left in the block", run, room)
                << noRuns(blockCapacity(1) - room).append(run, 'x').append("tail") << 1;
    QTest::newRow("block of one byte, level 1") << QByteArray(350000, '\0') << 1;
    QTest::newRow("block of one byte, level 9") << QByteArray(2000000, 'z') << 9;
    for (int delta : {-1, 0, 1}) {
        QTest::addRow("random 900000%+d, level 9", delta) << randomBytes(900000 + delta, 7) << 9;
        QTest::addRow("no runs 900000%+d, level 9", delta) << noRuns(900000 + delta) << 9;
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QTest::newRow("all byte values") << all << 9;
    QTest::newRow("all byte values repeated") << all.repeated(1000) << 1;
    QTest::newRow("aba") << QByteArray("aba") << 9;
    QTest::newRow("abab") << QByteArray("abab") << 9;
    // Periodic blocks: the rows of the block are the rotations of its root, each several times;
    // the block's own row is not the first of its kind unless it starts at its least rotation.
    QTest::newRow("abc repeated") << QByteArray("abc").repeated(30000) << 1;
    QTest::newRow("cab repeated") << QByteArray("cab").repeated(30000) << 1;
    QTest::newRow("ba repeated") << QByteArray("ba").repeated(40000) << 1;
    QTest::newRow("blocks of ba repeated") << QByteArray("ba").repeated(150000) << 1;
    QTest::newRow("zeros, periodic after the run-length step") << QByteArray(2000000, '\0') << 1;
    QTest::newRow("byte and zeros, periodic after the run-length step")
        << (QByteArray(1, '\xfb') + QByteArray(255, '\0')).repeated(10000) << 1;
    QTest::newRow("aab repeated with one change") << QByteArray("aab").repeated(5000).append('a') << 9;
    // Lyndon words (least rotation at the start) and words that are not.
    QTest::newRow("Lyndon word") << QByteArray("aabab") << 9;
    QTest::newRow("not a Lyndon word") << QByteArray("banana") << 9;
    QTest::newRow("abracadabra") << QByteArray("abracadabra") << 9;
    QTest::newRow("text") << text(1500000, 3) << 9;
    QTest::newRow("text, level 1") << text(450000, 4) << 1;
    QTest::newRow("binary, few byte values") << randomBytes(300000, 5, 3) << 1;
    QTest::newRow("random, does not compress") << randomBytes(250000, 6) << 1;
}

void TestBzip2Encoder::roundTrip()
{
    QFETCH(QByteArray, data);
    QFETCH(int, level);
    const QByteArray stream = encode(data, level);
    QCOMPARE(stream.left(4), QByteArray("BZh") + char('0' + level));
    QByteArray problem;
    const QByteArray back = decode(stream, data.size(), &problem);
    QVERIFY2(problem.isEmpty(), problem.constData());
    QCOMPARE(back.size(), data.size());
    QVERIFY(back == data);
}

void TestBzip2Encoder::piecesGiveTheSameStream_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<int>>("pieces");
    const QByteArray mixed = text(150000, 8) + QByteArray(1000, 'q') + randomBytes(120000, 9);
    QTest::newRow("odd sizes") << mixed << QList<int>{1, 7, 4093, 3, 65537};
    QTest::newRow("one byte at a time") << mixed.left(60000) << QList<int>{1};
    QTest::newRow("pieces splitting runs")
        << QByteArray(3000, 'a') + QByteArray(200000, 'b') << QList<int>{2, 255, 4};
}

void TestBzip2Encoder::piecesGiveTheSameStream()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, pieces);
    QVERIFY(encode(data, 1, pieces) == encode(data, 1));
}

void TestBzip2Encoder::stockBzip2AcceptsTheStream()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray data =
        text(2000000, 10) + QByteArray(300000, '\0') + randomBytes(700000, 11) + noRuns(900000);
    QFile file(dir.filePath("stream.bz2"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(encode(data, 9));
    file.close();
    QProcess bzip2;
    bzip2.start("bzip2", {"-t", file.fileName()});
    QVERIFY(bzip2.waitForFinished(120000));
    QCOMPARE(bzip2.exitStatus(), QProcess::NormalExit);
    QVERIFY2(bzip2.exitCode() == 0, bzip2.readAllStandardError().constData());
}

DUNLIVO_CORE_TEST_MAIN(TestBzip2Encoder)
#include "tst_bzip2encoder.moc"
