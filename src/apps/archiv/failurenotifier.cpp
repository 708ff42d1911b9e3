// Failure notifications over D-Bus.
#include "failurenotifier.h"

#include "core/archiveinfo/archivestate.h"
#include "core/archiveinfo/statetexts.h"
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

QString sideName(Side side, const LanguageTexts &texts)
{
    return side == Side::Primary
               ? texts.text(QStringLiteral("PrimaryArchive"), QStringLiteral("Primary archive"))
               : texts.text(QStringLiteral("SecondaryArchive"), QStringLiteral("Secondary Archive"));
}

} // namespace

FailureNotifier::FailureNotifier(QDBusConnection bus, std::function<LanguageTexts()> texts, LogLine log,
                                 QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_texts(std::move(texts)), m_log(std::move(log))
{
}

bool FailureNotifier::notifies(int previous, int state)
{
    return state != StateCorrect && state != StateUserBreak && state != previous;
}

Notification FailureNotifier::compose(Side side, int state, const QString &failedPath,
                                      const LanguageTexts &texts)
{
    Notification notification;
    notification.summary = sideName(side, texts);
    const QString key = stateTextKey(state);
    QString stateText = key.isEmpty() ? QString() : texts.text(key, stateTextEnglish(state));
    if (stateText.isEmpty())
        stateText = QString::number(state); // a code without a text is still a failure
    notification.body = stateText;
    if (!failedPath.isEmpty())
        notification.body += QLatin1Char('\n') + shownName(failedPath);
    return notification;
}

void FailureNotifier::runReported(Side side, int previous, int state, const QString &failedPath)
{
    if (!notifies(previous, state))
        return;
    show(compose(side, state, failedPath, m_texts ? m_texts() : LanguageTexts()));
}

void FailureNotifier::settingsDamaged(const QString &hiveFile)
{
    const LanguageTexts texts = m_texts ? m_texts() : LanguageTexts();
    show({texts.text(
              QStringLiteral("DamagedSettingsNotice"),
              QStringLiteral("The settings file is damaged. Nothing is archived until it is replaced.")),
          shownName(hiveFile)});
}

void FailureNotifier::massChange(Side side, const QString &notice)
{
    show({sideName(side, m_texts ? m_texts() : LanguageTexts()), notice});
}

void FailureNotifier::show(const Notification &notification)
{
    if (!m_bus.isConnected()) {
        m_log(QStringLiteral("no session bus: the failure is not shown on the desktop"));
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
                    m_log(QStringLiteral("the failure can not be shown on the desktop: %1")
                              .arg(reply.error().message()));
                    return;
                }
                send(notification, reply.value().contains(QStringLiteral("body-markup")));
            });
}

void FailureNotifier::send(const Notification &notification, bool markup)
{
    QDBusMessage notify =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QString body = notification.body;
    if (markup)
        body = body.toHtmlEscaped();
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("dunlivo"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    notify << QStringLiteral("Dunlivo") << uint(0) << QStringLiteral("dunlivo") << notification.summary
           << body << QStringList() << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            m_log(QStringLiteral("the failure can not be shown on the desktop: %1")
                      .arg(reply.error().message()));
    });
}

} // namespace archiver
