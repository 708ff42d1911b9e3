// The panel's start and its memory: the time from starting the program to the main window's
// first paint against a plain Qt program showing one window (same run, offscreen), and the
// resident memory with a 10,000-node archive list loaded.
#include "figures.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

QString childProgram;

// Starts the child and returns the milliseconds until it printed its first line; -1 on failure.
// The output is kept in *output.
double runChild(const QStringList &args, QByteArray *output = nullptr)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(childProgram, args);
    if (!child.waitForStarted(10000))
        return -1;
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(30000))
            return -1;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    // The whole output: in "rss" mode the figure comes after the first-paint line.
    child.waitForFinished(30000);
    if (output)
        *output = child.readAll();
    return ms;
}

// 99 folders of 100 archived folders each below C:\Data: 10,001 nodes with the drive and Data.
void writeList(const QString &programDir)
{
    TTreeList list;
    for (int a = 0; a < 99; ++a)
        for (int b = 0; b < 100; ++b)
            list.AddDir(QStringLiteral("C:\\Data\\group%1\\folder%2").arg(a).arg(b), QStringLiteral(".doc;.xls"));
    list.SaveToFile(programDir + QStringLiteral("\\afiles.lst"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    childProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/panel-child");

    QTemporaryDir programHost;
    const QString programDir = win::ToWindowsPath(programHost.path());
    // One start creates the registry; the timed starts find it there, as every later start does.
    runChild({QStringLiteral("panel"), programDir});

    std::vector<double> panel;
    std::vector<double> minimal;
    for (int i = 0; i < 9; ++i) {
        // Taken in turns, so that a busy moment of the machine falls on both alike.
        panel.push_back(runChild({QStringLiteral("panel"), programDir}));
        minimal.push_back(runChild({QStringLiteral("minimal")}));
    }
    const double panelMs = median(panel);
    const double minimalMs = median(minimal);
    if (panelMs > 0 && minimalMs > 0) {
        printFigure("panel_start_ms", panelMs, "ms");
        printFigure("minimal_window_start_ms", minimalMs, "ms");
        printFigure("panel_start_ratio", panelMs / minimalMs, "x");
    }

    writeList(programDir);
    QByteArray output;
    if (runChild({QStringLiteral("rss"), programDir}, &output) > 0) {
        for (const QByteArray &line : output.split('\n')) {
            const QList<QByteArray> words = line.trimmed().split(' ');
            if (words.size() == 2 && words[0] == "rss")
                printFigure("panel_rss_mb", words[1].toDouble() / 1024.0, "MB");
        }
    }
    return 0;
}
