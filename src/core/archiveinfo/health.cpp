// A side's health line.
#include "health.h"

#include "archivelayout.h"
#include "archivestate.h"
#include "schedule.h"

#include "core/settings/config.h"

namespace archiver {

namespace {

constexpr qint64 kMinute = 60;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;

bool failed(int state)
{
    return state != StateCorrect && state != StateUserBreak;
}

// Seconds since the last good archive; 0 for a time ahead of the clock (the clock was set back).
qint64 ageSeconds(win::TDateTime lastGood, const QDateTime &now)
{
    const QDateTime when = win::DoubleToDateTime(lastGood);
    return when.isValid() ? std::max<qint64>(0, when.secsTo(now)) : 0;
}

} // namespace

HealthTone healthTone(const HealthFacts &facts, const QDateTime &now)
{
    if (failed(facts.state))
        return HealthTone::Red;
    if (facts.lastGood == 0.0 || facts.periodSeconds <= 0)
        return HealthTone::Plain;
    const qint64 age = ageSeconds(facts.lastGood, now);
    if (age > 2 * facts.periodSeconds + kDay)
        return HealthTone::Red;
    if (age > 2 * facts.periodSeconds)
        return HealthTone::Amber;
    return HealthTone::Plain;
}

QString ageText(qint64 seconds, const QLocale &locale, const TextOf &text)
{
    const auto counted = [&](qint64 count, const char *one, const char *many) {
        return count == 1 ? text(one) : text(many).arg(locale.toString(count));
    };
    if (seconds < kMinute)
        return text("HealthUnderMinute");
    if (seconds < kHour)
        return counted(seconds / kMinute, "HealthMinute", "HealthMinutes");
    if (seconds < 2 * kDay)
        return counted(seconds / kHour, "HealthHour", "HealthHours");
    return counted(seconds / kDay, "HealthDay", "HealthDays");
}

HealthLine describeHealth(const HealthFacts &facts, const QDateTime &now, const QLocale &locale,
                          const TextOf &text)
{
    HealthLine line;
    line.tone = healthTone(facts, now);
    if (!facts.archiverRunning) {
        line.text = text("HealthNotRunning");
    } else if (facts.progress && facts.progress->totalsKnown()) {
        const RunProgress &p = *facts.progress;
        line.text = text("HealthArchivingCount")
                        .arg(locale.toString(p.filesDone), locale.toString(p.filesTotal),
                             locale.formattedDataSize(p.bytesDone, 0, QLocale::DataSizeSIFormat));
    } else if (facts.progress) {
        line.text = text("HealthArchiving");
    } else if (facts.lastGood == 0.0) {
        line.text = text("HealthNever");
    } else {
        line.text = text("HealthLastGood").arg(ageText(ageSeconds(facts.lastGood, now), locale, text));
    }
    return line;
}

QString stateFolderText(const QString &stateFolder, const QString &chosenFolder, const TextOf &text)
{
    if (stateFolder.isEmpty())
        return QString();
    if (stateFolder.compare(chosenFolder, Qt::CaseInsensitive) != 0)
        return text("HealthOtherFolder").arg(stateFolder);
    return text("HealthStateFolder").arg(stateFolder);
}

HealthFacts readHealthFacts(Tconfig &config, Side side, bool archiverRunning, const QDateTime &now)
{
    HealthFacts facts;
    facts.lastGood = config.Read(TimeSetting::LastGood, side);
    facts.state = config.Read(IntSetting::State, side);
    facts.periodSeconds = sidePeriodSeconds(config, side);
    facts.archiverRunning = archiverRunning;
    const bool busy = config.Read(BoolSetting::Progress, side);
    if (archiverRunning && busy)
        facts.progress = readProgress(side, busy, now);
    // A run just started has published nothing yet; it is under way all the same.
    if (archiverRunning && busy && !facts.progress)
        facts.progress = RunProgress();
    return facts;
}

QString chosenArchiveFolder(Tconfig &config, Side side)
{
    const SideSettings settings = readSideSettings(config, side);
    return archiveRoot(settings.destination, settings.archiveName);
}

} // namespace archiver
