// Thinning the versions area against deleting the same files with the usual tools, in the same
// run (wall-clock time):
// - thin_vs_find_delete_ratio: thinVersions over 100,000 small versions in 200 run folders, of
//   which it removes about half / xargs rm of the files it removed and find -delete of the
//   folders left empty, on a second copy of the same tree.
// The run folders are a day apart; half of each one's files are its own (they go with the run
// folders past the days kept), half are versions of files every run kept (thinned to one a day,
// then one a week). DUNLIVO_BENCH_VERSIONS sets the number of versions (DUNLIVO_BENCH_SMALL=1:
// 10,000).
#include "figures.h"

#include "apps/archiv/versionsarea.h"
#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/versionslayout.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSet>

#include <algorithm>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace archiver;

namespace {

constexpr int kRuns = 200;
constexpr int kKeepDays = 150;
const QDateTime kNow(QDate(2026, 6, 1), QTime(12, 0));

bool writeSmall(const std::string &path, const QByteArray &bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return ok;
}

// An archive root with its versions area; false when it could not be made whole.
bool makeArea(const QString &root, int versions)
{
    const int perRun = std::max(2, versions / kRuns);
    const QByteArray content(200, 'v');
    FormRecord record;
    record.compressed = false;
    for (int run = 0; run < kRuns; ++run) {
        const std::string folder =
            QFile::encodeName(root + QStringLiteral("/versions/") + versionRunName(kNow.addDays(-1 - run)))
                .toStdString();
        if (!QDir().mkpath(QString::fromStdString(folder + "/C/s")) ||
            !QDir().mkpath(QString::fromStdString(folder + "/C/u")) ||
            !writeSmall(folder + "/archiv.form", record.toBytes()))
            return false;
        for (int i = 0; i < perRun; ++i) {
            const std::string name = std::to_string(i / 2);
            // Twenty folders of shared files and twenty of the run's own.
            const std::string sub = (i % 2 ? "/C/u/" : "/C/s/") + std::to_string(i / 2 % 20);
            if ((i < 40 && ::mkdir((folder + sub).c_str(), 0755) != 0) ||
                !writeSmall(folder + sub + "/f" + name + (i % 2 ? "-" + std::to_string(run) : ""), content))
                return false;
        }
    }
    return true;
}

QSet<QString> filesBelow(const QString &folder)
{
    QSet<QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(it.next().mid(folder.size() + 1));
    return files;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    const bool small = qEnvironmentVariableIntValue("DUNLIVO_BENCH_SMALL") > 0;
    const int versions = envNumber("DUNLIVO_BENCH_VERSIONS", small ? 10000 : 100000);
    const auto best = [](double a, double b) { return a < 0 ? b : (b < 0 ? a : std::min(a, b)); };
    double thin = -1, tools = -1, removedShare = 0;
    // The machine may be shared: three rounds, and the fastest time of each side counts.
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir work(QStringLiteral("/tmp/dunlivo-bench-versions-XXXXXX"));
        const QString ours = work.path() + QStringLiteral("/ours");
        const QString theirs = work.path() + QStringLiteral("/theirs");
        if (!makeArea(ours, versions) || !makeArea(theirs, versions)) {
            std::fprintf(stderr, "bench_versions: the areas could not be made\n");
            return 0;
        }
        const QSet<QString> before = filesBelow(ours + QStringLiteral("/versions"));
        runShell(QStringLiteral("sync"));
        const int rootFd = ::open(QFile::encodeName(ours).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QElapsedTimer timer;
        timer.start();
        const VersionsRemoved removed = thinVersions(rootFd, kNow, kKeepDays);
        const double seconds = timer.nsecsElapsed() / 1e9;
        ::close(rootFd);
        if (removed.failures > 0) {
            std::fprintf(stderr, "bench_versions: %d failures\n", removed.failures);
            return 0;
        }
        thin = best(thin, seconds);
        // The same files go from the other copy, by their list.
        const QSet<QString> after = filesBelow(ours + QStringLiteral("/versions"));
        QByteArray list;
        for (const QString &file : before) {
            if (!after.contains(file))
                list += QFile::encodeName(theirs + QStringLiteral("/versions/") + file) + '\0';
        }
        removedShare = 100.0 * (before.size() - after.size()) / std::max<qsizetype>(1, before.size());
        QFile listFile(work.path() + QStringLiteral("/list"));
        if (!listFile.open(QIODevice::WriteOnly) || listFile.write(list) != list.size())
            return 0;
        listFile.close();
        runShell(QStringLiteral("sync"));
        tools = best(tools, runShell(QStringLiteral("xargs -0 rm -f < \"$1\" && "
                                                    "find \"$2\" -mindepth 1 -depth -type d -empty -delete"),
                                     {listFile.fileName(), theirs + QStringLiteral("/versions")}));
        if (filesBelow(theirs + QStringLiteral("/versions")) != after)
            std::fprintf(stderr, "bench_versions: the two copies differ\n");
    }
    if (thin > 0 && tools > 0)
        printFigure("thin_vs_find_delete_ratio", thin / tools, "x");
    if (thin > 0)
        printFigure("thin_versions_per_s", versions / thin, "files/s");
    printFigure("thin_removed_percent", removedShare, "%");
    return 0;
}
