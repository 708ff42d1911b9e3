// A window of this program: its socket and registration in the prefix, and its message loop.
#include "messagewindow.h"

#include "prefix.h"
#include "winmsg_p.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

using namespace detail;

struct MessageWindow::Connection
{
    int fd = -1;
    QByteArray received;
    QSocketNotifier *notifier = nullptr;
    QDeadlineTimer deadline; // a frame not whole by then is given up
};

namespace {

// A sender writes its whole frame at once; one that has not within this time never will.
constexpr int kFrameWaitMs = 5000;
// The connections waiting for their frame at the most: a flood of idle ones closes the oldest,
// so the owner's descriptors stay free for its own work.
constexpr size_t kMaxWaitingConnections = 64;

} // namespace

namespace detail {
LRESULT deliverLocal(MessageWindow *window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return window->windowProc(msg, wParam, lParam);
}
} // namespace detail

namespace {
// Tries before giving up on finding a free id (each try fails only when the id is taken).
constexpr int kCreateAttempts = 16;

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

MessageWindow::MessageWindow(const QString &className, const QString &windowName, QObject *parent)
    : QObject(parent), m_className(className), m_windowName(windowName), m_sweep(new QTimer(this))
{
    m_sweep->setSingleShot(true);
    connect(m_sweep, &QTimer::timeout, this, &MessageWindow::pump);
    if (!create())
        teardown();
}

MessageWindow::~MessageWindow()
{
    teardown();
}

HWND MessageWindow::hwnd() const
{
    return handleOf(m_id);
}

bool MessageWindow::create()
{
    if (!Prefix::ensure(&m_error))
        return false;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        // A fresh random id per window, so a restarted owner never gets the handle of its former life.
        const quintptr id = quintptr(QRandomGenerator::system()->generate64() & 0xffffffffffffULL);
        if (id == 0)
            continue;
        const QString socketFile = socketPath(id);
        const SocketAddress address(socketFile);
        if (!address.isValid()) {
            m_error = QStringLiteral("Cannot address the socket %1").arg(socketFile);
            return false;
        }
        m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (m_listenFd < 0) {
            m_error =
                QStringLiteral("Cannot make a socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // On Linux the socket file takes the socket's own mode at bind: private from the first
        // moment, whatever the umask (the chmod below stays for systems that ignore this).
        ::fchmod(m_listenFd, 0600);
        if (::bind(m_listenFd, address.address(), address.length()) != 0) {
            const int error = errno;
            closeFd(m_listenFd);
            if (error == EADDRINUSE)
                continue;
            m_error = QStringLiteral("Cannot bind %1: %2")
                          .arg(socketFile, QString::fromLocal8Bit(std::strerror(error)));
            return false;
        }
        const QByteArray nativeSocket = QFile::encodeName(socketFile);
        ::chmod(nativeSocket.constData(), 0600);
        if (::listen(m_listenFd, SOMAXCONN) != 0) {
            m_error = QStringLiteral("Cannot listen on %1").arg(socketFile);
            ::unlink(nativeSocket.constData());
            return false;
        }

        // The registration is locked before anything is written into it: a reader that sees it
        // complete and unlocked knows for sure that its owner has gone.
        const QByteArray nativeRegistration = QFile::encodeName(registrationPath(id));
        m_registrationFd =
            ::open(nativeRegistration.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_registrationFd < 0) {
            const int error = errno;
            closeFd(m_listenFd);
            ::unlink(nativeSocket.constData());
            if (error == EEXIST)
                continue;
            m_error = QStringLiteral("Cannot register the window: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(error)));
            return false;
        }
        m_id = id;
        int locked;
        do
            locked = ::flock(m_registrationFd, LOCK_EX);
        while (locked != 0 && errno == EINTR);
        const QByteArray text =
            registrationText(m_className, m_windowName, QDateTime::currentMSecsSinceEpoch());
        qsizetype written = 0;
        while (locked == 0 && written < text.size()) {
            const ssize_t n =
                ::write(m_registrationFd, text.constData() + written, size_t(text.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            written += n;
        }
        if (written != text.size()) {
            m_error = QStringLiteral("Cannot write the window's registration");
            return false;
        }

        m_listenNotifier = new QSocketNotifier(m_listenFd, QSocketNotifier::Read, this);
        connect(m_listenNotifier, &QSocketNotifier::activated, this, &MessageWindow::pump);
        registerLocalWindow(m_id, this);
        return true;
    }
    m_error = QStringLiteral("No free window id in %1").arg(Prefix::windowsDir());
    return false;
}

void MessageWindow::teardown()
{
    if (m_id != 0) {
        unregisterLocalWindow(m_id);
        // Unfindable first, then unreachable.
        ::unlink(QFile::encodeName(registrationPath(m_id)).constData());
    }
    closeFd(m_registrationFd);
    if (m_listenNotifier) {
        m_listenNotifier->setEnabled(false);
        m_listenNotifier->deleteLater();
        m_listenNotifier = nullptr;
    }
    if (m_listenFd >= 0) {
        closeFd(m_listenFd);
        if (m_id != 0)
            ::unlink(QFile::encodeName(socketPath(m_id)).constData());
    }
    for (auto &connection : m_connections)
        closeConnection(*connection);
    m_connections.clear();
    // Waiting senders see the connection close and return 0.
    for (Queued &queued : m_queue)
        closeFd(queued.replyFd);
    m_queue.clear();
    m_id = 0;
}

void MessageWindow::destroyWindow()
{
    if (m_id == 0)
        return;
    teardown();
    Q_EMIT windowDestroyed();
}

LRESULT MessageWindow::defWindowProc(UINT uMsg, WPARAM, LPARAM)
{
    if (uMsg == WM_CLOSE)
        destroyWindow();
    return 0;
}

LRESULT MessageWindow::windowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_handler)
        return m_handler(uMsg, wParam, lParam);
    return defWindowProc(uMsg, wParam, lParam);
}

void MessageWindow::closeConnection(Connection &connection)
{
    if (connection.notifier) {
        connection.notifier->setEnabled(false);
        connection.notifier->deleteLater();
        connection.notifier = nullptr;
    }
    closeFd(connection.fd);
}

// Takes in new connections and whatever has arrived on the open ones, oldest connection first: one
// sender thread makes its next connection only after it has written the previous one's message, so
// reading in accept order keeps its messages in the order it posted them.
void MessageWindow::pump()
{
    if (m_listenFd < 0)
        return;
    QList<quint32> refused;
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break;
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer ||
            peer.uid != ::geteuid()) {
            ::close(fd);
            refused.append(length == sizeof peer ? quint32(peer.uid) : quint32(-1));
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->deadline = QDeadlineTimer(kFrameWaitMs);
        connection->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(connection->notifier, &QSocketNotifier::activated, this, &MessageWindow::pump);
        m_connections.push_back(std::move(connection));
    }

    for (auto it = m_connections.begin(); it != m_connections.end();) {
        Connection &connection = **it;
        bool finished = false;
        while (connection.received.size() < qsizetype(sizeof(Frame))) {
            char buffer[sizeof(Frame)];
            const ssize_t n =
                ::recv(connection.fd, buffer, sizeof(Frame) - size_t(connection.received.size()), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                break;
            if (n <= 0) {
                finished = true; // closed before a whole request: nothing to do
                break;
            }
            connection.received.append(buffer, n);
        }
        if (connection.received.size() == qsizetype(sizeof(Frame))) {
            Frame frame;
            std::memcpy(&frame, connection.received.constData(), sizeof frame);
            if (frame.magic == kFrameMagic && (frame.kind == FramePost || frame.kind == FrameSend)) {
                const bool send = frame.kind == FrameSend;
                m_queue.push_back(Queued{frame.message, WPARAM(frame.wParam), LPARAM(frame.lParam),
                                         send ? connection.fd : -1});
                if (send)
                    connection.fd = -1; // the queue answers on it
            }
            finished = true;
        }
        if (finished || connection.deadline.hasExpired()) {
            closeConnection(connection);
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
    while (m_connections.size() > kMaxWaitingConnections) {
        closeConnection(*m_connections.front());
        m_connections.erase(m_connections.begin());
    }
    // Connections that stay silent are looked at again once their time is up.
    if (!m_connections.empty() && !m_sweep->isActive())
        m_sweep->start(kFrameWaitMs + 100);

    if (!m_queue.empty())
        scheduleDispatch();
    if (!refused.isEmpty()) {
        const QPointer<MessageWindow> self(this);
        for (quint32 uid : refused) {
            Q_EMIT peerRefused(uid);
            if (!self)
                return;
        }
    }
}

void MessageWindow::scheduleDispatch()
{
    if (m_dispatchScheduled)
        return;
    m_dispatchScheduled = true;
    QMetaObject::invokeMethod(this, &MessageWindow::dispatchNext, Qt::QueuedConnection);
}

// One message per turn of the event loop. The next turn is booked before the handler runs, so a
// modal loop inside the handler goes on handling what arrives meanwhile, in order.
void MessageWindow::dispatchNext()
{
    m_dispatchScheduled = false;
    if (m_queue.empty())
        return;
    const Queued message = m_queue.front();
    m_queue.pop_front();
    if (!m_queue.empty())
        scheduleDispatch();
    const LRESULT result = windowProc(message.msg, message.wParam, message.lParam);
    // The handler may have destroyed the window or deleted this object; the reply goes out anyway.
    if (message.replyFd >= 0) {
        ::send(message.replyFd, &result, sizeof result, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(message.replyFd);
    }
}

} // namespace win
