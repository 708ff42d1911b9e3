// A D-Bus bus of the test's own (a dbus-daemon started by the test, gone with it) and small fake
// services on it: logind's shutdown lock and the desktop's notifications. Header-only: only tests
// that speak D-Bus include it (and link Qt6::DBus).
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

#include <functional>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

// A session-type bus that no real service can be activated on: what is on it is what the test
// put there.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString config = m_dir.path() + QStringLiteral("/bus.conf");
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:dir=" +
                       QFile::encodeName(m_dir.path()) +
                       "</listen><auth>EXTERNAL</auth>"
                       "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                       "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(30000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString &name : std::as_const(m_names))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    bool isValid() const { return !m_address.isEmpty(); }

    // A connection of this process to the bus, under a name of its own.
    QDBusConnection connect(const QString &name)
    {
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

    // The environment for a program that is to find this bus as both its system and session bus.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        return env;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// logind's Manager, as far as the shutdown lock goes: Inhibit hands out one end of a pipe and
// the fake sees the lock let go when every copy of that end is closed.
class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit FakeLogind(QDBusConnection connection) : m_connection(std::move(connection)) {}
    ~FakeLogind() override
    {
        m_connection.unregisterService(QStringLiteral("org.freedesktop.login1"));
        m_connection.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        for (int fd : std::as_const(m_readEnds))
            ::close(fd);
    }

    bool registerOnBus()
    {
        return m_connection.registerObject(QStringLiteral("/org/freedesktop/login1"), this,
                                           QDBusConnection::ExportAllSlots) &&
               m_connection.registerService(QStringLiteral("org.freedesktop.login1"));
    }

    QList<QStringList> calls; // the arguments of each Inhibit call
    int released = 0;         // how many locks were let go
    std::function<void()> onRelease;

    void prepareForShutdown(bool starting)
    {
        m_connection.send(QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForShutdown"))
                          << starting);
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        calls.append({what, who, why, mode});
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return QDBusUnixFileDescriptor();
        m_readEnds.append(ends[0]);
        auto *notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        QObject::connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            char byte;
            if (::read(int(notifier->socket()), &byte, 1) == 0) {
                notifier->setEnabled(false);
                ++released;
                if (onRelease)
                    onRelease();
            }
        });
        QDBusUnixFileDescriptor lock(ends[1]); // a copy of its own
        ::close(ends[1]);
        return lock;
    }

private:
    QDBusConnection m_connection;
    QList<int> m_readEnds;
};

// The desktop's notification server: records every notification and clicks one when told to.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit FakeNotifications(QDBusConnection connection,
                               QStringList capabilities = {QStringLiteral("body")})
        : m_connection(std::move(connection)), m_capabilities(std::move(capabilities))
    {
    }
    ~FakeNotifications() override
    {
        m_connection.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        m_connection.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }

    bool registerOnBus()
    {
        return m_connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                           QDBusConnection::ExportAllSlots) &&
               m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    struct Shown
    {
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Shown> shown; // the id of shown[i] is i + 1
    // Each as "summary|body".
    QStringList texts() const
    {
        QStringList found;
        for (const Shown &one : shown)
            found.append(one.summary + QLatin1Char('|') + one.body);
        return found;
    }

    // The user clicks notification id: its default action, then it closes.
    void click(uint id)
    {
        const auto signal = [&](const QString &name) {
            return QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                              QStringLiteral("org.freedesktop.Notifications"), name);
        };
        m_connection.send(signal(QStringLiteral("ActionInvoked")) << id << QStringLiteral("default"));
        m_connection.send(signal(QStringLiteral("NotificationClosed")) << id << uint(2));
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return m_capabilities; }
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int)
    {
        shown.append({summary, body, actions});
        return uint(shown.size());
    }

private:
    QDBusConnection m_connection;
    QStringList m_capabilities;
};
