// Registered messages, FindWindow, PostMessage and SendMessage over the sockets in the prefix.
#include "winmsg.h"

#include "messagewindow.h"
#include "prefix.h"
#include "winmsg_p.h"

#include "files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

namespace detail {

quintptr handleId(HWND hWnd)
{
    return reinterpret_cast<quintptr>(hWnd);
}
HWND handleOf(quintptr id)
{
    return reinterpret_cast<HWND>(id);
}

namespace {
QString windowFileBase(quintptr id)
{
    return Prefix::windowsDir() + QLatin1Char('/') + QStringLiteral("%1").arg(id, 12, 16, QLatin1Char('0'));
}

constexpr auto kRegistrationHeader = "dunlivo-window 1";
constexpr auto kRegistrationEnd = "end";
} // namespace

QString socketPath(quintptr id)
{
    return windowFileBase(id) + QStringLiteral(".sock");
}
QString registrationPath(quintptr id)
{
    return windowFileBase(id) + QStringLiteral(".wnd");
}

QByteArray registrationText(const QString &className, const QString &windowName, qint64 createdMs)
{
    // Percent-encoded, so that any character (a line break too) survives the line format.
    QByteArray text(kRegistrationHeader);
    text += "\npid " + QByteArray::number(::getpid());
    text += "\ncreated " + QByteArray::number(createdMs);
    text += "\nclass " + className.toUtf8().toPercentEncoding();
    text += "\ntitle " + windowName.toUtf8().toPercentEncoding();
    text += '\n';
    text += kRegistrationEnd;
    text += '\n';
    return text;
}

bool parseRegistration(const QByteArray &text, QString *className, QString *windowName, qint64 *createdMs)
{
    const QList<QByteArray> lines = text.split('\n');
    // A complete file ends with "end\n", so its split ends with "end" and an empty piece.
    if (lines.size() < 3 || lines.first() != kRegistrationHeader || !lines.last().isEmpty() ||
        lines.at(lines.size() - 2) != kRegistrationEnd)
        return false;
    bool haveClass = false;
    bool haveTitle = false;
    *createdMs = 0;
    for (const QByteArray &line : lines) {
        const qsizetype space = line.indexOf(' ');
        if (space < 0)
            continue;
        const QByteArray key = line.left(space);
        const QByteArray value = line.mid(space + 1);
        if (key == "class") {
            *className = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
            haveClass = true;
        } else if (key == "title") {
            *windowName = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
            haveTitle = true;
        } else if (key == "created") {
            *createdMs = value.toLongLong();
        }
    }
    return haveClass && haveTitle;
}

SocketAddress::SocketAddress(const QString &path)
{
    m_address.sun_family = AF_UNIX;
    QByteArray native = QFile::encodeName(path);
    if (native.size() >= qsizetype(sizeof(m_address.sun_path))) {
        const qsizetype slash = native.lastIndexOf('/');
        if (slash < 0)
            return;
        m_folderFd = ::open(native.left(slash).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_folderFd < 0)
            return;
        native = "/proc/self/fd/" + QByteArray::number(m_folderFd) + native.mid(slash);
        if (native.size() >= qsizetype(sizeof(m_address.sun_path)))
            return;
    }
    std::memcpy(m_address.sun_path, native.constData(), size_t(native.size()) + 1);
    m_length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(native.size()) + 1);
}

SocketAddress::~SocketAddress()
{
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

namespace {
QMutex localMutex;
QHash<quintptr, QPointer<MessageWindow>> localWindows;
} // namespace

void registerLocalWindow(quintptr id, MessageWindow *window)
{
    QMutexLocker lock(&localMutex);
    localWindows.insert(id, window);
}

void unregisterLocalWindow(quintptr id)
{
    QMutexLocker lock(&localMutex);
    localWindows.remove(id);
}

MessageWindow *localWindowOnThisThread(quintptr id)
{
    QMutexLocker lock(&localMutex);
    const auto it = localWindows.constFind(id);
    if (it == localWindows.constEnd() || it->isNull() || (*it)->thread() != QThread::currentThread())
        return nullptr;
    // Only this thread can destroy it, so it outlives the lock.
    return it->data();
}

} // namespace detail

