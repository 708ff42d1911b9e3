// The Archiver's check (archiv --verify) against the usual tools, on the same archived files:
// - verify_vs_bzip2_t_ratio: a check of a compressed side / bzip2 -t over its members one after
//   another (goal at most 0.6 on 2 cores: the members are decoded on every core);
// - verify_plain_vs_cat_ratio: a check of a plain side / cat of its files to /dev/null (goal at
//   most 1.2: the checksums cost little beside the reading).
// The files are the first DUNLIVO_BENCH_VERIFY_MB megabytes (300 by default) of the mixed corpus
// of make-archive-corpus.sh, linked into a folder of their own. Each is timed three times, in
// turns, and the fastest counts.
#include "figures.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/winmsg.h"
#include "core/settings/config.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace {

const QString kClass = QStringLiteral("APP_USER_WINDOW");
const QString kTitle = QString::fromUtf8("Kovamark-archiv\xc3\xa1l\xc3\xb3");

// Links the corpus's files, in name order, into folder until megabytes are reached.
bool linkSubset(const QString &corpus, const QString &folder, qint64 megabytes)
{
    QStringList files;
    QDirIterator it(corpus, {QStringLiteral("f*.dat")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    qint64 total = 0;
    for (const QString &file : files) {
        if (total >= megabytes * 1000 * 1000)
            break;
        const QString target = folder + file.mid(corpus.size());
        QDir().mkpath(QFileInfo(target).path());
        if (::link(QFile::encodeName(file).constData(), QFile::encodeName(target).constData()) != 0)
            return false;
        total += QFileInfo(file).size();
    }
    return total > 0;
}

// Archives both sides (primary compressed, secondary plain) with the real archiv; false on failure.
bool archiveBothSides(const QString &binDir, const QString &source)
{
    QTemporaryDir program;
    const QString exe = program.path() + QStringLiteral("/archiv");
    QFile::copy(binDir + QStringLiteral("/archiv"), exe);
    TTreeList list;
    for (const QString &folder : QDir(source).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        list.AddDir(win::ToWindowsPath(source + QLatin1Char('/') + folder), QStringLiteral(".*"));
    list.SaveToFile(win::ToWindowsPath(program.path() + QStringLiteral("/afiles.lst")));
    QProcess archiver;
    archiver.start(exe, {QStringLiteral("--start-delay-ms"), QStringLiteral("100000000")});
    archiver.waitForStarted();
    for (int i = 0; i < 1000 && !win::FindWindow(kClass, kTitle); ++i)
        QThread::msleep(10);
    const win::UINT message = win::RegisterWindowMessage(QStringLiteral("Kovamark-main-message"));
    Tconfig config;
    bool ok = true;
    for (int side = 1; side <= 2; ++side) {
        win::SendMessage(win::FindWindow(kClass, kTitle), message, win::WPARAM(side + 1),
                         win::LPARAM(side + 1));
        while (config.ReadBool(QStringLiteral("Progress_%1").arg(side), false))
            QThread::msleep(20);
        ok = ok && config.ReadInteger(side == 1 ? QStringLiteral("Archstate") : QStringLiteral("Safestate"),
                                      -1) == 0;
    }
    win::PostMessage(win::FindWindow(kClass, kTitle), win::WM_CLOSE, 0, 0);
    archiver.waitForFinished(-1);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    const QString binDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    const QStringList corpus = makeCorpus(QStringLiteral(DUNLIVO_BENCH_DIR "/make-archive-corpus.sh"));
    QTemporaryDir work(QStringLiteral("/tmp/dunlivo-bench-verify-XXXXXX"));
    const QString source = work.path() + QStringLiteral("/src");
    if (corpus.size() != 2 || !linkSubset(corpus.at(0), source, envNumber("DUNLIVO_BENCH_VERIFY_MB", 300))) {
        std::fprintf(stderr, "bench_verify: no corpus\n");
        return 0;
    }
    {
        Tconfig config;
        for (const char *destination : {"Celutvonal", "Celutvonal2"})
            config.WriteString(QLatin1String(destination), win::ToWindowsPath(work.path()));
        config.WriteBool(QStringLiteral("Bzip2_ok_1"), true);
        config.WriteBool(QStringLiteral("Bzip2_ok_2"), false);
        config.WriteInteger(QStringLiteral("Prioritas"), 0);
        for (const char *off : {"Archivalas", "Biztarchivalas", "Autourites"})
            config.WriteInteger(QLatin1String(off), 0);
    }
    if (!archiveBothSides(binDir, source)) {
        std::fprintf(stderr, "bench_verify: the archive runs failed\n");
        return 0;
    }
    const QString verify = QStringLiteral("\"$1\" --verify \"$2\"");
    const QString exe = binDir + QStringLiteral("/archiv");
    const QString members =
        QStringLiteral("find \"$1\" -path \"$1/versions\" -prune -o -type f -name '*.bz2' -print0");
    const QString copies =
        QStringLiteral("find \"$1\" -path \"$1/versions\" -prune -o -type f -path \"$1/*/*\" -print0");
    const QString primary = work.path() + QStringLiteral("/Archive1");
    const QString secondary = work.path() + QStringLiteral("/Archive2");
    const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
    double ours = -1, bzip2 = -1, plain = -1, cat = -1;
    for (int round = 0; round < 3; ++round) {
        ours = best(ours, runShell(verify, {exe, QStringLiteral("primary")}));
        bzip2 = best(bzip2, runShell(members + QStringLiteral(" | xargs -0 bzip2 -t"), {primary}));
        plain = best(plain, runShell(verify, {exe, QStringLiteral("secondary")}));
        cat = best(cat, runShell(copies + QStringLiteral(" | xargs -0 cat > /dev/null"), {secondary}));
    }
    if (ours > 0 && bzip2 > 0)
        printFigure("verify_vs_bzip2_t_ratio", ours / bzip2, "x");
    if (plain > 0 && cat > 0)
        printFigure("verify_plain_vs_cat_ratio", plain / cat, "x");
    return 0;
}
