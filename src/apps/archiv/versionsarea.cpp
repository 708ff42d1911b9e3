// Thinning the versions area and making room in it.
#include "versionsarea.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/versionslayout.h"
#include "emptier.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr qint64 kDay = 86400;
// Deeper than any path the archive writes can be only a loop of bind mounts or worse.
constexpr int kMaxDepth = 200;

struct RunFolder
{
    QByteArray name;
    qint64 time = 0; // seconds since the epoch
    qint64 day = 0;  // the calendar day of its local time, as a Julian day
    int week = 0;    // the ISO week of its local time, as year * 100 + week
    bool compressed = false;
    int versions = 0;
    int walkFailures = 0;
};

// One version: its path below the run folder, in one shared pool of bytes (a hundred thousand
// versions take a few megabytes), and how much of the path names the file.
struct Version
{
    quint32 offset;
    quint32 length;
    quint32 identityLength;
    quint32 run;
};

class Area
{
public:
    std::vector<RunFolder> runs; // oldest first
    std::vector<Version> versions;
    std::string paths;

    std::string_view path(const Version &v) const { return {paths.data() + v.offset, v.length}; }
    std::string_view identity(const Version &v) const { return {paths.data() + v.offset, v.identityLength}; }

    // Reads the run folders of the versions folder open in versionsFd and the versions in them.
    void read(int versionsFd)
    {
        for (const QByteArray &name : subfolders(versionsFd)) {
            const QDateTime time = versionRunTime(QString::fromUtf8(name));
            if (!time.isValid())
                continue;
            RunFolder run;
            run.name = name;
            run.time = time.toSecsSinceEpoch();
            run.day = time.date().toJulianDay();
            int year = 0;
            const int week = time.date().weekNumber(&year);
            run.week = year * 100 + week;
            runs.push_back(run);
        }
        std::sort(runs.begin(), runs.end(),
                  [](const RunFolder &a, const RunFolder &b) { return a.time < b.time; });
        for (quint32 i = 0; i < runs.size(); ++i) {
            RunFolder &run = runs[i];
            const int fd = ::openat(versionsFd, run.name.constData(), kDirFlags);
            if (fd < 0) {
                ++run.walkFailures;
                continue;
            }
            FormRecord record;
            run.compressed = readFormRecord(fd, &record) == RecordRead::Present && record.compressed;
            std::string prefix;
            walk(fd, &prefix, i, 0);
        }
    }

