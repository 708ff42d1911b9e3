// ArchiverCommands: the main window's Archiver commands: the start/stop button and its caption, the
// 3-second status poll with the status light, the status window, the manual archiving window in
// both of its uses and the archiving of a side on request. It owns the link to the Archiver.
#pragma once

#include "core/archiverlink/communicator.h"

#include <QString>

class TApp_user_window;

class ArchiverCommands
{
public:
    explicit ArchiverCommands(TApp_user_window *main);

    Communicator &communicator() { return m_communicator; }

    // The start/stop button: starts the Archiver when it does not run, else stops it through the
    // wait window, each after the confirmation when confirmations are on.
    void StartStop();
    // The start/stop button's caption follows the Archiver's presence.
    void UpdateStartStopCaption();
    // One tick of the status poll: the caption, the status light and the status window. A registry
    // failure is reported once, not at every tick while it lasts.
    void pollStatus();
    // The status light: yellow while both archives report 0, red otherwise.
    void setStatusLight();
    // Places the status window beside the status button and shows it.
    void showStatus();
    // Opens the manual archiving window, for archiving or for choosing the archive to restore from.
    void openManualArchiving(bool restoreMode);
    // Asks the running Archiver to archive a side now; unsaved settings are saved first, or, with
    // confirmations on, the user is asked to save them. False when a registry failure abandoned it.
    bool archiveNow(bool primary);

private:
    QString text(const QString &key) const;
    void showInfo(const QString &firstLine, const QString &secondLine);

    TApp_user_window *m_main;
    Communicator m_communicator;
    // The registry failure the poll reported last; cleared by a tick that reads everything.
    QString m_reportedFailure;
};
