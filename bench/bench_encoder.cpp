// The bzip2 encoder against libbz2 at -9 over the mixed corpus of the Archiver benchmark, each file
// compressed on its own as the Archiver does, on one thread in this process. Turns of ours and
// libbz2's alternate; encoder_vs_libbz2_ratio is the median over the turns of our time over
// libbz2's (below 1: ours is faster), encoder_size_vs_libbz2_ratio our compressed bytes over
// libbz2's. DUNLIVO_BENCH_ENCODER_MB takes only the first that many megabytes of the corpus
// (DUNLIVO_BENCH_SMALL=1: 30 MB), DUNLIVO_BENCH_ENCODER_TURNS sets the turns (3).
#include "figures.h"

#include "core/compression/bzip2encoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>

#include <bzlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The corpus files in a fixed order, up to limit bytes in all.
std::vector<QByteArray> loadCorpus(const QString &folder, qint64 limit)
{
    QStringList paths;
    QDirIterator it(folder, {QStringLiteral("*.dat")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    std::vector<QByteArray> files;
    qint64 total = 0;
    for (const QString &path : paths) {
        if (total >= limit)
            break;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        files.push_back(file.readAll());
        total += files.back().size();
    }
    return files;
}

// Output bytes, summed over the files; the chunks fed in are the Archiver's read size.
constexpr qsizetype kChunk = 256 * 1024;

qint64 compressOurs(const std::vector<QByteArray> &files)
{
    qint64 total = 0;
    std::string out;
    for (const QByteArray &file : files) {
        Bzip2Encoder encoder(9);
        for (qsizetype at = 0; at < file.size(); at += kChunk) {
            encoder.write(file.constData() + at, size_t(std::min(kChunk, file.size() - at)), out);
            total += qint64(out.size());
            out.clear();
        }
        encoder.finish(out);
        total += qint64(out.size());
        out.clear();
    }
    return total;
}

qint64 compressLibbz2(const std::vector<QByteArray> &files)
{
    qint64 total = 0;
    std::vector<char> out(kChunk);
    for (const QByteArray &file : files) {
        bz_stream stream;
        std::memset(&stream, 0, sizeof stream);
        if (BZ2_bzCompressInit(&stream, 9, 0, 0) != BZ_OK)
            return -1;
        stream.next_in = const_cast<char *>(file.constData());
        stream.avail_in = unsigned(file.size());
        int rc = BZ_FINISH_OK;
        while (rc != BZ_STREAM_END) {
            stream.next_out = out.data();
            stream.avail_out = unsigned(out.size());
            rc = BZ2_bzCompress(&stream, BZ_FINISH);
            if (rc != BZ_FINISH_OK && rc != BZ_STREAM_END)
                return -1;
            total += qint64(out.size() - stream.avail_out);
        }
        BZ2_bzCompressEnd(&stream);
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList corpus = makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-archive-corpus.sh"));
    if (corpus.isEmpty()) {
        std::fprintf(stderr, "bench_encoder: no corpus\n");
        return 1;
    }
    const bool small = qEnvironmentVariableIntValue("DUNLIVO_BENCH_SMALL") > 0;
    const qint64 megabytes = envNumber("DUNLIVO_BENCH_ENCODER_MB", small ? 30 : 1000);
    const int turns = envNumber("DUNLIVO_BENCH_ENCODER_TURNS", 3);
    const std::vector<QByteArray> files = loadCorpus(corpus.at(0), megabytes << 20);
    qint64 inputBytes = 0;
    for (const QByteArray &file : files)
        inputBytes += file.size();

    std::vector<double> ratios;
    std::vector<double> ourSeconds;
    qint64 ourBytes = 0;
    qint64 theirBytes = 0;
    for (int turn = 0; turn < turns; ++turn) {
        QElapsedTimer timer;
        timer.start();
        ourBytes = compressOurs(files);
        const double ours = timer.nsecsElapsed() / 1e9;
        timer.restart();
        theirBytes = compressLibbz2(files);
        const double theirs = timer.nsecsElapsed() / 1e9;
        if (theirBytes <= 0) {
            std::fprintf(stderr, "bench_encoder: libbz2 failed\n");
            return 1;
        }
        ratios.push_back(ours / theirs);
        ourSeconds.push_back(ours);
    }
    printFigure("encoder_vs_libbz2_ratio", median(ratios), "x");
    printFigure("encoder_size_vs_libbz2_ratio", double(ourBytes) / double(theirBytes), "x");
    printFigure("encoder_mb_per_s", double(inputBytes) / 1e6 / median(ourSeconds), "MB/s");
    return 0;
}
