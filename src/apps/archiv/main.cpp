// The Archiver: a background program without a visible window that keeps the two archives
// current. It owns the window the panel finds it by, and ends on WM_CLOSE or with the session.
//
// Arguments: -d (started by the autostart entry at log-in: the first timed check waits a little
// longer, so the log-in is not slowed), --start-delay-ms N and --tick-ms N (when the first timer
// check happens and how often they repeat).
// archiv --verify [primary|secondary|both] reads the side(s) back instead (see Verifier) and ends:
// 0 when nothing is wrong, 1 with findings, 2 when an archive can not be reached.
#include "archiver.h"
#include "archiverwindow.h"
#include "core/archiveinfo/bzip2library.h"
#include "conditionwatch.h"
#include "desktopnotifier.h"
#include "languagetexts.h"
#include "sessionsignals.h"
#include "shutdowninhibitor.h"
#include "verifier.h"

#include "core/platform/datetime.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/privatefiles.h"
#include "core/platform/winexec.h"
#include "core/settings/config.h"

#include <QCoreApplication>

#include <cstdlib>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace archiver;

namespace {

// One Archiver per prefix: the lock is held for the life of the process and is let go by the
// system however it ends.
bool takeInstanceLock()
{
    const QByteArray path = QFile::encodeName(win::Prefix::path() + QStringLiteral("/archiv.lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // without a lock file the window check below still keeps a second one out
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

ArchiverOptions parseArguments(const QStringList &arguments)
{
    ArchiverOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.compare(QLatin1String("-d"), Qt::CaseInsensitive) == 0) {
            options.autostart = true;
            options.startDelayMs = 2 * 60 * 1000;
        } else if (argument == QLatin1String("--start-delay-ms") && i + 1 < arguments.size()) {
            options.startDelayMs = std::max(0, arguments.at(++i).toInt());
        } else if (argument == QLatin1String("--tick-ms") && i + 1 < arguments.size()) {
            options.tickMs = std::max(10, arguments.at(++i).toInt());
        }
    }
    return options;
}

// archiv --verify: findings go to stdout and to verify.log beside the Archiver's log, one line each.
int verifyArchives(const QStringList &arguments)
{
    const QString which = arguments.value(2, QStringLiteral("both"));
    std::vector<Side> sides;
    if (which != QLatin1String("secondary"))
        sides.push_back(Side::Primary);
    if (which != QLatin1String("primary"))
        sides.push_back(Side::Secondary);
    QTextStream out(stdout);
    if (which != QLatin1String("primary") && which != QLatin1String("secondary") &&
        which != QLatin1String("both")) {
        QTextStream(stderr) << "archiv: --verify takes primary, secondary or both" << Qt::endl;
        return 2;
    }
    QString error = bzip2LibraryProblem();
    if (!error.isEmpty() || !win::Prefix::ensure(&error)) {
        QTextStream(stderr) << "archiv: " << error << Qt::endl;
        return 2;
    }
    win::LogFile log(win::Prefix::logDir(), QStringLiteral("verify.log"));
    int code = 0;
    try {
        Tconfig config;
        for (Side side : sides) {
            const auto line = [&](const QString &text) {
                out << text << Qt::endl;
                log.write(text);
            };
            const SideSettings settings = readSideSettings(config, side);
            // Asked for both, a side that was never set up is no archive that can not be reached.
            if (sides.size() == 2 && settings.destination.trimmed().isEmpty())
                continue;
            Verifier verifier(side, settings, int(std::max(1u, std::thread::hardware_concurrency())), line);
            const std::atomic<bool> stop{false};
            const Verifier::Result result = verifier.run(stop);
            if (!result.reached) {
                code = 2;
                continue;
            }
            line(QStringLiteral("%1 archive: checked %2 files, %3 findings")
                     .arg(sideLabel(side))
                     .arg(result.files)
                     .arg(result.findings));
            if (result.findings > 0)
                code = std::max(code, 1);
            if (result.whole)
                config.Write(TimeSetting::LastFullCheck, win::DateTimeToDouble(QDateTime::currentDateTime()),
                             side);
        }
    } catch (const std::exception &failure) {
        QTextStream(stderr) << "archiv: settings: " << failure.what() << Qt::endl;
        return 2;
    }
    return code;
}

// A run's committers hold a descriptor for each file they have yet to name: the more they may
// hold, the fewer flushes of the disk a run of many small files waits for (see Committer). The
// usual soft limit of 1024 is raised towards the hard one, as far as 8192.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? 8192 : std::min<rlim_t>(limit.rlim_max, 8192);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char **argv)
{
    raiseDescriptorLimit();
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--verify"))
        return verifyArchives(app.arguments());
    QString error;
    if (!win::Prefix::ensure(&error)) {
        // A prefix another user could change is not used: nothing is archived from its settings.
        QTextStream(stderr) << "archiv: " << error << Qt::endl;
        QString unsafe;
        if (win::MakePrivateFolder(win::Prefix::path(), &unsafe)) {
            ArchiveLog log(win::Prefix::logDir());
            log.write(QStringLiteral("not started: %1").arg(error));
        }
        return 1;
    }
    // A second start while one runs ends at once, before it touches anything.
    if (!takeInstanceLock() ||
        win::FindWindow(QString::fromUtf8(kWindowClass), QString::fromUtf8(kWindowTitle)))
        return 0;

    // Signals are caught from here on, so a session that ends during start-up still ends cleanly.
    SessionSignals signals_;
    ArchiveLog log(win::Prefix::logDir());
    // Archives are decoded when a side changes its form; an unsafe library is not used at all.
    const QString libraryProblem = bzip2LibraryProblem();
    if (!libraryProblem.isEmpty()) {
        QTextStream(stderr) << "archiv: " << libraryProblem << Qt::endl;
        log.write(QStringLiteral("not started: %1").arg(libraryProblem));
        return 1;
    }
    Archiver archiver(parseArguments(app.arguments()), &log);
    // The window the panel finds the Archiver by; made once the Archiver has started (below).
    std::optional<ArchiverWindow> window;
    QObject::connect(&signals_, &SessionSignals::sessionEnding, &archiver, &Archiver::sessionEnding);
    QObject::connect(&signals_, &SessionSignals::hangUpIgnored, &app,
                     [&] { log.write(QStringLiteral("SIGHUP without a terminal hang-up: going on")); });
    QObject::connect(&signals_, &SessionSignals::stopNow, &app, [&] {
        archiver.stopAll();
        if (window)
            window->destroyWindow();
        log.write(QStringLiteral("stopped by a signal"));
        QCoreApplication::quit();
    });
    QObject::connect(&archiver, &Archiver::mayQuit, &app, [&] {
        if (window)
            window->destroyWindow();
        log.write(QStringLiteral("ended with the session"));
        QCoreApplication::quit();
    });

    // On the desktop: a shutdown waits for the end-of-session run through logind's delay lock
    // (the log-out still arrives as SIGTERM), and the sides' conditions are shown as notifications.
    const LogLine logLine = [&log](const QString &line) { log.write(line); };
    ShutdownInhibitor inhibitor(
        QDBusConnection::systemBus(),
        [] {
            try {
                Tconfig config;
                return config.Read(BoolSetting::ArchiveAtShutdown);
            } catch (const std::exception &) {
                return false;
            }
        },
        logLine, archiver.options().tickMs);
    QObject::connect(&inhibitor, &ShutdownInhibitor::shutdownStarting, &archiver, &Archiver::sessionEnding);
    QObject::connect(&archiver, &Archiver::mayQuit, &inhibitor, &ShutdownInhibitor::release);
    DesktopNotifier notifier(
        QDBusConnection::sessionBus(),
        [] {
            try {
                Tconfig config;
                return LanguageTexts(config, win::ProgramDir());
            } catch (const std::exception &) {
                return LanguageTexts();
            }
        },
        logLine);
    QObject::connect(&archiver, &Archiver::settingsDamaged, &notifier, &DesktopNotifier::settingsDamaged);
    QObject::connect(&archiver, &Archiver::massChange, &notifier, &DesktopNotifier::massChange);
    // A failed run is in the log and the panel's light; the desktop is told of conditions instead.
    ConditionWatch conditions(notifier, archiver.options().now, logLine);
    QObject::connect(&archiver, &Archiver::timerChecked, &conditions, &ConditionWatch::timerChecked);
    QObject::connect(&archiver, &Archiver::runLooked, &conditions, &ConditionWatch::runLooked);
    // A click on a notice opens the panel's status window: the panel beside the Archiver is started
    // with --status, or the one running is asked for it.
    QObject::connect(&notifier, &DesktopNotifier::statusRequested, &app, [&log] {
        const QString command = QStringLiteral("\"%1\\dunlivo\" --status").arg(win::ProgramDir());
        if (const win::UINT code = win::WinExec(command, win::SW_SHOWNORMAL); code < 32)
            log.write(QStringLiteral("the panel can not be started (%1): %2").arg(code).arg(command));
    });

    archiver.startUp();
    // Only now is the Archiver found: the busy flags a previous life left are cleared by then, so
    // a flag written after the panel has found the window is never taken for a leftover.
    window.emplace(&archiver);
    if (!window->isValid()) {
        log.write(QStringLiteral("the window can not be made: %1").arg(window->errorString()));
        return 1;
    }
    QObject::connect(&*window, &ArchiverWindow::closeRequested, &app, [&] {
        log.write(QStringLiteral("closed"));
        QCoreApplication::quit();
    });
    inhibitor.start();
    const int code = app.exec();
    if (archiver.leftRunsBehind()) {
        // A thread blocked in a file access would hold the end for good: the program ends
        // around it, with its state and log already written.
        log.write(QStringLiteral("ended without waiting for a blocked run"));
        std::_Exit(code);
    }
    return code;
}
