// Path texts as the panel handles them: Windows folders with "\" separators, a drive root with
// its backslash, other folders without one; and the parts of the help command.
#pragma once

#include <QString>

// folder + name with exactly one backslash between them when both are non-empty: one is put in
// when neither side has it, and the name's is dropped when both have one.
QString JoinPath(const QString &folder, const QString &name);

// The path without its final backslash, unless it is exactly three characters long (a drive root
// such as C:\).
QString TrimTrailingBackslash(const QString &path);

// The program part of a registered open command: the text between the first two double quotes
// when the command starts with one, else the whole command.
QString BrowserProgram(const QString &openCommand);

// The command line that opens a file with the browser: its first "%1" replaced by the file, or the
// file appended after one blank when the command has no "%1" (in double quotes when it holds a
// blank, so that it stays one argument).
QString BrowserCommandLine(const QString &browserCommand, const QString &file);
