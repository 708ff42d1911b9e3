// The Archiver's speed against the usual tools, on the same files in the same run (wall-clock
// time; the Archiver is timed from the "archive now" command to the end of its run):
// - archive_parallel_ratio: bzip2 -9 over the files one after another / a compressed run;
// - archive_vs_xargs_ratio: a compressed run / xargs -P<cores> bzip2 -9 over the same files;
// - archive_vs_lbzip2_ratio: a compressed run / tar | lbzip2 -9 -n<cores>;
// - archive_members_bzip2_t_failed: members of the last compressed run that "bzip2 -t" rejects
//   (0 when sound), of archive_members_tested;
// - archive_nochange_vs_rsync_ratio: a plain run with nothing changed over 20,000 files, with
//   100 runs' earlier versions in the archives / rsync -a -n of the same folders to a mirror;
// - archive_small_files_ratio: a plain run over 5,000 new files of 4 KiB / cp -a and one sync, the
//   median of five pairs;
// - archive_versions_ratio: a plain run that replaces every archived file, keeping the replaced
//   copies as earlier versions / the same run keeping none (DUNLIVO_BENCH_VERSIONS_FILES files of
//   16 KiB, 5,000 by default);
// - progress_overhead_ratio: a plain run with nothing changed over DUNLIVO_BENCH_PROGRESS_FILES
//   files (20,000 by default) publishing its progress for the panel / the same run with the
//   publishing switched off (DUNLIVO_BENCH_NO_PROGRESS); goal at most 1.02.
// DUNLIVO_BENCH_SMALL=1 measures the last three only, for a loaded machine.
#include "figures.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/winmsg.h"
#include "core/settings/config.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

const QString kClass = QStringLiteral("APP_USER_WINDOW");
const QString kTitle = QString::fromUtf8("Kovamark-archiv\xc3\xa1l\xc3\xb3");

