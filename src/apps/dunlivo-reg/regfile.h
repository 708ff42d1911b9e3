// .reg files: the text form in which keys are exported and imported.
#pragma once

#include "keyname.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The "Windows Registry Editor Version 5.00" text of a key and everything below it, CRLF lines,
// UTF-8. False with a reason when the key cannot be read.
bool exportKey(const KeyName &key, QByteArray *text, QString *error);

// Applies a .reg file (5.00 in UTF-8 or UTF-16LE with a byte-order mark, or REGEDIT4). Every line
// that can be applied is; the problems are listed in errors. False when the file is not a
// registry script or some line failed.
bool importText(const QByteArray &bytes, QStringList *errors);
