// The second process of the window-message tests: owns a window and answers, or sends, or registers.
//
//   tst_winmsg_owner owner <class> <title>     owns the window; commands on stdin: busy, go, release
//   tst_winmsg_owner send <hwnd> <msg> <w> <l>  prints "result <n>"
//   tst_winmsg_owner register <name>...        prints "<name> <number>" per name
// Every line goes out at once, so the test can follow the owner step by step.
#include "core/platform/messagewindow.h"
#include "core/platform/winmsg.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

using namespace win;

namespace {

void say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The next piece of stdin, read without buffering behind Qt's back. The test writes one command
// at a time; the end of the input (the test has gone) ends the program.
QByteArray readInput()
{
    char buffer[256];
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n <= 0)
        ::_exit(1);
    return QByteArray(buffer, n);
}

int runOwner(const QString &className, const QString &title)
{
    MessageWindow window(className, title);
    if (!window.isValid())
        return 2;
    bool released = false;
    QEventLoop *modal = nullptr;
    window.setHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        say("msg " + QByteArray::number(msg, 16) + ' ' + QByteArray::number(quint64(wParam)) + ' ' +
            QByteArray::number(qint64(lParam)));
        if (msg == WM_CLOSE) {
            QCoreApplication::quit();
            return window.defWindowProc(msg, wParam, lParam);
        }
        if (wParam == 99) {
            // A handler that runs a modal loop until the test lets it go.
            say("entered");
            QEventLoop loop;
            modal = &loop;
            if (!released)
                loop.exec();
            modal = nullptr;
            released = false;
            return 4242;
        }
        return LRESULT(wParam) * 1000 + lParam;
    });

    QSocketNotifier stdinNotifier(0, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&] {
        const QByteArray input = readInput();
        if (input.contains("release")) {
            released = true;
            if (modal)
                modal->quit();
        } else if (input.contains("busy")) {
            // The event loop stands still until "go": nothing is handled meanwhile.
            say("busy");
            while (!readInput().contains("go")) {
            }
        }
    });

    say("ready " + QByteArray::number(quint64(reinterpret_cast<quintptr>(window.hwnd())), 16));
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("owner") && args.size() == 3)
        return runOwner(args.at(1), args.at(2));
    if (mode == QLatin1String("send") && args.size() == 5) {
        const auto hwnd = reinterpret_cast<HWND>(quintptr(args.at(1).toULongLong(nullptr, 16)));
        const LRESULT result = SendMessage(hwnd, args.at(2).toUInt(nullptr, 16), args.at(3).toULongLong(),
                                           args.at(4).toLongLong());
        say("result " + QByteArray::number(qint64(result)));
        return 0;
    }
    if (mode == QLatin1String("register")) {
        for (const QString &name : args.mid(1))
            say(name.toUtf8() + ' ' + QByteArray::number(RegisterWindowMessage(name), 16));
        return 0;
    }
    return 64;
}
