// ArchiverCommands: the main window's Archiver commands: the start/stop button and its caption, the
// 3-second status poll with the status light, the status window, the manual archiving window in
// both of its uses and the archiving of a side on request.
#pragma once

#include "core/archiverlink/communicator.h"

#include <QPoint>
#include <QString>

#include <functional>

class PanelDialogs;
class SettingsPage;
class StartPage;
class Tconfig;
class TkovaProvider;
class Tman_archF;
class TstatusF;
class TvarakozF;
struct OpeningPlace;

class ArchiverCommands
{
public:
    // communicator: the main window's link to the Archiver; the settings page (given when first
    // asked for) carries the start/stop button and the confirmation box, the start page the status
    // light; provider gives the texts.
    ArchiverCommands(Communicator &communicator, Tconfig &config, std::function<SettingsPage &()> settings,
                     StartPage &start, PanelDialogs &dialogs, TkovaProvider *provider, QString programDir);

    Communicator &communicator() { return m_communicator; }
    // The windows the commands open, created after the main window; each may stay null.
    void setWindows(Tman_archF *manual, TvarakozF *wait, TstatusF *status);

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
    // The start page's health lines; a setting that cannot be read leaves them (the poll reports it).
    void showHealth();
    // Shows the status window at a point of the screen.
    void showStatus(QPoint at);
    // Opens the manual archiving window, for archiving or for choosing the archive to restore from.
    void openManualArchiving(bool restoreMode, const OpeningPlace &place);
    // Asks the running Archiver to archive a side now; unsaved settings (settingsChanged) are saved
    // first, or, with confirmations on, the user is asked to save them. False when a registry
    // failure abandoned it.
    bool archiveNow(bool primary, bool settingsChanged);

private:
    QString text(const QString &key) const;

    Communicator &m_communicator;
    Tconfig &m_config;
    std::function<SettingsPage &()> m_settings;
    StartPage &m_start;
    PanelDialogs &m_dialogs;
    TkovaProvider *m_provider;
    QString m_programDir;
    Tman_archF *m_manual = nullptr;
    TvarakozF *m_wait = nullptr;
    TstatusF *m_status = nullptr;
    // The registry failure the poll reported last; cleared by a tick that reads everything.
    QString m_reportedFailure;
};
