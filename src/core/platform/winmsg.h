// Window messages between programs: registered messages, finding a window by class and title,
// posting and sending.
//
// A program owns a findable window through MessageWindow (messagewindow.h). Each window listens on
// a Unix socket in the prefix's windows/ folder, next to a small registration file that names its
// class and title and that the owner keeps locked while it lives, so a window whose program has
// gone (even by a crash) is never found again. A handle names one life of one window: a restarted
// owner gets a new one, and the old handle reaches nothing.
#pragma once

#include "wintypes.h"

#include <QString>

#include <cstdint>

namespace win {

struct HWND__;
using HWND = HWND__ *;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

enum : UINT {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_USER = 0x0400,
    WM_APP = 0x8000,
};

// The range of numbers RegisterWindowMessage hands out.
inline constexpr UINT kFirstRegisteredMessage = 0xC000;
inline constexpr UINT kLastRegisteredMessage = 0xFFFF;

// A number in 0xC000..0xFFFF for a name, the same in every process of the prefix for as long as the
// prefix exists; names compare without regard to case. 0 for an empty name, a name longer than 255
// characters, a full table, or a prefix that cannot be used.
UINT RegisterWindowMessage(const QString &lpString);

// The live window whose class and title are exactly these (case and all); null when there is none.
// Of several, the one created last. Does not need the owner's event loop, so a busy owner is found.
HWND FindWindow(const QString &lpClassName, const QString &lpWindowName);

// Nonzero while the window of this handle exists.
BOOL IsWindow(HWND hWnd);

// Queues the message for the window and returns at once: nonzero when it was queued, 0 when the
// window has gone or its queue is full. Messages posted from one thread arrive in the order posted.
BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Delivers the message and waits, without a time limit, until the owner's handler has returned; gives
// the handler's result. Returns 0 at once, with no effect, when the window has gone, and 0 when it
// goes before handling the message. A send from the thread that owns the window calls its handler
// directly.
LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// Flags of SendMessageTimeout.
enum : UINT {
    // The caller's own events (painting, timers; not user input) are handled while it waits.
    SMTO_NORMAL = 0x0000,
    // The caller handles nothing while it waits.
    SMTO_BLOCK = 0x0001,
};

// The result code of a send that timed out.
inline constexpr DWORD ERROR_TIMEOUT = 1460;

// As SendMessage, but waits at most uTimeout milliseconds for the handler. Nonzero when the
// handler returned in time, with its result in *lpdwResult; 0 otherwise, with GetLastError()
// ERROR_TIMEOUT when the time ran out (the message may still be handled later: it has been
// delivered, or the owner was too busy to take it) and ERROR_INVALID_HANDLE when the window has
// gone. With SMTO_NORMAL, a caller on the application's thread keeps handling its own events.
LRESULT SendMessageTimeout(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                           LRESULT *lpdwResult);

} // namespace win
