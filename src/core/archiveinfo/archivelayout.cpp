// Archive sides and the archive directory layout.
#include "archivelayout.h"

#include "core/settings/config.h"

#include <algorithm>

namespace archiver {

QString sideLabel(Side side)
{
    return side == Side::Primary ? QStringLiteral("primary") : QStringLiteral("secondary");
}

SideSettings readSideSettings(Tconfig &config, Side side)
{
    SideSettings settings;
    settings.destination = config.Read(TextSetting::Destination, side);
    settings.archiveName = config.Read(TextSetting::ArchiveName, side);
    while (settings.archiveName.startsWith(QLatin1Char('\\')))
        settings.archiveName.remove(0, 1);
    // The panel shows an empty name as the default one, and so the archive is found where it says.
    if (settings.archiveName.isEmpty())
        settings.archiveName = settingDef(TextSetting::ArchiveName, side).defaultText();
    settings.compressed = config.Read(BoolSetting::Compressed, side);
    settings.archivedBefore = config.Read(TimeSetting::LastArchived, side) != 0.0;
    settings.keepVersionsDays = std::max(0, config.Read(IntSetting::KeepVersionsDays));
    return settings;
}

qint64 diskReserve(qint64 diskSize)
{
    constexpr qint64 MiB = 1024 * 1024;
    return std::clamp(diskSize / 100, 64 * MiB, 1024 * MiB);
}

QString trimTrailingBackslash(const QString &path)
{
    if (path.size() != 3 && path.endsWith(QLatin1Char('\\')))
        return path.left(path.size() - 1);
    return path;
}

QString archiveRoot(const QString &destination, const QString &archiveName)
{
    QString root = trimTrailingBackslash(destination);
    if (!root.endsWith(QLatin1Char('\\')))
        root += QLatin1Char('\\');
    QString name = archiveName;
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    return root + name;
}

bool isPlainFolderName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

QString ArchivedLocation::relativePath() const
{
    QStringList parts = folders;
    parts.append(fileName);
    return parts.join(QLatin1Char('\\'));
}

bool archivedLocation(const QString &originPath, bool compressed, ArchivedLocation *location)
{
    if (originPath.size() < 4 || originPath.at(1) != QLatin1Char(':') || !originPath.at(0).isLetter() ||
        (originPath.at(2) != QLatin1Char('\\') && originPath.at(2) != QLatin1Char('/')))
        return false;
    QStringList parts;
    parts.append(originPath.left(1).toUpper());
    // Split by hand: this runs once per archived file, and "\" and "/" both separate.
    const QStringView below = QStringView(originPath).mid(3);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= below.size(); ++i) {
        if (i < below.size() && below[i] != QLatin1Char('\\') && below[i] != QLatin1Char('/'))
            continue;
        const QStringView part = below.mid(start, i - start);
        start = i + 1;
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") || part.contains(QChar(0)))
            return false;
        parts.append(part.toString());
    }
    if (parts.size() < 2)
        return false;
    location->fileName = parts.takeLast();
    if (compressed)
        location->fileName += QLatin1String(kCompressedSuffix);
    location->folders = parts;
    return true;
}

} // namespace archiver
