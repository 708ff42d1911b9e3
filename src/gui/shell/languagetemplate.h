// The translators' starting file: `dunlivo --language-template FILE` writes a language file that
// holds every key the panel's windows register, once, with its English text, in registration order.
#pragma once

#include <QStringList>

// Every registered key with its English text, as "key=text" lines in registration order: the
// windows of a panel built (not shown) for the purpose, registered as the main window registers
// them, and their English defaults loaded. A key that several windows register appears once,
// with the text that the lookup finds (the first). Empty when the panel cannot be built.
QStringList RegisteredTexts();

// The lines as a language file's bytes: UTF-8 (the code page of a new prefix), each line ended by
// CR LF.
QByteArray LanguageFileBytes(const QStringList &lines);

// Runs `dunlivo --language-template FILE` (argv[1] is the option): builds the panel's windows
// offscreen on a throwaway prefix, so that the user's settings and autostart entry are never
// touched, and writes the template to FILE as a whole. Returns the exit code; failures are told
// on the standard error.
int RunLanguageTemplate(int &argc, char **argv);
