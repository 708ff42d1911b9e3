// The text of a stored date-time as the panel shows the times of the last runs: the system's short
// date, a space and its long time, the time left out when it is exactly midnight.
#pragma once

#include "core/platform/datetime.h"

#include <QString>

// Empty for a value that is no date (out of range).
QString DateTimeText(win::TDateTime value);
