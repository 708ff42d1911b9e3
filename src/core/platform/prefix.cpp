// The prefix folder and its layout.
#include "prefix.h"

#include "privatefiles.h"
#include "registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace win {

namespace {
QMutex prefixMutex;
QString cachedPrefix;
QString checkedPrefix; // the prefix found safe in this process

QString computePrefix()
{
    const QString explicitPrefix = qEnvironmentVariable("DUNLIVO_PREFIX");
    if (!explicitPrefix.isEmpty())
        return QDir::cleanPath(QDir(explicitPrefix).absolutePath());
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/dunlivo"));
}

// Makes a drive-letter link unless something of that name is already there.
bool ensureDriveLink(const QString &dosdevices, const char *letter, const QString &target)
{
    const QString link = dosdevices + QLatin1Char('/') + QLatin1String(letter);
    struct stat st;
    if (::lstat(QFile::encodeName(link).constData(), &st) == 0)
        return true;
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0 ||
           errno == EEXIST;
}
// Every entry of a folder of the prefix must be this user's own.
bool checkEntries(const QString &folder, PrivateKind kind, QString *error)
{
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (!CheckPrivateEntry(folder + QLatin1Char('/') + name, kind, error))
            return false;
    }
    return true;
}
} // namespace

QString Prefix::path()
{
    QMutexLocker lock(&prefixMutex);
    if (cachedPrefix.isEmpty())
        cachedPrefix = computePrefix();
    return cachedPrefix;
}

void Prefix::reset()
{
    QMutexLocker lock(&prefixMutex);
    cachedPrefix.clear();
    checkedPrefix.clear();
}

namespace {
// Whether the layout of a prefix found safe before is all there (something may have removed a
// part of it since, to be made again).
bool layoutPresent()
{
    struct stat st;
    for (const QString &folder : {Prefix::registryDir(), Prefix::windowsDir(), Prefix::logDir()}) {
        if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
            return false;
    }
    const QString dosdevices = Prefix::dosdevicesDir();
    for (const char *letter : {"/c:", "/z:"}) {
        if (::lstat(QFile::encodeName(dosdevices + QLatin1String(letter)).constData(), &st) != 0)
            return false;
    }
    return true;
}

// The hives are judged at every look all the same: the settings are written there, and a hive made
// readable by others meanwhile is made private again.
bool hivesPrivate(QString *error)
{
    for (const HKEY root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE}) {
        const QString hive = RegHiveFile(root);
        for (const char *suffix : {"", "-wal", "-shm"}) {
            if (!CheckPrivateEntry(hive + QLatin1String(suffix), PrivateKind::Hive, error))
                return false;
        }
    }
    return true;
}
} // namespace

bool Prefix::ensure(QString *error)
{
    // Once found safe, the prefix's folders and drive entries are checked no more in this process:
    // the folders are private, so nobody else can put anything into them or change what is there.
    // Each part of the program that opens the prefix asks, and would otherwise read its folders
    // again each time.
    const QString prefix = path();
    prefixMutex.lock();
    const bool checked = checkedPrefix == prefix;
    prefixMutex.unlock();
    if (checked && layoutPresent())
        return hivesPrivate(error);
    // The prefix and its folders are private to this user: another user who could write into
    // them could point drive letters elsewhere or plant settings the Archiver acts on.
    for (const QString &folder : {path(), registryDir(), dosdevicesDir(), windowsDir(), logDir()}) {
        if (!MakePrivateFolder(folder, error))
            return false;
    }
    // Message-window sockets must be reachable by this user only, also in a folder made before.
    ::chmod(QFile::encodeName(windowsDir()).constData(), 0700);

    const QString dosdevices = dosdevicesDir();
    if (!ensureDriveLink(dosdevices, "c:", QDir::homePath()) || !ensureDriveLink(dosdevices, "z:", QStringLiteral("/"))) {
        if (error)
            *error = QStringLiteral("Cannot create the drive links in %1").arg(dosdevices);
        return false;
    }
    if (!checkEntries(dosdevices, PrivateKind::DriveEntry, error) ||
        !checkEntries(registryDir(), PrivateKind::Hive, error))
        return false;
    QMutexLocker lock(&prefixMutex);
    checkedPrefix = prefix;
    return true;
}

} // namespace win
