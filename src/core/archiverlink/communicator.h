// Communicator: the panel's link to the Archiver. The Archiver is found by its window's class and
// title, commanded with the registered message and a code (sent, so the caller waits until the
// Archiver has handled it) and stopped with WM_CLOSE (posted). Callers look the window up right
// before each command; no handle is kept, so an Archiver started anew is found under its new one.
#pragma once

#include "core/platform/winmsg.h"

#include <QString>

#include <functional>

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
    // Each sends its code and returns once the Archiver has handled it. The panel goes on painting
    // while it waits, and waits at most the command time. A command that is not confirmed is
    // reported, never dropped: an Archiver that has ended before handling it (its window gone,
    // closed, crashed or killed) through the not-active call, one that has not handled it by
    // then (hung, stopped, or busy in a call that blocks) through the not-answering call. False
    // in both cases.
    bool SendArchivePrimary(win::HWND window) const;
    bool SendArchiveSecondary(win::HWND window) const;
    bool SendEmptyArchive(win::HWND window) const;

    // The longest wait for a command; emptying a large archive is the slowest one.
    static constexpr int kDefaultCommandTimeoutMs = 60000;
    void setCommandTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Called after a command that was not handled in time.
    void setOnNotAnswering(std::function<void()> call) { m_notAnswering = std::move(call); }
    // Called after a command whose Archiver ended before it handled it.
    void setOnNotActive(std::function<void()> call) { m_notActive = std::move(call); }

private:
    bool send(win::HWND window, Code code) const;

    win::UINT m_mainMessage = 0;
    int m_timeoutMs = kDefaultCommandTimeoutMs;
    std::function<void()> m_notAnswering;
    std::function<void()> m_notActive;
};
