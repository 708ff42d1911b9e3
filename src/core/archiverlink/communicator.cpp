// The panel's link to the Archiver.
#include "communicator.h"

#include "core/platform/files.h"

QString Communicator::windowClass()
{
    return QStringLiteral("APP_USER_WINDOW");
}

QString Communicator::windowTitle()
{
    return QString::fromUtf8("Kovamark-archiv\xc3\xa1l\xc3\xb3");
}

QString Communicator::mainMessageName()
{
    return QStringLiteral("Kovamark-main-message");
}

void Communicator::RegisterMainMessage()
{
    m_mainMessage = win::RegisterWindowMessage(mainMessageName());
}

win::HWND Communicator::FindArchiver() const
{
    return win::FindWindow(windowClass(), windowTitle());
}

void Communicator::CloseArchiver(win::HWND window) const
{
    win::PostMessage(window, win::WM_CLOSE, 0, 0);
}

bool Communicator::SendArchivePrimary(win::HWND window) const
{
    return send(window, ArchivePrimary);
}

bool Communicator::SendArchiveSecondary(win::HWND window) const
{
    return send(window, ArchiveSecondary);
}

bool Communicator::SendEmptyArchive(win::HWND window) const
{
    return send(window, EmptyArchive);
}

bool Communicator::send(win::HWND window, Code code) const
{
    // Without a registered message (the prefix could not be used) there is nothing the Archiver
    // would understand; message 0 would reach it as WM_NULL.
    if (m_mainMessage == 0)
        return true;
    win::LRESULT result = 0;
    if (win::SendMessageTimeout(window, m_mainMessage, win::WPARAM(code), win::LPARAM(code), win::SMTO_NORMAL,
                                win::UINT(m_timeoutMs), &result))
        return true;
    // A timed-out command was delivered, or waits for the Archiver to take it, and may still be
    // carried out; any other failure means the Archiver is gone and the command with it.
    const std::function<void()> &report =
        win::GetLastError() == win::ERROR_TIMEOUT ? m_notAnswering : m_notActive;
    if (report)
        report();
    return false;
}
