// The Archiver's runs, timers, emptying and reports.
#include "archiver.h"

#include "archivetarget.h"
#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/schedule.h"
#include "core/archivelist/newfolders.h"
#include "emptier.h"

#include "core/platform/datetime.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"

#include <QDeadlineTimer>

#include <thread>

namespace archiver {

namespace {

constexpr Side kSides[] = {Side::Primary, Side::Secondary};

} // namespace

Archiver::Archiver(ArchiverOptions options, ArchiveLog *log, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_log(log)
{
    if (m_options.listFile.isEmpty())
        m_options.listFile = win::ProgramDir() + QStringLiteral("\\") + QLatin1String(kListFileName);
    if (m_options.threads <= 0)
        m_options.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    connect(&m_timer, &QTimer::timeout, this, &Archiver::tick);
}

Archiver::~Archiver()
{
    for (auto &run : m_runs) {
        if (run) {
            run->stop();
            if (!run->waitFor(kStopWaitMs))
                m_leftBehind.push_back(std::move(run));
        }
    }
    // A run still blocked is never destroyed under its threads; the program ends around it.
    for (auto &run : m_leftBehind) {
        if (!run->waitFor(0))
            (void)run.release();
    }
}

void Archiver::logConfigError(const QString &during, const std::exception &error)
{
    QString text = QString::fromLocal8Bit(error.what());
    if (const auto *config = dynamic_cast<const ConfigError *>(&error); config && !config->detail().isEmpty())
        text += QLatin1Char(' ') + config->detail();
    m_log->write(QStringLiteral("settings: %1: %2").arg(during, text));
}

bool Archiver::settingsSound()
{
    // Settings made up in place of damaged ones would archive what and where nobody chose; the
    // hive is replaced only by the user (in the panel or with dunlivo-reg), never here.
    QString why;
    const win::HKEY damaged = DamagedSettingsHive(&why);
    if (damaged) {
        if (!m_settingsDamaged) {
            m_settingsDamaged = true;
            m_log->write(
                QStringLiteral("settings: %1 Nothing is archived until it is replaced: by the panel at "
                               "its start, or with dunlivo-reg repair.")
                    .arg(why));
            Q_EMIT settingsDamaged(win::RegHiveFile(damaged));
        }
        return false;
    }
    if (m_settingsDamaged) {
        m_settingsDamaged = false;
        takeUpSettings();
        m_log->write(QStringLiteral("settings: the settings file is sound again; archiving goes on"));
    }
    return true;
}

void Archiver::startUp()
{
    m_log->write(QStringLiteral("started%1, %2 copying threads per run, list %3")
                     .arg(m_options.autostart ? QStringLiteral(" at log-in") : QString())
                     .arg(m_options.threads)
                     .arg(m_options.listFile));
    if (settingsSound())
        takeUpSettings();
    watchMounts();
    QTimer::singleShot(m_options.startDelayMs, this, [this] {
        tick();
        m_timer.start(m_options.tickMs);
    });
}

void Archiver::takeUpSettings()
{
    try {
        m_config = std::make_unique<Tconfig>();
        for (Side side : kSides) {
            // A busy flag left standing means the last life ended inside a run.
            if (m_config->Read(BoolSetting::Progress, side)) {
                m_log->write(QStringLiteral("%1 archive: the last run did not finish").arg(sideLabel(side)));
                m_config->Write(IntSetting::State, StateBrokenArchive, side);
                m_config->Write(BoolSetting::Progress, false, side);
            }
        }
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("at start"), error);
    }
}

void Archiver::archiveNow(Side side)
{
    // A command refused on damaged settings is no attempt: the timer does not wait a period after it.
    if (isRunning(side) || !settingsSound())
        return;
    m_lastAttempt[index(side)] = m_options.now();
    startRun(side);
}

bool Archiver::startRun(Side side)
{
    if (!settingsSound())
        return false;
    try {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        const SideSettings settings = readSideSettings(*m_config, side);
        const int prioritas = m_config->Read(IntSetting::Priority);
        m_config->Write(BoolSetting::Progress, true, side);
        const int i = index(side);
        const quint64 runId = m_nextRunId++;
        m_runIds[i] = runId;
        m_runs[i] = std::make_unique<ArchiveRun>(side, settings, m_options.listFile, m_options.threads,
                                                 prioritas, m_log, m_options.now());
        // The list's time survives the Archiver's restarts: the panel writes the list again at
        // each of its starts, and a folder made before such a start is still new.
        if (m_listChosen.chosenNs < 0) {
            try {
                m_listChosen = ListChosen::fromText(m_config->ReadList(TextSetting::ListChosen));
            } catch (const std::exception &error) {
                logConfigError(QStringLiteral("list time"), error);
            }
        }
        m_runs[i]->setSourceOptions(sourceOptions(side, settings), m_listChosen);
        m_runs[i]->start([this, side, runId] {
            QMetaObject::invokeMethod(
                this, [this, side, runId] { runFinished(side, runId); }, Qt::QueuedConnection);
        });
        return true;
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("%1 archive").arg(sideLabel(side)), error);
        return false;
    }
}

