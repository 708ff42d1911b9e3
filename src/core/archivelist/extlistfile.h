// ext.lst, the catalogue of known extensions: one entry per line, CR LF, ANSI code page.
#pragma once

#include "listerror.h"

#include <QStringList>

#include <optional>

// The entries of the catalogue at fileName, a Windows path. Lines may end in CR LF, LF or CR.
// Returns nothing when the file does not exist; throws ListFileError when it exists but cannot
// be read.
std::optional<QStringList> readExtList(const QString &fileName);

// Writes entries to the catalogue at fileName, a Windows path, one per line ended by CR LF. An
// entry with a line break or a character outside the code page is refused before anything is
// written. The file is replaced whole: on any failure the previous file stays as it was, and
// ListFileError says why.
void writeExtList(const QString &fileName, const QStringList &entries);
