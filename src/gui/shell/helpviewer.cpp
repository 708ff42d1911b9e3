// The help viewer: a detached start whose outcome is still heard.
//
// The panel forks a small watcher that starts the viewer in a session of its own, waits for it
// and writes one byte through a pipe: 0 when it ended well, 1 when not. The panel only listens:
// when it ends first, the watcher's write fails quietly and the viewer goes on.
#include "helpviewer.h"

#include "core/platform/winexec.h"

#include <QFile>
#include <QSocketNotifier>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

struct HelpViewer::Watch
{
    pid_t watcher = -1;
    int readEnd = -1;
    QString page;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Watch()
    {
        notifier.reset();
        if (readEnd >= 0)
            ::close(readEnd);
    }
};

namespace {

// Starts program with arguments under a watcher; the pipe's read end is returned. Only
// async-signal-safe calls happen between fork and exec.
bool startWatched(const QString &program, const QStringList &arguments, pid_t *watcher, int *readEnd)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (pid == 0) {
        // The watcher keeps nothing of the panel open but the pipe's write end (as descriptor 3).
        ::dup2(ends[1], 3);
        ::syscall(SYS_close_range, 4u, ~0u, 0u);
        ::signal(SIGPIPE, SIG_IGN);
        ::setsid();
        const pid_t viewer = ::fork();
        if (viewer == 0) {
            ::close(3);
            ::signal(SIGPIPE, SIG_DFL);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        bool ok = viewer > 0;
        while (ok && ::waitpid(viewer, &status, 0) < 0) {
            if (errno != EINTR)
                ok = false;
        }
        const char outcome = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
        [[maybe_unused]] const ssize_t written = ::write(3, &outcome, 1);
        ::_exit(0);
    }
    ::close(ends[1]);
    *watcher = pid;
    *readEnd = ends[0];
    return true;
}

} // namespace

HelpViewer::HelpViewer(QObject *parent) : QObject(parent) {}

// The watchers still waiting are left to themselves; their viewers stay open.
HelpViewer::~HelpViewer() = default;

void HelpViewer::open(const QString &commandLine, const QString &page)
{
    QString program;
    QStringList arguments;
    win::UINT error = 0;
    auto watch = std::make_unique<Watch>();
    watch->page = page;
    if (!win::ResolveCommandLine(commandLine, &program, &arguments, &error) ||
        !startWatched(program, arguments, &watch->watcher, &watch->readEnd)) {
        Q_EMIT failed(page);
        return;
    }
    watch->notifier = std::make_unique<QSocketNotifier>(watch->readEnd, QSocketNotifier::Read);
    Watch *raw = watch.get();
    connect(raw->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { finished(raw); });
    m_watches.push_back(std::move(watch));
}

void HelpViewer::finished(Watch *watch)
{
    char outcome = 0;
    const ssize_t got = ::read(watch->readEnd, &outcome, 1);
    watch->notifier->setEnabled(false);
    // The watcher ends right after its byte (or has died): it is reaped here.
    ::waitpid(watch->watcher, nullptr, 0);
    const QString page = watch->page;
    // Deleted later: this runs inside the notifier's own signal.
    for (auto it = m_watches.begin(); it != m_watches.end(); ++it) {
        if (it->get() == watch) {
            it->get()->notifier.release()->deleteLater();
            m_watches.erase(it);
            break;
        }
    }
    if (got != 1 || outcome != 0)
        Q_EMIT failed(page);
}