void Archiver::runFinished(Side side, quint64 runId)
{
    // A run that stopAll or emptyNow already finished has nothing more to report.
    if (!m_runs[index(side)] || m_runIds[index(side)] != runId)
        return;
    finishRun(side);
    if (m_ending && !isRunning(Side::Primary) && !isRunning(Side::Secondary))
        Q_EMIT mayQuit();
}

void Archiver::finishRun(Side side, int waitMs)
{
    const int i = index(side);
    std::unique_ptr<ArchiveRun> run = std::move(m_runs[i]);
    const QString usedFolder = archiveRoot(run->settings().destination, run->settings().archiveName);
    RunResult result;
    if (waitMs < 0) {
        run->wait();
        result = run->result();
    } else if (run->waitFor(waitMs)) {
        result = run->result();
    } else {
        // The run was asked to stop; it has not, so it is inside a call that does not return.
        m_log->write(QStringLiteral("%1 archive: the run does not stop (a file access does not return); "
                                    "it is left behind")
                         .arg(sideLabel(side)));
        result.stopped = true;
        m_leftBehind.push_back(std::move(run));
    }
    try {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        int previous = 0;
        try {
            previous = m_config->Read(IntSetting::State, side);
        } catch (const std::exception &) {
            // A damaged value is replaced by the state written next.
        }
        const int state = result.stopped ? int(StateUserBreak) : int(result.state);
        m_config->Write(IntSetting::State, state, side);
        Q_EMIT runReported(side, previous, state, result.failedPath);
        if (!result.massChangeNotice.isEmpty()) {
            m_log->write(QStringLiteral("%1 archive: %2").arg(sideLabel(side), result.massChangeNotice));
            m_config->Write(TextSetting::MassChangeNotice, result.massChangeNotice, side);
            Q_EMIT massChange(side, result.massChangeNotice);
        }
        if (result.completed)
            m_config->Write(TimeSetting::LastArchived, win::DateTimeToDouble(m_options.now()), side);
        // The panel's health line: the last run that got everything in, and the folder the
        // state now reported belongs to.
        if (result.completed && state == StateCorrect)
            m_config->Write(TimeSetting::LastGood, win::DateTimeToDouble(m_options.now()), side);
        m_config->Write(TextSetting::StateFolder, usedFolder, side);
        // What the run saw of its side's conditions.
        if (!result.stopped)
            Q_EMIT runLooked(side, result.look);
        if (result.fullCheck)
            m_config->Write(TimeSetting::LastFullCheck, win::DateTimeToDouble(m_options.now()), side);
        m_config->Write(BoolSetting::Progress, false, side);
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("%1 archive report").arg(sideLabel(side)), error);
    }
    reportNewFolders(result);
}

SourceOptions Archiver::sourceOptions(Side side, const SideSettings &settings)
{
    // Both archive folders are left out wherever the list names them, and folders declined are
    // not noted again. A setting of these that cannot be read is logged and the run goes on.
    SourceOptions options;
    for (Side each : kSides) {
        try {
            const SideSettings other = each == side ? settings : readSideSettings(*m_config, each);
            if (!other.destination.trimmed().isEmpty())
                options.archiveFolders.append(archiveRoot(other.destination, other.archiveName));
        } catch (const std::exception &error) {
            logConfigError(QStringLiteral("%1 archive folder").arg(sideLabel(each)), error);
        }
    }
    try {
        options.declinedFolders = newfolders::settingLines(m_config->ReadList(TextSetting::DeclinedFolders));
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("declined folders"), error);
    }
    return options;
}

