// Turning the archive list into the files of one run.
#include "archivesources.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/archivelist/extensionset.h"
#include "core/archivelist/listediting.h"
#include "core/archivelist/newfolders.h"
#include "core/archivelist/treelist.h"
#include "core/platform/attributes.h"
#include "core/platform/hostdir.h"
#include "core/platform/paths.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstdlib>
#include <optional>
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

// The archive folders a run leaves out, each by its host path, by that path with every link
// resolved, and by its identity, so that a listed folder reached through another drive or a link
// is known as well.
class ArchiveFolders
{
public:
    explicit ArchiveFolders(const QStringList &windowsPaths)
    {
        for (const QString &path : windowsPaths) {
            QString host;
            if (path.isEmpty() || !win::ToHostPath(path, &host))
                continue;
            Folder folder{path, trimmed(QFile::encodeName(host)), {}, 0, 0, false};
            if (char *real = ::realpath(folder.host.constData(), nullptr)) {
                folder.real = real;
                std::free(real);
            }
            struct stat status;
            if (::stat(folder.host.constData(), &status) == 0) {
                folder.identityKnown = true;
                folder.device = status.st_dev;
                folder.inode = status.st_ino;
            }
            m_folders.push_back(std::move(folder));
        }
    }

    bool empty() const { return m_folders.empty(); }

    // The archive folder that hostPath is or lies in, or none; status, when known, is hostPath's.
    const QString *holding(const QByteArray &hostPath, const struct stat *status = nullptr) const
    {
        const QByteArray path = trimmed(hostPath);
        const auto within = [&](const QByteArray &folder) {
            return !folder.isEmpty() &&
                   (path == folder || (path.startsWith(folder) && path.at(folder.size()) == '/'));
        };
        for (const Folder &folder : m_folders) {
            if (within(folder.host) || within(folder.real) ||
                (status && folder.identityKnown && status->st_dev == folder.device &&
                 status->st_ino == folder.inode))
                return &folder.windowsPath;
        }
        return nullptr;
    }

private:
    static QByteArray trimmed(QByteArray path)
    {
        while (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        return path;
    }
    struct Folder
    {
        QString windowsPath;
        QByteArray host;
        QByteArray real;
        dev_t device;
        ino_t inode;
        bool identityKnown;
    };
    std::vector<Folder> m_folders;
};

// Counts a listed item left out because it lies in an archive folder; the log names each archive
// folder once a run, with the first such item.
void noteInArchive(SourceList *sources, const QString &archiveFolder, const QString &item)
{
    for (SourceList::InArchive &met : sources->inArchive) {
        if (met.archiveFolder == archiveFolder) {
            ++met.count;
            return;
        }
    }
    sources->inArchive.push_back({archiveFolder, item, 1});
}

// What the read of one listed folder needs to note its new folders.
struct NewFolderSearch
{
    const SourceOptions &options;
    const ArchiveFolders &archives;
    QSet<QString> declined; // upper-cased
};

// The subfolder entry the reader is at, as the new-folder rule sees it. Only subfolders the list
// does not name cost more than their folder entry.
newfolders::Subfolder subfolderAt(win::HostDirReader &reader, const QString &windowsPath,
                                  const QSet<QString> &listedNames, const NewFolderSearch &search)
{
    newfolders::Subfolder sub;
    sub.name = QFile::decodeName(reader.name());
    sub.listed = listedNames.contains(sub.name.toUpper());
    if (sub.listed)
        return sub;
    const bool dotName = reader.startsWithDot();
    const win::DWORD attributes = win::HostDosAttributes(reader.path(), dotName);
    sub.ignored = (attributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM)) ||
                  !CanHoldItem(windowsPath) || search.declined.contains(windowsPath.toUpper()) ||
                  search.archives.holding(QByteArray(reader.path()), reader.status());
    sub.madeNs = newfolders::madeTimeNs(reader.fd(), reader.name());
    if (sub.madeNs < 0)
        sub.ignored = true; // gone since the folder was read
    return sub;
}

