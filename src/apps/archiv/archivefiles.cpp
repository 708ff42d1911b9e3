// Listing, opening and removing the archived files below an archive root.
#include "archivefiles.h"

#include "core/archiveinfo/archivelayout.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool isCompressedName(const QByteArray &name)
{
    return name.size() > 4 && name.endsWith(kCompressedSuffix);
}

void walk(int folderFd, const QByteArray &relative, bool compressedForm, QList<ArchivedFile> *entries,
          int depth)
{
    const int listFd = ::openat(folderFd, ".", kDirFlags);
    if (listFd < 0)
        return;
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return;
    }
    QList<QByteArray> folders;
    while (const dirent *item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat status;
        if (::fstatat(folderFd, item->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            folders.append(name);
        } else if (S_ISREG(status.st_mode) && !isTemporaryName(name) &&
                   (!compressedForm || isCompressedName(name))) {
            entries->append({relative, name, qint64(status.st_size)});
        }
    }
    ::closedir(dir);
    // Deeper than any path the archive writes can be only a loop of bind mounts or worse.
    if (depth > 200)
        return;
    for (const QByteArray &name : folders) {
        const int sub = ::openat(folderFd, name.constData(), kDirFlags);
        if (sub < 0)
            continue;
        walk(sub, relative + '/' + name, compressedForm, entries, depth + 1);
        ::close(sub);
    }
}

// Opens a "/"-separated folder below the root without following links; -1 on failure.
int openRelative(int rootFd, const QByteArray &folder)
{
    int fd = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    for (const QByteArray &part : folder.split('/')) {
        if (fd < 0)
            return -1;
        const int next = ::openat(fd, part.constData(), kDirFlags);
        ::close(fd);
        fd = next;
    }
    return fd;
}

} // namespace

QByteArray ArchivedFile::relative() const
{
    return folder + '/' + name;
}

bool isTemporaryName(const QByteArray &name)
{
    const qsizetype marker = name.lastIndexOf(".new-");
    if (!name.startsWith('.') || marker < 1 || marker + 5 >= name.size())
        return false;
    for (qsizetype i = marker + 5; i < name.size(); ++i) {
        const char c = name.at(i);
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

bool isSafeRelative(const QByteArray &folder, const QByteArray &name)
{
    const QList<QByteArray> parts = folder.split('/');
    const QByteArray &drive = parts.first();
    if (drive.size() != 1 || drive.at(0) < 'A' || drive.at(0) > 'Z')
        return false;
    for (const QByteArray &part : parts) {
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    }
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/');
}

RootFolders::~RootFolders()
{
    reset();
}

int RootFolders::get(const QByteArray &folder)
{
    if (m_fd >= 0 && folder == m_folder)
        return m_fd;
    reset();
    m_fd = openRelative(m_rootFd, folder);
    m_folder = folder;
    return m_fd;
}

void RootFolders::reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void removeFiles(int rootFd, const QList<const ArchivedFile *> &files)
{
    constexpr int kRemovers = 8;
    std::atomic<qsizetype> next{0};
    const auto work = [&] {
        RootFolders folders(rootFd);
        for (;;) {
            const qsizetype i = next.fetch_add(1);
            if (i >= files.size())
                return;
            const int folder = folders.get(files.at(i)->folder);
            if (folder >= 0)
                ::unlinkat(folder, files.at(i)->name.constData(), 0);
        }
    };
    // The files of one folder follow each other; each remover takes the next file, so they share
    // folders rather than split them.
    const int count = int(std::min<qsizetype>(kRemovers, (files.size() + 15) / 16));
    std::vector<std::thread> removers;
    for (int t = 1; t < count; ++t)
        removers.emplace_back(work);
    work();
    for (std::thread &remover : removers)
        remover.join();
}

QList<ArchivedFile> archivedFiles(int rootFd, bool compressedForm)
{
    QList<ArchivedFile> entries;
    const int listFd = ::openat(rootFd, ".", kDirFlags);
    if (listFd < 0)
        return entries;
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return entries;
    }
    QList<QByteArray> drives;
    while (const dirent *item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        // Archived files lie only below the drive folders; the root's own files stay as they are.
        if (name.size() == 1 && name.at(0) >= 'A' && name.at(0) <= 'Z')
            drives.append(name);
    }
    ::closedir(dir);
    for (const QByteArray &drive : drives) {
        const int fd = ::openat(rootFd, drive.constData(), kDirFlags);
        if (fd < 0)
            continue;
        walk(fd, drive, compressedForm, &entries, 0);
        ::close(fd);
    }
    const bool toCompressed = !compressedForm;
    std::sort(entries.begin(), entries.end(), [toCompressed](const auto &a, const auto &b) {
        if (a.folder != b.folder)
            return a.folder < b.folder;
        if (a.name.size() != b.name.size())
            return toCompressed ? a.name.size() > b.name.size() : a.name.size() < b.name.size();
        return a.name < b.name;
    });
    return entries;
}

} // namespace archiver
