// Drive-letter paths to host paths and back.
#include "paths.h"

#include "programfolder.h"

#include "prefix.h"
#include "privatefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace win {

namespace {

bool entryExists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// The entry of dir whose name equals name without regard to case; empty when none does.
QString findWithoutCase(const QString &dir, const QString &name)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return QString();
    const QByteArray found = FindEntryWithoutCase(fd, name);
    ::close(fd);
    return QFile::decodeName(found);
}

bool setError(LONG *error, LONG code)
{
    if (error)
        *error = code;
    return false;
}

QString canonicalOf(const QString &path)
{
    char buffer[PATH_MAX];
    if (::realpath(QFile::encodeName(path).constData(), buffer))
        return QFile::decodeName(buffer);
    return path;
}

QList<DriveMapping> readDrives(const QString &dosdevices)
{
    QList<DriveMapping> drives;
    DIR *d = ::opendir(QFile::encodeName(dosdevices).constData());
    if (!d)
        return drives;
    while (dirent *e = ::readdir(d)) {
        const QString name = QString::fromUtf8(e->d_name);
        if (name.size() != 2 || name[1] != QLatin1Char(':') || !name[0].isLetter() ||
            name[0].unicode() > 0x7f)
            continue;
        const QString link = dosdevices + QLatin1Char('/') + name;
        // A drive entry another user made or could change would send this user's files there.
        if (!CheckPrivateEntry(link, PrivateKind::DriveEntry, nullptr))
            continue;
        QString target;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(QFile::encodeName(link).constData(), buffer, sizeof(buffer) - 1);
        if (n > 0) {
            target = QFile::decodeName(QByteArray(buffer, n));
            if (!target.startsWith(QLatin1Char('/')))
                target = dosdevices + QLatin1Char('/') + target;
        } else {
            target = link; // a folder standing in for the drive
        }
        target = QDir::cleanPath(target);
        drives.append(DriveMapping{name[0].toUpper(), target, canonicalOf(target)});
    }
    ::closedir(d);
    return drives;
}

// The drive map is asked for by every path conversion, so it is kept until the dosdevices folder
// changes (a link added, removed or replaced changes the folder's modification time).
struct DriveCache
{
    QString folder;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    bool valid = false;
    QList<DriveMapping> drives;
};

QMutex driveCacheMutex;
DriveCache driveCache;

bool sameStamp(const DriveCache &c, const QString &folder, const struct stat &st)
{
    return c.valid && c.folder == folder && c.device == st.st_dev && c.inode == st.st_ino &&
           c.modified.tv_sec == st.st_mtim.tv_sec && c.modified.tv_nsec == st.st_mtim.tv_nsec;
}

// The text of a Windows path below its drive ("Docs\a.txt" of "C:\Docs\a.txt") split into
// components, with "." and ".." applied. False when a component cannot be a name on the host.
bool splitComponents(QStringView rest, QStringList *levels)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest[i] != QLatin1Char('\\') && rest[i] != QLatin1Char('/'))
            continue;
        const QStringView part = rest.mid(start, i - start);
        start = i + 1;
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!levels->isEmpty())
                levels->removeLast();
            continue;
        }
        if (part.contains(QChar(0)))
            return false;
        levels->append(part.toString());
    }
    return true;
}

} // namespace

QList<DriveMapping> DriveMap()
{
    const QString dosdevices = Prefix::dosdevicesDir();
    const QByteArray encoded = QFile::encodeName(dosdevices);
    struct stat st;
    if (::stat(encoded.constData(), &st) != 0) {
        Prefix::ensure();
        if (::stat(encoded.constData(), &st) != 0)
            return {};
    }
    QMutexLocker lock(&driveCacheMutex);
    if (sameStamp(driveCache, dosdevices, st))
        return driveCache.drives;
    // Seed missing default drives before reading, then take the stamp of what was read.
    lock.unlock();
    Prefix::ensure();
    ::stat(encoded.constData(), &st);
    QList<DriveMapping> drives = readDrives(dosdevices);
    lock.relock();
    driveCache.folder = dosdevices;
    driveCache.device = st.st_dev;
    driveCache.inode = st.st_ino;
    driveCache.modified = st.st_mtim;
    driveCache.drives = drives;
    driveCache.valid = true;
    return drives;
}

