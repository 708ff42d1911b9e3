// A findable window owned by this program, whose messages are handled on its thread's Qt event loop.
#pragma once

#include "winmsg.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace win {

class MessageWindow;
namespace detail {
LRESULT deliverLocal(MessageWindow *window, UINT msg, WPARAM wParam, LPARAM lParam);
}

// The window exists from construction until destroyWindow() or destruction; FindWindow finds it by
// exactly its class and title. Messages are handled one at a time in the order they arrived, each
// from its own turn of the event loop of the thread that made the window, so a modal loop inside a
// handler goes on handling later messages, and a sender waits while the loop does not run. Only
// processes of this user may deliver; others are refused before anything of theirs is read.
class MessageWindow : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<LRESULT(UINT uMsg, WPARAM wParam, LPARAM lParam)>;

    MessageWindow(const QString &className, const QString &windowName, QObject *parent = nullptr);
    ~MessageWindow() override;
    MessageWindow(const MessageWindow &) = delete;
    MessageWindow &operator=(const MessageWindow &) = delete;

    // False when the window could not be made (errorString says why) or has been destroyed.
    bool isValid() const { return m_id != 0; }
    QString errorString() const { return m_error; }
    HWND hwnd() const;
    QString className() const { return m_className; }
    QString windowName() const { return m_windowName; }

    // The window procedure; without one every message goes to defWindowProc.
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Unregisters the window: it can no longer be found, queued messages are dropped and their
    // senders get 0. Emits windowDestroyed once.
    void destroyWindow();

    // What a message does when the handler does not deal with it: WM_CLOSE destroys the window,
    // everything else is ignored with 0.
    LRESULT defWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);

Q_SIGNALS:
    void windowDestroyed();
    // A process of another user tried to deliver a message; its connection was closed unread.
    void peerRefused(quint32 uid);

protected:
    virtual LRESULT windowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    struct Connection;
    struct Queued
    {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        int replyFd; // -1 for a posted message
    };

    bool create();
    void teardown();
    void pump();
    void scheduleDispatch();
    void dispatchNext();
    void closeConnection(Connection &connection);

    friend LRESULT detail::deliverLocal(MessageWindow *window, UINT msg, WPARAM wParam, LPARAM lParam);

    QString m_className;
    QString m_windowName;
    QString m_error;
    Handler m_handler;
    quintptr m_id = 0;
    int m_listenFd = -1;
    int m_registrationFd = -1;
    QSocketNotifier *m_listenNotifier = nullptr;
    std::vector<std::unique_ptr<Connection>> m_connections; // in the order they were accepted
    QTimer *m_sweep = nullptr; // closes the connections whose frame did not come in time
    std::deque<Queued> m_queue;
    bool m_dispatchScheduled = false;
};

} // namespace win
