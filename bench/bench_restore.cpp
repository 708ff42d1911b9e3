// The restore's speed against the usual tools, on the same archive in the same run (wall-clock
// time). A tree (bench/make-restore-corpus.sh) is archived by archiv, compressed on the primary
// side and plain on the secondary one; the restore is the real restore window (offscreen)
// restoring the tree's directory with every subdirectory into an emptied origin.
// - restore_vs_bzip2_ratio: the compressed restore / bzip2 -dk over every member one after another;
// - restore_vs_xargs_ratio: the compressed restore / xargs -P<cores> bzip2 -dk over the members;
// - restore_plain_vs_cp_ratio: the plain restore / cp -a of the plain archive's folder, each into a
//   folder made afresh, in pairs of their own.
// Each pair runs in turns, several rounds; a figure is the median of the rounds' ratios.
// The trees and archives live in memory (/dev/shm) when it has room, so that the figures measure
// the restore and the tools, not the file system: on this benchmark's disk (ext4 without a
// journal) every new file skips, one by one, the inodes of its group freed in the last minute
// (in the last six while their table block is not yet written), so one and the same copy took
// from 0.6 to 8 s depending on what was deleted before it.
// DUNLIVO_BENCH_RESTORE_DIR names another folder to work in. Nothing a round wrote is deleted
// before the end: it is moved aside, so that no side writes while the file system still frees
// (and, mounted with discard, trims) what the round before it deleted; on a disk, whichever side
// wrote first after a delete took up to ten times as long.
// restore_cpu_vs_bzip2_cpu_ratio (processor time, for information) says what the wall-time
// figures would be on free cores.
#include "figures.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/winmsg.h"
#include "core/settings/config.h"
#include "gui/archivelist/treelistview.h"
#include "gui/restore/rewritef.h"
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/confirm1f.h"
#include "gui/shell/info1f.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/statvfs.h>