namespace {

using namespace detail;

// How long an unlocked registration that never got complete is left alone before it counts as the
// remains of an owner that died while writing it (a live owner completes it at once).
constexpr qint64 kHalfWrittenGraceSecs = 60;
constexpr qsizetype kMaxAtomLength = 255;

int openFile(const QByteArray &path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int lockFile(int fd, int operation)
{
    int result;
    do
        result = ::flock(fd, operation);
    while (result < 0 && errno == EINTR);
    return result;
}

QByteArray readAll(int fd)
{
    QByteArray data;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buffer, n);
        offset += n;
    }
    return data;
}

bool writeAll(int fd, const char *data, size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}

bool sendAll(int fd, const void *data, size_t size)
{
    auto *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, -1);
            continue;
        }
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

// Connects to the window's socket; -1 when nobody listens there any more. Without wait, a full
// backlog (an owner that has not accepted for thousands of messages) counts as failure too.
int connectToWindow(quintptr id, bool wait)
{
    const SocketAddress address(socketPath(id));
    if (!address.isValid())
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (wait ? 0 : SOCK_NONBLOCK), 0);
    if (fd < 0)
        return -1;
    for (;;) {
        if (::connect(fd, address.address(), address.length()) == 0 || errno == EISCONN) {
            // Only a window of this user's own programs gets a message, whoever made the socket.
            ucred peer{};
            socklen_t length = sizeof peer;
            if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof peer &&
                peer.uid == ::geteuid())
                return fd;
            errno = EACCES;
            break;
        }
        if (errno != EINTR)
            break;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

struct Registration
{
    quintptr id = 0;
    QString className;
    QString windowName;
    qint64 createdMs = 0;
    bool live = false;
};

// Reads the registration of a window and whether its owner still holds it. Remains of an owner that
// has gone are removed on the way, so the folder does not fill with dead windows.
bool readRegistration(quintptr id, Registration *out)
{
    const QString path = registrationPath(id);
    const QByteArray nativePath = QFile::encodeName(path);
    const int fd = openFile(nativePath, O_RDONLY);
    if (fd < 0)
        return false;
    out->id = id;
    const bool complete = parseRegistration(readAll(fd), &out->className, &out->windowName, &out->createdMs);
    const bool ownerHoldsIt = lockFile(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    out->live = complete && ownerHoldsIt;
    if (!ownerHoldsIt) {
        struct stat st;
        const bool halfWrittenLongAgo =
            !complete && ::fstat(fd, &st) == 0 &&
            QDateTime::currentSecsSinceEpoch() - st.st_mtime > kHalfWrittenGraceSecs;
        // A complete registration is locked before it is written, so unlocked means its owner has gone.
        if (complete || halfWrittenLongAgo) {
            ::unlink(QFile::encodeName(socketPath(id)).constData());
            ::unlink(nativePath.constData());
        }
    }
    ::close(fd);
    return out->live;
}

} // namespace

UINT RegisterWindowMessage(const QString &lpString)
{
    if (lpString.isEmpty() || lpString.size() > kMaxAtomLength)
        return 0;
    if (!Prefix::ensure())
        return 0;
    const QByteArray path = QFile::encodeName(Prefix::windowsDir() + QStringLiteral("/atoms"));
    const int fd = openFile(path, O_RDWR | O_CREAT, 0600);
    if (fd < 0)
        return 0;
    // Everything below happens under the lock, so two processes registering at once cannot hand
    // out one number twice or two numbers for one name.
    if (lockFile(fd, LOCK_EX) != 0) {
        ::close(fd);
        return 0;
    }
    const QByteArray table = readAll(fd);
    // Only whole lines count: a writer that died halfway leaves a piece without a line end.
    const qsizetype complete = table.lastIndexOf('\n') + 1;
    const QList<QByteArray> lines = table.left(complete).split('\n');
    const QString wanted = lpString.toUpper();
    UINT number = 0;
    UINT index = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i, ++index) {
        if (QString::fromUtf8(QByteArray::fromPercentEncoding(lines.at(i))).toUpper() == wanted) {
            number = kFirstRegisteredMessage + index;
            break;
        }
    }
    if (number == 0 && index <= kLastRegisteredMessage - kFirstRegisteredMessage) {
        const QByteArray line = lpString.toUtf8().toPercentEncoding() + '\n';
        const bool truncated = complete == table.size() || ::ftruncate(fd, off_t(complete)) == 0;
        if (truncated && writeAll(fd, line.constData(), size_t(line.size()), off_t(complete)))
            number = kFirstRegisteredMessage + index;
    }
    ::close(fd);
    return number;
}

