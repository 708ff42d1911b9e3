// A side's health as the panel shows it beside its state: when the archive was last good and how
// far that lies behind the side's period, or how far a run under way has got, in a line with its
// tone. The texts come by key from the language in force; the clock is given.
#pragma once

#include "runprogress.h"

#include "core/platform/datetime.h"
#include "core/settings/settings.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

class Tconfig;

namespace archiver {

enum class HealthTone { Plain, Amber, Red };

// What the line is made of.
struct HealthFacts
{
    win::TDateTime lastGood = 0.0; // 0.0: never
    int state = 0;                 // the side's last reported state
    qint64 periodSeconds = 0;      // the side's timer; 0: off
    bool archiverRunning = true;
    std::optional<RunProgress> progress; // a run under way
};

struct HealthLine
{
    QString text;
    HealthTone tone = HealthTone::Plain;
};

// The text of a key in the language in force.
using TextOf = std::function<QString(const char *key)>;

// Amber once the last good archive lies more than two periods back, red a day past that or when
// the last run failed (a run the user stopped is no failure); plain otherwise and while never archived.
HealthTone healthTone(const HealthFacts &facts, const QDateTime &now);
// "5 minutes", "2 hours", "3 days": the unit that fits, numbers in the locale's form.
QString ageText(qint64 seconds, const QLocale &locale, const TextOf &text);
// The line: "Archiver is not running" when it is not, the run's progress while one is under way,
// else the age of the last good archive or "Never archived".
HealthLine describeHealth(const HealthFacts &facts, const QDateTime &now, const QLocale &locale,
                          const TextOf &text);
// The archive folder the side's state belongs to, and whether that is the one now chosen; empty
// when the Archiver has not named one.
QString stateFolderText(const QString &stateFolder, const QString &chosenFolder, const TextOf &text);

// The facts of a side from the store and its published progress.
HealthFacts readHealthFacts(Tconfig &config, Side side, bool archiverRunning, const QDateTime &now);
// The archive folder the side's settings choose now: destination\archive name.
QString chosenArchiveFolder(Tconfig &config, Side side);

} // namespace archiver
