// FileBeside: a new file written beside its target under a hidden temporary name and renamed
// into the target's place only once it is complete, so that no reader ever finds a half-written
// target and a failure leaves the old one as it was. Dropped before that, the temporary file is
// removed. Names are relative to a folder descriptor, so a caller that opened the folder without
// following links keeps that guarantee for the temporary file and the rename. The writer holds a
// lock on its temporary file until the rename, so that a sweep of leftovers by another writer of
// the same target never takes a live file for a dead one.
#pragma once

#include <QByteArray>

#include <sys/types.h>

namespace win {

class FileBeside
{
public:
    FileBeside() = default;
    ~FileBeside();
    FileBeside(const FileBeside &) = delete;
    FileBeside &operator=(const FileBeside &) = delete;

    // Creates the temporary file, for the target named targetName, in the folder at the host path
    // folder. False with errno set.
    bool create(const QByteArray &folder, const QByteArray &targetName, mode_t mode = 0600);
    // The same in a folder the caller has open; the descriptor stays the caller's and must stay
    // open while this object lives. The temporary file is never created through a link.
    bool createAt(int folderFd, const QByteArray &targetName, mode_t mode = 0600);

    // The open temporary file; -1 before create and after close.
    int fd() const { return m_fd; }

    // Makes the data durable when asked (the rename that follows must not publish a file whose
    // data is still only in memory), then closes the file. False with errno set.
    bool close(bool durable);
    // Makes the data of a file closed without that durable, through the descriptor that holds its
    // lock. False with errno set.
    bool syncClosed() const;
    // Gives the finished file the target's name, replacing what stands there, or, with replace
    // false, only when the name is still free (EEXIST otherwise). Closes the file first when it is
    // still open. False with errno set; the temporary file is removed then.
    bool commit(const QByteArray &targetName, bool replace = true);
    // Closes and removes the temporary file.
    void discard();

    // True for a name that only a temporary file of this class has: "." + a part of the target's
    // name + ".new-" + a random number in base 36.
    static bool isTemporaryName(const char *name);
    // Removes the temporary files that a writer killed before its rename left beside the target
    // named targetName in the folder open in folderFd: regular files of this user, named for that
    // target, whose writer no longer holds them locked. Nothing else is touched. Returns how many
    // went.
    static int removeLeftovers(int folderFd, const QByteArray &targetName);
    // Removes the temporary file name in the folder open in folderFd when it is a regular file of
    // this user that no live writer holds. True when it went.
    static bool removeIfDead(int folderFd, const char *name);

private:
    bool openIn(int folderFd, const QByteArray &targetName, mode_t mode);
    void releaseLock();

    int m_folderFd = -1;
    bool m_ownsFolder = false;
    int m_fd = -1;
    int m_lockFd = -1; // holds the temporary file's lock until it is renamed or removed
    QByteArray m_name; // the temporary file's name in the folder; empty once renamed or removed
};

} // namespace win