    // The versions sorted by file and, for each file, oldest first.
    std::vector<quint32> byFile() const
    {
        std::vector<quint32> order(versions.size());
        for (quint32 i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [this](quint32 a, quint32 b) {
            const int c = identity(versions[a]).compare(identity(versions[b]));
            return c != 0 ? c < 0
                          : (versions[a].run != versions[b].run ? versions[a].run < versions[b].run : a < b);
        });
        return order;
    }

private:
    static std::vector<QByteArray> subfolders(int folderFd)
    {
        std::vector<QByteArray> names;
        const int listFd = ::openat(folderFd, ".", kDirFlags);
        DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir) {
            if (listFd >= 0)
                ::close(listFd);
            return names;
        }
        while (const dirent *item = ::readdir(dir)) {
            struct stat status;
            if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0 &&
                ::fstatat(folderFd, item->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(status.st_mode))
                names.emplace_back(item->d_name);
        }
        ::closedir(dir);
        return names;
    }

    // Everything but a folder is a version, a link too (it is removed as a link); the run folder's
    // form record is none. Takes the folder's descriptor over: it lists the folder and stays open
    // for its subfolders, so each folder is opened once.
    void walk(int folderFd, std::string *prefix, quint32 run, int depth)
    {
        DIR *dir = ::fdopendir(folderFd);
        if (!dir) {
            ::close(folderFd);
            ++runs[run].walkFailures;
            return;
        }
        std::vector<std::string> folders;
        while (const dirent *item = ::readdir(dir)) {
            const char *name = item->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            bool folder = item->d_type == DT_DIR;
            if (item->d_type == DT_UNKNOWN) {
                struct stat status;
                if (::fstatat(folderFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                folder = S_ISDIR(status.st_mode);
            }
            if (folder) {
                folders.emplace_back(name);
            } else if (depth > 0 || std::strcmp(name, kFormRecordName) != 0) {
                add(*prefix, name, run);
            }
        }
        if (depth >= kMaxDepth && !folders.empty()) {
            ++runs[run].walkFailures;
            folders.clear();
        }
        for (const std::string &name : folders) {
            const int sub = ::openat(folderFd, name.c_str(), kDirFlags);
            if (sub < 0) {
                ++runs[run].walkFailures;
                continue;
            }
            const size_t size = prefix->size();
            prefix->append(name).push_back('/');
            walk(sub, prefix, run, depth + 1);
            prefix->resize(size);
        }
        ::closedir(dir);
    }

    void add(const std::string &prefix, const char *name, quint32 run)
    {
        const size_t nameLength = std::strlen(name);
        Version v{quint32(paths.size()), quint32(prefix.size() + nameLength), 0, run};
        paths.append(prefix).append(name, nameLength);
        v.identityLength = v.length;
        const size_t suffix = sizeof(kCompressedSuffix) - 1;
        if (runs[run].compressed && nameLength > suffix && path(v).ends_with(kCompressedSuffix))
            v.identityLength -= quint32(suffix);
        versions.push_back(v);
        ++runs[run].versions;
    }
};

// The folders from a run folder down to the one a file lies in, opened one level at a time
// without following links. The files of a run are removed in the order of their paths, so the
// files of one folder follow each other; a folder is left when the next file lies elsewhere and
// goes with it when it was left empty.
class FolderChain
{
public:
    explicit FolderChain(int runFd) : m_runFd(runFd) {}
    ~FolderChain() { leave(0); }

    // The folder the file at path lies in (the path's last name in *leaf); -1 when it can not be
    // opened.
    int folderOf(std::string_view path, std::string_view *leaf)
    {
        const size_t slash = path.rfind('/');
        *leaf = slash == std::string_view::npos ? path : path.substr(slash + 1);
        std::vector<std::string_view> names;
        for (size_t start = 0; slash != std::string_view::npos && start <= slash;) {
            const size_t end = path.find('/', start);
            names.push_back(path.substr(start, end - start));
            start = end + 1;
        }
        size_t same = 0;
        while (same < names.size() && same < m_open.size() && m_open[same].name == names[same])
            ++same;
        leave(same);
        for (size_t i = same; i < names.size(); ++i) {
            const std::string name(names[i]);
            const int fd = ::openat(current(), name.c_str(), kDirFlags);
            if (fd < 0)
                return -1;
            m_open.push_back({name, fd});
        }
        return current();
    }

private:
    struct Open
    {
        std::string name;
        int fd;
    };
    int m_runFd;
    std::vector<Open> m_open;

    int current() const { return m_open.empty() ? m_runFd : m_open.back().fd; }

    void leave(size_t keep)
    {
        while (m_open.size() > keep) {
            const Open open = m_open.back();
            m_open.pop_back();
            ::close(open.fd);
            ::unlinkat(current(), open.name.c_str(), AT_REMOVEDIR); // fails while it holds something
        }
    }
};

// Removes the folders below folderFd that hold nothing but empty folders.
void removeEmptyFolders(int folderFd, int depth)
{
    const int listFd = ::openat(folderFd, ".", kDirFlags);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    std::vector<std::string> folders;
    while (const dirent *item = ::readdir(dir)) {
        struct stat status;
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0 &&
            ::fstatat(folderFd, item->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode))
            folders.emplace_back(item->d_name);
    }
    ::closedir(dir);
    for (const std::string &name : folders) {
        const int sub = depth < kMaxDepth ? ::openat(folderFd, name.c_str(), kDirFlags) : -1;
        if (sub < 0)
            continue;
        removeEmptyFolders(sub, depth + 1);
        ::close(sub);
        ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR);
    }
}

// Whether the folder holds nothing but its form record.
bool onlyFormRecordLeft(int folderFd)
{
    const int listFd = ::openat(folderFd, ".", kDirFlags);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return false;
    }
    bool only = true;
    while (const dirent *item = ::readdir(dir)) {
        const char *name = item->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
            std::strcmp(name, kFormRecordName) != 0)
            only = false;
    }
    ::closedir(dir);
    return only;
}

// Removes the given versions of one run folder (indices into area.versions, sorted by path) and
// the run folder itself when it is left without versions. The form record goes last, only with
// the folder, so a version that stays is never without it.
void removeFromRun(int versionsFd, const Area &area, const RunFolder &run,
                   const std::vector<quint32> &victims, VersionsRemoved *result)
{
    const int runFd = ::openat(versionsFd, run.name.constData(), kDirFlags);
    if (runFd < 0) {
        result->failures += int(victims.size());
        return;
    }
    int removed = 0;
    {
        FolderChain chain(runFd);
        for (quint32 index : victims) {
            std::string_view leaf;
            const int folderFd = chain.folderOf(area.path(area.versions[index]), &leaf);
            if (folderFd >= 0 && ::unlinkat(folderFd, std::string(leaf).c_str(), 0) == 0)
                ++removed;
            else
                ++result->failures;
        }
    }
    result->removedFiles += removed;
    if (removed == run.versions && run.walkFailures == 0) {
        removeEmptyFolders(runFd, 0);
        if (onlyFormRecordLeft(runFd)) {
            ::unlinkat(runFd, kFormRecordName, 0);
            if (::unlinkat(versionsFd, run.name.constData(), AT_REMOVEDIR) != 0)
                ++result->failures;
        }
    }
    ::close(runFd);
}

