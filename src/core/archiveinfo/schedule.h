// When the next timed run or emptying is due. Periods count from the last run stored in the
// registry, so a run missed while the machine was off or asleep is due as soon as the Archiver
// runs again; a failed attempt in this process pushes the next one a period later, so a side
// that keeps failing is not retried on every tick.
#pragma once

#include "core/settings/settings.h"

#include <QDateTime>

class Tconfig;

namespace archiver {

// The moment a periodic event is next due; invalid (never) when periodSeconds is not positive.
// lastDone is when it last completed (invalid for never: due at once), lastAttempt when this
// process last tried (invalid for not yet).
QDateTime nextDue(const QDateTime &lastDone, const QDateTime &lastAttempt, qint64 periodSeconds);

// Whether something is due at now.
inline bool isDue(const QDateTime &due, const QDateTime &now)
{
    return due.isValid() && due <= now;
}

// The periods of the settings, in seconds; 0 (never) for a value that is 0 or negative.
qint64 primaryPeriodSeconds(qint32 archivalasMinutes);
qint64 secondaryPeriodSeconds(qint32 biztarchivalasHours);
qint64 emptyingPeriodSeconds(qint32 uritesidoDays);
// The timed archiving period of a side as the settings give it; raises the store's error.
qint64 sidePeriodSeconds(Tconfig &config, Side side);

} // namespace archiver
