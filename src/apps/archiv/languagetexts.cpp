// Reading the stored language for the Archiver.
#include "languagetexts.h"

#include "core/platform/paths.h"
#include "core/settings/config.h"

#include <QFileInfo>

namespace archiver {

LanguageTexts::LanguageTexts(Tconfig &config, const QString &programDir)
{
    const QString name = config.Read(TextSetting::Language);
    if (name.isEmpty())
        return;
    const QString host = win::HostPath(programDir + QStringLiteral("\\Language\\") + name);
    QStringList lines;
    if (!host.isEmpty() && QFileInfo(host).isFile() && ReadLanguageFile(host, &lines))
        m_texts.setLines(lines);
}

QString LanguageTexts::text(const QString &key, const QString &english) const
{
    const QString found = m_texts.FindText(key);
    return found.isEmpty() ? english : found;
}

} // namespace archiver