void addFileItem(SourceList *sources, const QString &path, win::HostPathCache *cache,
                 const ArchiveFolders &archives)
{
    QString host;
    if (!win::ToHostPath(path, &host, nullptr, nullptr, cache)) {
        noteFailure(sources, StateFileNotExists, path, QStringLiteral("%1: not on a known drive").arg(path));
        return;
    }
    const QByteArray hostPath = QFile::encodeName(host);
    if (const QString *archive = archives.holding(hostPath)) {
        noteInArchive(sources, *archive, path);
        return;
    }
    sources->files.push_back({path, hostPath});
}

void addFolderItem(SourceList *sources, const TreeListNode *node, const QString &folder,
                   const QStringList &set, win::HostPathCache *cache, const ArchiveFolders &archives,
                   const NewFolderSearch *search)
{
    QString host;
    win::HostDirReader reader;
    const bool found = win::ToHostPath(folder, &host, nullptr, nullptr, cache);
    // A folder of an archive is never archived into it; nor is one that a link makes an archive
    // folder, known by its identity once it is open.
    const QString *archive = found ? archives.holding(QFile::encodeName(host)) : nullptr;
    if (!archive && found && reader.open(QFile::encodeName(host)) && !archives.empty()) {
        struct stat status;
        if (::fstat(reader.fd(), &status) == 0)
            archive = archives.holding(QByteArray(), &status);
    }
    if (archive) {
        noteInArchive(sources, *archive, folder);
        return;
    }
    if (!reader.isOpen()) {
        const int error = reader.error();
        noteFailure(sources, error == EACCES ? StateFileOpenError : StatePathNotFound, folder,
                    QStringLiteral("%1: the folder can not be listed").arg(folder));
        if (error != EACCES && sources->missingFolders.size() < SourceList::kKeptProblems)
            sources->missingFolders.append(trimTrailingBackslash(folder));
        return;
    }
    const QString prefix = folder.endsWith(QLatin1Char('\\')) ? folder : folder + QLatin1Char('\\');
    QSet<QString> listedNames;
    bool listedNamesMade = false;
    std::vector<newfolders::Subfolder> subfolders;
    // Once an older unlisted subfolder is met the folder is partly listed: the rest of its
    // subfolders cost nothing more.
    bool partlyListed = false;
    while (reader.next()) {
        if (reader.isDotOrDotDot() || !reader.hasWindowsName())
            continue;
        const win::HostEntryKind kind = reader.kind();
        if (kind == win::HostEntryKind::Directory && search && !partlyListed) {
            if (!listedNamesMade) {
                listedNamesMade = true;
                for (int row = 0; row < node->childCount(); ++row)
                    listedNames.insert(TTreeList::NodeName(node->child(row)).toUpper());
            }
            const QString name = QFile::decodeName(reader.name());
            newfolders::Subfolder sub = subfolderAt(reader, prefix + name, listedNames, *search);
            // Only the unlisted ones are kept: a folder of a million listed subfolders keeps none.
            if (!sub.listed && !sub.ignored) {
                partlyListed = sub.madeNs <= search->options.listChosenNs;
                subfolders.push_back(std::move(sub));
            }
        }
        if (kind != win::HostEntryKind::File)
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
    if (!search || partlyListed)
        return;
    for (const QString &name : newfolders::newSubfolders(subfolders, search->options.listChosenNs)) {
        if (sources->newFolders.size() < newfolders::kMaxNoted)
            sources->newFolders.append(prefix + name);
    }
}

} // namespace

SourceList collectSources(const TTreeList &list, const SourceOptions &options)
{
    SourceList sources;
    const ArchiveFolders archives(options.archiveFolders);
    std::optional<NewFolderSearch> search;
    if (options.listChosenNs >= 0) {
        search.emplace(NewFolderSearch{options, archives, {}});
        for (const QString &path : options.declinedFolders)
            search->declined.insert(path.toUpper());
    }
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
            addFileItem(&sources, path, &cache, archives);
            path += QLatin1Char('\\');
        } else {
            path += QLatin1Char('\\');
            if (kind == TTreeList::ArchivedDirectoryNode || kind == TTreeList::ArchivedDriveNode) {
                const QStringList set = splitExtensionSet(TTreeList::NodeExt(node));
                if (!set.isEmpty())
                    addFolderItem(&sources, node, path, set, &cache, archives, search ? &*search : nullptr);
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