// Removes the chosen versions run folder by run folder, oldest first; after each run folder that
// lost something, enough() may end it. everyRun also clears run folders that hold no versions
// (left by a run that kept nothing); otherwise only those that lose some are touched.
template <typename Enough>
void removeVersions(int versionsFd, const Area &area, const std::vector<bool> &remove, bool everyRun,
                    VersionsRemoved *result, Enough enough)
{
    std::vector<std::vector<quint32>> victims(area.runs.size());
    for (quint32 i = 0; i < area.versions.size(); ++i) {
        if (remove[i])
            victims[area.versions[i].run].push_back(i);
    }
    for (quint32 run = 0; run < victims.size(); ++run) {
        std::vector<quint32> &files = victims[run];
        if (files.empty() && (!everyRun || area.runs[run].versions > 0))
            continue;
        std::sort(files.begin(), files.end(), [&area](quint32 a, quint32 b) {
            return area.path(area.versions[a]) < area.path(area.versions[b]);
        });
        removeFromRun(versionsFd, area, area.runs[run], files, result);
        if (enough())
            return;
    }
}

// The versions folder of the root, or -1 when there is none (or it is no folder).
int openVersions(int rootFd)
{
    return ::openat(rootFd, kVersionsFolder, kDirFlags);
}

} // namespace

qint64 freeBytes(int fd)
{
    struct statvfs disk;
    if (::fstatvfs(fd, &disk) != 0)
        return -1;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

namespace {

// Empties the area: every run folder goes whole, whatever it holds.
VersionsRemoved removeAllRuns(int versionsFd, const Area &area)
{
    VersionsRemoved result;
    for (const RunFolder &run : area.runs) {
        const int runFd = ::openat(versionsFd, run.name.constData(), kDirFlags);
        if (runFd < 0) {
            ++result.failures;
            continue;
        }
        struct stat record;
        const bool hadRecord = ::fstatat(runFd, kFormRecordName, &record, AT_SYMLINK_NOFOLLOW) == 0;
        const EmptyResult emptied = emptyFolder(runFd);
        ::close(runFd);
        result.removedFiles += emptied.removedFiles - (hadRecord && emptied.removedFiles > 0 ? 1 : 0);
        result.failures += emptied.failures;
        if (::unlinkat(versionsFd, run.name.constData(), AT_REMOVEDIR) != 0)
            ++result.failures;
    }
    return result;
}

} // namespace

VersionsRemoved thinVersions(int rootFd, const QDateTime &now, int keepDays)
{
    const int versionsFd = openVersions(rootFd);
    if (versionsFd < 0)
        return {};
    Area area;
    area.read(versionsFd);
    VersionsRemoved result;
    if (keepDays <= 0) {
        result = removeAllRuns(versionsFd, area);
    } else {
        const qint64 nowSecs = now.toSecsSinceEpoch();
        const qint64 keepAll = 2 * kDay;
        const qint64 keepDaily = 30 * kDay;
        const qint64 keepAny = qint64(keepDays) * kDay;
        const auto age = [&](const Version &v) { return nowSecs - area.runs[v.run].time; };
        std::vector<bool> remove(area.versions.size(), false);
        const std::vector<quint32> order = area.byFile();
        for (size_t i = 0; i < order.size(); ++i) {
            const Version &v = area.versions[order[i]];
            const qint64 vAge = age(v);
            const bool last =
                i + 1 == order.size() || area.identity(area.versions[order[i + 1]]) != area.identity(v);
            bool gone = vAge > keepAny;
            if (!gone && !last && vAge > keepAll) {
                // The next version of the same file replaces this one when it falls in the same
                // day (or, past 30 days, the same week) and in the same band.
                const Version &next = area.versions[order[i + 1]];
                const RunFolder &run = area.runs[v.run];
                const RunFolder &nextRun = area.runs[next.run];
                const qint64 nextAge = age(next);
                if (vAge <= keepDaily)
                    gone = nextAge > keepAll && nextRun.day == run.day;
                else
                    gone = nextAge > keepDaily && nextRun.week == run.week;
            }
            remove[order[i]] = gone;
        }
        removeVersions(versionsFd, area, remove, true, &result, [] { return false; });
    }
    // The area's folder goes with its last run folder; anything else in it keeps it.
    ::close(versionsFd);
    ::unlinkat(rootFd, kVersionsFolder, AT_REMOVEDIR);
    return result;
}

qint64 archiveReserve(int rootFd)
{
    struct statvfs disk;
    if (::fstatvfs(rootFd, &disk) != 0)
        return -1;
    return diskReserve(qint64(disk.f_blocks) * qint64(disk.f_frsize));
}

bool makeRoom(int rootFd, qint64 needed)
{
    const auto enough = [rootFd, needed] { return freeBytes(rootFd) >= needed; };
    // Without the disk's free space nothing tells when to stop: nothing is removed.
    const qint64 free = freeBytes(rootFd);
    if (free < 0 || free >= needed)
        return free >= 0;
    const int versionsFd = openVersions(rootFd);
    if (versionsFd < 0)
        return false;
    Area area;
    area.read(versionsFd);
    std::vector<bool> remove(area.versions.size(), false);
    const std::vector<quint32> order = area.byFile();
    for (size_t i = 0; i + 1 < order.size(); ++i)
        remove[order[i]] =
            area.identity(area.versions[order[i + 1]]) == area.identity(area.versions[order[i]]);
    VersionsRemoved result;
    bool done = false;
    removeVersions(versionsFd, area, remove, false, &result, [&] { return done = enough(); });
    ::close(versionsFd);
    return done;
}

} // namespace archiver
