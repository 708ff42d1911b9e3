// The folder a restored file goes into, opened one folder at a time from its drive's root, and the
// rule for linked folders on the way: whose links a restore follows.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <mutex>

#include <sys/types.h>

namespace restore {

// The user's own linked folders and root's are followed: they are how a user lays out his own
// folders. Another user's link is not: in a folder shared with others (a sticky folder such as a
// shared data folder) it would let that user send a restore anywhere the restoring user may
// write, the case the kernel's protected_symlinks guards against.
//
// Every folder on the way is opened from the one above it without following a link, so that
// another user who swaps a folder for a link while the restore runs is met as a link, never
// followed; a link that is followed is read through the link itself and its text resolved from
// the folder that holds it, by the same rule. What the restore then does in the folder (the
// temporary file, the rename, the replaced file's attributes) goes through the descriptor, and
// nothing checked is ever looked up by name again.
class TargetFolder
{
public:
    enum class State {
        Open,    // fd() is the folder
        Refused, // another user's linked folder lies on the way; link() names it
        NotMade, // a folder on the way is missing and could not be made, or is no folder
        NotOpen, // the folder itself is no folder or cannot be opened, or is missing and not made
    };

    // Opens windowsFolder for user. A component that does not exist with exactly its case is
    // looked up without regard to case, as a Windows path is; with create a missing folder is
    // made as a real folder, without create the walk stops there (NotOpen).
    static std::shared_ptr<const TargetFolder> open(const QString &windowsFolder, uid_t user, bool create);

    ~TargetFolder();
    TargetFolder(const TargetFolder &) = delete;
    TargetFolder &operator=(const TargetFolder &) = delete;

    State state() const { return m_state; }
    int fd() const { return m_fd; }
    int error() const { return m_error; } // errno of a folder that is not open
    // The refused link as a Windows path.
    const QString &link() const { return m_link; }

    // The host name of the entry name in the folder: the name itself when an entry has exactly
    // it, else an entry's name that equals it without regard to case, else the name as written.
    // In a folder the walk made, the entries looked for are the names handed out here before.
    // Safe to call from several threads.
    QByteArray entryName(const QString &name) const;

private:
    TargetFolder() = default;

    State m_state = State::NotOpen;
    int m_fd = -1;
    int m_error = 0;
    QString m_link;
    bool m_made = false; // the folder itself was made by the walk
    mutable std::mutex m_namesMutex;
    mutable QHash<QString, QByteArray> m_givenNames; // by the case-folded name
};

} // namespace restore
