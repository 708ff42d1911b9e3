// Name search speed: the restore's search of an archive by a part of a name, against
// "find ROOT -iname '*part*'" on the same tree, warm cache, both in the same run.
//   search_vs_find_ratio: the median of the pairs' ratios (goal: at most 1.0)
// The tree is an archive of 200,000 files (DUNLIVO_BENCH_SEARCH_FILES makes it smaller): four
// fifths current members below C\, the rest in five run folders of the versions area, 50 files a
// folder, one name in fifty holding the part searched for. It is made once and reused.
#include "figures.h"

#include "core/restore/archivesearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

extern char **environ;

namespace {

constexpr int kPerFolder = 50;
constexpr int kPairs = 7;

bool touch(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// Makes the tree of count files at root unless it is complete already.
bool makeTree(const QString &root, int count)
{
    if (QFile::exists(root + QStringLiteral("/.complete")))
        return true;
    QDir(root).removeRecursively();
    const int versioned = count / 5;
    for (int i = 0; i < count; i += kPerFolder) {
        const int folder = i / kPerFolder;
        const QString base =
            i < count - versioned
                ? QStringLiteral("%1/C/Users/u%2/Docs%3").arg(root).arg(folder / 40).arg(folder % 40)
                : QStringLiteral("%1/versions/2026-12-0%2 193000/C/Users/u%3/Docs%4")
                      .arg(root)
                      .arg(1 + folder % 5)
                      .arg(folder / 40)
                      .arg(folder % 40);
        if (!QDir().mkpath(base))
            return false;
        for (int j = 0; j < kPerFolder && i + j < count; ++j) {
            const QString name =
                (j == 7 ? QStringLiteral("Quarterly_Invoice%1.pdf.bz2") : QStringLiteral("notes%1.txt.bz2"))
                    .arg(i + j);
            if (!touch(base + QLatin1Char('/') + name))
                return false;
        }
    }
    return touch(root + QStringLiteral("/.complete"));
}

double findSeconds(const std::string &root, const std::string &pattern)
{
    std::vector<std::string> arguments{"find", root, "-iname", pattern};
    std::vector<char *> argv;
    for (std::string &a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return timer.nsecsElapsed() / 1e9;
}

double searchSeconds(const QString &root, const QString &part, qint64 *found)
{
    std::atomic_bool stop{false};
    QElapsedTimer timer;
    timer.start();
    *found = 0;
    restore::searchArchive(root, part, true, stop, [&](const restore::ArchivedCopy &copy) {
        benchmark::DoNotOptimize(copy.origin.constData());
        ++*found;
        return true;
    });
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    const int count = envNumber("DUNLIVO_BENCH_SEARCH_FILES", 200000);
    const QString root = QStringLiteral("/tmp/dunlivo-bench/search-%1").arg(count);
    if (!makeTree(root, count)) {
        std::fprintf(stderr, "bench_search: no corpus\n");
        return 1;
    }
    const QString part = QStringLiteral("INVOICE");
    qint64 found = 0;
    // Warm the cache for both sides.
    searchSeconds(root, part, &found);
    findSeconds(root.toStdString(), "*invoice*");

    std::vector<double> ratios, searches, finds;
    for (int i = 0; i < kPairs; ++i) {
        searches.push_back(searchSeconds(root, part, &found));
        finds.push_back(findSeconds(root.toStdString(), "*invoice*"));
        ratios.push_back(searches.back() / finds.back());
    }
    printFigure("search_files", count, "files");
    printFigure("search_found", double(found), "files");
    printFigure("search_ms", median(searches) * 1000, "ms");
    printFigure("search_find_ms", median(finds) * 1000, "ms");
    printFigure("search_vs_find_ratio", median(ratios), "x");
    return 0;
}
