// A side's notified conditions and the rules of their beginning and end.
#include "conditions.h"

#include <algorithm>

namespace archiver {

namespace {

const QString kStale = QStringLiteral("stale");
const QString kLowDisk = QStringLiteral("lowdisk");
const QString kMissing = QStringLiteral("missing ");
const QString kWatched = QStringLiteral("watched ");

bool containsFolder(const QStringList &folders, const QString &folder)
{
    return folders.contains(folder, Qt::CaseInsensitive);
}

} // namespace

SideConditions SideConditions::fromText(const QString &text)
{
    SideConditions conditions;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line == kStale)
            conditions.m_stale = true;
        else if (line == kLowDisk)
            conditions.m_lowDisk = true;
        else if (line.startsWith(kMissing) && conditions.m_missing.size() < kKeptFolders)
            conditions.m_missing.append(line.mid(kMissing.size()));
        else if (line.startsWith(kWatched))
            conditions.m_watchedSince = QDateTime::fromString(line.mid(kWatched.size()), Qt::ISODate);
    }
    return conditions;
}

QString SideConditions::toText() const
{
    QStringList lines;
    if (m_stale)
        lines.append(kStale);
    if (m_lowDisk)
        lines.append(kLowDisk);
    for (const QString &folder : m_missing)
        lines.append(kMissing + folder);
    if (m_watchedSince.isValid())
        lines.append(kWatched + m_watchedSince.toString(Qt::ISODate));
    return lines.join(QLatin1Char('\n'));
}

ConditionChanges SideConditions::take(const SideLook &look)
{
    ConditionChanges changes;
    if (look.stale) {
        changes.staleBegan = *look.stale && !m_stale;
        changes.staleCleared = !*look.stale && m_stale;
        m_stale = *look.stale;
    }
    if (look.lowDisk) {
        changes.lowDiskBegan = *look.lowDisk && !m_lowDisk;
        changes.lowDiskCleared = !*look.lowDisk && m_lowDisk;
        m_lowDisk = *look.lowDisk;
    }
    if (look.missingFolders) {
        QStringList now;
        // A path the line format cannot hold is not kept (list items never span lines).
        for (const QString &folder : *look.missingFolders) {
            if (now.size() < kKeptFolders && !folder.contains(QLatin1Char('\n')) &&
                !containsFolder(now, folder))
                now.append(folder);
        }
        for (const QString &folder : std::as_const(now)) {
            if (!containsFolder(m_missing, folder))
                changes.missingBegan.append(folder);
        }
        for (const QString &folder : std::as_const(m_missing)) {
            if (!containsFolder(now, folder))
                changes.missingCleared.append(folder);
        }
        m_missing = now;
    }
    return changes;
}

void SideConditions::forgetStale()
{
    m_stale = false;
    m_watchedSince = QDateTime();
}

qint64 staleAfterSeconds(qint64 periodSeconds)
{
    constexpr qint64 kDay = 24 * 3600;
    return std::max(kDay, 3 * periodSeconds);
}

qint64 ageSeconds(const QDateTime &since, const QDateTime &now)
{
    if (!since.isValid() || !now.isValid())
        return 0;
    return std::max<qint64>(0, since.secsTo(now));
}

} // namespace archiver
