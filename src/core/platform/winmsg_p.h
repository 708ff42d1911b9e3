// What the message calls and MessageWindow share: the files of a window in the prefix, the wire
// format, socket addresses, and the windows of this process.
#pragma once

#include "winmsg.h"

#include <QByteArray>
#include <QString>

#include <sys/socket.h>
#include <sys/un.h>

namespace win {

class MessageWindow;

namespace detail {

// One request per connection: a posted message is read and the connection closed; a sent one is
// answered with the handler's result (one LRESULT) before the owner closes it.
inline constexpr quint32 kFrameMagic = 0x44574d31; // "DWM1"
enum : quint32 { FramePost = 1, FrameSend = 2 };
struct Frame
{
    quint32 magic;
    quint32 kind;
    quint32 message;
    quint32 reserved;
    quint64 wParam;
    qint64 lParam;
};
static_assert(sizeof(Frame) == 32);

quintptr handleId(HWND hWnd);
HWND handleOf(quintptr id);

// windows/<id>.sock is the listening socket; windows/<id>.wnd the registration, locked by the owner.
QString socketPath(quintptr id);
QString registrationPath(quintptr id);

// The registration text of a window, and its reading: false for a file that is incomplete (still
// being written, or left half-written) or not a registration at all.
QByteArray registrationText(const QString &className, const QString &windowName, qint64 createdMs);
bool parseRegistration(const QByteArray &text, QString *className, QString *windowName, qint64 *createdMs);

// An AF_UNIX address for a socket path. A path longer than sun_path allows is reached through an
// O_PATH descriptor of its folder (/proc/self/fd/N/name), so a deep prefix still works.
class SocketAddress
{
public:
    explicit SocketAddress(const QString &path);
    ~SocketAddress();
    SocketAddress(const SocketAddress &) = delete;
    SocketAddress &operator=(const SocketAddress &) = delete;

    bool isValid() const { return m_length != 0; }
    const sockaddr *address() const { return reinterpret_cast<const sockaddr *>(&m_address); }
    socklen_t length() const { return m_length; }

private:
    sockaddr_un m_address{};
    socklen_t m_length = 0;
    int m_folderFd = -1;
};

// Windows of this process by id, so that a send from the owning thread calls the handler directly
// instead of waiting for a loop that cannot run.
void registerLocalWindow(quintptr id, MessageWindow *window);
void unregisterLocalWindow(quintptr id);
// The window of that id when it lives on the calling thread, else null.
MessageWindow *localWindowOnThisThread(quintptr id);

} // namespace detail
} // namespace win
