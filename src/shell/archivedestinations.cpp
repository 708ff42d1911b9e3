// Where the archive sides live.
#include "archivedestinations.h"

#include "pathtext.h"

#include "config/config.h"

void ArchiveDestinations::load(Tconfig &config,
                               const std::function<void(bool primary, const QString &hint)> &shown)
{
    const auto dirName = [&config](const char *value, const char *fallback) {
        const QString stored = config.ReadString(QString::fromLatin1(value), QString::fromLatin1(fallback));
        return QLatin1Char('\\') + (stored.isEmpty() ? QString::fromLatin1(fallback) : stored);
    };
    m_primary.dirName = dirName("Celkonyvtarnev1", "Archive1");
    m_secondary.dirName = dirName("Celkonyvtarnev2", "Archive2");

    for (const bool primary : {true, false}) {
        Side &s = side(primary);
        QString stored = config.ReadString(QLatin1String(primary ? "Celutvonal" : "Celutvonal2"), QString());
        s.hint = QStringLiteral("---");
        if (!stored.isEmpty()) {
            stored = TrimTrailingBackslash(stored);
            s.hint = JoinPath(stored, s.dirName);
        }
        s.destination = stored;
        shown(primary, s.hint);
    }
}
