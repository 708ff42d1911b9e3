// The Archiver's findable window: class "APP_USER_WINDOW", title "Kovamark-archiváló". The panel
// finds the Archiver by it, sends it the registered message "Kovamark-main-message" with code 1
// (empty), 2 (archive the primary side now) or 3 (the secondary side), and stops it with WM_CLOSE.
#pragma once

#include "core/platform/messagewindow.h"

namespace archiver {

class Archiver;

inline constexpr char kWindowClass[] = "APP_USER_WINDOW";
inline constexpr char kWindowTitle[] = "Kovamark-archiv\xc3\xa1l\xc3\xb3";
inline constexpr char kMainMessage[] = "Kovamark-main-message";

enum Command : int { CommandEmpty = 1, CommandArchivePrimary = 2, CommandArchiveSecondary = 3 };

class ArchiverWindow : public win::MessageWindow
{
    Q_OBJECT
public:
    explicit ArchiverWindow(Archiver *archiver, QObject *parent = nullptr);

Q_SIGNALS:
    void closeRequested();

protected:
    win::LRESULT windowProc(win::UINT uMsg, win::WPARAM wParam, win::LPARAM lParam) override;

private:
    Archiver *m_archiver;
    win::UINT m_mainMessage;
};

} // namespace archiver