namespace {

bool splitDrivePath(const QList<DriveMapping> &drives, const QString &windowsPath, QString *driveFolder,
                    QStringList *components, LONG *error)
{
    if (windowsPath.size() > kMaxPathLength)
        return setError(error, ERROR_FILENAME_EXCED_RANGE);
    const auto isSeparator = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); };
    if (windowsPath.size() < 2 || !windowsPath[0].isLetter() || windowsPath[0].unicode() > 0x7f ||
        windowsPath[1] != QLatin1Char(':') || (windowsPath.size() > 2 && !isSeparator(windowsPath[2])))
        return setError(error, ERROR_INVALID_NAME);
    const QChar letter = windowsPath[0].toUpper();
    QString root;
    for (const DriveMapping &d : drives) {
        if (d.letter == letter)
            root = d.target;
    }
    if (root.isEmpty())
        return setError(error, ERROR_PATH_NOT_FOUND);
    components->clear();
    if (!splitComponents(QStringView(windowsPath).mid(2), components))
        return setError(error, ERROR_INVALID_NAME);
    *driveFolder = root;
    if (error)
        *error = ERROR_SUCCESS;
    return true;
}

} // namespace

bool SplitDrivePath(const QString &windowsPath, QString *driveFolder, QStringList *components, LONG *error)
{
    return splitDrivePath(DriveMap(), windowsPath, driveFolder, components, error);
}

