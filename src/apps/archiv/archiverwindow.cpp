// The Archiver's window procedure.
#include "archiverwindow.h"

#include "archiver.h"

namespace archiver {

ArchiverWindow::ArchiverWindow(Archiver *archiver, QObject *parent)
    : win::MessageWindow(QString::fromUtf8(kWindowClass), QString::fromUtf8(kWindowTitle), parent),
      m_archiver(archiver), m_mainMessage(win::RegisterWindowMessage(QString::fromUtf8(kMainMessage)))
{
}

win::LRESULT ArchiverWindow::windowProc(win::UINT uMsg, win::WPARAM wParam, win::LPARAM lParam)
{
    if (m_mainMessage != 0 && uMsg == m_mainMessage) {
        // The panel gives the code as both parameters; the word parameter decides.
        switch (int(wParam)) {
        case CommandEmpty:
            m_archiver->emptyNow();
            break;
        case CommandArchivePrimary:
            m_archiver->archiveNow(Side::Primary);
            break;
        case CommandArchiveSecondary:
            m_archiver->archiveNow(Side::Secondary);
            break;
        default:
            break;
        }
        return 0;
    }
    if (uMsg == win::WM_CLOSE) {
        m_archiver->stopAll();
        destroyWindow();
        Q_EMIT closeRequested();
        return 0;
    }
    return win::MessageWindow::windowProc(uMsg, wParam, lParam);
}

} // namespace archiver
