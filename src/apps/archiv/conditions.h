// The conditions of an archive side that the Archiver tells the user of, each once when it begins
// and once when it clears: no good run for too long (stale), the archive's disk below its reserve
// (low disk), listed folders missing at their source. What has been told is kept as text in the
// side's Conditions setting, so a restarted Archiver does not tell it again. No clock, settings or
// bus here: the caller brings them.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace archiver {

// What one look at a side showed. A part left unset was not looked at (the archive's disk of a run
// that could not reach it, say) and keeps its condition as it was.
struct SideLook
{
    std::optional<bool> stale;
    std::optional<bool> lowDisk;
    std::optional<QStringList> missingFolders; // Windows paths
};

// What began and what cleared with a look.
struct ConditionChanges
{
    bool staleBegan = false;
    bool staleCleared = false;
    bool lowDiskBegan = false;
    bool lowDiskCleared = false;
    QStringList missingBegan;
    QStringList missingCleared;
};

class SideConditions
{
public:
    // At most this many missing folders are kept: a list on a drive that is gone can name thousands.
    static constexpr int kKeptFolders = 50;

    // The stored text, one condition a line; a line it does not know is dropped.
    static SideConditions fromText(const QString &text);
    QString toText() const;

    // Takes in a look: the conditions become what it showed, and what changed is returned.
    ConditionChanges take(const SideLook &look);

    // Since when a side without any good run has been seen set up: the age of its archive counts
    // from there. Kept with the conditions so that an Archiver started at every log-in still counts
    // from the first day.
    QDateTime watchedSince() const { return m_watchedSince; }
    void setWatchedSince(const QDateTime &since) { m_watchedSince = since; }
    // The side is no longer set up for timed archiving: staleness is dropped without a notice.
    void forgetStale();

private:
    bool m_stale = false;
    bool m_lowDisk = false;
    QStringList m_missing;
    QDateTime m_watchedSince;
};

// How long a side may go without a good run: three of its periods, and a day at least.
qint64 staleAfterSeconds(qint64 periodSeconds);

// How long a side has gone without a good run at now, counted from since (its last good run, or
// when it was first seen set up); 0 when since is invalid or ahead of now (the clock was set back).
qint64 ageSeconds(const QDateTime &since, const QDateTime &now);

} // namespace archiver
