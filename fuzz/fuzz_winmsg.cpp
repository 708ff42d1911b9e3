// Fuzz target: the window-message frame reader of an owned window, fed over its real socket. The
// input arrives in pieces of a size its first byte chooses, the sender then stops writing, and the
// owner must close the connection (after answering a whole sent message) without a hang. The same
// bytes are also read as a window registration.
#include "fuzzsupport.h"

#include "core/platform/messagewindow.h"
#include "core/platform/winmsg_p.h"

#include <QElapsedTimer>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static win::MessageWindow *window = [] {
        auto *w = new win::MessageWindow(QStringLiteral("FuzzClass"), QStringLiteral("Fuzz window"));
        if (!w->isValid())
            std::abort();
        // Never the default procedure: a WM_CLOSE in the input would end the window for the inputs after it.
        w->setHandler([](win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
            return win::LRESULT(msg) ^ win::LRESULT(wParam) ^ lParam;
        });
        return w;
    }();

    QString className, windowName;
    qint64 created = 0;
    win::detail::parseRegistration(fuzz::bytesOf(data, size), &className, &windowName, &created);

    const QByteArray socketFile =
        QFile::encodeName(win::detail::socketPath(win::detail::handleId(window->hwnd())));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketFile.constData(), size_t(socketFile.size()));
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        std::abort();
    const size_t piece = size ? size_t(data[0] % 40) + 1 : 1;
    for (size_t at = 0; at < size; at += piece) {
        if (::send(fd, data + at, std::min(piece, size - at), MSG_NOSIGNAL) < 0)
            break; // the owner has closed the connection after a whole frame
        QCoreApplication::processEvents();
    }
    ::shutdown(fd, SHUT_WR);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QCoreApplication::processEvents();
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1) > 0) {
            char reply[64];
            const ssize_t n = ::recv(fd, reply, sizeof reply, 0);
            if (n <= 0)
                break; // the owner closed the connection
        }
        if (waited.elapsed() > 5000)
            std::abort(); // the owner keeps a finished connection open
    }
    ::close(fd);
    return 0;
}
