// Communicator: the panel's link to the Archiver. The Archiver is found by its window's class and
// title, commanded with the registered message and a code (sent, so the caller waits until the
// Archiver has handled it) and stopped with WM_CLOSE (posted). Callers look the window up right
// before each command; no handle is kept, so an Archiver started anew is found under its new one.
#pragma once

#include "platform/winmsg.h"

#include <QString>

class Communicator
{
public:
    // The Archiver's window: both must match exactly.
    static QString windowClass();
    static QString windowTitle();
    // The name the message of the Archiver's commands is registered under.
    static QString mainMessageName();

    // The command codes, given as both parameters of the message.
    enum Code : int { EmptyArchive = 1, ArchivePrimary = 2, ArchiveSecondary = 3 };

    // Registers the message of the commands and keeps its number.
    void RegisterMainMessage();
    win::UINT mainMessage() const { return m_mainMessage; }

    // The Archiver's window; null while the Archiver does not run.
    win::HWND FindArchiver() const;
    // Asks the Archiver to end and returns at once.
    void CloseArchiver(win::HWND window) const;
    // Each sends its code and returns once the Archiver has handled it; nothing happens when the
    // window has gone in the meantime.
    void SendArchivePrimary(win::HWND window) const;
    void SendArchiveSecondary(win::HWND window) const;
    void SendEmptyArchive(win::HWND window) const;

private:
    void send(win::HWND window, Code code) const;

    win::UINT m_mainMessage = 0;
};
