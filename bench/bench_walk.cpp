// Walker speed: a full TFindFile walk against find(1) on the same tree, in the same run.
//   walk_dirs_vs_find_ratio:  NextDir over 50,000 folders against "find TREE -type d"
//   walk_files_vs_find_ratio: NextFile with ".DOC" over 20,000 files against
//                             "find TREE -type f -iname '*.doc'"
// Both sides print or hand out every path; find's output goes to /dev/null. The trees are made by
// make-walk-corpus.sh.
#include "figures.h"

#include "core/archivelist/findfile.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char **environ;

namespace {

QString dirsTree;
QString filesTree;

void runFind(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

qint64 walk(const QString &tree, const QStringList &extensions, bool files)
{
    TFindFile walker;
    walker.setExtensions(extensions);
    walker.Start(win::ToWindowsPath(tree));
    qint64 count = 0;
    for (;;) {
        const QString path = files ? walker.NextFile() : walker.NextDir();
        if (walker.done())
            break;
        benchmark::DoNotOptimize(path.constData());
        ++count;
    }
    return count;
}

void WalkDirs(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["entries"] = double(walk(dirsTree, {}, false));
}

void FindDirs(benchmark::State &state)
{
    const std::vector<std::string> args{"find", dirsTree.toStdString(), "-type", "d"};
    for (auto _ : state)
        runFind(args);
}

void WalkFiles(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["entries"] = double(walk(filesTree, {QStringLiteral(".DOC")}, true));
}

void FindFiles(benchmark::State &state)
{
    const std::vector<std::string> args{"find", filesTree.toStdString(), "-type", "f", "-iname", "*.doc"};
    for (auto _ : state)
        runFind(args);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;

    const QStringList trees = makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-walk-corpus.sh"));
    if (trees.size() != 2 || !QFileInfo(trees[0]).isDir() ||
        !QFileInfo(trees[1]).isDir()) {
        std::fprintf(stderr, "bench_walk: no corpus\n");
        return 1;
    }
    dirsTree = trees[0];
    filesTree = trees[1];
    // Warm the caches once for both sides, so neither pays for the first read from disk.
    walk(dirsTree, {}, false);
    walk(filesTree, {QStringLiteral(".*")}, true);

    // Interleaved, so both sides of a ratio see the same machine.
    benchmark::RegisterBenchmark("WalkDirs", WalkDirs)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("FindDirs", FindDirs)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("WalkFiles", WalkFiles)->Unit(benchmark::kMillisecond)->MinTime(1.0);
    benchmark::RegisterBenchmark("FindFiles", FindFiles)->Unit(benchmark::kMillisecond)->MinTime(1.0);
    benchmark::Initialize(&argc, argv);
    FigureCollector figures;
    benchmark::RunSpecifiedBenchmarks(&figures);

    auto &ns = figures.nsPerIteration;
    printFigure("walk_dirs_vs_find_ratio", ns["WalkDirs"] / ns["FindDirs"], "x");
    printFigure("walk_files_vs_find_ratio", ns["WalkFiles"] / ns["FindFiles"], "x");
    printFigure("walk_dirs_ms", ns["WalkDirs"] / 1e6, "ms");
    printFigure("walk_files_ms", ns["WalkFiles"] / 1e6, "ms");
    return 0;
}
