// Searching an archive by name and listing the versions of one file.
#include "archivesearch.h"

#include "restorenames.h"

#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/versionslayout.h"
#include "core/platform/filebeside.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace restore {

namespace {

constexpr std::string_view kCompressedSuffix = ".bz2";
// Paths are at most 255 characters, so no archived file lies deeper than this below its drive
// folder; a deeper tree (a tampered archive) is not walked, which bounds the descriptors held open.
constexpr int kMaxDepth = 128;

// Folds UTF-8 bytes to lower case for ASCII and the Latin-1 letters (U+00C0 to U+00DE but the
// multiplication sign, two bytes after 0xC3). Valid UTF-8 stays valid, so a folded part found in a
// folded name starts and ends on character boundaries.
void foldInto(std::string_view name, std::string *out)
{
    out->assign(name);
    for (size_t i = 0; i < out->size(); ++i) {
        unsigned char &c = reinterpret_cast<unsigned char &>((*out)[i]);
        if (c >= 'A' && c <= 'Z') {
            c += 'a' - 'A';
        } else if (c == 0xC3 && i + 1 < out->size()) {
            unsigned char &next = reinterpret_cast<unsigned char &>((*out)[++i]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                next += 0x20;
        }
    }
}

int openBelow(int folder, const char *name)
{
    return ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The form of the part of the archive open in folder (the root or a run folder).
bool formOf(int folder, bool fallback)
{
    archiver::FormRecord record;
    if (archiver::readFormRecord(folder, &record) != archiver::RecordRead::Present || record.converting)
        return fallback;
    return record.compressed;
}

// The kind of an entry as its d_type tells it; a file system that does not tell is asked, without
// following a link.
unsigned char kindOf(int folder, const dirent *entry)
{
    if (entry->d_type != DT_UNKNOWN)
        return entry->d_type;
    struct stat st;
    if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}

bool isDriveFolder(const char *name)
{
    return name[0] != 0 && name[1] == 0 &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

// The entries of an open folder (which it takes over), handed out one by one.
class Listing
{
public:
    explicit Listing(int fd) : m_dir(fd >= 0 ? ::fdopendir(fd) : nullptr)
    {
        if (!m_dir && fd >= 0)
            ::close(fd);
    }
    ~Listing()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    Listing(const Listing &) = delete;
    Listing &operator=(const Listing &) = delete;
    int fd() const { return m_dir ? ::dirfd(m_dir) : -1; }
    const dirent *next()
    {
        while (m_dir) {
            const dirent *entry = ::readdir(m_dir);
            if (!entry)
                return nullptr;
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                return entry;
        }
        return nullptr;
    }

private:
    DIR *m_dir;
};

QDateTime modifiedOf(const struct stat &st)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
}

class Search
{
public:
    Search(const std::string &part, const std::atomic_bool &stop,
           const std::function<bool(const ArchivedCopy &)> &found)
        : m_part(part), m_stop(stop), m_found(found)
    {
    }

    // The drive folders of the archive's root or of a run folder open in fd.
    void drives(int fd, const std::string &prefix, const QDateTime &run, bool compressed)
    {
        Listing listing(fd);
        while (const dirent *entry = listing.next()) {
            if (isDriveFolder(entry->d_name) && kindOf(listing.fd(), entry) == DT_DIR)
                folder(openBelow(listing.fd(), entry->d_name), prefix, std::string(entry->d_name), run,
                       compressed, 0);
            if (m_ended)
                return;
        }
    }

    bool ended() const { return m_ended || m_stop.load(std::memory_order_relaxed); }

private:
    // path: the drive letter and the folders below it, joined by "/".
    void folder(int fd, const std::string &prefix, const std::string &path, const QDateTime &run,
                bool compressed, int depth)
    {
        Listing listing(fd);
        while (const dirent *entry = listing.next()) {
            if (m_stop.load(std::memory_order_relaxed))
                m_ended = true;
            if (m_ended)
                return;
            const unsigned char kind = kindOf(listing.fd(), entry);
            if (kind == DT_DIR) {
                if (depth < kMaxDepth)
                    folder(openBelow(listing.fd(), entry->d_name), prefix, path + '/' + entry->d_name, run,
                           compressed, depth + 1);
            } else if (kind == DT_REG) {
                std::string_view name(entry->d_name);
                const bool member = compressed && name.size() > kCompressedSuffix.size() &&
                                    name.substr(name.size() - kCompressedSuffix.size()) == kCompressedSuffix;
                if (member)
                    name.remove_suffix(kCompressedSuffix.size());
                foldInto(name, &m_folded);
                if (m_folded.find(m_part) == std::string::npos ||
                    win::FileBeside::isTemporaryName(entry->d_name))
                    continue;
                struct stat st;
                if (::fstatat(listing.fd(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                    !S_ISREG(st.st_mode))
                    continue;
                report(prefix, path + '/' + std::string(name), run, member, st);
            }
        }
    }

    void report(const std::string &prefix, const std::string &path, const QDateTime &run, bool member,
                const struct stat &st)
    {
        ArchivedCopy copy;
        QString below = QFile::decodeName(QByteArray::fromRawData(path.data(), qsizetype(path.size())));
        // A name no restore may write back (one with a "\" in it would even name another path)
        // is not offered.
        const QStringList names = below.split(QLatin1Char('/'));
        if (!std::all_of(names.begin() + 1, names.end(), nameAllowed))
            return;
        below.replace(QLatin1Char('/'), QLatin1Char('\\'));
        copy.origin = below.left(1).toUpper() + QLatin1Char(':') + below.mid(1);
        if (copy.origin.size() == 2)
            copy.origin += QLatin1Char('\\');
        copy.relative = QString::fromStdString(prefix) + below;
        copy.run = run;
        copy.compressed = member;
        copy.size = st.st_size;
        copy.modified = modifiedOf(st);
        if (!m_found(copy))
            m_ended = true;
    }

    const std::string &m_part;
    const std::atomic_bool &m_stop;
    const std::function<bool(const ArchivedCopy &)> &m_found;
    std::string m_folded;
    bool m_ended = false;
};

// The run folders of the archive open in root, newest first, with their times.
std::vector<std::pair<QString, QDateTime>> runFolders(int root)
{
    std::vector<std::pair<QString, QDateTime>> runs;
    Listing listing(openBelow(root, archiver::kVersionsFolder));
    while (const dirent *entry = listing.next()) {
        const QString name = QFile::decodeName(entry->d_name);
        const QDateTime time = archiver::versionRunTime(name);
        if (time.isValid() && kindOf(listing.fd(), entry) == DT_DIR)
            runs.emplace_back(name, time);
    }
    std::sort(runs.begin(), runs.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    return runs;
}

QString runPrefix(const QString &run)
{
    return QLatin1String(archiver::kVersionsFolder) + QLatin1Char('\\') + run + QLatin1Char('\\');
}

int openRoot(const QString &hostRoot)
{
    return ::open(QFile::encodeName(hostRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The copy of the file at components (drive letter first) below the part open in base.
bool copyBelow(int base, const QStringList &components, bool compressed, ArchivedCopy *copy)
{
    int fd = ::dup(base);
    for (qsizetype i = 0; i + 1 < components.size() && fd >= 0; ++i) {
        const int next = openBelow(fd, QFile::encodeName(components.at(i)).constData());
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return false;
    const QByteArray name = QFile::encodeName(components.last());
    struct stat st;
    bool found = false;
    // On a compressed part a plain copy stands for a file the conversion has not reached; on a
    // plain part a name ending in ".bz2" is a file of its own.
    for (const bool member : {compressed, false}) {
        const QByteArray entry = member ? name + QByteArray(kCompressedSuffix.data()) : name;
        if (::fstatat(fd, entry.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            copy->compressed = member;
            copy->size = st.st_size;
            copy->modified = modifiedOf(st);
            found = true;
            break;
        }
    }
    ::close(fd);
    return found;
}

} // namespace

void searchArchive(const QString &hostRoot, const QString &part, bool compressedFallback,
                   const std::atomic_bool &stop, const std::function<bool(const ArchivedCopy &)> &found)
{
    std::string folded;
    const QByteArray bytes = QFile::encodeName(part);
    foldInto(std::string_view(bytes.constData(), size_t(bytes.size())), &folded);
    const int root = openRoot(hostRoot);
    if (root < 0)
        return;
    Search search(folded, stop, found);
    const bool rootCompressed = formOf(root, compressedFallback);
    const auto runs = runFolders(root);
    const int versions = openBelow(root, archiver::kVersionsFolder);
    search.drives(::dup(root), std::string(), QDateTime(), rootCompressed);
    for (const auto &[name, time] : runs) {
        if (search.ended() || versions < 0)
            break;
        const int run = openBelow(versions, QFile::encodeName(name).constData());
        if (run < 0)
            continue;
        const bool compressed = formOf(run, rootCompressed);
        search.drives(run, runPrefix(name).toStdString(), time, compressed);
    }
    if (versions >= 0)
        ::close(versions);
    ::close(root);
}

std::vector<ArchivedCopy> versionsOf(const QString &hostRoot, const QString &origin, bool compressedFallback)
{
    std::vector<ArchivedCopy> copies;
    if (origin.size() < 4 || origin.at(1) != QLatin1Char(':') || origin.at(2) != QLatin1Char('\\'))
        return copies;
    QStringList components = origin.mid(3).split(QLatin1Char('\\'));
    components.prepend(origin.left(1));
    const int root = openRoot(hostRoot);
    if (root < 0)
        return copies;
    const bool rootCompressed = formOf(root, compressedFallback);
    ArchivedCopy copy;
    copy.origin = origin;
    copy.relative = components.join(QLatin1Char('\\'));
    if (copyBelow(root, components, rootCompressed, &copy))
        copies.push_back(copy);
    const int versions = openBelow(root, archiver::kVersionsFolder);
    for (const auto &[name, time] : runFolders(root)) {
        const int run = versions < 0 ? -1 : openBelow(versions, QFile::encodeName(name).constData());
        if (run < 0)
            continue;
        copy.run = time;
        copy.relative = runPrefix(name) + components.join(QLatin1Char('\\'));
        if (copyBelow(run, components, formOf(run, rootCompressed), &copy))
            copies.push_back(copy);
        ::close(run);
    }
    if (versions >= 0)
        ::close(versions);
    ::close(root);
    return copies;
}

} // namespace restore
