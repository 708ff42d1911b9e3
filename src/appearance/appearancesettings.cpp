// Applying the stored language and texture.
#include "appearancesettings.h"

#include "kovaimage.h"
#include "kovalanguage.h"

#include "config/config.h"
#include "platform/paths.h"

#include <QFileInfo>

bool WindowsFileExists(const QString &windowsPath)
{
    const QString host = win::HostPath(windowsPath);
    return !host.isEmpty() && QFileInfo(host).isFile();
}

void ApplyLanguageSetting(Tconfig &config, TKovaLanguage &language, const QString &programDir)
{
    const QString name = config.ReadString(QStringLiteral("Language"), QString());
    if (name.isEmpty()) {
        language.LoadDefaults();
        return;
    }
    const QString path = programDir + QStringLiteral("\\Language") + QLatin1Char('\\') + name;
    if (WindowsFileExists(path)) {
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
    const QString name = config.ReadString(QStringLiteral("Background_bmp"), QString());
    if (name.isEmpty()) {
        image.setEmpty(true);
        return;
    }
    const QString path = programDir + QStringLiteral("\\Background") + QLatin1Char('\\') + name;
    if (WindowsFileExists(path)) {
        image.setFilename(path);
        image.LoadFromFile();
    }
}
