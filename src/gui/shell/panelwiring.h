// The shell's side of the panel's smaller windows: the common dialogs they use, the folder walk
// the language and texture windows list their files with, and the connecting of their signals to
// the main window.
#pragma once

#include "gui/appearance/choicelist.h"
#include "gui/appearance/paneldialogs.h"

class DunlivoPanel;
class TApp_user_window;

// The panel's confirmation, information and progress windows and the main window's report of a
// registry failure.
class ShellDialogs : public PanelDialogs
{
public:
    explicit ShellDialogs(DunlivoPanel &panel) : m_panel(panel) {}

    bool ask(const QString &first, const QString &second, bool delayedYes) override;
    void inform(const QString &first, const QString &second) override;
    void showProgress(const QString &line) override;
    void progressDone() override;
    void registryFailed(const ConfigError &error) override;

private:
    DunlivoPanel &m_panel;
};

// The directory walker's listing of a folder's files, links that lead out of it not walked.
class WalkedFolderFiles : public FolderFiles
{
public:
    QStringList files(const QString &folder, const QString &extension) override;
};

// Connects the smaller windows' signals to the main window; once, after all windows exist.
void wireWindows(DunlivoPanel &panel);

// Replaces the panel's archive list by the copy kept in a side's archive. Only a copy that reads
// without error replaces it; one that does not leaves the panel's list file and both trees as
// they were and is reported. The restore window's tree then shows the panel's list.
void RestoreArchiveList(TApp_user_window *main, bool primary);
