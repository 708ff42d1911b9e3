// The files of a restore command, made ready on worker threads.
#include "restorerun.h"

#include "decompressfile.h"

#include "core/platform/attributes.h"
#include "core/platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <chrono>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// How many files put in place quietly wake a waiting GUI thread.
constexpr size_t kWakeBatch = 16;

// Whether there is an entry at path, a link whose target is gone included. With paths, *host is
// where it was looked for, so that the member is not looked up twice.
bool present(const QString &path, win::HostPathCache *paths, QString *host)
{
    host->clear();
    if (!paths)
        return win::GetFileAttributes(path) != win::INVALID_FILE_ATTRIBUTES;
    struct stat info;
    if (win::ToHostPath(path, host, nullptr, nullptr, paths) &&
        ::lstat(QFile::encodeName(*host).constData(), &info) == 0)
        return true;
    host->clear();
    return false;
}

// Whether the folder of member (a Windows path) is below root once every link on the way is
// followed. A folder that does not exist is not checked: the member is then missing anyway. The
// files of a command come folder by folder, so each thread keeps its last answer.
bool insideRoot(const QString &root, const QString &member)
{
    thread_local QString lastRoot, lastTop, lastFolder;
    thread_local bool lastInside = true;
    const QString windowsFolder = member.left(member.lastIndexOf(QLatin1Char('\\')));
    if (root == lastRoot && windowsFolder == lastFolder)
        return lastInside;
    if (root != lastRoot) {
        lastRoot = root;
        lastTop = QFileInfo(win::HostPath(root)).canonicalFilePath();
    }
    lastFolder = windowsFolder;
    const QString folder = QFileInfo(win::HostPath(windowsFolder)).canonicalFilePath();
    lastInside = folder.isEmpty() ||
                 (!lastTop.isEmpty() && (folder == lastTop || folder.startsWith(lastTop + QLatin1Char('/'))));
    return lastInside;
}

} // namespace

RestoreRun::RestoreRun(std::vector<Item> items, bool compressed, int threads, const QString &keepNewer,
                       OnPlaced onPlaced)
    : m_items(std::move(items)), m_compressed(compressed), m_keepNewer(keepNewer),
      m_onPlaced(std::move(onPlaced)), m_prepared(m_items.size()), m_ready(m_items.size(), false),
      m_taken(m_items.size()), m_quiet(m_items.size(), false)
{
    if (threads <= 0)
        threads = std::max(1, QThread::idealThreadCount());
    threads = int(std::min<size_t>(size_t(threads), std::max<size_t>(1, m_items.size())));
    // Each file ahead is a finished temporary file on the target's disk: a few per worker keep
    // every core busy without holding much.
    m_ahead = size_t(threads) * 4;
    for (int i = 0; i < threads; ++i)
        m_workers.emplace_back([this] { work(); });
}

RestoreRun::~RestoreRun()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_workAvailable.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

RestoreRun::Prepared RestoreRun::prepare(const Item &item, bool compressed,
                                         std::shared_ptr<const restore::TargetFolder> folder,
                                         win::HostPathCache *paths)
{
    Prepared prepared;
    if (item.refused)
        return prepared;
    const QString member = item.origin.source + QStringLiteral(".bz2");
    const QString plain = item.origin.source;
    QString memberHost, plainHost;
    const bool decompress = compressed
                                ? present(member, paths, &memberHost) || !present(plain, paths, &plainHost)
                                : !present(plain, paths, &plainHost) && present(member, paths, &memberHost);
    const PendingFile::Kind kind = decompress ? PendingFile::Kind::Decompressed : PendingFile::Kind::Copied;
    prepared.member = decompress ? member : plain;
    // The folder is made here, so that the temporary file can lie beside the target. Behind
    // another user's linked folder nothing is made or written; the GUI thread says so in its turn.
    prepared.folder =
        folder ? std::move(folder) : restore::TargetFolder::open(item.origin.targetDir, ::geteuid(), true);
    if (prepared.folder->state() == restore::TargetFolder::State::Refused) {
        prepared.file = PendingFile::failed(kind, DecompressCannotCreateTarget);
        return prepared;
    }
    if (!item.root.isEmpty() && !insideRoot(item.root, plain)) {
        prepared.file = PendingFile::failed(kind, DecompressCannotOpenSource);
        return prepared;
    }
    const QString name = item.origin.target.mid(item.origin.target.lastIndexOf(QLatin1Char('\\')) + 1);
    prepared.file = decompress ? PendingFile::decompress(member, prepared.folder, name, -1, paths, memberHost)
                               : PendingFile::copy(plain, prepared.folder, name, paths, plainHost);
    return prepared;
}

