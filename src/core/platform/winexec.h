// Starting programs from a Windows command line.
#pragma once

#include "wintypes.h"

#include <QString>
#include <QStringList>

namespace win {

enum : UINT { SW_HIDE = 0, SW_SHOWNORMAL = 1 };

// Starts the program of a command line detached and returns at once: 33 when it started, a code
// below 32 when it did not (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, 0 when it could not be
// started at all). The program's path and every argument that is a drive-letter path are turned
// into host paths; "X.exe" is found as a host file "X.exe" or, failing that, "X", without regard to
// case. An unquoted program path with spaces is tried word by word, as Windows does.
UINT WinExec(const QString &lpCmdLine, UINT uCmdShow);

// The arguments of a command line as Windows splits them (quotes group, backslashes escape a
// quote only when they precede one).
QStringList SplitCommandLine(const QString &commandLine);

// What WinExec would run: the host program and its host arguments. False with a code below 32
// when the program cannot be found.
bool ResolveCommandLine(const QString &commandLine, QString *program, QStringList *arguments, UINT *error);

} // namespace win
