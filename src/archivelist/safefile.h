// Reading a whole file, and replacing a file so that it is never left torn or empty.
#pragma once

#include <QByteArray>
#include <QString>

namespace archivelist {

// Reads the host file at path. Returns false with a reason when it cannot be opened or read
// (a folder counts as unreadable).
bool readWholeFile(const QString &hostPath, QByteArray *data, QString *error);

// Replaces the host file at path by data: the bytes go to a new file in the same folder, reach
// the disk, and only then take the old file's place by a rename. On any failure the old file
// keeps its bytes, the new file is removed, and the reason is returned. A file that is read-only
// (its owner may not write it) is refused as Windows refuses to overwrite it. An existing file's
// permissions carry over; a link is followed so that the file it names is replaced.
bool replaceFileSafely(const QString &hostPath, const QByteArray &data, QString *error);

} // namespace archivelist
