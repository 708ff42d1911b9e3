// Private files and folders of the prefix.
#include "privatefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace win {

namespace {

QString kindName(PrivateKind kind)
{
    switch (kind) {
    case PrivateKind::Folder:
        return QStringLiteral("The folder");
    case PrivateKind::Hive:
        return QStringLiteral("The registry hive");
    case PrivateKind::DriveEntry:
        return QStringLiteral("The drive entry");
    case PrivateKind::LogFile:
        return QStringLiteral("The log file");
    case PrivateKind::LockFile:
        return QStringLiteral("The lock file");
    }
    return QString();
}

bool refuse(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Whether a group is this user's private group (named like the user, the user's own primary
// group, with no other member), as systems with per-user groups make them: its write bit lets
// nobody else in, and a umask of 002 sets it on everything made there.
bool privateGroup(gid_t gid)
{
    // The reentrant look-ups: the check runs on the Archiver's run threads too.
    std::vector<char> buffer(16384);
    passwd userEntry{};
    passwd *user = nullptr;
    int rc;
    while ((rc = ::getpwuid_r(::geteuid(), &userEntry, buffer.data(), buffer.size(), &user)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc != 0 || !user || user->pw_gid != gid)
        return false;
    const QByteArray userName(user->pw_name);
    std::vector<char> groupBuffer(16384);
    group groupEntry{};
    group *g = nullptr;
    while ((rc = ::getgrgid_r(gid, &groupEntry, groupBuffer.data(), groupBuffer.size(), &g)) == ERANGE &&
           groupBuffer.size() < (1u << 24))
        groupBuffer.resize(groupBuffer.size() * 2);
    if (rc != 0 || !g || userName != g->gr_name)
        return false;
    for (char **member = g->gr_mem; *member; ++member) {
        if (userName != *member)
            return false;
    }
    return true;
}

// The owner and mode rules on what stat or lstat found. Links carry no mode of their own.
bool judge(const QString &path, PrivateKind kind, const struct stat &st, QString *error)
{
    if (st.st_uid != ::geteuid()) {
        return refuse(error, QStringLiteral("%1 %2 belongs to another user (uid %3), so it is not used. "
                                            "Another user could plant settings or redirect drives there.")
                                 .arg(kindName(kind), path)
                                 .arg(st.st_uid));
    }
    if (S_ISLNK(st.st_mode))
        return true;
    const bool othersWrite = (st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && !privateGroup(st.st_gid));
    if (othersWrite) {
        return refuse(error,
                      QStringLiteral("%1 %2 can be changed by other users (mode %3), so it is not used. "
                                     "Make it private (chmod go-w) and start again.")
                          .arg(kindName(kind), path)
                          .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
    }
    return true;
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool MakePrivateFolder(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        const QString parent = QFileInfo(path).absolutePath();
        if (!QDir().mkpath(parent))
            return refuse(error, QStringLiteral("Cannot create the folder %1").arg(parent));
        // The mode is given at creation: a umask can only take bits away from 0700.
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return refuse(error,
                          QStringLiteral("Cannot create the folder %1: %2").arg(path, reasonOf(errno)));
        if (::stat(native.constData(), &st) != 0)
            return refuse(error,
                          QStringLiteral("Cannot create the folder %1: %2").arg(path, reasonOf(errno)));
    }
    if (!S_ISDIR(st.st_mode))
        return refuse(error,
                      QStringLiteral("Cannot create the folder %1: something else has its name").arg(path));
    if (!judge(path, PrivateKind::Folder, st, error))
        return false;
    // A folder of ours made before (under a wider umask) is made private too.
    if (st.st_mode & 077)
        ::chmod(native.constData(), st.st_mode & 0700);
    return true;
}

bool CheckPrivateEntry(const QString &path, PrivateKind kind, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return true;
    if (!judge(path, kind, st, error))
        return false;
    // A hive read through a link is read from the file it leads to.
    if (S_ISLNK(st.st_mode) && kind == PrivateKind::Hive && ::stat(native.constData(), &st) == 0)
        return judge(path, kind, st, error);
    // A hive of ours made readable by others before is made private; a read-only one stays so.
    if (kind == PrivateKind::Hive && S_ISREG(st.st_mode) && (st.st_mode & 077))
        ::chmod(native.constData(), st.st_mode & 0700);
    return true;
}

int OpenPrivateFileForAppend(const QString &path, PrivateKind kind, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        refuse(error, QStringLiteral("Cannot open %1: %2").arg(path, reasonOf(errno)));
        return -1;
    }
    struct stat st;
    const bool usable =
        ::fstat(fd, &st) == 0 &&
        (S_ISREG(st.st_mode)
             ? judge(path, kind, st, error)
             : refuse(error, QStringLiteral("%1 %2 is not a file").arg(kindName(kind), path)));
    if (!usable) {
        ::close(fd);
        return -1;
    }
    if (st.st_mode & 077)
        ::fchmod(fd, st.st_mode & 0700);
    return fd;
}

} // namespace win
