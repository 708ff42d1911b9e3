// Emptying an archive root.
#include "emptier.h"

#include "core/archiveinfo/versionslayout.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

void emptyBelow(int folderFd, EmptyResult *result, int depth, bool keepVersions)
{
    const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (listFd < 0) {
        ++result->failures;
        return;
    }
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        ++result->failures;
        return;
    }
    std::vector<std::string> files;
    std::vector<std::string> folders;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat status;
        if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            if (!keepVersions || std::strcmp(name, kVersionsFolder) != 0)
                folders.emplace_back(name);
        } else
            files.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string &name : files) {
        if (::unlinkat(folderFd, name.c_str(), 0) == 0)
            ++result->removedFiles;
        else
            ++result->failures;
    }
    // Deeper than any path the archive writes can be only a loop of bind mounts or worse.
    if (depth > 200)
        return;
    for (const std::string &name : folders) {
        const int sub = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) {
            ++result->failures;
            continue;
        }
        emptyBelow(sub, result, depth + 1, false);
        ::close(sub);
        // A folder that still holds something (a file that could not go) stays.
        ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR);
    }
}

} // namespace

EmptyResult emptyFolder(int rootFd, bool keepVersions)
{
    EmptyResult result;
    emptyBelow(rootFd, &result, 0, keepVersions);
    return result;
}

} // namespace archiver
