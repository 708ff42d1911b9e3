// The sweep for temporary files left in an archive root.
#include "leftovers.h"

#include "core/platform/filebeside.h"

#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

int sweep(int folderFd, int depth)
{
    const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return 0;
    }
    std::vector<std::string> leftovers;
    std::vector<std::string> folders;
    const uid_t me = ::geteuid();
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        // Only folders need a look at their status; file names decide before that.
        const bool maybeFolder = entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN;
        const bool maybeLeftover = win::FileBeside::isTemporaryName(name);
        if (!maybeFolder && !maybeLeftover)
            continue;
        struct stat status;
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(status.st_mode))
            folders.emplace_back(name);
        else if (maybeLeftover && S_ISREG(status.st_mode) && status.st_uid == me)
            leftovers.emplace_back(name);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string &name : leftovers)
        removed += win::FileBeside::removeIfDead(folderFd, name.c_str()) ? 1 : 0;
    // Deeper than any path the archive writes can be only a loop of bind mounts or worse.
    if (depth > 200)
        return removed;
    for (const std::string &name : folders) {
        const int sub = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0)
            continue;
        removed += sweep(sub, depth + 1);
        ::close(sub);
    }
    return removed;
}

} // namespace

int removeLeftovers(int rootFd)
{
    return sweep(rootFd, 0);
}

} // namespace archiver
