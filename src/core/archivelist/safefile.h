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

// How a replacement treats a link standing at the file's place.
enum class AtLink {
    // The file the link names is replaced, the link stays, but only when that file could be read
    // (readWholeFile): a list is never written through a link it would not be read through.
    // Otherwise the link itself is replaced.
    FollowReadable,
    // The link itself is replaced by the new file; the file it names is left as it is.
    Replace,
};

// Replaces the host file at path by data: the bytes go to a new file in the same folder, reach
// the disk, and only then take the old file's place by a rename. On any failure the old file
// keeps its bytes, the new file is removed, and the reason is returned. A file that is read-only
// (its owner may not write it) is refused as Windows refuses to overwrite it. An existing file's
// permissions carry over.
bool replaceFileSafely(const QString &hostPath, const QByteArray &data, QString *error,
                       AtLink atLink = AtLink::FollowReadable);

// Keeps a damaged file's bytes at keptPath before the file is rewritten: a copy when the file
// can be read, otherwise (a FIFO, a device, a file past the size limit) the file itself moves
// there. A link at hostPath is then replaced by a plain copy of those bytes, so that the rewrite
// that follows never reaches the file the link names. Nothing is written through a link at
// keptPath. False when the bytes could not be kept.
bool keepDamagedFile(const QString &hostPath, const QString &keptPath);

} // namespace archivelist