QByteArray FindEntryWithoutCase(int folderFd, const QString &name)
{
    // The folder is listed through a descriptor of its own: the caller's keeps its position.
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *d = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!d) {
        if (listFd >= 0)
            ::close(listFd);
        return QByteArray();
    }
    QByteArray found;
    while (dirent *e = ::readdir(d)) {
        if (QString::fromUtf8(e->d_name).compare(name, Qt::CaseInsensitive) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

namespace {

// The host path of the components below base: as written when that exists, else each component
// looked up without regard to case where it does not exist with exactly its case. *exists tells
// whether every component was found.
QString resolveLevels(const QString &base, const QStringList &levels, bool *exists)
{
    // Most paths name what exists in exactly this case: one look settles them.
    QString host = base;
    for (const QString &level : levels)
        host += QLatin1Char('/') + level;
    *exists = true;
    if (levels.isEmpty() || entryExists(host))
        return host;
    host = base;
    for (const QString &level : levels) {
        QString next = host + QLatin1Char('/') + level;
        if (*exists && !entryExists(next)) {
            const QString other = findWithoutCase(host.isEmpty() ? QStringLiteral("/") : host, level);
            if (other.isEmpty())
                *exists = false; // what is below a missing folder is taken as written
            else
                next = host + QLatin1Char('/') + other;
        }
        host = next;
    }
    return host;
}

} // namespace

const HostPathCache::Folder &HostPathCache::folder(const QString &writtenHost, QStringView base,
                                                   const QStringList &levels)
{
    if (const auto it = m_folders.constFind(writtenHost); it != m_folders.cend())
        return *it;
    if (m_folders.size() >= kMaxFolders) {
        m_folders.clear();
        m_byFolderText.clear();
        m_names = 0;
    }
    Folder f;
    bool exists = false;
    f.host = resolveLevels(base.toString(), levels, &exists);
    const int fd = exists ? ::open(QFile::encodeName(f.host.isEmpty() ? QStringLiteral("/") : f.host).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                          : -1;
    DIR *d = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!d && fd >= 0)
        ::close(fd);
    if (d) {
        // A folder that may be read but not searched has names whose status can not be looked
        // up, and one of too many names would not fit: a path in either is settled as without
        // a cache.
        bool complete = true;
        bool first = true;
        while (dirent *e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..")
                continue;
            struct stat st;
            if ((first && ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == EACCES) ||
                m_names + f.nameCount >= kMaxNames) {
                complete = false;
                break;
            }
            first = false;
            f.byFoldedName[QString::fromUtf8(name).toCaseFolded()].append(name);
            ++f.nameCount;
        }
        ::closedir(d);
        f.state = complete ? Folder::Listed : Folder::Unlisted;
        if (!complete) {
            f.nameCount = 0;
            f.byFoldedName.clear();
        }
    }
    m_names += f.nameCount;
    return *m_folders.insert(writtenHost, std::move(f));
}

QString HostPathCache::childOf(const Folder &f, const QString &name) const
{
    const QString written = f.host + QLatin1Char('/') + name;
    if (f.state == Folder::Missing)
        return written;
    if (f.state == Folder::Unlisted) {
        if (entryExists(written))
            return written;
        const QString other = findWithoutCase(f.host.isEmpty() ? QStringLiteral("/") : f.host, name);
        return other.isEmpty() ? written : f.host + QLatin1Char('/') + other;
    }
    const auto found = f.byFoldedName.constFind(name.toCaseFolded());
    if (found == f.byFoldedName.cend() || found->contains(QFile::encodeName(name)))
        return written;
    return f.host + QLatin1Char('/') + QFile::decodeName(found->first());
}

bool ToHostPath(const QString &windowsPath, QString *hostPath, LONG *error, bool *isDriveRoot,
                HostPathCache *cache)
{
    // Through a cache, a path whose last component is a plain name in a folder already looked at
    // needs no taking apart: its folder is found by the folder's own text.
    QString folderText;
    QStringView name;
    if (cache && windowsPath.size() <= kMaxPathLength) {
        const qsizetype separator =
            std::max(windowsPath.lastIndexOf(QLatin1Char('\\')), windowsPath.lastIndexOf(QLatin1Char('/')));
        name = QStringView(windowsPath).mid(separator + 1);
        if (separator >= 2 && !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
            !name.contains(QChar(0))) {
            folderText = windowsPath.left(separator);
            const auto known = cache->m_byFolderText.constFind(folderText);
            if (known != cache->m_byFolderText.cend()) {
                *hostPath = cache->childOf(cache->m_folders[*known], name.toString());
                if (isDriveRoot)
                    *isDriveRoot = false;
                if (error)
                    *error = ERROR_SUCCESS;
                return true;
            }
        }
    }
    QString root;
    QStringList levels;
    if (cache && !cache->m_haveDrives) {
        cache->m_drives = DriveMap();
        cache->m_haveDrives = true;
    }
    if (!splitDrivePath(cache ? cache->m_drives : DriveMap(), windowsPath, &root, &levels, error))
        return false;
    const QString base = root == QLatin1String("/") ? QString() : root;
    QString host;
    if (cache && !levels.isEmpty()) {
        const QString last = levels.takeLast();
        QString writtenFolder = base;
        for (const QString &level : std::as_const(levels))
            writtenFolder += QLatin1Char('/') + level;
        host = cache->childOf(cache->folder(writtenFolder, base, levels), last);
        if (!folderText.isEmpty())
            cache->m_byFolderText.insert(folderText, writtenFolder);
        levels.append(last);
    } else {
        bool exists;
        host = resolveLevels(base, levels, &exists);
    }
    *hostPath = host.isEmpty() ? QStringLiteral("/") : host;
    if (isDriveRoot)
        *isDriveRoot = levels.isEmpty();
    if (error)
        *error = ERROR_SUCCESS;
    return true;
}

QString HostPath(const QString &windowsPath)
{
    QString host;
    return ToHostPath(windowsPath, &host) ? host : QString();
}

QString ToWindowsPath(const QString &hostPath)
{
    const QString path = QDir::cleanPath(QDir(hostPath).absolutePath());
    QChar bestLetter;
    qsizetype bestLength = -1;
    const QList<DriveMapping> drives = DriveMap();
    for (const DriveMapping &d : drives) {
        // A drive holds the path under the folder its link names and under that folder's real
        // place, so paths taken from either side map back.
        for (const QString &target : {d.target, d.canonicalTarget}) {
            const bool holds = target == QLatin1String("/") || path == target ||
                               (path.startsWith(target) && path[target.size()] == QLatin1Char('/'));
            const qsizetype length = target == QLatin1String("/") ? 0 : target.size();
            if (holds && (length > bestLength || (length == bestLength && d.letter < bestLetter))) {
                bestLength = length;
                bestLetter = d.letter;
            }
        }
    }
    if (bestLength < 0)
        return QString();
    QString rest = path.mid(bestLength + 1);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QString(bestLetter) + QStringLiteral(":\\") + rest;
}

QString ProgramDir()
{
    return ToWindowsPath(ProgramHostDir());
}

} // namespace win
