// The shell's side of the panel's smaller windows: the folder walk the language and texture
// windows list their files with, and the connecting of their signals to the main window.
#pragma once

#include "gui/appearance/choicelist.h"

class PanelDialogs;
class TApp_user_window;
class TaboutF;
class TbackgroundF;
class TdirselectF;
class TextlistF;
class TlanguageF;
class Tman_archF;
class TrewriteF;
class TstatusF;
class TvarakozF;

// The directory walker's listing of a folder's files, links that lead out of it not walked.
class WalkedFolderFiles : public FolderFiles
{
public:
    QStringList files(const QString &folder, const QString &extension) override;
};

// The windows the main window opens or tells, as the panel created them.
struct PanelWindows
{
    TApp_user_window *main;
    TaboutF *about;
    Tman_archF *manualArchiving;
    TvarakozF *wait;
    TextlistF *extensionList;
    TdirselectF *destinations;
    TrewriteF *restore;
    TlanguageF *language;
    TbackgroundF *background;
    TstatusF *status;
};

// Gives the main window the windows it opens and connects their signals to it; once, after all
// windows exist. dialogs tells what the main window's handlers have to say.
void wireWindows(const PanelWindows &windows, PanelDialogs &dialogs);

// Replaces the panel's archive list by the copy kept in a side's archive. Only a copy that reads
// without error replaces it; one that does not leaves the panel's list file and both trees as
// they were and is reported. The restore window's tree then shows the panel's list.
void RestoreArchiveList(TApp_user_window &main, TrewriteF &restore, PanelDialogs &dialogs, bool primary);
