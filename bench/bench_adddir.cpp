// Adding a directory with all its subdirectories to the archive list, through the main window's
// own handler on an offscreen panel, against the bare walk of the same tree, in the same run:
//   adddir_subdirs_vs_walk_ratio: AddSelectedDirectory over 20,000 folders (list written once)
//                                 against TFindFile's NextDir over them
//   adddir_list_writes:           how often afiles.lst was replaced during one add (1 expected)
// The tree is made by make-adddir-corpus.sh.
#include "figures.h"

#include "core/archivelist/findfile.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "gui/archivelist/directoryviews.h"
#include "gui/archivelist/treelistview.h"
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/archivelistpage.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QToolButton>

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

QString tree; // Windows path of the corpus
TApp_user_window *mainWindow = nullptr;

qint64 walk()
{
    TFindFile walker;
    walker.Start(tree);
    qint64 count = 0;
    for (;;) {
        const QString path = walker.NextDir();
        if (walker.done())
            break;
        benchmark::DoNotOptimize(path.constData());
        ++count;
    }
    return count;
}

void addDirectory()
{
    mainWindow->archiveList()->Clear();
    mainWindow->archiveListPage()->addSelectedDirectory();
}

void AddDirHandler(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        mainWindow->archiveList()->Clear();
        state.ResumeTiming();
        mainWindow->archiveListPage()->addSelectedDirectory();
    }
    state.counters["nodes"] = double(mainWindow->archiveList()->nodeCount());
}

void WalkOnly(benchmark::State &state)
{
    for (auto _ : state)
        state.counters["entries"] = double(walk());
}

// How many times afiles.lst in folder is written (closed after writing, or renamed into place)
// while action runs.
int countListWrites(const QString &hostFolder, void (*action)())
{
    const int fd = ::inotify_init1(IN_NONBLOCK);
    if (fd < 0)
        return -1;
    const int watch =
        ::inotify_add_watch(fd, QFile::encodeName(hostFolder).constData(), IN_CLOSE_WRITE | IN_MOVED_TO);
    action();
    int writes = 0;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0 && std::strcmp(event->name, "afiles.lst") == 0)
                ++writes;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    ::inotify_rm_watch(fd, watch);
    ::close(fd);
    return writes;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchPrefix prefix;

    const QStringList made = makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-adddir-corpus.sh"));
    if (made.size() != 1 || !QFileInfo(made[0]).isDir()) {
        std::fprintf(stderr, "bench_adddir: no corpus\n");
        return 1;
    }
    tree = win::ToWindowsPath(made[0]);

    QTemporaryDir programFolder;
    PanelOptions options;
    options.programDir = win::ToWindowsPath(programFolder.path());
    options.screenWidth = [] { return 1280; };
    DunlivoPanel panel(options);
    if (!panel.create()) {
        std::fprintf(stderr, "bench_adddir: no panel\n");
        return 1;
    }
    mainWindow = panel.App_user_window();
    // The window as the user has it: shown, first activation done, on the archive list page.
    mainWindow->show();
    while (!mainWindow->activatedOnce())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    mainWindow->findChild<QToolButton *>(QStringLiteral("SpeedButton5"))->click();
    mainWindow->archiveListPage()->openDirectoryTree(tree);
    mainWindow->findChild<QCheckBox *>(QStringLiteral("CheckBox7"))->setChecked(true);

    // Warm the caches once for both sides, and count the list's writes on the way.
    walk();
    const int writes = countListWrites(programFolder.path(), addDirectory);

    // Interleaved, so both sides of the ratio see the same machine.
    benchmark::RegisterBenchmark("AddDirHandler", AddDirHandler)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("WalkOnly", WalkOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::Initialize(&argc, argv);
    FigureCollector figures;
    benchmark::RunSpecifiedBenchmarks(&figures);

    auto &ns = figures.nsPerIteration;
    printFigure("adddir_subdirs_vs_walk_ratio", ns["AddDirHandler"] / ns["WalkOnly"], "x");
    printFigure("adddir_subdirs_ms", ns["AddDirHandler"] / 1e6, "ms");
    printFigure("adddir_walk_ms", ns["WalkOnly"] / 1e6, "ms");
    printFigure("adddir_list_writes", writes, "count");
    return 0;
}
