// The text of a stored date-time as the panel shows the times of the last runs: the system's short
// date, a space and its long time, the time left out when it is exactly midnight.
#pragma once

#include "core/platform/datetime.h"
#include "core/settings/settings.h"

#include <QString>

class QLabel;
class Tconfig;

// Empty for a value that is no date (out of range).
QString DateTimeText(win::TDateTime value);

// Shows the time of a side's last run in label. A time of 0.0 (never archived) or one that is no
// date leaves the line as it was.
void ShowLastRun(Tconfig &config, Side side, QLabel *label);
