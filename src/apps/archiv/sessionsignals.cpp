// Session-end signals through a self-pipe.
#include "sessionsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace archiver {

namespace {

int g_pipe[2] = {-1, -1};

bool hasControllingTerminal()
{
    const int fd = ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SessionSignals::SessionSignals(QObject *parent)
    : QObject(parent), m_startedOnTerminal(hasControllingTerminal())
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(number, &action, nullptr);
}

SessionSignals::~SessionSignals()
{
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        std::signal(number, SIG_DFL);
}

// A terminal that hangs up is taken from every process of its session before they get SIGHUP.
// Any other SIGHUP is not the session ending: the kernel sends one, with SIGCONT, to a stopped
// process group whose last parent outside the group has ended (an Archiver started from a script
// and stopped), and systemd sends one right after the SIGTERM that ends a session, which must not
// count as the second signal that ends the Archiver at once.
bool SessionSignals::terminalHungUp() const
{
    return m_startedOnTerminal && !hasControllingTerminal();
}

void SessionSignals::readSignal()
{
    char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (byte == SIGHUP && !terminalHungUp())
            Q_EMIT hangUpIgnored();
        else if (byte == SIGINT || ++m_endings > 1)
            Q_EMIT stopNow();
        else
            Q_EMIT sessionEnding();
    }
}

} // namespace archiver