HWND FindWindow(const QString &lpClassName, const QString &lpWindowName)
{
    const QDir folder(Prefix::windowsDir());
    const QStringList names = folder.entryList({QStringLiteral("*.wnd")}, QDir::Files | QDir::System);
    Registration best;
    for (const QString &name : names) {
        bool ok = false;
        const quintptr id = name.chopped(4).toULongLong(&ok, 16);
        if (!ok || id == 0)
            continue;
        Registration found;
        if (!readRegistration(id, &found))
            continue;
        if (found.className != lpClassName || found.windowName != lpWindowName)
            continue;
        if (!best.live || found.createdMs >= best.createdMs)
            best = found;
    }
    return best.live ? handleOf(best.id) : nullptr;
}

BOOL IsWindow(HWND hWnd)
{
    const quintptr id = handleId(hWnd);
    Registration found;
    return id != 0 && readRegistration(id, &found) ? 1 : 0;
}

BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const quintptr id = handleId(hWnd);
    if (id == 0)
        return 0;
    const int fd = connectToWindow(id, false);
    if (fd < 0)
        return 0;
    const Frame frame{kFrameMagic, FramePost, Msg, 0, wParam, lParam};
    // A fresh connection's buffer always takes one frame, so this never waits for the owner.
    const bool sent = sendAll(fd, &frame, sizeof frame);
    ::close(fd);
    return sent ? 1 : 0;
}

LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const quintptr id = handleId(hWnd);
    if (id == 0)
        return 0;
    if (MessageWindow *local = localWindowOnThisThread(id))
        return deliverLocal(local, Msg, wParam, lParam);
    const int fd = connectToWindow(id, true);
    if (fd < 0)
        return 0;
    const Frame frame{kFrameMagic, FrameSend, Msg, 0, wParam, lParam};
    LRESULT result = 0;
    if (sendAll(fd, &frame, sizeof frame)) {
        // No time limit: the owner answers when its handler has returned, or closes the connection
        // when the window goes first.
        char reply[sizeof(LRESULT)];
        size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += size_t(n);
        }
        if (got == sizeof reply)
            std::memcpy(&result, reply, sizeof result);
    }
    ::close(fd);
    return result;
}

LRESULT SendMessageTimeout(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                           LRESULT *lpdwResult)
{
    if (lpdwResult)
        *lpdwResult = 0;
    const quintptr id = handleId(hWnd);
    if (id == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (MessageWindow *local = localWindowOnThisThread(id)) {
        const LRESULT result = deliverLocal(local, Msg, wParam, lParam);
        if (lpdwResult)
            *lpdwResult = result;
        return 1;
    }
    // Without waiting for the owner to take the connection: one too busy to accept it counts
    // as one that does not answer.
    const int fd = connectToWindow(id, false);
    if (fd < 0) {
        SetLastError(errno == EAGAIN ? ERROR_TIMEOUT : DWORD(ERROR_INVALID_HANDLE));
        return 0;
    }
    const Frame frame{kFrameMagic, FrameSend, Msg, 0, wParam, lParam};
    if (!sendAll(fd, &frame, sizeof frame)) {
        ::close(fd);
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    QCoreApplication *const app = QCoreApplication::instance();
    const bool pump = !(fuFlags & SMTO_BLOCK) && app && QThread::currentThread() == app->thread();
    QDeadlineTimer deadline{qint64(uTimeout)};
    char reply[sizeof(LRESULT)];
    size_t got = 0;
    bool closed = false;
    while (got < sizeof reply && !closed) {
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            break;
        // Short slices, so that the caller's events are handled between them.
        struct pollfd waitFor{fd, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, int(pump ? qMin<qint64>(left, 50) : left));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0) {
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, MSG_DONTWAIT);
            if (n > 0)
                got += size_t(n);
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                closed = true;
        }
        if (pump && got < sizeof reply)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ::close(fd);
    if (got == sizeof reply) {
        LRESULT result;
        std::memcpy(&result, reply, sizeof result);
        if (lpdwResult)
            *lpdwResult = result;
        return 1;
    }
    // A closed connection is a window that went before it handled the message.
    SetLastError(closed ? DWORD(ERROR_INVALID_HANDLE) : ERROR_TIMEOUT);
    return 0;
}

} // namespace win