QStringList subfolders(const QString &folder)
{
    QStringList result;
    for (const QString &name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        result.append(folder + QLatin1Char('/') + name);
    return result;
}

// One Archiver in a program folder of its own, with a list naming every file of the folders.
class Archiver
{
public:
    Archiver(const QString &binDir, const QStringList &folders,
             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessEnvironment(environment);
        const QString exe = m_dir.path() + QStringLiteral("/archiv");
        QFile::copy(binDir + QStringLiteral("/archiv"), exe);
        TTreeList list;
        for (const QString &folder : folders)
            list.AddDir(win::ToWindowsPath(folder), QStringLiteral(".*"));
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

    // Seconds from the command to the end of the side's run; -1 when it failed.
    double run(int side)
    {
        Tconfig config;
        const QString progress = side == 2 ? QStringLiteral("Progress_1") : QStringLiteral("Progress_2");
        const QString state = side == 2 ? QStringLiteral("Archstate") : QStringLiteral("Safestate");
        const win::UINT message = win::RegisterWindowMessage(QStringLiteral("Kovamark-main-message"));
        QElapsedTimer timer;
        timer.start();
        win::SendMessage(win::FindWindow(kClass, kTitle), message, win::WPARAM(side), win::LPARAM(side));
        // Every look at the registry takes processor time from the run being timed: closely while
        // a run may still be short, gently afterwards.
        while (config.ReadBool(progress, false))
            QThread::msleep(timer.elapsed() < 500 ? 2 : 20);
        const double elapsed = timer.nsecsElapsed() / 1e9;
        return config.ReadInteger(state, -1) == 0 ? elapsed : -1;
    }

    // Empties the archives (command 1), so the next run writes every file again.
    void empty()
    {
        const win::UINT message = win::RegisterWindowMessage(QStringLiteral("Kovamark-main-message"));
        win::SendMessage(win::FindWindow(kClass, kTitle), message, 1, 1);
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
    const QString binDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    const bool smallOnly = qEnvironmentVariableIntValue("DUNLIVO_BENCH_SMALL") > 0;
    const QStringList corpus = smallOnly
                                   ? QStringList{QString(), QString()}
                                   : makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-archive-corpus.sh"));
    if (corpus.size() != 2) {
        std::fprintf(stderr, "bench_archiv: no corpus\n");
        return 0;
    }
    const QString mixed = corpus.at(0);
    const QString many = corpus.at(1);
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    QTemporaryDir work(QStringLiteral("/tmp/dunlivo-bench-archiv-XXXXXX"));
    {
        Tconfig config;
        config.WriteString(QStringLiteral("Celutvonal"), win::ToWindowsPath(work.path()));
        config.WriteString(QStringLiteral("Celutvonal2"), win::ToWindowsPath(work.path()));
        config.WriteBool(QStringLiteral("Bzip2_ok_1"), true);
        config.WriteBool(QStringLiteral("Bzip2_ok_2"), false);
        config.WriteInteger(QStringLiteral("Prioritas"), 0);
    }

    // Compressed: the Archiver, then the tools on a copy of the same files (copying is not timed).
    if (!smallOnly) {
        // The machine may be shared: each side runs three times, taken in turns, and the fastest time
        // counts.
        Archiver archiver(binDir, subfolders(mixed));
        const QString copy = work.path() + QStringLiteral("/copy");
        runShell(QStringLiteral("rm -rf \"$1\" && cp -r \"$2\" \"$1\""), {copy, mixed});
        const QString list = QStringLiteral("find \"$1\" -type f -name 'f*.dat' -print0");
        double ours = -1, serial = -1, xargs = -1;
        const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
        // The Archiver ends a run by flushing its file system to the disk; whatever the copying
        // and the other side left unwritten is flushed first, untimed, so that no side pays for
        // the writing of another.
        const auto settle = [] { runShell(QStringLiteral("sync"), {}); };
        for (int round = 0; round < 3; ++round) {
            archiver.empty();
            settle();
            ours = best(ours, archiver.run(2));
            settle();
            serial = best(serial, runShell(list + QStringLiteral(" | xargs -0 bzip2 -9 -k -f"), {copy}));
            settle();
            xargs = best(
                xargs,
                runShell(list + QStringLiteral(" | xargs -0 -n 8 -P %1 bzip2 -9 -k -f").arg(cores), {copy}));
        }
        if (ours > 0 && serial > 0)
            printFigure("archive_parallel_ratio", serial / ours, "x");
        if (ours > 0 && xargs > 0)
            printFigure("archive_vs_xargs_ratio", ours / xargs, "x");
        if (ours > 0 && !QStandardPaths::findExecutable(QStringLiteral("lbzip2")).isEmpty()) {
            const double lbzip2 =
                runShell(QStringLiteral("tar -C \"$1\" -cf - . | lbzip2 -9 -n %1 > \"$2\"").arg(cores),
                         {mixed, work.path() + QStringLiteral("/all.tar.bz2")});
            if (lbzip2 > 0)
                printFigure("archive_vs_lbzip2_ratio", ours / lbzip2, "x");
        }
        if (ours > 0)
            printFigure("archive_compressed_mb_per_s", 300.0 / ours, "MB/s");
        // Every member the last run wrote is tested by the stock bzip2 program (not timed).
        QProcess test;
        test.start(QStringLiteral("bash"),
                   {QStringLiteral("-c"),
                    QStringLiteral("find \"$1\" -path \"$2\" -prune -o -name '*.bz2' -print0 | "
                                   "xargs -0 -n 1 -P %1 sh -c 'bzip2 -t \"$0\" 2>/dev/null && echo ok || echo bad'")
                        .arg(cores),
                    QStringLiteral("bash"), work.path(), copy});
        if (test.waitForFinished(-1) && ours > 0) {
            const QByteArray answers = test.readAllStandardOutput();
            printFigure("archive_members_tested", answers.count("ok\n") + answers.count("bad\n"), "members");
            printFigure("archive_members_bzip2_t_failed", answers.count("bad\n"), "members");
        }
        runShell(QStringLiteral("rm -rf \"$1\""), {copy});
    }

    // Nothing changed: the second plain run over 20,000 files against rsync's dry run, with a
    // hundred runs' earlier versions (200 files each) in both archives.
    if (!smallOnly && !QStandardPaths::findExecutable(QStringLiteral("rsync")).isEmpty()) {
        Archiver archiver(binDir, subfolders(many));
        archiver.run(3);
        runShell(QStringLiteral(
                     "for side in Archive1 Archive2; do for r in $(seq 1 100); do "
                     "d=\"$1/$side/versions/2026-01-01 $(printf '%02d%02d00' $((r / 60)) $((r % 60)))\"; "
                     "mkdir -p \"$d/C/bench\" && cp \"$1/$side/archiv.form\" \"$d/\" && "
                     "(cd \"$d/C/bench\" && touch $(seq -f 'f%g' 200)); done; done"),
                 {work.path()});
        const QString mirror = work.path() + QStringLiteral("/mirror/");
        runShell(QStringLiteral("rsync -a \"$1/\" \"$2\""), {many, mirror});
        double ours = -1, rsync = -1;
        const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
        for (int round = 0; round < 3; ++round) {
            ours = best(ours, archiver.run(3));
            rsync = best(rsync, runShell(QStringLiteral("rsync -a -n \"$1/\" \"$2\""), {many, mirror}));
        }
        if (ours > 0 && rsync > 0)
            printFigure("archive_nochange_vs_rsync_ratio", ours / rsync, "x");
    }

    // Many small new files, where making each file durable by itself would cost the most.
    {
        const QString small = work.path() + QStringLiteral("/small");
        QByteArray bytes(4096, 'x');
        for (int i = 0; i < 5000; ++i) {
            const QString folder = small + QStringLiteral("/d%1").arg(i % 10);
            QDir().mkpath(folder);
            bytes.replace(0, 4, QByteArray::number(i + 1000));
            QFile file(folder + QStringLiteral("/f%1").arg(i));
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        Archiver archiver(binDir, subfolders(small));
        // Both sides start from a flushed disk, so neither pays for the other's writing; the
        // figure is the median of the pairs' ratios, the pairs taking turns at going first. Each
        // side writes into a folder of its own each time, and nothing is deleted until the end:
        // a side that wrote right after a delete paid for the file system's freeing (and, mounted
        // with discard, trimming) of what was deleted. Files deleted shortly before the section
        // (by an earlier one, or by a benchmark run just before) still weigh: ext4 without a
        // journal makes each new file skip the inodes freed in its group in the last minutes, one
        // by one, and the Archiver's two workers then win against cp's one thread.
        const auto ours = [&](int pair) {
            const QString destination = work.path() + QStringLiteral("/smallarchive%1").arg(pair);
            QDir().mkpath(destination + QStringLiteral("/Archive2"));
            Tconfig().WriteString(QStringLiteral("Celutvonal2"), win::ToWindowsPath(destination));
            runShell(QStringLiteral("sync"));
            return archiver.run(3);
        };
        const auto cp = [&](int pair) {
            runShell(QStringLiteral("sync"));
            return runShell(QStringLiteral("cp -a \"$1\" \"$2\" && sync"),
                            {small, work.path() + QStringLiteral("/smallcopy%1").arg(pair)});
        };
        std::vector<double> ratios, times;
        for (int pair = 0; pair < 5; ++pair) {
            double a = -1, b = -1;
            if (pair % 2 == 0) {
                a = ours(pair);
                b = cp(pair);
            } else {
                b = cp(pair);
                a = ours(pair);
            }
            // Each pair's times, so that a figure that stands apart shows which side was slow.
            std::fprintf(stderr,
                         "bench_archiv: small files pair %d (%s first): archiv %.3f s, cp -a + sync %.3f s\n",
                         pair + 1, pair % 2 == 0 ? "archiv" : "cp", a, b);
            times.push_back(a);
            ratios.push_back(a > 0 && b > 0 ? a / b : -1);
        }
        if (const double r = median(ratios); r > 0) {
            printFigure("archive_small_files_seconds", median(times), "s");
            printFigure("archive_small_files_ratio", r, "x");
        }
    }

    // Every file changed: the runs that keep the replaced copies against runs that keep none. Each
    // starts from an empty versions area, so neither pays for the other's versions.
    {
        const int count = envNumber("DUNLIVO_BENCH_VERSIONS_FILES", 5000);
        const QString changing = work.path() + QStringLiteral("/changing");
        QByteArray bytes(16384, 'v');
        for (int i = 0; i < count; ++i) {
            const QString folder = changing + QStringLiteral("/d%1").arg(i % 10);
            QDir().mkpath(folder);
            bytes.replace(0, 4, QByteArray::number(i + 1000));
            QFile file(folder + QStringLiteral("/f%1").arg(i));
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        // A new archive folder: the side was archived before, elsewhere.
        const QString destination = work.path() + QStringLiteral("/versionsdest");
        QDir().mkpath(destination + QStringLiteral("/Archive2"));
        Tconfig().WriteString(QStringLiteral("Celutvonal2"), win::ToWindowsPath(destination));
        Tconfig().WriteString(QStringLiteral("Celkonyvtarnev2"), QStringLiteral("Archive2"));
        Archiver archiver(binDir, subfolders(changing));
        archiver.run(3);
        const auto changedRun = [&](int days) {
            Tconfig().WriteInteger(QStringLiteral("Versions_days"), days);
            runShell(QStringLiteral(
                         "rm -rf \"$2/Archive2/versions\"; find \"$1\" -type f -exec touch {} + && sync"),
                     {changing, destination});
            return archiver.run(3);
        };
        double kept = -1, none = -1;
        const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
        for (int round = 0; round < 3; ++round) {
            kept = best(kept, changedRun(180));
            none = best(none, changedRun(0));
        }
        if (kept > 0 && none > 0) {
            printFigure("archive_versions_seconds", kept, "s");
            printFigure("archive_versions_ratio", kept / none, "x");
        }
    }

    // What publishing the progress costs a run whose work is all per file: one Archiver at a time
    // per prefix, so the two kinds take turns, each after a first run that fills the archive.
    {
        const int count = envNumber("DUNLIVO_BENCH_PROGRESS_FILES", 20000);
        const QString files = work.path() + QStringLiteral("/progress");
        for (int i = 0; i < count; ++i) {
            const QString folder = files + QStringLiteral("/d%1").arg(i % 20);
            if (i < 20)
                QDir().mkpath(folder);
            QFile file(folder + QStringLiteral("/f%1").arg(i));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray::number(i));
        }
        // A new archive folder, as for the versions above.
        const QString destination = work.path() + QStringLiteral("/progressdest");
        QDir().mkpath(destination + QStringLiteral("/Archive2"));
        Tconfig().WriteString(QStringLiteral("Celutvonal2"), win::ToWindowsPath(destination));
        Tconfig().WriteInteger(QStringLiteral("Versions_days"), 0);
        QProcessEnvironment quiet = QProcessEnvironment::systemEnvironment();
        quiet.insert(QStringLiteral("DUNLIVO_BENCH_NO_PROGRESS"), QStringLiteral("1"));
        const auto unchangedRun = [&](const QProcessEnvironment &environment) {
            Archiver archiver(binDir, subfolders(files), environment);
            archiver.run(3);
            return archiver.run(3);
        };
        double published = -1, unpublished = -1;
        const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
        for (int round = 0; round < 5; ++round) {
            published = best(published, unchangedRun(QProcessEnvironment::systemEnvironment()));
            unpublished = best(unpublished, unchangedRun(quiet));
        }
        if (published > 0 && unpublished > 0) {
            printFigure("progress_unchanged_run_seconds", published, "s");
            printFigure("progress_overhead_ratio", published / unpublished, "x");
        }
    }
    return 0;
}
