// The commands that Windows runs at log-in: every string value of
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run in the current prefix.
#pragma once

#include <QStringList>

// The command lines in the order the values were made; values that are no text are skipped.
// Empty when the prefix has no registry yet (the user never used the programs): reading it must
// not make one.
QStringList RunKeyCommands();
