// The text of a stored date-time as the panel shows the times of the last runs: the system's short
// date, a space and its long time, the time left out when it is exactly midnight. The formats keep
// the system's shape; month names and numbers follow the panel's language.
#pragma once

#include "core/platform/datetime.h"
#include "core/settings/settings.h"

#include <QLocale>
#include <QString>

class QLabel;
class Tconfig;
class TkovaProvider;

// The locale of a language by its own name, as a language file's "Language" key gives it
// ("Magyar", "Deutsch"); English for any other name, the built-in English included.
QLocale LanguageLocale(const QString &ownName);
// The locale of the language in force for a window.
QLocale LanguageLocale(const TkovaProvider &provider);

// Empty for a value that is no date (out of range).
QString DateTimeText(win::TDateTime value, const QLocale &language = QLocale(QLocale::English));

// Shows the time of a side's last run in label. A time of 0.0 (never archived) or one that is no
// date leaves the line as it was.
void ShowLastRun(Tconfig &config, Side side, QLabel *label, const QLocale &language);
