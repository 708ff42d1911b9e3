// The folder a restored file goes into, walked down from its drive's root.
#include "restorelinks.h"

#include "core/platform/paths.h"
#include "core/platform/posixio.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace restore {

namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// One walk down to a folder.
struct Walk
{
    explicit Walk(uid_t walker) : user(walker) {}

    uid_t user;
    int linksLeft = kMaxLinks;
    int depth = 0; // how many link texts deep the walk is
    int error = 0; // errno of the step that failed; ENOENT: the entry is not there
    bool refused = false;
    QString refusedHost; // the refused link's host path, as the walk spelled it
    bool refusedInText = false;
};

int openFolder(Walk &walk, int fd, const QByteArray &name, const QString &host);

// Opens the folder that the text of a followed link leads to. A relative text goes on from the
// folder at fd, which holds the link (host path host), one step at a time by the same rule.
int followLink(Walk &walk, int fd, const QByteArray &text, QString host)
{
    const bool absolute = text.startsWith('/');
    win::FileDescriptor at(absolute ? ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                    : ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (at.get() < 0) {
        walk.error = errno;
        return -1;
    }
    if (absolute)
        host.clear();
    ++walk.depth;
    int next = 0;
    for (const QByteArray &part : text.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            next = ::openat(at.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (next < 0)
                walk.error = errno;
            host.truncate(qMax(qsizetype(0), host.lastIndexOf(QLatin1Char('/'))));
        } else {
            host += QLatin1Char('/') + QFile::decodeName(part);
            next = openFolder(walk, at.get(), part, host);
        }
        if (next < 0)
            break;
        at.reset(next);
    }
    --walk.depth;
    return next < 0 ? -1 : at.release();
}

// Opens the entry name of the folder at fd (host path host) as a folder, following a link when
// the rule allows it. -1 with walk.error set (ENOENT: there is no such entry), or walk.refused.
int openFolder(Walk &walk, int fd, const QByteArray &name, const QString &host)
{
    const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next >= 0)
        return next;
    if (errno != ENOTDIR && errno != ELOOP) {
        walk.error = errno;
        return -1;
    }
    // A link or no folder. The entry itself is opened and looked at, so that everything decided
    // here is about that one entry, whatever the name holds a moment later.
    const win::FileDescriptor entry(::openat(fd, name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (entry.get() < 0 || ::fstat(entry.get(), &info) != 0) {
        walk.error = errno;
        return -1;
    }
    if (S_ISDIR(info.st_mode)) {
        // A folder again, swapped back meanwhile: this very folder is opened.
        const int again = ::openat(entry.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (again < 0)
            walk.error = errno;
        return again;
    }
    if (!S_ISLNK(info.st_mode)) {
        walk.error = ENOTDIR;
        return -1;
    }
    if (info.st_uid != walk.user && info.st_uid != 0) {
        walk.refused = true;
        walk.refusedHost = host;
        walk.refusedInText = walk.depth > 0;
        walk.error = EACCES;
        return -1;
    }
    if (--walk.linksLeft < 0) {
        walk.error = ELOOP;
        return -1;
    }
    // The text of the link that was looked at, not of whatever has the name now.
    QByteArray text(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlinkat(entry.get(), "", text.data(), size_t(text.size()));
    if (length < 0 || length == text.size()) {
        walk.error = length < 0 ? errno : ENAMETOOLONG;
        return -1;
    }
    text.truncate(length);
    return followLink(walk, fd, text, host.left(host.lastIndexOf(QLatin1Char('/'))));
}

// Opens the component part of a Windows path in the folder at fd (host path folderHost): as
// written, else an entry of that name without regard to case, else, with create, a folder made
// for it. *used is the host name taken; *notMade tells that the folder could not be made, *made
// that it was made here.
int stepDown(Walk &walk, int fd, const QString &part, const QString &folderHost, bool create,
             QByteArray *used, bool *notMade, bool *made)
{
    const QByteArray written = QFile::encodeName(part);
    *used = written;
    int next = openFolder(walk, fd, written, folderHost + QLatin1Char('/') + part);
    if (next >= 0 || walk.refused || walk.error != ENOENT)
        return next;
    const QByteArray other = win::FindEntryWithoutCase(fd, part);
    if (!other.isEmpty() && other != written) {
        *used = other;
        next = openFolder(walk, fd, other, folderHost + QLatin1Char('/') + QFile::decodeName(other));
        if (next >= 0 || walk.refused || walk.error != ENOENT)
            return next;
        *used = written;
    }
    if (!create)
        return -1;
    // The new folder is opened like any other: should it be swapped for a link before it is
    // opened, it is met as a link.
    struct stat madeInfo
    {
    };
    if (::mkdirat(fd, written.constData(), 0777) != 0) {
        if (errno != EEXIST) {
            walk.error = errno;
            *notMade = true;
            return -1;
        }
    } else if (::fstatat(fd, written.constData(), &madeInfo, AT_SYMLINK_NOFOLLOW) != 0) {
        madeInfo.st_ino = 0;
    }
    next = openFolder(walk, fd, written, folderHost + QLatin1Char('/') + part);
    // Made here only when the folder opened is the one made, not one a link led to.
    struct stat opened;
    *made = next >= 0 && madeInfo.st_ino != 0 && ::fstat(next, &opened) == 0 &&
            opened.st_ino == madeInfo.st_ino && opened.st_dev == madeInfo.st_dev;
    return next;
}

int errnoFor(win::LONG error)
{
    switch (error) {
    case win::ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case win::ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return ENOENT;
    }
}

} // namespace

std::shared_ptr<const TargetFolder> TargetFolder::open(const QString &windowsFolder, uid_t user, bool create)
{
    std::shared_ptr<TargetFolder> folder(new TargetFolder);
    // below: the failure lies on the way to the folder (a drive root, "C:\", is never made).
    const auto fail = [&](bool below, int error) {
        folder->m_state = below ? State::NotMade : State::NotOpen;
        folder->m_error = error;
        return folder;
    };
    QString root;
    QStringList parts;
    win::LONG error = win::ERROR_SUCCESS;
    if (!win::SplitDrivePath(windowsFolder, &root, &parts, &error))
        return fail(windowsFolder.size() > 3, errnoFor(error));
    // The drive's link in the prefix is the user's own, and is followed as it stands.
    win::FileDescriptor at(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (at.get() < 0)
        return fail(!parts.isEmpty(), errno);
    Walk walk(user);
    QString windowsStep = windowsFolder.left(2);
    QString hostStep = root == QLatin1String("/") ? QString() : root;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QByteArray used;
        bool notMade = false;
        bool made = false;
        const int next = stepDown(walk, at.get(), parts.at(i), hostStep, create, &used, &notMade, &made);
        const QString step = windowsStep + QLatin1Char('\\') + QFile::decodeName(used);
        if (next < 0 && walk.refused) {
            // Named as the walk reached it; a link met inside the text of another by its own place.
            const QString inText = walk.refusedInText ? win::ToWindowsPath(walk.refusedHost) : QString();
            folder->m_state = State::Refused;
            folder->m_error = EACCES;
            folder->m_link = inText.isEmpty() ? step : inText;
            return folder;
        }
        if (next < 0) {
            const bool last = i + 1 == parts.size();
            return fail(notMade || (!last && (create || walk.error != ENOENT)), walk.error);
        }
        at.reset(next);
        folder->m_made = made;
        windowsStep = step;
        hostStep += QLatin1Char('/') + QFile::decodeName(used);
    }
    folder->m_state = State::Open;
    folder->m_fd = at.release();
    return folder;
}

TargetFolder::~TargetFolder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray TargetFolder::entryName(const QString &name) const
{
    const QByteArray exact = QFile::encodeName(name);
    struct stat info;
    if (m_fd < 0 || ::fstatat(m_fd, exact.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return exact;
    if (!m_made) {
        const QByteArray other = win::FindEntryWithoutCase(m_fd, name);
        return other.isEmpty() ? exact : other;
    }
    // A folder made by this walk holds what the restore puts there: the names it handed out are
    // all a look without regard to case can find, so the folder is not read again for each file.
    const std::lock_guard lock(m_namesMutex);
    const QString folded = name.toCaseFolded();
    const auto given = m_givenNames.constFind(folded);
    if (given != m_givenNames.constEnd() &&
        ::fstatat(m_fd, given->constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return *given;
    m_givenNames.insert(folded, exact);
    return exact;
}

} // namespace restore
