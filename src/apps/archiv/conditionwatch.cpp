// Watching the sides' conditions and telling their changes.
#include "conditionwatch.h"

#include "desktopnotifier.h"
#include "languagetexts.h"

#include "core/archiveinfo/schedule.h"
#include "core/platform/datetime.h"
#include "core/platform/shownname.h"
#include "core/settings/config.h"

#include <algorithm>

namespace archiver {

namespace {

// A long list of folders is shown by its first few.
constexpr qsizetype kShownFolders = 5;

QString folderLines(const LanguageTexts &texts, const QString &key, const QString &english,
                    const QStringList &folders)
{
    QString body = texts.text(key, english);
    for (qsizetype i = 0; i < std::min(folders.size(), kShownFolders); ++i)
        body += QLatin1Char('\n') + shownName(folders.at(i));
    if (folders.size() > kShownFolders)
        body += QStringLiteral("\n\u2026");
    return body;
}

// The notices of what began and cleared, in the texts given.
QStringList noticeBodies(const ConditionChanges &changes, qint64 age, const LanguageTexts &texts)
{
    QStringList bodies;
    if (changes.staleBegan) {
        constexpr qint64 kHour = 3600;
        const bool days = age >= 48 * kHour;
        // The count goes in by replacing its mark: a translation is never taken as a format.
        bodies.append(texts
                          .text(days ? QStringLiteral("StaleDaysNotice") : QStringLiteral("StaleHoursNotice"),
                                days ? QStringLiteral("No backup for %1 days")
                                     : QStringLiteral("No backup for %1 hours"))
                          .replace(QStringLiteral("%1"), QString::number(age / (days ? 24 * kHour : kHour))));
    }
    if (changes.staleCleared)
        bodies.append(
            texts.text(QStringLiteral("CurrentAgainNotice"), QStringLiteral("The archive is current again")));
    if (changes.lowDiskBegan)
        bodies.append(
            texts.text(QStringLiteral("LowDiskNotice"), QStringLiteral("The archive's disk is nearly full")));
    if (changes.lowDiskCleared)
        bodies.append(texts.text(QStringLiteral("DiskRoomNotice"),
                                 QStringLiteral("The archive's disk has room again")));
    if (!changes.missingBegan.isEmpty())
        bodies.append(folderLines(texts, QStringLiteral("MissingFoldersNotice"),
                                  QStringLiteral("Missing at the source:"), changes.missingBegan));
    if (!changes.missingCleared.isEmpty())
        bodies.append(folderLines(texts, QStringLiteral("FoldersBackNotice"),
                                  QStringLiteral("No longer missing:"), changes.missingCleared));
    return bodies;
}

} // namespace

ConditionWatch::ConditionWatch(DesktopNotifier &notifier, std::function<QDateTime()> now, LogLine log,
                               QObject *parent)
    : QObject(parent), m_notifier(notifier), m_now(std::move(now)), m_log(std::move(log))
{
}

void ConditionWatch::timerChecked()
{
    try {
        Tconfig config;
        for (Side side : {Side::Primary, Side::Secondary})
            update(config, side, {});
    } catch (const std::exception &error) {
        m_log(QStringLiteral("settings: conditions: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void ConditionWatch::runLooked(Side side, const SideLook &look)
{
    try {
        Tconfig config;
        update(config, side, look);
    } catch (const std::exception &error) {
        m_log(QStringLiteral("settings: conditions: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void ConditionWatch::update(Tconfig &config, Side side, SideLook look)
{
    const QString stored = config.Read(TextSetting::Conditions, side);
    SideConditions conditions = SideConditions::fromText(stored);
    const QDateTime now = m_now();
    const qint64 period = sidePeriodSeconds(config, side);
    qint64 age = 0;
    // Only a side archived on its timer is expected to be current; one archived by hand is as
    // current as its user keeps it.
    if (period <= 0 || config.Read(TextSetting::Destination, side).trimmed().isEmpty()) {
        conditions.forgetStale();
    } else {
        const win::TDateTime lastGood = config.Read(TimeSetting::LastGood, side);
        QDateTime since;
        if (lastGood != 0.0) {
            since = win::DoubleToDateTime(lastGood);
            conditions.setWatchedSince(QDateTime());
        } else {
            if (!conditions.watchedSince().isValid())
                conditions.setWatchedSince(now);
            since = conditions.watchedSince();
        }
        age = ageSeconds(since, now);
        look.stale = age > staleAfterSeconds(period);
    }
    const ConditionChanges changes = conditions.take(look);
    const QString text = conditions.toText();
    if (text != stored)
        config.Write(TextSetting::Conditions, text, side);
    tell(side, changes, age);
}

void ConditionWatch::tell(Side side, const ConditionChanges &changes, qint64 age)
{
    // Most checks change nothing: the language file is read only for a notice.
    const QStringList english = noticeBodies(changes, age, LanguageTexts());
    if (english.isEmpty())
        return;
    const LanguageTexts texts = m_notifier.texts();
    const QStringList bodies = noticeBodies(changes, age, texts);
    for (qsizetype i = 0; i < bodies.size(); ++i) {
        m_log(QStringLiteral("%1 archive: %2")
                  .arg(sideLabel(side), QString(english.at(i)).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        m_notifier.show({DesktopNotifier::sideName(side, texts), bodies.at(i)});
    }
}

} // namespace archiver
