// The files of a restore command, made ready on worker threads.
#include "restorerun.h"

#include "decompressfile.h"
#include "restorelinks.h"
#include "restorepaths.h"

#include "platform/attributes.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <chrono>

#include <unistd.h>

namespace {

bool present(const QString &path)
{
    return win::GetFileAttributes(path) != win::INVALID_FILE_ATTRIBUTES;
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

RestoreRun::RestoreRun(std::vector<Item> items, bool compressed, int threads)
    : m_items(std::move(items)), m_compressed(compressed), m_prepared(m_items.size()),
      m_ready(m_items.size(), false)
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

RestoreRun::Prepared RestoreRun::prepare(const Item &item, bool compressed)
{
    Prepared prepared;
    if (item.refused)
        return prepared;
    const QString member = item.origin.source + QStringLiteral(".bz2");
    const QString plain = item.origin.source;
    const bool decompress =
        compressed ? present(member) || !present(plain) : !present(plain) && present(member);
    const PendingFile::Kind kind = decompress ? PendingFile::Kind::Decompressed : PendingFile::Kind::Copied;
    prepared.member = decompress ? member : plain;
    // Another user's linked folder on the way: nothing is made or written there. The GUI thread
    // finds the link again in its turn and says so.
    if (!restore::foreignLink(item.origin.targetDir, ::geteuid()).isEmpty()) {
        prepared.file = PendingFile::failed(kind, DecompressCannotCreateTarget);
        return prepared;
    }
    // The folder is made here too, so that the temporary file can lie beside the target; the GUI
    // thread makes it again in its turn (a no-op by then) and reports a failure there.
    EnsureDirectory(item.origin.targetDir);
    if (!item.root.isEmpty() && !insideRoot(item.root, plain)) {
        prepared.file = PendingFile::failed(kind, DecompressCannotOpenSource);
        return prepared;
    }
    prepared.file = decompress ? PendingFile::decompress(member, item.origin.target)
                               : PendingFile::copy(plain, item.origin.target);
    return prepared;
}

void RestoreRun::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workAvailable.wait(
            lock, [this] { return m_stop || (m_next < m_items.size() && m_next < m_taken + m_ahead); });
        if (m_stop)
            return;
        const size_t index = m_next++;
        lock.unlock();
        Prepared prepared = prepare(m_items[index], m_compressed);
        lock.lock();
        m_prepared[index] = std::move(prepared);
        m_ready[index] = true;
        m_itemReady.notify_all();
    }
}

RestoreRun::Prepared RestoreRun::take(size_t index, const std::function<void()> &idle)
{
    std::unique_lock lock(m_mutex);
    while (!m_ready[index]) {
        if (m_itemReady.wait_for(lock, std::chrono::milliseconds(50), [&] { return bool(m_ready[index]); }))
            break;
        lock.unlock();
        if (idle)
            idle();
        lock.lock();
    }
    Prepared prepared = std::move(m_prepared[index]);
    m_taken = std::max(m_taken, index + 1);
    lock.unlock();
    m_workAvailable.notify_all();
    return prepared;
}
