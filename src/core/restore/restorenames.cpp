// Names and places of a restore.
#include "restorenames.h"

#include "core/platform/filebeside.h"

#include <QFile>
#include <QSet>

namespace restore {

bool nameAllowed(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':') || c.unicode() < 0x20 ||
            c.unicode() == 0x7f)
            return false;
    }
    return true;
}

bool driveAllowed(const QString &name)
{
    return name.size() == 2 && name.at(1) == QLatin1Char(':') && name.at(0).unicode() < 0x80 &&
           name.at(0).isLetter();
}

QString refusedName(const QStringList &chain)
{
    for (qsizetype i = 0; i < chain.size(); ++i) {
        const bool allowed = i == 0 ? driveAllowed(chain.at(i)) : nameAllowed(chain.at(i));
        if (!allowed)
            return chain.at(i).isEmpty() ? QStringLiteral("\"\"") : chain.at(i);
    }
    return QString();
}

QStringList shownNames(const QStringList &entries, bool compressed)
{
    QStringList shown;
    QSet<QString> seen;
    // From the last entry to the first, as the list is walked when the suffix is stripped; the
    // order of the result follows the entries.
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        QString name = entries.at(i);
        if (win::FileBeside::isTemporaryName(QFile::encodeName(name).constData()))
            continue;
        if (!compressed) {
            shown.prepend(name);
            continue;
        }
        if (name.endsWith(QLatin1String(".bz2"), Qt::CaseSensitive))
            name.chop(4);
        if (!seen.contains(name)) {
            seen.insert(name);
            shown.prepend(name);
        }
    }
    return shown;
}

namespace {

QString join(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('\\')))
        return folder + name;
    return folder + QLatin1Char('\\') + name;
}

// The archive side of an origin path: the drive letter, then the path below the drive.
QString archivePath(const QString &destination, const QString &folderName, const QString &originPath)
{
    const QString below = originPath.mid(3);
    QString source = destination + QLatin1Char('\\') + folderName + QLatin1Char('\\') + originPath.left(1);
    if (!below.isEmpty())
        source += QLatin1Char('\\') + below;
    return source;
}

} // namespace

FileOrigin fileInFolder(const QString &destination, const QString &folderName, const QString &dirP,
                        const QString &entry)
{
    FileOrigin origin;
    origin.source = join(archivePath(destination, folderName, dirP), entry);
    origin.target = join(dirP, entry);
    origin.targetDir = dirP;
    return origin;
}

FileOrigin fileAt(const QString &destination, const QString &folderName, const QString &path)
{
    FileOrigin origin;
    origin.source = archivePath(destination, folderName, path);
    origin.target = path;
    origin.targetDir = path.left(path.lastIndexOf(QLatin1Char('\\')) + 1);
    return origin;
}

QString archiveFolder(const QString &root, const QString &originPath)
{
    QString rel = originPath;
    rel.remove(1, 1); // the colon: C:\Docs\ gives C\Docs\, C:\ gives C\ .
    if (rel.endsWith(QLatin1Char('\\')))
        rel.chop(1);
    return root + QLatin1Char('\\') + rel;
}

} // namespace restore
