// Day-number date-times.
#include "datetime.h"

#include <cmath>

namespace win {

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
}

TDateTime DateTimeToDouble(const QDateTime &dt)
{
    if (!dt.isValid())
        return 0.0;
    const QDateTime local = dt.toLocalTime();
    const double days = double(kEpoch.daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the epoch the whole days count backwards but the time of day still forwards.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime DoubleToDateTime(TDateTime value)
{
    if (!std::isfinite(value) || std::fabs(value) > 2958466.0) // beyond 9999-12-31
        return QDateTime();
    const double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    qint64 ms = qint64(std::llround(fraction * kMsPerDay));
    qint64 days = qint64(whole);
    if (ms >= qint64(kMsPerDay)) { // rounding reached the next midnight
        ms -= qint64(kMsPerDay);
        days += value >= 0 ? 1 : -1;
    }
    return QDateTime(kEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

} // namespace win
