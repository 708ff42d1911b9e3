// Archive list speed and size: loading a 100,000-node afiles.lst against reading the same file as
// lines, saving it against writing the same bytes with plain file calls, the heap a loaded node
// takes, and whether adding below a parent stays as fast when the parent has ten times as many
// children.
#include "figures.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kListNodes = 100000;

QString listFile;     // Windows path of the corpus list
QByteArray hostFile;  // the same file, host path
QByteArray plainFile; // where the plain writes go
QByteArray listBytes;
std::unique_ptr<TTreeList> loaded;

// A list shaped like a real one: two drives, 2,000 archived folders in 200 parents, 97,797
// files in them; 100,000 nodes in all.
void buildCorpus(TTreeList &list)
{
    int files = 0;
    const int filesWanted = kListNodes - 2 - 200 - 2000 - 3;
    for (int p = 0; p < 200; ++p) {
        for (int d = 0; d < 10; ++d) {
            const QString dir = QStringLiteral("%1:\\Users\\Documents\\Project %2\\Folder %3")
                                    .arg(p % 2 ? QLatin1Char('D') : QLatin1Char('C'))
                                    .arg(p, 3, 10, QLatin1Char('0'))
                                    .arg(d);
            list.AddDir(dir, QStringLiteral(".doc;.xls;.txt"));
            for (int f = 0; f < 49 && files < filesWanted; ++f, ++files)
                list.AddFile(dir + QStringLiteral("\\Report of the month %1 version %2.docx").arg(f).arg(d));
        }
    }
}

void LoadFromFile(benchmark::State &state)
{
    TTreeList list;
    for (auto _ : state)
        list.LoadFromFile(listFile);
}

// The same file read as lines with the standard library, each line kept as a string.
void PlainReadLines(benchmark::State &state)
{
    for (auto _ : state) {
        std::ifstream in(hostFile.constData(), std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        benchmark::DoNotOptimize(lines.data());
    }
}

void SaveToFile(benchmark::State &state)
{
    for (auto _ : state)
        loaded->SaveToFile(listFile);
}

// The same bytes written in place: truncate, write, and (for the like-for-like figure) sync.
void PlainWrite(benchmark::State &state, bool sync)
{
    for (auto _ : state) {
        const int fd = ::open(plainFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, listBytes.constData(), size_t(listBytes.size())) != listBytes.size())
            state.SkipWithError("write failed");
        if (sync)
            ::fsync(fd);
        ::close(fd);
    }
}

// Adding a new directory below a parent that has `children` children (and taking it away again,
// so the parent keeps its size).
void AddDirBelow(benchmark::State &state, int children)
{
    TTreeList list;
    for (int i = 0; i < children; ++i)
        list.AddDir(QStringLiteral("C:\\Flat\\Child %1").arg(i), QString());
    std::vector<QString> names;
    for (int i = 0; i < 4096; ++i)
        names.push_back(QStringLiteral("C:\\Flat\\New %1").arg(i));
    size_t next = 0;
    for (auto _ : state) {
        TreeListNode *node = list.AddDir(names[next++ & 4095], QStringLiteral(".doc"));
        list.DeleteNode(node, false);
    }
}

double heapInUse()
{
    return double(mallinfo2().uordblks);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    QTemporaryDir corpus(QStringLiteral("/tmp/dunlivo-bench-list-XXXXXX"));
    hostFile = QFile::encodeName(corpus.filePath(QStringLiteral("afiles.lst")));
    plainFile = QFile::encodeName(corpus.filePath(QStringLiteral("plain.lst")));
    listFile = win::ToWindowsPath(corpus.filePath(QStringLiteral("afiles.lst")));

    {
        TTreeList built;
        buildCorpus(built);
        built.SaveToFile(listFile);
        listBytes = built.ListFileBytes();
    }
    const double before = heapInUse();
    loaded = std::make_unique<TTreeList>();
    loaded->LoadFromFile(listFile);
    const double bytesPerNode = (heapInUse() - before) / loaded->nodeCount();
    const int nodes = loaded->nodeCount();

    benchmark::RegisterBenchmark("LoadFromFile", LoadFromFile)->MinTime(0.5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlainReadLines", PlainReadLines)
        ->MinTime(0.3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SaveToFile", SaveToFile)->MinTime(0.5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlainWriteSync", PlainWrite, true)
        ->MinTime(0.5)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlainWrite", PlainWrite, false)
        ->MinTime(0.3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("AddDirBelow10000", AddDirBelow, 10000)->MinTime(0.3);
    benchmark::RegisterBenchmark("AddDirBelow100000", AddDirBelow, 100000)->MinTime(0.3);
    benchmark::Initialize(&argc, argv);
    FigureCollector figures;
    benchmark::RunSpecifiedBenchmarks(&figures);

    auto &ns = figures.nsPerIteration;
    printFigure("list_nodes", nodes, "nodes");
    printFigure("list_load_vs_lines_ratio", ns["LoadFromFile"] / ns["PlainReadLines"], "x");
    printFigure("list_load_ms", ns["LoadFromFile"] / 1e6, "ms");
    // Saving syncs the new list to the disk before it replaces the old one; the plain write it
    // is set against does the same.
    printFigure("list_save_ratio", ns["SaveToFile"] / ns["PlainWriteSync"], "x");
    printFigure("list_save_unsynced_ratio", ns["SaveToFile"] / ns["PlainWrite"], "x");
    printFigure("list_save_ms", ns["SaveToFile"] / 1e6, "ms");
    printFigure("list_bytes_per_node", bytesPerNode, "bytes");
    printFigure("adddir_flatness_ratio", ns["AddDirBelow100000"] / ns["AddDirBelow10000"], "x");
    printFigure("adddir_us", ns["AddDirBelow100000"] / 1e3, "us");
    return 0;
}
