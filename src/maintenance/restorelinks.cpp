// Whose folder links a restore follows.
#include "restorelinks.h"

#include "platform/paths.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace restore {

QString foreignLink(const QString &windowsFolder, uid_t user)
{
    QString folder = windowsFolder;
    while (folder.endsWith(QLatin1Char('\\')))
        folder.chop(1);
    if (folder.size() < 2 || folder.at(1) != QLatin1Char(':'))
        return QString();
    QString root, host;
    if (!win::ToHostPath(folder.left(2) + QLatin1Char('\\'), &root) || !win::ToHostPath(folder, &host))
        return QString();
    if (!host.startsWith(root))
        return QString();
    // The drive root is the drive map's own link: the walk starts below it. Each step is looked
    // at through the folders above it, links and all, as the restore will reach it.
    QString hostStep = root;
    if (hostStep.endsWith(QLatin1Char('/')))
        hostStep.chop(1);
    QString windowsStep = folder.left(2);
    const QStringList parts = host.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        hostStep += QLatin1Char('/') + part;
        windowsStep += QLatin1Char('\\') + part;
        struct stat info;
        if (::lstat(QFile::encodeName(hostStep).constData(), &info) != 0)
            break;
        if (S_ISLNK(info.st_mode) && info.st_uid != user && info.st_uid != 0)
            return windowsStep;
    }
    return QString();
}

} // namespace restore
