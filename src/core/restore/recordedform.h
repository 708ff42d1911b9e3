// The form an archive's own record says its files are in, as the restore reads it.
#pragma once

#include <QString>

namespace restore {

struct RecordedForm
{
    bool known = false;      // the archive holds a readable record
    bool compressed = true;  // the form of its files, when known and not converting
    bool converting = false; // the Archiver is moving the files to the other form
};

// Reads the record of the archive root at the Windows path root. An archive without one (written
// before archives held a record) is not known: the side's flag tells its form then.
RecordedForm recordedForm(const QString &root);

} // namespace restore