void Archiver::reportNewFolders(const RunResult &result)
{
    // Written whenever the run looked, so that folders added or declined meanwhile go.
    if (!result.lookedForNewFolders)
        return;
    const bool listChanged =
        m_listChosen.digest != result.list.digest || m_listChosen.chosenNs != result.list.chosenNs;
    m_listChosen = result.list;
    if (!m_config)
        return;
    try {
        if (listChanged)
            m_config->Write(TextSetting::ListChosen, m_listChosen.toText());
        const QString found = newfolders::settingText(result.newFolders);
        if (m_config->ReadList(TextSetting::NewFolders) != found)
            m_config->Write(TextSetting::NewFolders, found);
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("new folders"), error);
    }
}

void Archiver::stopAll()
{
    for (Side side : kSides) {
        if (isRunning(side))
            m_runs[index(side)]->stop();
    }
    QDeadlineTimer deadline(kStopWaitMs);
    for (Side side : kSides) {
        if (isRunning(side))
            finishRun(side, int(deadline.remainingTime()));
    }
    m_timer.stop();
}

void Archiver::emptyNow()
{
    stopAll();
    emptyArchives(false);
    if (m_ending)
        Q_EMIT mayQuit(); // the runs it was waiting for at the session's end are over
    else
        m_timer.start(m_options.tickMs);
}

void Archiver::emptyArchives(bool keepVersions)
{
    if (!settingsSound())
        return;
    try {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        for (Side side : kSides) {
            const SideSettings settings = readSideSettings(*m_config, side);
            if (settings.destination.trimmed().isEmpty())
                continue;
            ArchiveTarget target;
            QString why;
            if (target.open(settings.destination, settings.archiveName, false, &why) != StateCorrect) {
                m_log->write(QStringLiteral("%1 archive: nothing to empty: %2").arg(sideLabel(side), why));
                continue;
            }
            // A folder on some other disk that happens to stand where the archive was is not emptied.
            if (!isOwnArchive(target.rootFd(), settings.archivedBefore, target.rootPath(), &why)) {
                m_log->write(QStringLiteral("%1 archive: not emptied: %2").arg(sideLabel(side), why));
                continue;
            }
            // The record goes too: an empty archive folder (or one holding only earlier versions) is
            // taken on as a new archive by the next run.
            const EmptyResult result = emptyFolder(target.rootFd(), keepVersions);
            m_log->write(QStringLiteral("%1 archive: emptied %2, %3 files removed, %4 could not be removed")
                             .arg(sideLabel(side), target.rootPath())
                             .arg(result.removedFiles)
                             .arg(result.failures));
        }
        m_config->Write(TimeSetting::LastEmptied, win::DateTimeToDouble(m_options.now()));
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("emptying"), error);
    }
}

QDateTime Archiver::storedTime(TimeSetting setting, Side side)
{
    const win::TDateTime value = m_config->Read(setting, side);
    if (value == 0.0)
        return QDateTime();
    QDateTime time = win::DoubleToDateTime(value);
    // A time ahead of the clock (the clock was set back) counts from now instead of never.
    const QDateTime now = m_options.now();
    if (time.isValid() && time > now)
        time = now;
    return time;
}

qint64 Archiver::periodSeconds(Side side)
{
    return sidePeriodSeconds(*m_config, side);
}

void Archiver::tick()
{
    if (m_ending || !settingsSound())
        return;
    try {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        const QDateTime now = m_options.now();
        for (Side side : kSides) {
            if (isRunning(side))
                continue;
            const qint64 period = periodSeconds(side);
            if (period <= 0)
                continue;
            // A side without a destination is not set up; it is not archived on the timer.
            if (readSideSettings(*m_config, side).destination.trimmed().isEmpty())
                continue;
            const QDateTime due =
                nextDue(storedTime(TimeSetting::LastArchived, side), m_lastAttempt[index(side)], period);
            if (isDue(due, now)) {
                m_lastAttempt[index(side)] = now;
                startRun(side);
            }
        }
        checkEmptying(now);
        Q_EMIT timerChecked();
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("timer"), error);
    }
}

