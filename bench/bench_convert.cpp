// The Archiver converting a side between its forms against the usual tool over the same files,
// in the same run (wall-clock time; the Archiver is timed from the "archive now" command that
// follows the change of the flag to the end of its run, which converts and then archives):
// - convert_vs_xargs_ratio: plain to compressed / xargs -P<cores> bzip2 -9 over the same files;
// - convert_back_vs_xargs_ratio: compressed to plain / xargs -P<cores> bzip2 -dk.
// The corpus is about 300 MB in 5,000 files; DUNLIVO_BENCH_CONVERT_MB and
// DUNLIVO_BENCH_CONVERT_FILES make it smaller (or DUNLIVO_BENCH_SMALL=1: 30 MB in 500 files).
// DUNLIVO_BENCH_LOG=1 prints the Archiver's log at the end, to see where the time went.
#include "figures.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/winmsg.h"
#include "core/settings/config.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <thread>

namespace {

const QString kClass = QStringLiteral("APP_USER_WINDOW");
const QString kTitle = QString::fromUtf8("Kovamark-archiv\xc3\xa1l\xc3\xb3");

// One Archiver in a program folder of its own, archiving the corpus into its primary side.
class Archiver
{
public:
    Archiver(const QString &binDir, const QString &corpus)
    {
        const QString exe = m_dir.path() + QStringLiteral("/archiv");
        QFile::copy(binDir + QStringLiteral("/archiv"), exe);
        TTreeList list;
        for (const QString &name : QDir(corpus).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            list.AddDir(win::ToWindowsPath(corpus + QLatin1Char('/') + name), QStringLiteral(".*"));
        list.SaveToFile(win::ToWindowsPath(m_dir.path() + QStringLiteral("/afiles.lst")));
        m_process.start(exe, {QStringLiteral("--start-delay-ms"), QStringLiteral("100000000")});
        m_process.waitForStarted();
        for (int i = 0; i < 1000 && !win::FindWindow(kClass, kTitle); ++i)
            QThread::msleep(10);
    }
    ~Archiver()
    {
        if (win::HWND window = win::FindWindow(kClass, kTitle))
            win::PostMessage(window, win::WM_CLOSE, 0, 0);
        m_process.waitForFinished(-1);
    }

    // Seconds from the command to the end of the primary side's run in the given form; -1 when it
    // failed.
    double run(bool compressed)
    {
        Tconfig config;
        config.WriteBool(QStringLiteral("Bzip2_ok_1"), compressed);
        const win::UINT message = win::RegisterWindowMessage(QStringLiteral("Kovamark-main-message"));
        QElapsedTimer timer;
        timer.start();
        win::SendMessage(win::FindWindow(kClass, kTitle), message, 2, 2);
        while (config.ReadBool(QStringLiteral("Progress_1"), false))
            QThread::msleep(timer.elapsed() < 500 ? 2 : 20);
        const double elapsed = timer.nsecsElapsed() / 1e9;
        return config.ReadInteger(QStringLiteral("Archstate"), -1) == 0 ? elapsed : -1;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    const bool small = qEnvironmentVariableIntValue("DUNLIVO_BENCH_SMALL") > 0;
    const int mb = envNumber("DUNLIVO_BENCH_CONVERT_MB", small ? 30 : 300);
    const int files = envNumber("DUNLIVO_BENCH_CONVERT_FILES", small ? 500 : 5000);
    const QString binDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    make.start(QStringLiteral("bash"), {QStringLiteral(DUNLIVO_BENCH_DIR "/make-convert-corpus.sh"),
                                        QString::number(mb), QString::number(files)});
    make.waitForFinished(-1);
    const QString corpus = QString::fromLocal8Bit(make.readAllStandardOutput()).trimmed();
    if (make.exitCode() != 0 || corpus.isEmpty()) {
        std::fprintf(stderr, "bench_convert: no corpus\n");
        return 0;
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    QTemporaryDir work(QStringLiteral("/tmp/dunlivo-bench-convert-XXXXXX"));
    {
        Tconfig config;
        config.WriteString(QStringLiteral("Celutvonal"), win::ToWindowsPath(work.path()));
        config.WriteInteger(QStringLiteral("Prioritas"), 0);
    }
    Archiver archiver(binDir, corpus);
    if (archiver.run(false) < 0) {
        std::fprintf(stderr, "bench_convert: the first run failed\n");
        return 0;
    }
    const QString copy = work.path() + QStringLiteral("/copy");
    runShell(QStringLiteral("rm -rf \"$1\" && cp -r \"$2\" \"$1\" && rm -f \"$1/.done\""), {copy, corpus});
    // Whatever the copying and the other side left unwritten is flushed first, untimed, so that no
    // side pays for the writing of another.
    const auto settle = [] { runShell(QStringLiteral("sync")); };
    const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
    const QString plainFiles = QStringLiteral("find \"$1\" -type f -name 'f*.dat' -print0");
    const QString packedFiles = QStringLiteral("find \"$1\" -type f -name 'f*.dat.bz2' -print0");
    double toCompressed = -1, toPlain = -1, xargsCompress = -1, xargsDecompress = -1;
    // The machine may be shared: three rounds, taken in turns, and the fastest time counts.
    for (int round = 0; round < 3; ++round) {
        settle();
        toCompressed = best(toCompressed, archiver.run(true));
        settle();
        xargsCompress = best(
            xargsCompress,
            runShell(plainFiles + QStringLiteral(" | xargs -0 -n 8 -P %1 bzip2 -9 -f").arg(cores), {copy}));
        settle();
        toPlain = best(toPlain, archiver.run(false));
        settle();
        xargsDecompress = best(
            xargsDecompress,
            runShell(packedFiles + QStringLiteral(" | xargs -0 -n 8 -P %1 bzip2 -dk -f").arg(cores), {copy}));
        // The copy is plain again for the next round.
        runShell(packedFiles + QStringLiteral(" | xargs -0 rm -f"), {copy});
    }
    if (toCompressed > 0 && xargsCompress > 0)
        printFigure("convert_vs_xargs_ratio", toCompressed / xargsCompress, "x");
    if (toPlain > 0 && xargsDecompress > 0)
        printFigure("convert_back_vs_xargs_ratio", toPlain / xargsDecompress, "x");
    if (toCompressed > 0)
        printFigure("convert_compressed_mb_per_s", mb / toCompressed, "MB/s");
    if (qEnvironmentVariableIsSet("DUNLIVO_BENCH_LOG")) {
        QFile log(win::Prefix::path() + QStringLiteral("/log/archiv.log"));
        log.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "%s", log.readAll().constData());
    }
    return 0;
}
