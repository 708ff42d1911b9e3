// ArchiverHooks: the main window's side of the Archiver. It gives the Archiver's windows what they
// need of the main window (MainWindowLink) and holds the main window's Archiver commands: the
// start/stop button and its caption, the 3-second status poll with the status light, the status
// window and the manual archiving window in both of its uses.
#pragma once

#include "core/archiverlink/communicator.h"
#include "gui/archiverwindows/mainwindowlink.h"

class TApp_user_window;

class ArchiverHooks : public MainWindowLink
{
public:
    explicit ArchiverHooks(TApp_user_window *main);

    // The start/stop button: starts the Archiver when it does not run, else stops it through the
    // wait window, each after the confirmation when confirmations are on.
    void StartStop();
    // The start/stop button's caption follows the Archiver's presence.
    void UpdateStartStopCaption();
    // One tick of the status poll: the caption, the status light and the status window. A registry
    // failure is reported once, not at every tick while it lasts.
    void Timer1Timer();
    // The status light: yellow while both archives report 0, red otherwise.
    void setStatusLight();
    // Places the status window beside the status button and shows it.
    void showStatus();
    // Opens the manual archiving window, for archiving or for choosing the archive to restore from.
    void openManualArchiving(bool restoreMode);

    // MainWindowLink
    QPoint mainWindowPosition() const override;
    bool zoomedIn() const override;
    QPoint pressPosition() const override;
    bool settingsChanged() const override;
    bool confirmationOn() const override;
    void saveSettings() override;
    QString dirName(int side) const override;
    const TTreeList &archiveList() const override;
    Tconfig &config() override;
    Communicator &communicator() override { return m_communicator; }
    TrewriteF *restoreWindow() const override;
    QString text(const QString &key) const override;
    void showInfo(const QString &firstLine, const QString &secondLine) override;
    bool guarded(const std::function<void()> &body) override;

private:
    TApp_user_window *m_main;
    Communicator m_communicator;
    // The registry failure the poll reported last; cleared by a tick that reads everything.
    QString m_reportedFailure;
};
