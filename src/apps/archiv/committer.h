// Making the finished files of a run durable and giving them their names in batches. Workers hand
// over each file closed under its temporary name, its write-out begun; the committer's own thread
// takes a batch (once kBatchFiles files, kBatchBytes bytes or kBatchFolders folders wait, whichever
// comes first, and whatever is left when asked to flush), makes it durable with one flush of the
// file system (a flush per file where that is refused), renames it into place, syncs each folder
// that got names (and the versions folders that took the replaced copies), and then reports each
// file. The workers go on meanwhile: the next batch fills while one is committed, and takes what
// arrives until then, up to a bound, so a slow flush is paid once for many files rather than once
// per kBatchFiles. A worker that finds the next batch at its bound waits.
#pragma once

#include "archivetarget.h"

#include "core/platform/filebeside.h"

#include <QByteArray>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace archiver {

class Committer : public FileCommitter
{
public:
    // What starts a commit.
    static constexpr int kBatchFiles = 128;
    static constexpr qint64 kBatchBytes = qint64(64) * 1024 * 1024;
    static constexpr int kBatchFolders = 64;
    // How far a batch grows while the one before it is committed. A batch holds a descriptor per
    // file (its lock) and one per folder: the bounds on files and folders follow the process's
    // descriptor limit, so that two batches of both sides stay well below it (with the usual
    // limit of 1024, a batch grows no further than what starts a commit).
    static constexpr int kMostFiles = 1024;
    static constexpr qint64 kMostBytes = qint64(256) * 1024 * 1024;
    static constexpr int kMostFolders = 256;

    // rootFd: the archive root, whose file system is flushed; it stays the caller's.
    explicit Committer(int rootFd);
    // Drops what is still waiting (as drop()).
    ~Committer() override;
    Committer(const Committer &) = delete;
    Committer &operator=(const Committer &) = delete;

    std::shared_ptr<HeldFolder> hold(int folderFd) override;
    void add(std::shared_ptr<HeldFolder> folder, std::unique_ptr<win::FileBeside> file, QByteArray name,
             qint64 bytes, ArchiveTarget::CommitDone done, KeepReplaced keep) override;
    // Commits everything handed over and waits until it is done.
    void flush();
    // Removes the files still waiting, each reported as stopped, after the batch under way.
    void drop();

private:
    struct Pending
    {
        std::shared_ptr<HeldFolder> folder;
        std::unique_ptr<win::FileBeside> file; // goes before its folder
        QByteArray name;
        ArchiveTarget::CommitDone done;
        KeepReplaced keep;
        ArchiveTarget::WriteResult result;
    };

    // Enough waits to start a commit.
    bool ready() const;
    // The waiting batch is at its bound.
    bool full() const;
    void loop();
    void commit(std::vector<Pending> &batch) const;

    const int m_rootFd;
    const size_t m_mostFiles;   // kMostFiles within the descriptor limit
    const size_t m_mostFolders; // kMostFolders within the descriptor limit
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Pending> m_waiting;
    qint64 m_waitingBytes = 0;
    std::set<const HeldFolder *> m_waitingFolders;
    bool m_busy = false;     // a batch is being committed
    bool m_flushing = false; // what waits goes now, however small
    bool m_quit = false;
    std::map<std::pair<dev_t, ino_t>, std::weak_ptr<HeldFolder>> m_folders;
    std::thread m_thread;
};

} // namespace archiver