RestoreRun::Placed RestoreRun::putInPlace(Prepared prepared, const QString &keepNewer)
{
    Placed placed;
    const restore::TargetFolder *folder = prepared.folder.get();
    if (folder && folder->state() == restore::TargetFolder::State::Refused) {
        placed.foreignLink = folder->link();
        placed.result = DecompressCannotCreateTarget;
        return placed;
    }
    placed.folderNotMade = folder && folder->state() == restore::TargetFolder::State::NotMade;
    placed.result = prepared.file ? prepared.file->commit(PendingFile::Rules::Restore, keepNewer)
                                  : int(DecompressOtherFailure);
    if (prepared.file)
        placed.kept = prepared.file->kept();
    return placed;
}

std::shared_ptr<const restore::TargetFolder> RestoreRun::folderOf(const QString &windowsFolder)
{
    // The files of a command come folder by folder: each folder is walked down to once, and its
    // files are made and put in place through the one descriptor.
    {
        std::lock_guard lock(m_mutex);
        if (m_folder && m_folderPath == windowsFolder)
            return m_folder;
    }
    auto folder = restore::TargetFolder::open(windowsFolder, ::geteuid(), true);
    std::lock_guard lock(m_mutex);
    m_folderPath = windowsFolder;
    m_folder = folder;
    return folder;
}

void RestoreRun::work()
{
    // The archive as this worker first finds each of its folders; the run's members are read as
    // they are found there (a member the Archiver adds meanwhile, in its own case, is found too).
    win::HostPathCache paths;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workAvailable.wait(
            lock, [this] { return m_stop || (m_next < m_items.size() && m_next < m_placed + m_ahead); });
        if (m_stop)
            return;
        const size_t index = m_next++;
        lock.unlock();
        const Item &item = m_items[index];
        Prepared prepared = prepare(item, item.form < 0 ? m_compressed : item.form == 1,
                                    item.refused ? nullptr : folderOf(item.origin.targetDir), &paths);
        lock.lock();
        m_prepared[index] = std::move(prepared);
        m_ready[index] = true;
        placeInOrder(lock);
    }
}

bool RestoreRun::mayPlace(size_t index) const
{
    return index < m_reached || (index > 0 && !m_items[index].afterWindow && m_quiet[index - 1]);
}

void RestoreRun::placeInOrder(std::unique_lock<std::mutex> &lock)
{
    if (m_placing)
        return; // the thread at it goes on to this file when it may
    m_placing = true;
    while (!m_stop && m_placed < m_items.size() && m_ready[m_placed] && mayPlace(m_placed)) {
        const size_t index = m_placed;
        Prepared prepared = std::move(m_prepared[index]);
        lock.unlock();
        Taken taken;
        taken.member = prepared.member;
        taken.copied = prepared.file && prepared.file->kind() == PendingFile::Kind::Copied;
        taken.placed = putInPlace(std::move(prepared), m_keepNewer);
        const bool quiet =
            taken.placed.result == 0 && taken.placed.foreignLink.isEmpty() && !taken.placed.folderNotMade;
        taken.reported = quiet && m_onPlaced;
        if (taken.reported)
            m_onPlaced(index, taken.placed);
        lock.lock();
        m_taken[index] = std::move(taken);
        m_quiet[index] = quiet;
        ++m_placed;
        m_workAvailable.notify_all();
        // The GUI thread only counts quiet files: it is woken for a batch of them, else it finds
        // them at its next look (about every 50 ms).
        if (m_guiWaits && (m_placed % kWakeBatch == 0 || !quiet || m_placed == m_items.size()))
            m_itemPlaced.notify_all();
    }
    m_placing = false;
    // Stopped before a file that waits for the GUI thread: it must hear of it now.
    if (m_guiWaits && m_placed < m_items.size() && m_ready[m_placed] && !mayPlace(m_placed))
        m_itemPlaced.notify_all();
}

RestoreRun::Taken RestoreRun::take(size_t index, const std::function<void()> &idle)
{
    std::unique_lock lock(m_mutex);
    m_reached = std::max(m_reached, index + 1);
    placeInOrder(lock);
    while (m_placed <= index) {
        m_guiWaits = true;
        const bool placed =
            m_itemPlaced.wait_for(lock, std::chrono::milliseconds(50), [&] { return m_placed > index; });
        m_guiWaits = false;
        if (placed)
            break;
        lock.unlock();
        if (idle)
            idle();
        lock.lock();
    }
    return std::move(m_taken[index]);
}
