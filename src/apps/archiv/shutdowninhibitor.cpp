// The logind shutdown delay lock.
#include "shutdowninhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace archiver {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

ShutdownInhibitor::ShutdownInhibitor(QDBusConnection bus, std::function<bool()> wanted, LogLine log,
                                     int recheckMs, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_wanted(std::move(wanted)), m_log(std::move(log))
{
    m_recheck.setInterval(recheckMs);
    connect(&m_recheck, &QTimer::timeout, this, &ShutdownInhibitor::update);
}

ShutdownInhibitor::~ShutdownInhibitor()
{
    letGo();
}

void ShutdownInhibitor::start()
{
    if (!m_bus.isConnected()) {
        m_log(QStringLiteral("no system bus: archiving at shutdown follows the end of the session"));
        return;
    }
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("PrepareForShutdown"), this,
                  SLOT(prepareForShutdown(bool)));
    update();
    m_recheck.start();
}

void ShutdownInhibitor::release()
{
    m_done = true;
    m_recheck.stop();
    if (isHeld())
        m_log(QStringLiteral("the shutdown lock is let go"));
    letGo();
}

void ShutdownInhibitor::letGo()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void ShutdownInhibitor::update()
{
    if (m_done || m_asking)
        return;
    const bool wanted = m_wanted && m_wanted();
    if (wanted && !isHeld())
        take();
    else if (!wanted && isHeld()) {
        m_log(QStringLiteral("archiving at shutdown is off: the shutdown lock is let go"));
        letGo();
    }
}

void ShutdownInhibitor::take()
{
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("shutdown") << QStringLiteral("Dunlivo Archiver")
            << QStringLiteral("Archiving before the machine goes down") << QStringLiteral("delay");
    m_asking = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(inhibit), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (reply.isError()) {
            // Logged once per kind of failure, not at every recheck.
            if (reply.error().message() != m_lastError) {
                m_lastError = reply.error().message();
                m_log(QStringLiteral("no shutdown lock (archiving at shutdown follows the end of the "
                                     "session): %1")
                          .arg(m_lastError));
            }
            return;
        }
        m_lastError.clear();
        // The reply's descriptor is closed with the reply; the lock is a copy of our own.
        const int fd =
            reply.value().isValid() ? ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
        if (fd < 0)
            return;
        if (m_done || isHeld() || !(m_wanted && m_wanted())) {
            ::close(fd);
            return;
        }
        m_fd = fd;
        m_log(QStringLiteral("the shutdown lock is held: a shutdown waits for the archiving"));
        Q_EMIT held();
    });
}

void ShutdownInhibitor::prepareForShutdown(bool starting)
{
    if (m_done)
        return;
    if (starting) {
        m_log(QStringLiteral("the machine is going down"));
        Q_EMIT shutdownStarting();
        return;
    }
    // The shutdown was called off: the lock logind let go of us is taken anew.
    update();
}

} // namespace archiver
