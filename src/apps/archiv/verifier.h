// Reading an archive side back: every current copy and every earlier version read whole, a
// compressed one decoded with its bzip2 CRCs, a plain one against the checksum recorded when it
// was written. A damaged current copy is marked in the checksum record, so the side's next run
// archives it afresh; a damaged earlier version is only reported.
#pragma once

#include "archivetarget.h"

#include "core/archiveinfo/checksumrecord.h"

#include <QString>

#include <atomic>
#include <functional>

namespace archiver {

enum class CopyCheck {
    Sound,
    Damaged, // wrong checksum or size, a bzip2 stream that does not decode, or unreadable
    Missing,
    Stopped,
};

struct CheckOutcome
{
    CopyCheck result = CopyCheck::Sound;
    QString why;
    // The copy as it was read.
    qint64 size = 0;
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
};

// Reads the copy at path (below the root, backslashes) whole, never through a link: a compressed
// one (compressed form and a ".bz2" name) decoded, a plain one against entry when entry describes it
// (otherwise read for readability only).
CheckOutcome checkCopy(int rootFd, const QString &path, bool compressed, const ChecksumEntry *entry,
                       const std::atomic<bool> &stop);

// Marks the damaged current copies in the record, under its lock: the next run takes them for not
// current. Only copies that were still as they were read are marked.
void markDamaged(int rootFd, const std::vector<std::pair<QString, CheckOutcome>> &damaged);

class Verifier
{
public:
    using Line = std::function<void(const QString &)>;
    struct Result
    {
        bool reached = false;
        bool whole = false; // every file was read to its end (damaged or not)
        qint64 files = 0;
        qint64 findings = 0;
    };

    // finding gets each finding's line as it is confirmed; threads decode at once.
    Verifier(Side side, SideSettings settings, int threads, Line finding);
    Result run(const std::atomic<bool> &stop);

private:
    Side m_side;
    SideSettings m_settings;
    int m_threads;
    Line m_finding;
};

} // namespace archiver
