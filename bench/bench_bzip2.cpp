// Decompression speed: DecompressFile of one ~200 MB .bz2 against "bzip2 -dc > file" on the same
// file in the same run, as output throughput.
#include "figures.h"

#include "maintenance/decompressfile.h"
#include "platform/paths.h"
#include "platform/prefix.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The machine that runs the benchmarks is shared and busy, so both sides run at the same time,
// under the same load, and each is measured by the processor time it used (user and system),
// which waiting for a core does not inflate. Wall-clock times are printed for information.
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
    QFile::remove(theirOutput);
    QFile::remove(ourOutput);

    Timing theirs;
    Timing ours;
    QElapsedTimer timer;
    timer.start();
    const pid_t bzip2 = startBzip2(corpus, theirOutput);
    const bool oursDone = runDecompressFile(corpus, ourOutput, timer, &ours);
    const bool theirsDone = bzip2 != 0 && waitBzip2(bzip2, timer, &theirs);
    const double bytes = double(QFileInfo(ourOutput).size());
    const bool same = bytes == double(QFileInfo(theirOutput).size());
    QFile::remove(theirOutput);
    QFile::remove(ourOutput);
    if (!oursDone || !theirsDone || !same) {
        std::fprintf(stderr, "bench_bzip2: a decompression failed\n");
        return 1;
    }

    printFigure("decompress_vs_bzip2_ratio", theirs.cpu / ours.cpu, "x");
    printFigure("decompress_output_mb_per_cpu_s", bytes / ours.cpu / 1e6, "MB/s");
    printFigure("bzip2_dc_output_mb_per_cpu_s", bytes / theirs.cpu / 1e6, "MB/s");
    printFigure("decompress_vs_bzip2_wall_ratio", theirs.wall / ours.wall, "x");
    return 0;
}
