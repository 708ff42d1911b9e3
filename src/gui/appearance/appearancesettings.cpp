// Applying the stored language and texture; keeping their names inside their folders.
#include "appearancesettings.h"

#include "kovaimage.h"
#include "kovalanguage.h"

#include "core/platform/paths.h"
#include "core/settings/config.h"

#include <QFileInfo>

bool WindowsFileExists(const QString &windowsPath)
{
    const QString host = win::HostPath(windowsPath);
    return !host.isEmpty() && QFileInfo(host).isFile();
}

QString ConfinedFile(const QString &programDir, const char *folder, const QString &name)
{
    if (name.isEmpty())
        return QString();
    // Drive paths, absolute paths and parent steps are refused as written, before the file
    // system is asked anything.
    if (name.contains(QLatin1Char(':')) || name.startsWith(QLatin1Char('\\')) ||
        name.startsWith(QLatin1Char('/')))
        return QString();
    for (QStringView part : QStringView(name).split(u'\\')) {
        for (QStringView piece : part.split(u'/')) {
            if (piece.trimmed() == u"..")
                return QString();
        }
    }
    const QString folderPath = programDir + QLatin1Char('\\') + QLatin1String(folder);
    const QString path = folderPath + QLatin1Char('\\') + name;
    const QString hostFolder = win::HostPath(folderPath);
    const QString hostFile = win::HostPath(path);
    if (hostFolder.isEmpty() || hostFile.isEmpty())
        return QString();
    const QFileInfo file(hostFile);
    if (!file.isFile())
        return QString();
    // Links are followed to where they lead: the folder itself may be a link (an installed
    // program's data), but the file must end up below wherever the folder is.
    const QString canonicalFolder = QFileInfo(hostFolder).canonicalFilePath();
    const QString canonicalFile = file.canonicalFilePath();
    if (canonicalFolder.isEmpty() || !canonicalFile.startsWith(canonicalFolder + QLatin1Char('/')))
        return QString();
    return path;
}

void ApplyLanguageSetting(Tconfig &config, TKovaLanguage &language, const QString &programDir)
{
    const QString name = config.Read(TextSetting::Language);
    if (name.isEmpty()) {
        language.LoadDefaults();
        return;
    }
    const QString path = ConfinedFile(programDir, kLanguageFolder, name);
    if (!path.isEmpty()) {
        language.setFilename(path);
        if (language.LoadLanguage())
            return;
    }
    // A file that is there but cannot be read would leave every window without texts, as
    // nothing has been loaded yet at start; English serves instead.
    language.LoadDefaults();
}

void ApplyBackgroundSetting(Tconfig &config, TKovaImage &image, const QString &programDir)
{
    const QString name = config.Read(TextSetting::Background);
    if (name.isEmpty()) {
        image.setEmpty(true);
        return;
    }
    const QString path = ConfinedFile(programDir, kBackgroundFolder, name);
    if (!path.isEmpty()) {
        image.setFilename(path);
        image.LoadFromFile();
    }
}
