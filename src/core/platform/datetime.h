// Date-times as the settings and the archive store them: days since 1899-12-30 as a double,
// the time of day as the fraction, in local time. 0.0 means "never".
#pragma once

#include <QDateTime>

namespace win {

using TDateTime = double;

// A local date-time to its day number. An invalid date-time gives 0.0.
TDateTime DateTimeToDouble(const QDateTime &dt);
// A day number to a local date-time. Before the epoch the fraction still counts forward from
// midnight (-1.25 is 1899-12-29 06:00). A value out of range gives an invalid QDateTime.
QDateTime DoubleToDateTime(TDateTime value);

} // namespace win
