// The shutdown delay lock of systemd-logind (org.freedesktop.login1 on the system bus): while
// archiving at shutdown is wanted, the Archiver holds a "delay" inhibitor for "shutdown", so that
// a power-off or restart first tells it (PrepareForShutdown) and waits, up to logind's
// InhibitDelayMaxSec, until the lock is let go. Without logind nothing is held and nothing
// changes: the end of the session still arrives as SIGTERM.
#pragma once

#include "logline.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>

namespace archiver {
class ShutdownInhibitor : public QObject
{
    Q_OBJECT
public:
    // bus: where logind is; wanted: whether the lock should be held now (asked at start and
    // every recheckMs, as the setting may change while the Archiver runs).
    ShutdownInhibitor(QDBusConnection bus, std::function<bool()> wanted, LogLine log, int recheckMs,
                      QObject *parent = nullptr);
    ~ShutdownInhibitor() override;

    // Listens for PrepareForShutdown and takes the lock when it is wanted.
    void start();
    // Lets the lock go for good: the shutdown may go on.
    void release();
    bool isHeld() const { return m_fd >= 0; }

Q_SIGNALS:
    // The machine is about to power off or restart.
    void shutdownStarting();
    // The lock was taken (for tests and the log).
    void held();

private Q_SLOTS:
    void prepareForShutdown(bool starting);

private:
    void update();
    void take();
    void letGo();

    QDBusConnection m_bus;
    std::function<bool()> m_wanted;
    LogLine m_log;
    QTimer m_recheck;
    int m_fd = -1;
    bool m_asking = false;
    bool m_done = false;
    QString m_lastError;
};

} // namespace archiver
