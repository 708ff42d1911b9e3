// The main window's side of the destination chooser and the restore window: what each needs of
// the main window and the common dialogs, and the replacing of the archive list by the copy kept
// in an archive.
#pragma once

struct DirselectHost;
struct RewriteHost;
class TApp_user_window;

DirselectHost dirselectHost(TApp_user_window *main);
RewriteHost rewriteHost(TApp_user_window *main);

// Replaces the panel's archive list by the copy kept in a side's archive (side 1 primary, else
// secondary). Only a copy that reads without error replaces it; one that does not leaves the
// panel's list file and both trees as they were and is reported. The restore window's tree then
// shows the panel's list.
void RestoreArchiveList(TApp_user_window *main, int side);
