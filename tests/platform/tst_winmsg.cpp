// Window messages between processes: registered numbers, finding, posting, sending, owners that
// are busy, restarted, crashed, or asked by another user.
#include "testmain.h"

#include "core/platform/files.h"
#include "core/platform/messagewindow.h"
#include "core/platform/prefix.h"
#include "core/platform/winmsg.h"
#include "core/platform/winmsg_p.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <chrono>
#include <future>
#include <grp.h>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace win;
using namespace std::chrono_literals;

namespace {

constexpr int kWaitMs = 60000;

const QString kClass = QStringLiteral("APP_USER_WINDOW");
const QString kTitle = QStringLiteral("Kovamark-archiváló");

template <typename T> bool waitReady(const std::future<T> &future)
{
    return QTest::qWaitFor([&] { return future.wait_for(0s) == std::future_status::ready; }, kWaitMs);
}

std::future<LRESULT> sendInBackground(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return std::async(std::launch::async, [=] { return SendMessage(hwnd, msg, wParam, lParam); });
}

// The helper program as a child process, with its output collected line by line.
class Helper
{
public:
    explicit Helper(const QStringList &arguments, std::function<void()> childSetup = {},
                    const QString &program = QStringLiteral(WINMSG_OWNER))
    {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (childSetup)
            m_process.setChildProcessModifier(childSetup);
        m_process.start();
    }
    ~Helper()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // What is in the pipe now: a line the helper wrote before answering is there.
    QList<QByteArray> lines()
    {
        while (m_process.waitForReadyRead(0))
            ;
        m_output += m_process.readAllStandardOutput();
        QList<QByteArray> all = m_output.split('\n');
        all.removeLast(); // the unfinished rest
        return all;
    }
    bool waitForLine(const QByteArray &line)
    {
        return QTest::qWaitFor([&] { return lines().contains(line); }, kWaitMs);
    }
    // The rest of the first line that starts with word + " ".
    QByteArray value(const QByteArray &word)
    {
        for (const QByteArray &line : lines())
            if (line.startsWith(word + ' '))
                return line.mid(word.size() + 1);
        return {};
    }
    QList<QByteArray> messages()
    {
        QList<QByteArray> result;
        for (const QByteArray &line : lines())
            if (line.startsWith("msg "))
                result.append(line.mid(4));
        return result;
    }
    // Started as a window owner: waits until the window is there.
    HWND waitForWindow()
    {
        if (!QTest::qWaitFor([&] { return !value("ready").isEmpty(); }, kWaitMs))
            return nullptr;
        return reinterpret_cast<HWND>(quintptr(value("ready").toULongLong(nullptr, 16)));
    }
    bool waitForExit()
    {
        return QTest::qWaitFor([&] { return m_process.state() == QProcess::NotRunning; }, kWaitMs);
    }
    void write(const QByteArray &line) { m_process.write(line + '\n'); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
};

QByteArray messageLine(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return QByteArray::number(msg, 16) + ' ' + QByteArray::number(quint64(wParam)) + ' ' +
           QByteArray::number(qint64(lParam));
}

QStringList windowFiles()
{
    return QDir(Prefix::windowsDir())
        .entryList({QStringLiteral("*.wnd"), QStringLiteral("*.sock")}, QDir::Files | QDir::System);
}

// A fresh prefix, the test message's number, and an owner process with its window.
struct Owned
{
    TestPrefix prefix;
    UINT message = RegisterWindowMessage(QStringLiteral("Dunlivo-test-message"));
    Helper owner{{QStringLiteral("owner"), kClass, kTitle}};
    HWND window = owner.waitForWindow();
};

} // namespace

class TestWinMsg : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registersTheSameNumberInEveryProcess()
    {
        TestPrefix prefix;
        const UINT message = RegisterWindowMessage(QStringLiteral("Dunlivo-test-message"));
        QCOMPARE(RegisterWindowMessage(QStringLiteral("dunlivo-test-MESSAGE")), message);
        QCOMPARE(RegisterWindowMessage(QString()), UINT(0));
        QCOMPARE(RegisterWindowMessage(QString(256, QLatin1Char('n'))), UINT(0));

