// Desktop notifications over D-Bus.
#include "desktopnotifier.h"

#include "languagetexts.h"

#include "core/platform/shownname.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace archiver {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
constexpr qsizetype kKeptIds = 32;

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, std::function<LanguageTexts()> texts, LogLine log,
                                 QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_texts(std::move(texts)), m_log(std::move(log))
{
    if (m_bus.isConnected()) {
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(notificationClosed(uint, uint)));
    }
}

LanguageTexts DesktopNotifier::texts() const
{
    return m_texts ? m_texts() : LanguageTexts();
}

QString DesktopNotifier::sideName(Side side, const LanguageTexts &texts)
{
    return side == Side::Primary
               ? texts.text(QStringLiteral("PrimaryArchive"), QStringLiteral("Primary archive"))
               : texts.text(QStringLiteral("SecondaryArchive"), QStringLiteral("Secondary Archive"));
}

void DesktopNotifier::settingsDamaged(const QString &hiveFile)
{
    show({texts().text(
              QStringLiteral("DamagedSettingsNotice"),
              QStringLiteral("The settings file is damaged. Nothing is archived until it is replaced.")),
          shownName(hiveFile)});
}

void DesktopNotifier::massChange(Side side, const QString &notice)
{
    show({sideName(side, texts()), notice});
}

void DesktopNotifier::show(const Notification &notification)
{
    if (!m_bus.isConnected()) {
        m_log(QStringLiteral("no session bus: the notice is not shown on the desktop"));
        return;
    }
    // A server that reads the body as markup needs the path's "<" and "&" escaped; one that
    // does not would show the escapes, so ask first.
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notification](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusPendingReply<QStringList> reply = *w;
                if (reply.isError()) {
                    m_log(QStringLiteral("the notice can not be shown on the desktop: %1")
                              .arg(reply.error().message()));
                    return;
                }
                send(notification, reply.value().contains(QStringLiteral("body-markup")));
            });
}

void DesktopNotifier::send(const Notification &notification, bool markup)
{
    QDBusMessage notify =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QString body = notification.body;
    if (markup)
        body = body.toHtmlEscaped();
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("dunlivo"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    // The default action is what a click on the notification does; servers without actions
    // leave it out.
    const QStringList actions{
        kDefaultAction, texts().text(QStringLiteral("ShowStatusAction"), QStringLiteral("Show status"))};
    notify << QStringLiteral("Dunlivo") << uint(0) << QStringLiteral("dunlivo") << notification.summary
           << body << actions << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            m_log(QStringLiteral("the notice can not be shown on the desktop: %1")
                      .arg(reply.error().message()));
            return;
        }
        m_shown.append(reply.value());
        if (m_shown.size() > kKeptIds)
            m_shown.removeFirst();
    });
}

void DesktopNotifier::actionInvoked(uint id, const QString &action)
{
    // The server tells every client of every click: only ours count.
    if (action == kDefaultAction && m_shown.contains(id))
        Q_EMIT statusRequested();
}

void DesktopNotifier::notificationClosed(uint id, uint /*reason*/)
{
    m_shown.removeOne(id);
}

} // namespace archiver
