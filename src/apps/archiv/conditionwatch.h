// The watch over the sides' conditions (conditions.h): at each timer check of the Archiver it
// looks whether a side has gone too long without a good run; at each run's report it takes in
// what the run saw (the archive's disk, listed folders missing). What begins or clears is shown
// as a desktop notification, once, and kept in the side's Conditions setting.
#pragma once

#include "conditions.h"
#include "core/archiveinfo/archivelayout.h"
#include "logline.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class Tconfig;

namespace archiver {

class DesktopNotifier;
class LanguageTexts;

class ConditionWatch : public QObject
{
    Q_OBJECT
public:
    // now: the clock the Archiver's timers count by.
    ConditionWatch(DesktopNotifier &notifier, std::function<QDateTime()> now, LogLine log,
                   QObject *parent = nullptr);

    // A timer check: staleness of both sides.
    void timerChecked();
    // A run of the side was reported (its last good run already written); look: what it saw.
    void runLooked(Side side, const SideLook &look);

private:
    void update(Tconfig &config, Side side, SideLook look);
    void tell(Side side, const ConditionChanges &changes, qint64 age);

    DesktopNotifier &m_notifier;
    std::function<QDateTime()> m_now;
    LogLine m_log;
};

} // namespace archiver