        // Eight processes registering 150 names at once, each in its own order, get the numbers this
        // one gets, and never two names one number.
        QStringList names{QStringLiteral("DUNLIVO-TEST-MESSAGE")};
        for (int i = 0; i < 150; ++i)
            names.append(QStringLiteral("Concurrent-%1").arg(i));
        std::vector<std::unique_ptr<Helper>> registrars;
        for (int i = 0; i < 8; ++i) {
            const QStringList order = names.mid(i * 19) + names.mid(0, i * 19);
            registrars.push_back(std::make_unique<Helper>(QStringList{QStringLiteral("register")} + order));
        }
        QList<QByteArray> expected;
        QSet<UINT> numbers;
        for (const QString &name : std::as_const(names)) {
            numbers.insert(RegisterWindowMessage(name));
            expected.append(name.toUtf8() + ' ' + QByteArray::number(RegisterWindowMessage(name), 16));
        }
        QCOMPARE(numbers.size(), names.size());
        std::sort(expected.begin(), expected.end());
        for (auto &registrar : registrars) {
            QVERIFY(registrar->waitForExit());
            QList<QByteArray> lines = registrar->lines();
            std::sort(lines.begin(), lines.end());
            QCOMPARE(lines, expected);
        }

        // A writer that died in the middle of a line leaves a piece that must not shift the numbers.
        QFile table(Prefix::windowsDir() + QStringLiteral("/atoms"));
        QVERIFY(table.open(QIODevice::Append) && table.write("Half-written") == 12);
        table.close();
        const UINT fresh = RegisterWindowMessage(QStringLiteral("After-a-crash"));
        QCOMPARE(fresh, UINT(0xC000 + names.size()));
        QCOMPARE(RegisterWindowMessage(QStringLiteral("Half-written")), UINT(fresh + 1));
        QCOMPARE(RegisterWindowMessage(QStringLiteral("Dunlivo-test-message")), message);
    }

    void findsOnlyTheExactClassAndTitle()
    {
        Owned owned;
        Helper other({QStringLiteral("owner"), kClass, kTitle + QStringLiteral("-main")});
        const HWND otherWindow = other.waitForWindow();
        QVERIFY(owned.window && otherWindow && owned.window != otherWindow);
        QCOMPARE(FindWindow(kClass, kTitle), owned.window);
        QCOMPARE(FindWindow(kClass, kTitle + QStringLiteral("-main")), otherWindow);
        for (const auto &[className, title] : {std::pair{kClass, kTitle.left(10)},
                                               {kClass.toLower(), kTitle},
                                               {kClass, QStringLiteral("Kovamark-archivalo")},
                                               {QStringLiteral("APP_USER"), kTitle}})
            QCOMPARE(FindWindow(className, title), HWND(nullptr));
    }

    // A send waits for the handler's result, also while the handler runs a modal loop (what is
    // posted meanwhile is handled by that loop); with a time limit it waits no longer than that.
    void sendWaitsForTheHandlerOrItsTimeLimit()
    {
        Owned owned;
        auto &[prefix, message, owner, window] = owned;
        QVERIFY(window);
        auto slow = sendInBackground(window, message, 99, 0);
        QVERIFY(owner.waitForLine("entered"));
        QVERIFY(PostMessage(window, message, 5, 6));
        QVERIFY(
            QTest::qWaitFor([&] { return owner.messages().contains(messageLine(message, 5, 6)); }, kWaitMs));
        QCOMPARE(slow.wait_for(0s), std::future_status::timeout);
        owner.write("release");
        QVERIFY(waitReady(slow));
        QCOMPARE(slow.get(), LRESULT(4242));

        LRESULT result = 0;
        QVERIFY(SendMessageTimeout(window, message, 2, 3, SMTO_NORMAL, 10000, &result));
        QCOMPARE(result, LRESULT(2003));

        // An owner whose loop stands still: the wait ends at the limit. Without SMTO_BLOCK the
        // caller's own timers go on meanwhile; with it they wait too.
        owner.write("busy");
        QVERIFY(owner.waitForLine("busy"));
        for (const UINT flags : {SMTO_NORMAL, SMTO_BLOCK}) {
            bool ticked = false;
            QTimer::singleShot(20, [&] { ticked = true; });
            SetLastError(0);
            QCOMPARE(SendMessageTimeout(window, message, 8, 0, flags, 400, &result), LRESULT(0));
            QCOMPARE(GetLastError(), ERROR_TIMEOUT);
            QCOMPARE(ticked, flags == SMTO_NORMAL);
            QTest::qWait(30);
        }
        // Both messages were delivered: the owner still handles them once its loop runs again.
        owner.write("go");
        QVERIFY(QTest::qWaitFor([&] { return owner.messages().count(messageLine(message, 8, 0)) == 2; },
                                kWaitMs));
    }

