// The archive list at its extremes: 1,000,000 files below one folder and a chain of 10,000
// nested folders, loaded as the panel loads its list at start (read into the start page's tree
// and view, copied into the archive list page's tree, written back as bytes) and collected as
// the Archiver collects a run's files. Each size is also timed at a tenth: a ..._scaling_ratio
// near 1 says the cost grows with the size, near 10 that it grows with its square. The chain's
// file itself grows with the square of its depth (each line is indented by one blank per level),
// so reading and writing it do as well once its bytes outweigh its nodes; listx_chain_bytes says
// how large it is. The Archiver's figures include finding each file's place on the drive (the
// files of the flat list are not there, the dearer case).
// DUNLIVO_BENCH_SMALL=1 takes 100,000 files and 2,000 levels.
#include "figures.h"

#include "apps/archiv/archivesources.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "gui/archivelist/treelistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace {

// The best of a few runs, in milliseconds.
double bestMs(const std::function<void()> &run)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// files lines below the folder's node.
QByteArray flatList(const QString &folder, int files)
{
    TTreeList list;
    const int level = list.AddDir(folder, QStringLiteral(".none"))->level() + 1;
    QByteArray bytes = list.ListFileBytes();
    bytes.reserve(bytes.size() + qsizetype(files) * (level + 24));
    for (int i = 0; i < files; ++i)
        bytes += QByteArray(level, ' ') + "FReport of the month " + QByteArray::number(i) + ".doc\r\n";
    return bytes;
}

// levels nested folders below the folder's node, an archived folder and a file at the bottom.
QByteArray chainList(const QString &folder, int levels)
{
    TTreeList list;
    const int level = list.AddDir(folder, QString())->level() + 1;
    QByteArray bytes = list.ListFileBytes();
    for (int i = 0; i < levels; ++i)
        bytes += QByteArray(level + i, ' ') + "Dd" + QByteArray::number(i % 10) +
                 (i + 1 == levels ? " [.*]" : "") + "\r\n";
    bytes += QByteArray(level + levels, ' ') + "Fleaf.txt\r\n";
    return bytes;
}

// The panel's start: the view shows the list read, the other tree gets a copy, the list is
// written back.
double panelMs(const QByteArray &bytes)
{
    return bestMs([&] {
        TTreeListView shown;
        shown.treeList()->LoadFromBytes(bytes);
        TTreeList copy;
        copy.Assign(*shown.treeList());
        const QByteArray written = copy.ListFileBytes();
        shown.treeList()->ExpandTopLevel();
        if (written.size() != bytes.size())
            qFatal("the list was not written back whole");
    });
}

double archiverMs(const QByteArray &bytes, size_t expectedFiles)
{
    TTreeList list;
    list.LoadFromBytes(bytes);
    return bestMs([&] {
        const archiver::SourceList sources = archiver::collectSources(list);
        if (sources.files.size() != expectedFiles)
            qFatal("collected %zu files, not %zu", sources.files.size(), expectedFiles);
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchPrefix prefix;
    const bool small = qEnvironmentVariableIntValue("DUNLIVO_BENCH_SMALL") > 0;
    const int files = small ? 100000 : 1000000;
    const int levels = small ? 2000 : 10000;
    QTemporaryDir corpus(QStringLiteral("/tmp/dunlivo-bench-listx-XXXXXX"));
    const QString folder = win::ToWindowsPath(corpus.path());

    const QByteArray flat = flatList(folder, files);
    const QByteArray flatTenth = flatList(folder, files / 10);
    const double flatPanel = panelMs(flat);
    const double flatArchiver = archiverMs(flat, size_t(files));
    printFigure("listx_flat_entries", files, "entries");
    printFigure("listx_flat_panel_ms", flatPanel, "ms");
    printFigure("listx_flat_panel_scaling_ratio", flatPanel / (10 * panelMs(flatTenth)), "x");
    printFigure("listx_flat_archiver_ms", flatArchiver, "ms");
    printFigure("listx_flat_archiver_scaling_ratio",
                flatArchiver / (10 * archiverMs(flatTenth, size_t(files / 10))), "x");

    // The paths at the bottom are too long to be archived: they are refused by name.
    const QByteArray chain = chainList(folder, levels);
    const QByteArray chainTenth = chainList(folder, levels / 10);
    const double chainPanel = panelMs(chain);
    const double chainArchiver = archiverMs(chain, 0);
    printFigure("listx_chain_levels", levels, "levels");
    printFigure("listx_chain_bytes", double(chain.size()), "bytes");
    printFigure("listx_chain_panel_ms", chainPanel, "ms");
    printFigure("listx_chain_panel_scaling_ratio", chainPanel / (10 * panelMs(chainTenth)), "x");
    printFigure("listx_chain_archiver_ms", chainArchiver, "ms");
    printFigure("listx_chain_archiver_scaling_ratio", chainArchiver / (10 * archiverMs(chainTenth, 0)), "x");
    return 0;
}
