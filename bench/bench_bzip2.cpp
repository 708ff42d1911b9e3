// Decompression speed: DecompressFile of one ~200 MB .bz2 against "bzip2 -dc > file" on the same
// file in the same run. decompress_vs_bzip2_ratio is bzip2's wall time over ours (above 1: ours is
// faster), the median over several pairs run in turns.
#include "figures.h"

#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/restore/decompressfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kPairs = 5;

// Wall-clock time, and the processor time used (user and system) for information.
struct Timing
{
    double cpu = 0;
    double wall = 0;
};

double seconds(const timeval &t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Starts "bzip2 -dc corpus > output"; 0 when it could not be started.
pid_t startBzip2(const QString &corpus, const QString &output)
{
    const QByteArray source = QFile::encodeName(corpus);
    const QByteArray target = QFile::encodeName(output);
    const char *argv[] = {
        "sh", "-c", "bzip2 -dc \"$1\" > \"$2\"", "sh", source.constData(), target.constData(), nullptr};
    pid_t pid = 0;
    return posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char **>(argv), environ) == 0 ? pid : 0;
}

bool waitBzip2(pid_t pid, const QElapsedTimer &timer, Timing *timing)
{
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    timing->wall = timer.nsecsElapsed() / 1e9;
    timing->cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return true;
}

bool runDecompressFile(const QString &corpus, const QString &output, const QElapsedTimer &timer,
                       Timing *timing)
{
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    if (DecompressFile(win::ToWindowsPath(corpus), win::ToWindowsPath(output)) != DecompressOk)
        return false;
    timing->wall = timer.nsecsElapsed() / 1e9;
    getrusage(RUSAGE_SELF, &after);
    timing->cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                  seconds(before.ru_stime);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;

    const QStringList made = makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-bzip2-corpus.sh"));
    const QString corpus = made.value(0);
    if (!QFileInfo(corpus).isFile()) {
        std::fprintf(stderr, "bench_bzip2: no corpus\n");
        return 1;
    }
    const QString theirOutput = corpus + QStringLiteral(".bzip2.out");
    const QString ourOutput = corpus + QStringLiteral(".ours.out");

    // The two run in turns, never at once: run together they split the processor between them,
    // and the split changes from run to run. Each pair gives a ratio of wall times; the median of
    // the pairs is the figure, so that one pair disturbed by other work does not decide it.
    std::vector<double> ratios;
    Timing theirsBest;
    Timing oursBest;
    double bytes = 0;
    for (int pair = 0; pair < kPairs; ++pair) {
        QFile::remove(theirOutput);
        QFile::remove(ourOutput);
        Timing theirs;
        Timing ours;
        QElapsedTimer timer;
        timer.start();
        const pid_t bzip2 = startBzip2(corpus, theirOutput);
        const bool theirsDone = bzip2 != 0 && waitBzip2(bzip2, timer, &theirs);
        timer.restart();
        const bool oursDone = runDecompressFile(corpus, ourOutput, timer, &ours);
        bytes = double(QFileInfo(ourOutput).size());
        const bool same = bytes == double(QFileInfo(theirOutput).size());
        if (!oursDone || !theirsDone || !same) {
            QFile::remove(theirOutput);
            QFile::remove(ourOutput);
            std::fprintf(stderr, "bench_bzip2: a decompression failed\n");
            return 1;
        }
        ratios.push_back(theirs.wall / ours.wall);
        if (theirsBest.wall == 0 || theirs.wall < theirsBest.wall)
            theirsBest = theirs;
        if (oursBest.wall == 0 || ours.wall < oursBest.wall)
            oursBest = ours;
    }
    QFile::remove(theirOutput);
    QFile::remove(ourOutput);
    std::sort(ratios.begin(), ratios.end());

    printFigure("decompress_vs_bzip2_ratio", ratios[ratios.size() / 2], "x");
    printFigure("decompress_output_mb_per_s", bytes / oursBest.wall / 1e6, "MB/s");
    printFigure("bzip2_dc_output_mb_per_s", bytes / theirsBest.wall / 1e6, "MB/s");
    printFigure("decompress_vs_bzip2_cpu_ratio", theirsBest.cpu / oursBest.cpu, "x");
    return 0;
}
