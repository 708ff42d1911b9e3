// The form record: a small file of the Archiver's own in an archive root that says which form the
// archived files are in (compressed or plain), and, while the archive is being converted to the
// other form, how far the conversion has got. An archived file counts only in the recorded form,
// so a plain file that happens to end in ".bz2" is never taken for the compressed copy of another.
// The record also tells the Archiver that a folder is the archive it wrote: an archive folder
// without it, where the side has been archived before, is on some other disk.
#pragma once

#include "archivestate.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>

namespace archiver {

inline constexpr char kFormRecordName[] = "archiv.form";
// The list of the files a conversion works through lies beside the record while it lasts, named
// with this prefix and the number the record gives; a list is replaced by one under a new number,
// so the record never points at a list it was not written for.
inline constexpr char kConversionListPrefix[] = "archiv.convert-";

struct FormRecord
{
    bool compressed = true; // the form every archived file is in, apart from a conversion's progress
    bool converting = false;
    qint64 list = 0; // the number of the conversion's list
    // While converting: the list's entries before `done` are in the new form, apart from those in
    // `failed`, which are still in the old one; the old forms of the entries from `committed` to
    // `done` may still be there beside their new ones.
    qint64 committed = 0;
    qint64 done = 0;
    QList<qint64> failed;

    bool targetCompressed() const { return converting ? !compressed : compressed; }
    QByteArray toBytes() const;
    // False for bytes that are no record of this kind.
    static bool fromBytes(const QByteArray &bytes, FormRecord *record);
};

enum class RecordRead { Present, Absent, Damaged };
// Reads the record of the root open in rootFd.
RecordRead readFormRecord(int rootFd, FormRecord *record);
// Replaces the record, durably: the data and the name are on the disk when this returns true.
bool writeFormRecord(int rootFd, const FormRecord &record);

// Writes a file of the root durably under a temporary name and renames it into place (used for the
// record and the conversion's list). False with errno set.
bool writeRootFileDurably(int rootFd, const QByteArray &name, const QByteArray &bytes);

// Reads exactly size bytes, going on after an interrupted read; false at an error or an early end.
bool readExactly(int fd, char *data, size_t size);

// Whether the root holds nothing at all, or nothing but the run folders of its versions area.
bool isEmptyFolder(int rootFd);

// Whether the folder open in rootFd is this side's archive: it holds the record, or it is empty
// (a new archive: the destination was chosen anew and its archive folder made), or the side has
// never been archived (the folder is taken on as it is). Otherwise why says what is wrong.
bool isOwnArchive(int rootFd, bool archivedBefore, const QString &rootPath, QString *why);

} // namespace archiver
