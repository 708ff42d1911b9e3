// One panel per prefix: the lock, the findable window and the request to come to the front.
#include "panelinstance.h"

#include "core/platform/messagewindow.h"
#include "core/platform/prefix.h"
#include "core/platform/privatefiles.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <utility>

#include <cerrno>
#include <sys/file.h>
#include <unistd.h>

namespace {
// The request of a second start; the window is the panel's own, so a fixed number is enough.
// A wParam of kWithStatus asks for the status window too.
constexpr win::UINT kComeToFront = win::WM_APP + 1;
constexpr win::WPARAM kWithStatus = 1;
// How long a second start looks for the window of a panel that holds the lock but is still
// being built.
constexpr int kFindWaitMs = 10000;
} // namespace

const QString PanelInstance::kWindowClass = QStringLiteral("DUNLIVO_PANEL");
const QString PanelInstance::kWindowTitle = QStringLiteral("Dunlivo panel");

PanelInstance::PanelInstance()
{
    if (!win::Prefix::ensure())
        return;
    QString error;
    m_lockFd = win::OpenPrivateFileForAppend(win::Prefix::path() + QStringLiteral("/panel.lock"),
                                             win::PrivateKind::LockFile, &error);
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        m_anotherRuns = errno == EWOULDBLOCK;
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    // Without a lock file a running panel is still found by its window.
    if (m_lockFd < 0 && !m_anotherRuns)
        m_anotherRuns = win::FindWindow(kWindowClass, kWindowTitle) != nullptr;
    if (m_anotherRuns)
        return;
    m_window = std::make_unique<win::MessageWindow>(kWindowClass, kWindowTitle);
    m_window->setHandler([this](win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) -> win::LRESULT {
        if (msg != kComeToFront)
            return m_window->defWindowProc(msg, wParam, lParam);
        m_requested = true;
        m_statusRequested = m_statusRequested || wParam == kWithStatus;
        if (m_main)
            answer();
        return 1;
    });
}

PanelInstance::~PanelInstance()
{
    m_window.reset();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool PanelInstance::bringOtherToFront(bool status) const
{
    const QDeadlineTimer deadline(kFindWaitMs);
    do {
        if (const win::HWND other = win::FindWindow(kWindowClass, kWindowTitle)) {
            if (win::PostMessage(other, kComeToFront, status ? kWithStatus : 0, 0))
                return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    QTextStream(stderr) << "dunlivo: another panel uses this prefix, but its window does not answer"
                        << Qt::endl;
    return false;
}

void PanelInstance::listen(QWidget *window, std::function<void()> showStatus)
{
    m_main = window;
    m_showStatus = std::move(showStatus);
    if (m_requested && m_main)
        answer();
}

void PanelInstance::answer()
{
    m_requested = false;
    const bool status = std::exchange(m_statusRequested, false);
    comeToFront();
    // The status window is modal: it is opened from the event loop, not inside the message's
    // handler.
    if (status && m_showStatus)
        QTimer::singleShot(0, this, [this] {
            if (m_main)
                m_showStatus();
        });
}

void PanelInstance::comeToFront()
{
    if (m_main->isMinimized())
        m_main->setWindowState(m_main->windowState() & ~Qt::WindowMinimized);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
    // A question open over the main window stays in front of it.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != m_main) {
        modal->raise();
        modal->activateWindow();
    }
}
