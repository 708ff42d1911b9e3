// Desktop notifications (org.freedesktop.Notifications on the session bus) when an archive run
// ends in a failure state: one per change of a side's state into a failure, naming the side, the
// state's text in the user's language and what failed first. A run that was stopped (the
// Archiver closed, the archive emptied) is the user's own doing and is not notified. A damaged
// settings file, which stops all archiving, is notified too, and so is a run that changed many
// archived files at once (its text is the Archiver's own, in English, under the side's name).
#pragma once

#include "core/archiveinfo/archivelayout.h"

#include "logline.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

namespace archiver {

class LanguageTexts;

struct Notification
{
    QString summary;
    QString body;
};

class FailureNotifier : public QObject
{
    Q_OBJECT
public:
    // bus: where the notification service is; texts gives the texts in the user's language at the
    // moment of each notification.
    FailureNotifier(QDBusConnection bus, std::function<LanguageTexts()> texts, LogLine log,
                    QObject *parent = nullptr);

    // Whether a side's state going from previous to state is worth a notification.
    static bool notifies(int previous, int state);
    // The notification for a failure state; failedPath may be empty. The body is plain text.
    static Notification compose(Side side, int state, const QString &failedPath, const LanguageTexts &texts);

    // A run of the side ended: its state went from previous to state; failedPath is what failed first.
    void runReported(Side side, int previous, int state, const QString &failedPath);
    // A settings hive was found damaged: nothing is archived until it is replaced.
    void settingsDamaged(const QString &hiveFile);
    // A run of the side replaced many archived files at once.
    void massChange(Side side, const QString &notice);

private:
    // Shows the notification, asking first how the server reads its body.
    void show(const Notification &notification);
    void send(const Notification &notification, bool markup);

    QDBusConnection m_bus;
    std::function<LanguageTexts()> m_texts;
    LogLine m_log;
};

} // namespace archiver
