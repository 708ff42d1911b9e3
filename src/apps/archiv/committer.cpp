// Committing the files of a run in batches.
#include "committer.h"

#include "versionkeeper.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

// The descriptors this process may hold at once.
size_t descriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1024;
    return size_t(limit.rlim_cur);
}

} // namespace

Committer::Committer(int rootFd)
    : m_rootFd(rootFd),
      // Two sides with two batches each, a descriptor per file and per folder: an eighth of the
      // limit for a batch's files and a thirty-second for its folders leave over a third of it free.
      m_mostFiles(std::clamp(descriptorLimit() / 8, size_t(kBatchFiles), size_t(kMostFiles))),
      m_mostFolders(std::clamp(descriptorLimit() / 32, size_t(kBatchFolders), size_t(kMostFolders)))
{
    m_thread = std::thread([this] { loop(); });
}

Committer::~Committer()
{
    drop();
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::shared_ptr<HeldFolder> Committer::hold(int folderFd)
{
    struct stat status;
    if (::fstat(folderFd, &status) != 0)
        return nullptr;
    const std::pair<dev_t, ino_t> key(status.st_dev, status.st_ino);
    const std::lock_guard lock(m_mutex);
    if (const auto it = m_folders.find(key); it != m_folders.end()) {
        if (std::shared_ptr<HeldFolder> held = it->second.lock())
            return held;
    }
    const int fd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    auto held = std::make_shared<HeldFolder>(fd);
    if (m_folders.size() >= 4 * m_mostFolders)
        std::erase_if(m_folders, [](const auto &entry) { return entry.second.expired(); });
    m_folders[key] = held;
    return held;
}

bool Committer::ready() const
{
    return m_waiting.size() >= size_t(kBatchFiles) || m_waitingBytes >= kBatchBytes ||
           m_waitingFolders.size() >= size_t(kBatchFolders);
}

bool Committer::full() const
{
    return m_waiting.size() >= m_mostFiles || m_waitingBytes >= kMostBytes ||
           m_waitingFolders.size() >= m_mostFolders;
}

void Committer::add(std::shared_ptr<HeldFolder> folder, std::unique_ptr<win::FileBeside> file,
                    QByteArray name, qint64 bytes, ArchiveTarget::CommitDone done, KeepReplaced keep)
{
    std::unique_lock lock(m_mutex);
    // A batch at its bound waits for the one under way; this file waits until it is taken.
    m_changed.wait(lock, [this] { return !full(); });
    m_waitingBytes += bytes;
    m_waitingFolders.insert(folder.get());
    m_waiting.push_back(
        {std::move(folder), std::move(file), std::move(name), std::move(done), std::move(keep), {}});
    if (ready() && !m_busy)
        m_changed.notify_all();
}

void Committer::flush()
{
    std::unique_lock lock(m_mutex);
    m_flushing = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_waiting.empty() && !m_busy; });
    m_flushing = false;
}

void Committer::drop()
{
    std::vector<Pending> dropped;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        dropped.swap(m_waiting);
        m_waitingBytes = 0;
        m_waitingFolders.clear();
    }
    m_changed.notify_all();
    for (Pending &pending : dropped) {
        pending.file.reset();
        pending.result.stopped = true;
        pending.done(pending.result);
    }
}

void Committer::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || ready() || (m_flushing && !m_waiting.empty()); });
        if (m_waiting.empty())
            return;
        std::vector<Pending> batch;
        batch.swap(m_waiting);
        m_waitingBytes = 0;
        m_waitingFolders.clear();
        m_busy = true;
        m_changed.notify_all();
        lock.unlock();
        commit(batch);
        batch.clear();
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

void Committer::commit(std::vector<Pending> &batch) const
{
    // One flush of the file system writes the whole batch out for about what one file's costs.
    const bool flushed = ::syncfs(m_rootFd) == 0;
    std::vector<int> named;
    std::vector<VersionKeeper *> keepers;
    for (Pending &pending : batch) {
        if (!flushed && !pending.file->syncClosed()) {
            pending.result = ArchiveTarget::failed(errno, FileStage::WriteTarget);
            pending.file.reset();
            continue;
        }
        if (pending.keep.keeper &&
            std::find(keepers.begin(), keepers.end(), pending.keep.keeper) == keepers.end())
            keepers.push_back(pending.keep.keeper);
        // A rename replaces a link standing at the name, never what it points to; a failed one
        // removes the temporary file.
        if (!ArchiveTarget::commitKeeping(*pending.file, pending.folder->fd, pending.name, pending.keep)) {
            pending.result = ArchiveTarget::failed(errno, FileStage::CreateTarget);
            continue;
        }
        if (std::find(named.begin(), named.end(), pending.folder->fd) == named.end())
            named.push_back(pending.folder->fd);
    }
    // The names are on the disk before the files are reported as archived.
    for (int fd : named)
        ::fsync(fd);
    for (VersionKeeper *keeper : keepers)
        keeper->sync();
    for (Pending &pending : batch) {
        pending.file.reset();
        pending.done(pending.result);
    }
}

} // namespace archiver
