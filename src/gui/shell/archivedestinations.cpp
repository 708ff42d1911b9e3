// Where the archive sides live.
#include "archivedestinations.h"

#include "pathtext.h"

#include "core/settings/config.h"

void ArchiveDestinations::load(Tconfig &config,
                               const std::function<void(bool primary, const QString &hint)> &shown)
{
    const auto dirName = [&config](::Side side) {
        const QString stored = config.Read(TextSetting::ArchiveName, side);
        return QLatin1Char('\\') +
               (stored.isEmpty() ? settingDef(TextSetting::ArchiveName, side).defaultText() : stored);
    };
    m_primary.dirName = dirName(::Side::Primary);
    m_secondary.dirName = dirName(::Side::Secondary);

    for (const bool primary : {true, false}) {
        Place &s = side(primary);
        QString stored = config.Read(TextSetting::Destination, sideOf(primary));
        s.hint = QStringLiteral("---");
        if (!stored.isEmpty()) {
            stored = TrimTrailingBackslash(stored);
            s.hint = JoinPath(stored, s.dirName);
        }
        s.destination = stored;
        shown(primary, s.hint);
    }
}
