// Reading a whole file, and replacing a file so that it is never left torn or empty.
#pragma once

#include <QByteArray>
#include <QString>

namespace archivelist {

// The largest list file read: far above any real list, and small enough that a link to an
// endless device or a runaway file cannot exhaust memory.
constexpr qint64 kMaxListFileSize = 64 * 1024 * 1024;

// Reads the host file at path. Only a regular file is read (a folder, a FIFO or a device is
// refused without waiting for a writer), and only up to maxSize bytes: a larger file is refused.
// Returns false with a reason when it cannot be opened or read.
bool readWholeFile(const QString &hostPath, QByteArray *data, QString *error,
                   qint64 maxSize = kMaxListFileSize);

// Replaces the host file at path by data: the bytes go to a new file in the same folder, reach
// the disk, and only then take the old file's place by a rename. On any failure the old file
// keeps its bytes, the new file is removed, and the reason is returned. A file that is read-only
// (its owner may not write it) is refused as Windows refuses to overwrite it. An existing file's
// permissions carry over; a link is followed so that the file it names is replaced.
bool replaceFileSafely(const QString &hostPath, const QByteArray &data, QString *error);

// Keeps a damaged file's bytes at keptPath before the file is rewritten: a copy when the file
// can be read, otherwise (a FIFO, a device, a file past the size limit) the file itself moves
// there. False when neither worked.
bool keepDamagedFile(const QString &hostPath, const QString &keptPath);

} // namespace archivelist