namespace {

const QString kClass = QStringLiteral("APP_USER_WINDOW");
const QString kTitle = QString::fromUtf8("Kovamark-archiv\xc3\xa1l\xc3\xb3");
constexpr int kRounds = 3;
// Nine pairs: a tool that is slow in one or two of them, whatever the cause, does not move the median.
constexpr int kPlainPairs = 9;

// The folder the benchmark works in: see the top of the file.
QString workBase()
{
    const QString asked = qEnvironmentVariable("DUNLIVO_BENCH_RESTORE_DIR");
    if (!asked.isEmpty())
        return asked;
    // The tree, its two archives, the tools' copies and every round's restored and copied trees,
    // kept to the end: about thirty-five times the tree's 300 MB at full size, with room to spare.
    constexpr unsigned long long kRoom = 12ull << 30;
    struct statvfs memory
    {
    };
    if (::statvfs("/dev/shm", &memory) == 0 && QFileInfo(QStringLiteral("/dev/shm")).isWritable() &&
        static_cast<unsigned long long>(memory.f_bavail) * memory.f_frsize >= kRoom)
        return QStringLiteral("/dev/shm");
    return QStringLiteral("/tmp");
}

void settle()
{
    runShell(QStringLiteral("sync"));
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int countFiles(const QString &folder)
{
    int n = 0;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();
         it.next())
        ++n;
    return n;
}

// Archives the origin's folders once on both sides with a private archiv.
bool archiveOnce(const QString &binDir, const QString &programDir, const QString &origin)
{
    TTreeList list;
    list.AddDir(win::ToWindowsPath(origin), QStringLiteral(".*"));
    for (QDirIterator it(origin, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();)
        list.AddDir(win::ToWindowsPath(it.next()), QStringLiteral(".*"));
    list.SaveToFile(win::ToWindowsPath(programDir + QStringLiteral("/afiles.lst")));
    const QString exe = programDir + QStringLiteral("/archiv");
    QFile::copy(binDir + QStringLiteral("/archiv"), exe);
    QProcess archiv;
    archiv.start(exe, {QStringLiteral("--start-delay-ms"), QStringLiteral("100000000")});
    archiv.waitForStarted();
    for (int i = 0; i < 1000 && !win::FindWindow(kClass, kTitle); ++i)
        QThread::msleep(10);
    const win::UINT message = win::RegisterWindowMessage(QStringLiteral("Kovamark-main-message"));
    Tconfig config;
    bool ok = true;
    for (int side : {2, 3}) {
        win::SendMessage(win::FindWindow(kClass, kTitle), message, win::WPARAM(side), win::LPARAM(side));
        const QString progress = side == 2 ? QStringLiteral("Progress_1") : QStringLiteral("Progress_2");
        while (config.ReadBool(progress, false))
            QThread::msleep(50);
        const QString state = side == 2 ? QStringLiteral("Archstate") : QStringLiteral("Safestate");
        ok = ok && config.ReadInteger(state, -1) == 0;
    }
    win::PostMessage(win::FindWindow(kClass, kTitle), win::WM_CLOSE, 0, 0);
    archiv.waitForFinished(-1);
    return ok;
}

// Calls answer once the event loop is back after the watched window showed: a modal box is
// then running its own loop, which the call ends.
class AnswerOnShow : public QObject
{
public:
    explicit AnswerOnShow(std::function<void()> answer) : m_answer(std::move(answer)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            QTimer::singleShot(0, this, m_answer);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_answer;
};

// The panel, offscreen, with its questions answered Yes and its information boxes counted.
class Panel
{
public:
    explicit Panel(const QString &programDir)
    {
        PanelOptions options;
        options.programDir = win::ToWindowsPath(programDir);
        m_panel = std::make_unique<DunlivoPanel>(options);
        m_ok = m_panel->create();
        if (!m_ok)
            return;
        m_panel->App_user_window()->show();
        QElapsedTimer wait;
        wait.start();
        while (!m_panel->App_user_window()->activatedOnce() && wait.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        // Every box is answered as soon as it shows, as by a user who clicks at once; the timer
        // only catches one that showed before the filter saw it.
        m_onShow = std::make_unique<AnswerOnShow>([this] { answer(); });
        m_panel->confirm1F()->installEventFilter(m_onShow.get());
        m_panel->info1F()->installEventFilter(m_onShow.get());
        QObject::connect(&m_answer, &QTimer::timeout, [this] { answer(); });
        m_answer.start(5);
    }
    // Answers the question window Yes, and the information window: a restore's report and a
    // folder without files are answered, any other box counted as a failure.
    void answer()
    {
        if (m_panel->confirm1F()->isVisible())
            m_panel->confirm1F()->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
        if (m_panel->info1F()->isVisible()) {
            // A folder that holds only folders says "Select a file!" in its turn, and every
            // restore ends with its report; any other box, or a report of files not restored,
            // is a failure.
            const QString first = m_panel->info1F()->findChild<QLabel *>(QStringLiteral("Label1"))->text();
            const bool report = first.startsWith(QLatin1String("Files restored:")) &&
                                !first.contains(QLatin1String("Not restored:"));
            if (first != QLatin1String("Select a file!") && !report)
                ++boxes;
            else
                m_panel->info1F()->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
            if (!m_panel->info1F()->isVisible())
                return;
            std::fprintf(
                stderr, "bench_restore: %s %s\n",
                qPrintable(m_panel->info1F()->findChild<QLabel *>(QStringLiteral("Label1"))->text()),
                qPrintable(m_panel->info1F()->findChild<QLabel *>(QStringLiteral("Label2"))->text()));
            m_panel->info1F()->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
        }
    }

    bool ok() const { return m_ok; }

    // Restores the origin folder with its subdirectories from a side, in the restore window opened
    // on that side's archive; seconds, -1 on failure.
    double restore(int side, const QString &destination, const QString &origin)
    {
        Q_UNUSED(destination);
        TrewriteF *window = m_panel->rewriteF();
        double seconds = -1;
        // A timer of this call's own: it never fires after the call, whether the window opened or not.
        QTimer start;
        start.setSingleShot(true);
        QObject::connect(&start, &QTimer::timeout, window, [&] {
            TTreeList *tree = window->findChild<TTreeListView *>(QStringLiteral("TLrewrite"))->treeList();
            tree->SetSelected(tree->AddDir(win::ToWindowsPath(origin), QString()));
            window->findChild<QCheckBox *>(QStringLiteral("CBsubdir"))->setChecked(true);
            const int before = boxes;
            QElapsedTimer timer;
            timer.start();
            window->restoreDirectory();
            seconds = boxes == before ? timer.nsecsElapsed() / 1e9 : -1;
            window->reject();
        });
        start.start(0);
        const TTreeList none;
        window->Open(side == 1, side == 1 ? QStringLiteral("\\Archive1") : QStringLiteral("\\Archive2"), QString(),
                     none);
        return seconds;
    }

    int boxes = 0;

private:
    std::unique_ptr<DunlivoPanel> m_panel;
    std::unique_ptr<AnswerOnShow> m_onShow;
    QTimer m_answer;
    bool m_ok = false;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchPrefix prefix;
    win::Prefix::ensure();
    const QString binDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    const QString corpus = makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-restore-corpus.sh")).value(0);
    if (corpus.isEmpty() || !QFileInfo(corpus).isDir()) {
        std::fprintf(stderr, "bench_restore: no corpus\n");
        return 0;
    }
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    QTemporaryDir work(workBase() + QStringLiteral("/dunlivo-bench-restore-XXXXXX"));
    std::fprintf(stderr, "bench_restore: working in %s\n", qPrintable(work.path()));
    QTemporaryDir program;
    const QString origin = work.path() + QStringLiteral("/origin");
    const QString destination = work.path() + QStringLiteral("/dest");
    QDir().mkpath(destination);
    runShell(QStringLiteral("cp -a \"$1\" \"$2\""), {corpus, origin});
    const int files = countFiles(origin);
    {
        Tconfig config;
        config.WriteString(QStringLiteral("Celutvonal"), win::ToWindowsPath(destination));
        config.WriteString(QStringLiteral("Celutvonal2"), win::ToWindowsPath(destination));
        config.WriteBool(QStringLiteral("Bzip2_ok_1"), true);
        config.WriteBool(QStringLiteral("Bzip2_ok_2"), false);
        config.WriteInteger(QStringLiteral("Archivalas"), 0);
        config.WriteInteger(QStringLiteral("Biztarchivalas"), 0);
        config.WriteBool(QStringLiteral("Autourites"), false);
        config.WriteBool(QStringLiteral("Kerdez"), false);
        config.WriteInteger(QStringLiteral("Prioritas"), 0);
    }
    if (!archiveOnce(binDir, program.path(), origin)) {
        std::fprintf(stderr, "bench_restore: archiv failed\n");
        return 0;
    }
    Panel panel(program.path());
    if (!panel.ok()) {
        std::fprintf(stderr, "bench_restore: no panel\n");
        return 0;
    }

    // The members below the archive root, copied for the tools (the copies are not timed).
    const QString members = work.path() + QStringLiteral("/members");
    const QString plainArchive = destination + QStringLiteral("/Archive2");
    const QString cpTarget = work.path() + QStringLiteral("/cp");
    const QString list = QStringLiteral("find \"$1\" -type f -name '*.bz2' -print0");
    // What a round wrote goes aside, to be deleted at the end (see the top of the file).
    const QString aside = work.path() + QStringLiteral("/aside");
    QDir().mkpath(aside);
    int moved = 0;
    const auto moveAside = [&](const QString &path) {
        if (QFileInfo::exists(path))
            QDir().rename(path, aside + QStringLiteral("/%1").arg(++moved));
    };
    const auto emptyOrigin = [&] {
        moveAside(origin);
        settle();
    };
    // The decompressed members go aside with the tree they lie in: the next round decompresses
    // in a fresh copy of the archive's members (the copy is not timed).
    const auto freshMembers = [&] {
        moveAside(members);
        runShell(QStringLiteral("cp -a \"$1\" \"$2\""), {destination + QStringLiteral("/Archive1"), members});
        settle();
    };

    std::vector<double> vsSerial, vsXargs, vsCp, cpuVsSerial;
    double oursBest = -1;
    // DUNLIVO_BENCH_RESTORE_PLAIN_ONLY=1 leaves the compressed rounds out, to profile the plain pairs.
    const int rounds = qEnvironmentVariableIntValue("DUNLIVO_BENCH_RESTORE_PLAIN_ONLY") == 1 ? 0 : kRounds;
    for (int round = 0; round < rounds; ++round) {
        emptyOrigin();
        const double oursCpuBefore = cpuSeconds(RUSAGE_SELF);
        const double ours = panel.restore(1, destination, origin);
        const double oursCpu = cpuSeconds(RUSAGE_SELF) - oursCpuBefore;
        const bool complete = countFiles(origin) == files;
        if (!complete)
            std::fprintf(stderr, "bench_restore: the compressed restore gave %d of %d files\n",
                         countFiles(origin), files);
        settle();
        freshMembers();
        const double serialCpuBefore = cpuSeconds(RUSAGE_CHILDREN);
        const double serial = runShell(list + QStringLiteral(" | xargs -0 bzip2 -dkf"), {members});
        const double serialCpu = cpuSeconds(RUSAGE_CHILDREN) - serialCpuBefore;
        freshMembers();
        const double xargs =
            runShell(list + QStringLiteral(" | xargs -0 -n 8 -P %1 bzip2 -dkf").arg(cores), {members});
        if (ours > 0 && complete) {
            oursBest = oursBest < 0 ? ours : std::min(oursBest, ours);
            if (serial > 0)
                vsSerial.push_back(ours / serial);
            if (serialCpu > 0)
                cpuVsSerial.push_back(oursCpu / serialCpu);
            if (xargs > 0)
                vsXargs.push_back(ours / xargs);
        }
    }
    // The plain restore and cp -a write the same tree, each into a folder that is not there yet,
    // on a settled disk, taking turns at going first.
    for (int pair = 0; pair < kPlainPairs; ++pair) {
        emptyOrigin();
        moveAside(cpTarget);
        settle();
        double plain = -1;
        double cp = -1;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + pair) % 2 == 0)
                plain = panel.restore(2, destination, origin);
            else
                cp = runShell(QStringLiteral("cp -a \"$1\" \"$2\""), {plainArchive, cpTarget});
            settle();
        }
        // Each pair's times, so that a run whose figure stands apart shows which side was slow.
        std::fprintf(stderr, "bench_restore: pair %d (%s first): plain restore %.3f s, cp -a %.3f s\n",
                     pair + 1, pair % 2 == 0 ? "restore" : "cp", plain, cp);
        if (plain > 0 && cp > 0 && countFiles(origin) == files)
            vsCp.push_back(plain / cp);
    }
    if (const double r = median(vsSerial); r > 0)
        printFigure("restore_vs_bzip2_ratio", r, "x");
    if (const double r = median(vsXargs); r > 0)
        printFigure("restore_vs_xargs_ratio", r, "x");
    if (const double r = median(vsCp); r > 0)
        printFigure("restore_plain_vs_cp_ratio", r, "x");
    if (oursBest > 0)
        printFigure("restore_files_per_s", files / oursBest, "files/s");
    // For information on a busy machine: the processor time of the compressed restore (all its
    // threads) against bzip2's over the same members; the wall-time figures above need free cores.
    if (const double r = median(cpuVsSerial); r > 0)
        printFigure("restore_cpu_vs_bzip2_cpu_ratio", r, "x");
    return 0;
}
