// The program folder of a build and of an installation.
#include "programfolder.h"

#include "prefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#ifndef DUNLIVO_DATA_FROM_BIN
#define DUNLIVO_DATA_FROM_BIN "../share/dunlivo"
#endif

namespace win {

namespace {

const char *const kPrograms[] = {"dunlivo", "archiv", "dunlivo-reg", "dunlivo-autorun"};
const char *const kDataLinks[] = {"Language", "Background", "Help", "archiv.dat"};
const char *const kUserCopies[] = {"ext.lst"};

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// The target of a symbolic link, or empty when path is no link.
QString linkTarget(const QString &path)
{
    struct stat st;
    if (::lstat(encoded(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return QString();
    return QFile::symLinkTarget(path);
}

bool exists(const QString &path)
{
    struct stat st;
    return ::lstat(encoded(path).constData(), &st) == 0;
}

// Points folder/name at target: a missing entry becomes a link; a link elsewhere is replaced in
// one rename, so a program starting at the same moment never finds the name missing.
bool ensureLink(const QString &folder, const QString &name, const QString &target, QString *error)
{
    const QString link = folder + QLatin1Char('/') + name;
    if (exists(link)) {
        const QString current = linkTarget(link);
        if (current.isEmpty() ||
            QFileInfo(current).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
            return true; // the user's own file, or already right
    }
    const QString temporary = folder + QStringLiteral("/.") + name + QStringLiteral(".link-") +
                              QString::number(QCoreApplication::applicationPid());
    ::unlink(encoded(temporary).constData());
    if (::symlink(encoded(target).constData(), encoded(temporary).constData()) != 0 ||
        ::rename(encoded(temporary).constData(), encoded(link).constData()) != 0) {
        const int saved = errno;
        ::unlink(encoded(temporary).constData());
        if (error)
            *error = QStringLiteral("Cannot link %1 to %2: %3")
                         .arg(link, target, QString::fromLocal8Bit(strerror(saved)));
        return false;
    }
    return true;
}

QMutex folderMutex;
QString madeForPrefix;
QString madeFolder;

} // namespace

QString InstalledDataDir(const QString &binDir)
{
    const QString data = QDir::cleanPath(binDir + QLatin1Char('/') + QLatin1String(DUNLIVO_DATA_FROM_BIN));
    // A build folder has no such folder beside it; an installation always has its extension list.
    if (QFileInfo(data + QStringLiteral("/ext.lst")).isFile())
        return data;
    return QString();
}

QStringList InstalledProgramNames()
{
    QStringList names;
    for (const char *name : kPrograms)
        names.append(QLatin1String(name));
    return names;
}

bool EnsureUserProgramDir(const QString &folder, const QString &binDir, const QString &dataDir,
                          QString *error)
{
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Cannot create the folder %1").arg(folder);
        return false;
    }
    bool ok = true;
    for (const char *name : kPrograms) {
        const QString target = binDir + QLatin1Char('/') + QLatin1String(name);
        if (QFileInfo::exists(target))
            ok = ensureLink(folder, QLatin1String(name), target, error) && ok;
    }
    for (const char *name : kDataLinks) {
        const QString target = dataDir + QLatin1Char('/') + QLatin1String(name);
        if (QFileInfo::exists(target))
            ok = ensureLink(folder, QLatin1String(name), target, error) && ok;
    }
    for (const char *name : kUserCopies) {
        const QString source = dataDir + QLatin1Char('/') + QLatin1String(name);
        const QString copy = folder + QLatin1Char('/') + QLatin1String(name);
        if (exists(copy) || !QFileInfo::exists(source))
            continue;
        // Copied under a temporary name first, so a half-copied list never stands as the user's,
        // and linked into place without replacing: should another program of the folder have
        // made it meanwhile, and the user edited it already, that copy stays.
        const QString temporary =
            copy + QStringLiteral(".new-") + QString::number(QCoreApplication::applicationPid());
        QFile::remove(temporary);
        bool placed = QFile::copy(source, temporary) &&
                      QFile::setPermissions(temporary, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (placed && ::link(encoded(temporary).constData(), encoded(copy).constData()) != 0 &&
            errno != EEXIST)
            placed = ::rename(encoded(temporary).constData(), encoded(copy).constData()) ==
                     0; // no hard links here
        QFile::remove(temporary);
        if (!placed) {
            if (error)
                *error = QStringLiteral("Cannot copy %1 into %2").arg(source, folder);
            ok = false;
        }
    }
    return ok;
}

QString UserProgramDir()
{
    return Prefix::path() + QStringLiteral("/program");
}

QString ProgramHostDir()
{
    const QString binDir = QCoreApplication::applicationDirPath();
    const QString dataDir = InstalledDataDir(binDir);
    if (dataDir.isEmpty())
        return binDir;
    QMutexLocker lock(&folderMutex);
    const QString prefix = Prefix::path();
    if (madeForPrefix != prefix) {
        madeFolder = UserProgramDir();
        // A folder that cannot be made or refreshed is still the user's program folder: the
        // windows report what they then cannot read or write, as they do for any folder.
        EnsureUserProgramDir(madeFolder, binDir, dataDir);
        madeForPrefix = prefix;
    }
    return madeFolder;
}

} // namespace win