    // Connections that never finish their frame, and a flood of them, do not hold the owner:
    // a real message is still answered, and the silent ones are closed after a while.
    void silentConnectionsAreDropped()
    {
        Owned owned;
        auto &[prefix, message, owner, window] = owned;
        QVERIFY(window);
        const detail::SocketAddress address(detail::socketPath(detail::handleId(window)));
        std::vector<int> silent;
        for (int i = 0; i < 100; ++i) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            QVERIFY(fd >= 0);
            QVERIFY(::connect(fd, address.address(), address.length()) == 0);
            QVERIFY(::send(fd, "DWM1half", 8, MSG_NOSIGNAL) == 8); // half a frame, then nothing
            silent.push_back(fd);
        }
        QCOMPARE(SendMessage(window, message, 4, 2), LRESULT(4002));
        // Every silent connection is closed by the owner: by the cap at once, or at its deadline.
        for (const int fd : silent) {
            pollfd closed{fd, POLLIN, 0};
            QVERIFY(::poll(&closed, 1, 15000) == 1);
            char byte;
            QCOMPARE(::recv(fd, &byte, 1, MSG_DONTWAIT), ssize_t(0));
            ::close(fd);
        }
        QCOMPARE(SendMessage(window, message, 5, 3), LRESULT(5003));
    }

    void postsArriveInTheOrderPosted()
    {
        Owned owned;
        auto &[prefix, message, owner, window] = owned;
        QVERIFY(window);
        QList<QByteArray> expected;
        for (int i = 0; i < 300; ++i) {
            QVERIFY(PostMessage(window, message, WPARAM(i), -i));
            expected.append(messageLine(message, WPARAM(i), -i));
        }
        QCOMPARE(SendMessage(window, message, 1, 1), LRESULT(1001));
        expected.append(messageLine(message, 1, 1));
        QCOMPARE(owner.messages(), expected);
    }

    // An owner that closes leaves nothing behind; one that crashes lets a waiting sender go and
    // is cleared away by the next search. Either way the old handle is dead and a new owner's
    // window is another one.
    void endedOwnersLeaveNoWindow_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::newRow("closed") << false;
        QTest::newRow("crashed") << true;
    }

    void endedOwnersLeaveNoWindow()
    {
        QFETCH(bool, crash);
        Owned owned;
        auto &[prefix, message, owner, window] = owned;
        QVERIFY(window);
        if (crash) {
            owner.write("busy");
            QVERIFY(owner.waitForLine("busy"));
            auto waiting = sendInBackground(window, message, 3, 3);
            owner.process().kill();
            QVERIFY(waitReady(waiting));
            QCOMPARE(waiting.get(), LRESULT(0));
            QVERIFY(owner.waitForExit());
        } else {
            QVERIFY(PostMessage(window, WM_CLOSE, 0, 0));
            QVERIFY(owner.waitForExit());
            QVERIFY(windowFiles().isEmpty());
        }
        QVERIFY(!IsWindow(window));
        QCOMPARE(FindWindow(kClass, kTitle), HWND(nullptr));
        QVERIFY(windowFiles().isEmpty()); // a crashed owner's files are cleared away by the search
        // A window that has gone is not a time-out.
        SetLastError(0);
        LRESULT result = 0;
        QCOMPARE(SendMessageTimeout(window, message, 4, 1, SMTO_NORMAL, 400, &result), LRESULT(0));
        QCOMPARE(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        QVERIFY(!PostMessage(window, message, 4, 2));

        Helper second({QStringLiteral("owner"), kClass, kTitle});
        const HWND after = second.waitForWindow();
        QVERIFY(after && after != window);
        QCOMPARE(FindWindow(kClass, kTitle), after);
        QCOMPARE(SendMessage(after, message, 4, 4), LRESULT(4004));
    }

    void refusesAPeerOfAnotherUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to run a sender as another user");
        TestPrefix prefix;
        const UINT message = RegisterWindowMessage(QStringLiteral("Dunlivo-test-message"));
        MessageWindow window(kClass, kTitle);
        QVERIFY(window.isValid());
        QList<LPARAM> handled;
        window.setHandler([&](UINT, WPARAM wParam, LPARAM lParam) -> LRESULT {
            handled.append(lParam);
            return LRESULT(wParam) * 1000 + lParam;
        });
        // Let the other user reach the socket, so that only the owner's check stands in the way.
        const QString socket =
            Prefix::windowsDir() + QLatin1Char('/') + windowFiles().filter(".sock").value(0);
        for (const auto &[path, mode] :
             {std::pair{prefix.path(), 0711}, {Prefix::windowsDir(), 0711}, {socket, 0666}})
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);

        const QStringList arguments{QStringLiteral("send"),
                                    QString::number(quint64(reinterpret_cast<quintptr>(window.hwnd())), 16),
                                    QString::number(message, 16), QStringLiteral("5"), QStringLiteral("6")};
        QSignalSpy refused(&window, &MessageWindow::peerRefused);
        constexpr uid_t nobody = 65534;
        // A copy the other user can run wherever the build lies.
        const QString program = prefix.path() + QStringLiteral("/stranger");
        QVERIFY(QFile::copy(QStringLiteral(WINMSG_OWNER), program) &&
                ::chmod(QFile::encodeName(program).constData(), 0755) == 0);
        Helper stranger(
            arguments,
            [] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                    ::_exit(126);
            },
            program);
        QVERIFY(stranger.waitForExit());
        if (stranger.process().exitCode() == 126)
            QSKIP("cannot switch to another user here");
        QCOMPARE(stranger.value("result"), QByteArray("0"));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().first().value<quint32>(), quint32(nobody));
        QVERIFY(handled.isEmpty());

        // The same request from this user is handled.
        Helper friendly(arguments);
        QVERIFY(friendly.waitForExit());
        QCOMPARE(friendly.value("result"), QByteArray("5006"));
        QCOMPARE(handled, QList<LPARAM>{6});
    }

    // A window of this process, in a prefix deeper than an AF_UNIX address can hold.
    void ownsAWindowInThisProcess()
    {
        TestPrefix prefix;
        const QString deep =
            prefix.path() + QLatin1Char('/') + QString(90, QLatin1Char('d')) + QStringLiteral("/prefix");
        qputenv("DUNLIVO_PREFIX", QFile::encodeName(deep));
        Prefix::reset();
        QVERIFY(Prefix::windowsDir().size() > 110);
        const UINT message = RegisterWindowMessage(QStringLiteral("Dunlivo-test-message"));
        auto window = std::make_unique<MessageWindow>(kClass, kTitle);
        QVERIFY(window->isValid());
        QCOMPARE(FindWindow(kClass, kTitle), window->hwnd());
        QList<WPARAM> handled;
        window->setHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            handled.append(wParam);
            if (wParam == 1)
                window->destroyWindow();
            return msg == message ? LRESULT(wParam) + lParam : -1;
        });

        // From its own thread a send is a call; from another thread it waits for this loop.
        QCOMPARE(SendMessage(window->hwnd(), message, 20, 1), LRESULT(21));
        auto fromThread = sendInBackground(window->hwnd(), message, 30, 2);
        QVERIFY(waitReady(fromThread));
        QCOMPARE(fromThread.get(), LRESULT(32));

        // A handler that destroys its window: what was still waiting gets 0 and is not handled.
        const HWND hwnd = window->hwnd();
        QVERIFY(PostMessage(hwnd, message, 1, 0));
        auto late = sendInBackground(hwnd, message, 40, 0);
        QVERIFY(waitReady(late));
        QCOMPARE(late.get(), LRESULT(0));
        QCOMPARE(handled, (QList<WPARAM>{20, 30, 1}));
        QVERIFY(!IsWindow(hwnd));
        QVERIFY(windowFiles().isEmpty());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestWinMsg)
#include "tst_winmsg.moc"
