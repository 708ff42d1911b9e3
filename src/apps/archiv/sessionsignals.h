// The end of the session as the Archiver hears it: SIGTERM (the session manager or systemd ending
// the user's processes), SIGHUP when the terminal it was started from hangs up, and SIGINT, turned
// into Qt signals on the main thread through a pipe.
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
    // The first SIGTERM or terminal hang-up.
    void sessionEnding();
    // SIGINT, or a further SIGTERM or terminal hang-up: end now.
    void stopNow();
    // A SIGHUP that is no hang-up of the Archiver's terminal, and so does not end it.
    void hangUpIgnored();

private:
    void readSignal();
    bool terminalHungUp() const;

    QSocketNotifier *m_notifier = nullptr;
    int m_endings = 0;
    bool m_startedOnTerminal = false;
};

} // namespace archiver
