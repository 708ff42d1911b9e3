// The end of the session as the Archiver hears it: SIGTERM (the session manager or systemd ending
// the user's processes), SIGHUP (the terminal or session going away) and SIGINT, turned into
// Qt signals on the main thread through a pipe.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace archiver {

class SessionSignals : public QObject
{
    Q_OBJECT
public:
    explicit SessionSignals(QObject *parent = nullptr);
    ~SessionSignals() override;

Q_SIGNALS:
    // The first SIGTERM or SIGHUP.
    void sessionEnding();
    // SIGINT, or a further SIGTERM or SIGHUP: end now.
    void stopNow();

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    int m_endings = 0;
};

} // namespace archiver