void Archiver::checkEmptying(const QDateTime &now)
{
    if (!m_config->Read(BoolSetting::EmptyAutomatically))
        return;
    const qint64 period = emptyingPeriodSeconds(m_config->Read(IntSetting::EmptyingPeriod));
    if (period <= 0)
        return;
    const QDateTime last = storedTime(TimeSetting::LastEmptied);
    if (!last.isValid()) {
        // Never emptied: the period starts now rather than emptying the archive the moment the
        // option is switched on.
        m_config->Write(TimeSetting::LastEmptied, win::DateTimeToDouble(now));
        return;
    }
    if (!isDue(nextDue(last, QDateTime(), period), now))
        return;
    // Emptying waits for the runs under way, then the sides with timed archiving are archived
    // afresh at once, so the archive is empty only for as long as that takes.
    if (isRunning(Side::Primary) || isRunning(Side::Secondary))
        return;
    m_log->write(QStringLiteral("automatic emptying"));
    emptyArchives(true);
    for (Side side : kSides) {
        if (periodSeconds(side) > 0 && !readSideSettings(*m_config, side).destination.trimmed().isEmpty()) {
            m_lastAttempt[index(side)] = now;
            startRun(side);
        }
    }
}

void Archiver::sessionEnding()
{
    if (m_ending)
        return;
    m_ending = true;
    m_timer.stop();
    bool archiving = false;
    try {
        if (!m_config && settingsSound())
            m_config = std::make_unique<Tconfig>();
        if (m_config && m_config->Read(BoolSetting::ArchiveAtShutdown)) {
            m_log->write(
                QStringLiteral("the session ends: archiving before the end (%1 %2 is left to the "
                               "system: the Archiver never logs off, restarts or powers off the machine)")
                    .arg(settingDef(IntSetting::ShutdownType).name())
                    .arg(m_config->Read(IntSetting::ShutdownType)));
            for (Side side : kSides) {
                if (!isRunning(side) && periodSeconds(side) > 0 &&
                    !readSideSettings(*m_config, side).destination.trimmed().isEmpty())
                    startRun(side);
            }
            archiving = isRunning(Side::Primary) || isRunning(Side::Secondary);
        }
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("session end"), error);
    }
    if (!archiving) {
        m_log->write(QStringLiteral("the session ends"));
        stopAll();
        Q_EMIT mayQuit();
    }
}

void Archiver::watchMounts()
{
    QString why;
    if (!m_mountWatch.start(&why)) {
        m_log->write(QStringLiteral("mounts are not watched (%1); the timers alone start the runs").arg(why));
        return;
    }
    connect(&m_mountWatch, &MountWatch::changed, this, &Archiver::mountsChanged);
    connect(&m_folderLook, &FolderLook::looked, this, &Archiver::foldersLooked);
    mountsChanged(); // where each archive folder stands before any change
}

void Archiver::mountsChanged()
{
    if (m_ending || !settingsSound())
        return;
    if (m_folderLook.busy()) {
        m_lookAgain = true;
        return;
    }
    try {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        m_folderLook.start(
            {readSideSettings(*m_config, Side::Primary), readSideSettings(*m_config, Side::Secondary)});
    } catch (const std::exception &error) {
        logConfigError(QStringLiteral("mount watch"), error);
    }
}

void Archiver::foldersLooked(const std::array<FolderSeen, 2> &folders)
{
    for (Side side : kSides) {
        const FolderSeen &seen = folders[size_t(index(side))];
        const QString folder = archiveRoot(seen.settings.destination, seen.settings.archiveName);
        const Appearances::Change change = m_appearances.look(side, folder, seen.reachable);
        if (change == Appearances::Change::Disappeared ||
            (change == Appearances::Change::First && !seen.reachable &&
             !seen.settings.destination.trimmed().isEmpty()))
            m_log->write(QStringLiteral("%1 archive: %2 can %3 be reached")
                             .arg(sideLabel(side), folder,
                                  change == Appearances::Change::First ? QStringLiteral("not")
                                                                       : QStringLiteral("no longer")));
        if (change != Appearances::Change::Appeared)
            continue;
        bool start = false;
        try {
            // Due as on the timer, less the wait after a failed attempt: that attempt failed for
            // want of the disk that is here now.
            const qint64 period = m_ending || !settingsSound() || isRunning(side) ? 0 : periodSeconds(side);
            start =
                period > 0 && isDue(nextDue(storedTime(TimeSetting::LastArchived, side), QDateTime(), period),
                                    m_options.now());
        } catch (const std::exception &error) {
            logConfigError(QStringLiteral("mount watch"), error);
        }
        m_log->write(
            QStringLiteral("%1 archive: %2 can be reached again%3")
                .arg(sideLabel(side), folder, start ? QStringLiteral("; the missed run starts") : QString()));
        if (start) {
            m_lastAttempt[index(side)] = m_options.now();
            startRun(side);
        }
    }
    if (std::exchange(m_lookAgain, false))
        mountsChanged();
}

} // namespace archiver
