// Drive-letter paths to host paths and back.
#include "paths.h"

#include "prefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace win {

namespace {

bool entryExists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// The entry of dir whose name equals name without regard to case; empty when none does.
QString findWithoutCase(const QString &dir, const QString &name)
{
    DIR *d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        return QString();
    QString found;
    while (dirent *e = ::readdir(d)) {
        const QString entry = QFile::decodeName(e->d_name);
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            found = entry;
            break;
        }
    }
    ::closedir(d);
    return found;
}

bool setError(LONG *error, LONG code)
{
    if (error)
        *error = code;
    return false;
}

} // namespace

QList<DriveMapping> DriveMap()
{
    Prefix::ensure();
    QList<DriveMapping> drives;
    const QString dosdevices = Prefix::dosdevicesDir();
    const QDir dir(dosdevices);
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (name.size() != 2 || name[1] != QLatin1Char(':') || !name[0].isLetter())
            continue;
        const QFileInfo link(dosdevices + QLatin1Char('/') + name);
        QString target = link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
        if (target.isEmpty())
            continue;
        drives.append(DriveMapping{name[0].toUpper(), QDir::cleanPath(target)});
    }
    return drives;
}

bool ToHostPath(const QString &windowsPath, QString *hostPath, LONG *error)
{
    if (windowsPath.size() > kMaxPathLength)
        return setError(error, ERROR_FILENAME_EXCED_RANGE);
    if (windowsPath.size() < 2 || !windowsPath[0].isLetter() || windowsPath[1] != QLatin1Char(':') ||
        (windowsPath.size() > 2 && windowsPath[2] != QLatin1Char('\\')))
        return setError(error, ERROR_INVALID_NAME);
    const QChar letter = windowsPath[0].toUpper();
    QString root;
    for (const DriveMapping &d : DriveMap()) {
        if (d.letter == letter)
            root = d.target;
    }
    if (root.isEmpty())
        return setError(error, ERROR_PATH_NOT_FOUND);

    QStringList levels;
    for (const QString &part : windowsPath.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!levels.isEmpty())
                levels.removeLast();
            continue;
        }
        if (part.contains(QLatin1Char('/')))
            return setError(error, ERROR_INVALID_NAME);
        levels.append(part);
    }
    QString host = root == QLatin1String("/") ? QString() : root;
    bool exists = true;
    for (const QString &level : std::as_const(levels)) {
        QString next = host + QLatin1Char('/') + level;
        if (exists && !entryExists(QFile::encodeName(next))) {
            const QString other = findWithoutCase(host.isEmpty() ? QStringLiteral("/") : host, level);
            if (other.isEmpty())
                exists = false; // what is below a missing folder is taken as written
            else
                next = host + QLatin1Char('/') + other;
        }
        host = next;
    }
    *hostPath = host.isEmpty() ? QStringLiteral("/") : host;
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
    const DriveMapping *best = nullptr;
    const QList<DriveMapping> drives = DriveMap();
    for (const DriveMapping &d : drives) {
        const bool holds = d.target == QLatin1String("/") || path == d.target ||
                           path.startsWith(d.target + QLatin1Char('/'));
        if (holds && (!best || d.target.size() > best->target.size() ||
                      (d.target.size() == best->target.size() && d.letter < best->letter)))
            best = &d;
    }
    if (!best)
        return QString();
    QString rest = best->target == QLatin1String("/") ? path.mid(1) : path.mid(best->target.size() + 1);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QString(best->letter) + QStringLiteral(":\\") + rest;
}

QString ProgramDir() { return ToWindowsPath(QCoreApplication::applicationDirPath()); }

} // namespace win
