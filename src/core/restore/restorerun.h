// RestoreRun: the files of one restore command made ready and put in place ahead of the GUI thread.
// Worker threads (one per core) decompress or copy each file into a temporary file beside its
// target, in the command's order and a bounded distance ahead, and put the finished files in
// place strictly in that order, one thread at a time. The GUI thread takes their outcomes in the
// same order. Putting files in place stops at a file that failed, and before a file that comes
// after a window of the command, until the GUI thread has taken it: nothing after a failure or a
// window happens before the GUI thread has shown it.
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
        // The command shows a window just before this file: it is put in place only once the GUI
        // thread takes it.
        bool afterWindow = false;
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

    // A file of the command as the GUI thread takes it: put in place already.
    struct Taken
    {
        Placed placed;
        QString member;        // as Prepared::member
        bool copied = false;   // made as a copy of a plain member
        bool reported = false; // given to the run's onPlaced (it came back without a failure)
    };
    // Called on the thread that put a file in place, in the command's order, for each file that
    // came back without a failure, while no other file is put in place.
    using OnPlaced = std::function<void(size_t index, const Placed &placed)>;

    // compressed: the side's compression flag. threads: 0 for one per core. keepNewer: see
    // PendingFile::commit.
    RestoreRun(std::vector<Item> items, bool compressed, int threads = 0,
               const QString &keepNewer = QString(), OnPlaced onPlaced = nullptr);
    // Stops the workers; files made ready and not taken are removed.
    ~RestoreRun();
    RestoreRun(const RestoreRun &) = delete;
    RestoreRun &operator=(const RestoreRun &) = delete;

    const std::vector<Item> &items() const { return m_items; }

    // Waits until the file of item index (taken in order, each once) is in place and hands over
    // what that came to. While it waits, idle is called about every 50 ms. A refused item gives
    // DecompressOtherFailure.
    Taken take(size_t index, const std::function<void()> &idle);

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
    // replaced, a decompressed file gets the member's time), or says why not. A run puts
    // every file in place through this, in the command's order. keepNewer: see
    // PendingFile::commit.
    static Placed putInPlace(Prepared prepared, const QString &keepNewer = QString());

private:
    void work();
    // Puts the files made ready in place, in order, as far as they may go (see the top); with
    // the lock held, which is let go meanwhile. One thread at a time does it.
    void placeInOrder(std::unique_lock<std::mutex> &lock);
    bool mayPlace(size_t index) const;
    // The target folder of windowsFolder: the one the last item opened when it is the same folder.
    std::shared_ptr<const restore::TargetFolder> folderOf(const QString &windowsFolder);

    std::vector<Item> m_items;
    bool m_compressed;
    QString m_keepNewer;
    OnPlaced m_onPlaced;
    std::vector<Prepared> m_prepared;
    std::vector<bool> m_ready;
    std::vector<Taken> m_taken;
    std::vector<bool> m_quiet; // put in place without a failure
    size_t m_next = 0;         // the next item a worker starts
    size_t m_placed = 0;       // items put in place so far
    bool m_placing = false;    // a thread is putting files in place
    size_t m_reached = 0;      // items the GUI thread has asked for
    bool m_guiWaits = false;
    size_t m_ahead; // how far the workers may make files ready ahead of those put in place
    QString m_folderPath;
    std::shared_ptr<const restore::TargetFolder> m_folder;
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_itemPlaced;
    std::vector<std::thread> m_workers;
};
