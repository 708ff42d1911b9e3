// RestoreRun: the files of one restore command made ready ahead of the GUI thread. Worker threads
// (one per core) decompress or copy each file into a temporary file beside its target, in the
// command's order and a bounded distance ahead; the GUI thread takes them in that same order and
// puts each in place, so that renames, times and failure windows keep the command's order.
#pragma once

#include "pendingfile.h"
#include "restorelinks.h"
#include "restorenames.h"

#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class RestoreRun
{
public:
    // One file of the command. A refused file is only reported, never read or written.
    struct Item
    {
        restore::FileOrigin origin;
        bool refused = false;
        // The archive's root folder: a member whose folder lies elsewhere once links are followed
        // (a folder of a tampered archive that is a link) is not read. Empty: not checked.
        QString root;
        // The form of this member when it differs from the run's: an earlier version lies in the
        // form of its own run folder. -1: the run's form, 0 plain, 1 compressed.
        int form = -1;
    };
    // A file made ready: the file, the archive member it was made from (the member ".bz2" file
    // when it was decompressed), and the target's folder as the walk down to it found it.
    struct Prepared
    {
        std::unique_ptr<PendingFile> file;
        QString member;
        std::shared_ptr<const restore::TargetFolder> folder;
    };
    // What putting a file in place came to.
    struct Placed
    {
        int result = 0;             // 0, or a DecompressFileResult
        QString foreignLink;        // not empty: refused for another user's linked folder, this one
        bool folderNotMade = false; // a folder on the way could not be made
        QString kept;               // not empty: the newer file at the target, kept under this name
    };

    // compressed: the side's compression flag. threads: 0 for one per core.
    RestoreRun(std::vector<Item> items, bool compressed, int threads = 0);
    // Stops the workers; files made ready and not taken are removed.
    ~RestoreRun();
    RestoreRun(const RestoreRun &) = delete;
    RestoreRun &operator=(const RestoreRun &) = delete;

    const std::vector<Item> &items() const { return m_items; }

    // Waits for the file of item index (taken in order, each once) and hands it over. While it
    // waits, idle is called about every 50 ms. A refused item gives an empty file.
    Prepared take(size_t index, const std::function<void()> &idle);

    // Makes one item ready on the calling thread: its folder is opened (made where missing), or
    // folder is taken when given, then the member is decompressed or copied. When the side's own
    // form of the file is missing and the other form is there (a side that is changing between
    // compressed and plain), the other form is used.
    // paths: where the members' paths are looked up; a worker keeps one for the run, so that each
    // archive folder is looked at once (see win::HostPathCache). None: every path afresh.
    static Prepared prepare(const Item &item, bool compressed,
                            std::shared_ptr<const restore::TargetFolder> folder = nullptr,
                            win::HostPathCache *paths = nullptr);

    // Puts a file made ready in its target's place by the restore's rules (a read-only file is
    // replaced, a decompressed file gets the member's time), or says why not. The restore window
    // puts every file in place through this, in the command's order. keepNewer: see
    // PendingFile::commit.
    static Placed putInPlace(Prepared prepared, const QString &keepNewer = QString());

private:
    void work();
    // The target folder of windowsFolder: the one the last item opened when it is the same folder.
    std::shared_ptr<const restore::TargetFolder> folderOf(const QString &windowsFolder);

    std::vector<Item> m_items;
    bool m_compressed;
    std::vector<Prepared> m_prepared;
    std::vector<bool> m_ready;
    size_t m_next = 0;  // the next item a worker starts
    size_t m_taken = 0; // items handed to the GUI thread so far
    size_t m_ahead;     // how far the workers may run ahead of the GUI thread
    QString m_folderPath;
    std::shared_ptr<const restore::TargetFolder> m_folder;
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_itemReady;
    std::vector<std::thread> m_workers;
};
