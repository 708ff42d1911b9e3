// Desktop notifications (org.freedesktop.Notifications on the session bus): the conditions of the
// archive sides (see conditionwatch.h), a damaged settings file, which stops all archiving, and a
// run that changed many archived files at once (its text is the Archiver's own, in English, under
// the side's name). Clicking a notification (the server's "default" action) asks for the panel's
// status window. Without a notification service nothing is shown and the reason is logged.
#pragma once

#include "core/archiveinfo/archivelayout.h"

#include "logline.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace archiver {

class LanguageTexts;

struct Notification
{
    QString summary;
    QString body; // plain text
};

class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    // bus: where the notification service is; texts gives the texts in the user's language at the
    // moment of each notification.
    DesktopNotifier(QDBusConnection bus, std::function<LanguageTexts()> texts, LogLine log,
                    QObject *parent = nullptr);

    LanguageTexts texts() const;
    // The side as the notifications name it, in the user's language.
    static QString sideName(Side side, const LanguageTexts &texts);

    // Shows the notification, asking first how the server reads its body.
    void show(const Notification &notification);
    // A settings hive was found damaged: nothing is archived until it is replaced.
    void settingsDamaged(const QString &hiveFile);
    // A run of the side replaced many archived files at once.
    void massChange(Side side, const QString &notice);

Q_SIGNALS:
    // The user clicked one of the notifications shown.
    void statusRequested();

private Q_SLOTS:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    void send(const Notification &notification, bool markup);

    QDBusConnection m_bus;
    std::function<LanguageTexts()> m_texts;
    LogLine m_log;
    // The ids of the notifications shown that the server has not closed yet, newest last; a
    // server that never tells of closing does not make it grow past a few.
    QList<uint> m_shown;
};

} // namespace archiver
