// The panel's link to the Archiver.
#include "communicator.h"

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

void Communicator::SendArchivePrimary(win::HWND window) const
{
    send(window, ArchivePrimary);
}

void Communicator::SendArchiveSecondary(win::HWND window) const
{
    send(window, ArchiveSecondary);
}

void Communicator::SendEmptyArchive(win::HWND window) const
{
    send(window, EmptyArchive);
}

void Communicator::send(win::HWND window, Code code) const
{
    // Without a registered message (the prefix could not be used) there is nothing the Archiver
    // would understand; message 0 would reach it as WM_NULL.
    if (m_mainMessage == 0)
        return;
    win::SendMessage(window, m_mainMessage, win::WPARAM(code), win::LPARAM(code));
}
