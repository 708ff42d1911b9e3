// Due times of the Archiver's timed runs and of automatic emptying.
#include "schedule.h"

#include "core/settings/config.h"

namespace archiver {

QDateTime nextDue(const QDateTime &lastDone, const QDateTime &lastAttempt, qint64 periodSeconds)
{
    if (periodSeconds <= 0)
        return QDateTime();
    QDateTime due;
    if (lastDone.isValid())
        due = lastDone.addSecs(periodSeconds);
    if (lastAttempt.isValid()) {
        const QDateTime retry = lastAttempt.addSecs(periodSeconds);
        if (!due.isValid() || retry > due)
            due = retry;
    }
    if (!due.isValid())
        due = QDateTime::fromSecsSinceEpoch(0);
    return due;
}

qint64 primaryPeriodSeconds(qint32 archivalasMinutes)
{
    return archivalasMinutes > 0 ? qint64(archivalasMinutes) * 60 : 0;
}

qint64 secondaryPeriodSeconds(qint32 biztarchivalasHours)
{
    return biztarchivalasHours > 0 ? qint64(biztarchivalasHours) * 3600 : 0;
}

qint64 emptyingPeriodSeconds(qint32 uritesidoDays)
{
    return uritesidoDays > 0 ? qint64(uritesidoDays) * 86400 : 0;
}

qint64 sidePeriodSeconds(Tconfig &config, Side side)
{
    return side == Side::Primary ? primaryPeriodSeconds(config.Read(IntSetting::PrimaryPeriod))
                                 : secondaryPeriodSeconds(config.Read(IntSetting::SecondaryPeriod));
}

} // namespace archiver
