// Turning the archive list into the files of one run.
#include "archivesources.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/archivelist/extensionset.h"
#include "core/archivelist/treelist.h"
#include "core/platform/hostdir.h"
#include "core/platform/paths.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <vector>

#include <sys/stat.h>

namespace archiver {

QStringList splitExtensionSet(const QString &set)
{
    return extensionset::matchedEntries(set);
}

bool extensionInSet(const QString &fileName, const QStringList &set)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QStringView extension = dot < 0 ? QStringView() : QStringView(fileName).mid(dot);
    for (const QString &wanted : set) {
        if (wanted == QLatin1String(".*"))
            return true;
        if (!extension.isEmpty() && extension.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

namespace {

void noteFailure(SourceList *sources, StateCode code, const QString &path, const QString &problem)
{
    if (sources->firstFailure == StateCorrect) {
        sources->firstFailure = code;
        sources->firstFailedPath = path;
    }
    if (sources->problemCount++ < SourceList::kKeptProblems)
        sources->problems.append(problem);
}

void addFileItem(SourceList *sources, const QString &path, win::HostPathCache *cache)
{
    QString host;
    if (!win::ToHostPath(path, &host, nullptr, nullptr, cache)) {
        noteFailure(sources, StateFileNotExists, path, QStringLiteral("%1: not on a known drive").arg(path));
        return;
    }
    sources->files.push_back({path, QFile::encodeName(host)});
}

void addFolderItem(SourceList *sources, const QString &folder, const QStringList &set,
                   win::HostPathCache *cache)
{
    QString host;
    win::HostDirReader reader;
    if (!win::ToHostPath(folder, &host, nullptr, nullptr, cache) || !reader.open(QFile::encodeName(host))) {
        const int error = reader.error();
        noteFailure(sources, error == EACCES ? StateFileOpenError : StatePathNotFound, folder,
                    QStringLiteral("%1: the folder can not be listed").arg(folder));
        if (error != EACCES && sources->missingFolders.size() < SourceList::kKeptProblems)
            sources->missingFolders.append(trimTrailingBackslash(folder));
        return;
    }
    const QString prefix = folder.endsWith(QLatin1Char('\\')) ? folder : folder + QLatin1Char('\\');
    while (reader.next()) {
        if (reader.isDotOrDotDot() || !reader.hasWindowsName())
            continue;
        if (reader.kind() != win::HostEntryKind::File)
            continue;
        // A link that leads nowhere has nothing to archive. Plain files are known from the
        // folder entry alone; their status is looked up once, when they are archived.
        if (reader.isLink()) {
            const struct stat *status = reader.status();
            if (!status || !S_ISREG(status->st_mode))
                continue;
        }
        const QString name = QFile::decodeName(reader.name());
        if (!extensionInSet(name, set))
            continue;
        sources->files.push_back({prefix + name, QByteArray(reader.path())});
    }
}

} // namespace

SourceList collectSources(const TTreeList &list)
{
    SourceList sources;
    // Depth first in list order, with one path that grows by a name on the way down and is cut
    // back on the way up: a chain of many levels costs no call stack and no path built afresh
    // for each node. A node's path is its ancestors' names each followed by "\\", then its own
    // name; a drive or directory ends in "\\" as well.
    struct Visit
    {
        const TreeListNode *node;
        int nextChild;
        qsizetype pathBefore;
    };
    std::vector<Visit> pending;
    QString path;
    // A listed file that is missing costs a look at its folder once per run, not once per file.
    // The folders are seen as they were when first looked at: a folder made later in the run is
    // not seen until the next run.
    win::HostPathCache cache;
    const auto enter = [&](const TreeListNode *node) {
        const qsizetype before = path.size();
        path += TTreeList::NodeName(node);
        const int kind = node->imageIndex();
        if (kind == TTreeList::FileNode) {
            addFileItem(&sources, path, &cache);
            path += QLatin1Char('\\');
        } else {
            path += QLatin1Char('\\');
            if (kind == TTreeList::ArchivedDirectoryNode || kind == TTreeList::ArchivedDriveNode) {
                const QStringList set = splitExtensionSet(TTreeList::NodeExt(node));
                if (!set.isEmpty())
                    addFolderItem(&sources, path, set, &cache);
            }
        }
        pending.push_back({node, 0, before});
    };
    for (int row = 0; row < list.topLevelCount(); ++row) {
        enter(list.topLevelNode(row));
        while (!pending.empty()) {
            Visit &at = pending.back();
            if (at.nextChild < at.node->childCount()) {
                enter(at.node->child(at.nextChild++));
            } else {
                path.truncate(at.pathBefore);
                pending.pop_back();
            }
        }
    }
    // A file listed on its own and again through its folder is archived once.
    QSet<QByteArray> seen;
    seen.reserve(qsizetype(sources.files.size()));
    std::vector<SourceFile> unique;
    unique.reserve(sources.files.size());
    for (SourceFile &file : sources.files) {
        if (!seen.contains(file.hostPath)) {
            seen.insert(file.hostPath);
            unique.push_back(std::move(file));
        }
    }
    sources.files = std::move(unique);
    return sources;
}

} // namespace archiver
