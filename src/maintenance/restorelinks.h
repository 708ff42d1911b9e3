// The rule for linked folders on the way to a restored file: whose links a restore follows.
#pragma once

#include <QString>

#include <sys/types.h>

namespace restore {

// The first folder link on the way from the drive root down to the folder windowsFolder (the
// folder itself included) that belongs to neither the user restoring (user) nor root, as a
// Windows path; empty when there is none. The user's own links and root's are followed: they are
// how a user lays out his own folders. Another user's link is not: in a folder shared with others
// (a sticky folder such as a shared data folder) it would let that user send a restore anywhere
// the restoring user may write, the case the kernel's protected_symlinks guards against.
// Folders that do not exist yet are not looked at; the restore makes them as real folders.
QString foreignLink(const QString &windowsFolder, uid_t user);

} // namespace restore
