// Keeping an archive side in the form its compression flag asks for. Before a run, the side's
// archive folder is checked against its form record (a folder that is not this side's archive is
// refused) and, when the flag and the record differ, every archived file below the folder is
// converted in place into the other form: compressed to name.bz2 or decompressed to name, with its
// modification time, whether or not it is still listed or at its source. Each new file is written
// under a temporary name and renamed into place; the old forms of a batch of files are removed
// only once the new ones are on the disk and the record says so. A conversion that is stopped goes
// on at the next run; a file that fails stays in its old form and is tried again at the next run.
#pragma once

#include "archivefiles.h"
#include "core/archiveinfo/archiveform.h"
#include "core/archiveinfo/archivelayout.h"
#include "core/archiveinfo/archivestate.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace archiver {

class ArchiveLog;
class ArchiveTarget;

class ArchiveConversion
{
public:
    // compressed is the side's flag; threads how many files are converted at once.
    ArchiveConversion(const ArchiveTarget &target, bool compressed, int threads,
                      const std::atomic<bool> &stop, ArchiveLog *log, QString label);

    struct Outcome
    {
        StateCode state = StateCorrect; // the first failure, as a run reports it
        bool stopped = false;
        bool mayRun = true; // the archive is in the flag's form (apart from files still to be tried again)
        int converted = 0;
        int failed = 0;
    };
    // Makes the archive's form the flag's. archivedBefore: the side has a last-run time.
    Outcome prepare(bool archivedBefore);

    // Whether the run must not write this archived name: it is the old form of a file whose
    // conversion is still to be tried again, and the only copy of it there may be.
    bool blocks(const ArchivedLocation &location) const;
    // The state a file blocked so reports.
    StateCode blockedState() const { return m_pendingState; }

    // After the run and its flush: a file still to be converted that the run has just archived anew
    // in the new form needs its old form no more.
    void afterRun();

    using Entry = ArchivedFile;

    // What became of one file.
    enum class FileDone {
        Converted,
        Gone,     // no longer there: nothing to convert
        Failed,   // left in the old form
        Deferred, // left in the old form: its new name is held by another file's old form
        Stopped,
        Pending, // handed to the committer, which fills in the result
    };
    struct FileResult
    {
        FileDone done = FileDone::Failed;
        StateCode state = StateCorrect;
        int error = 0;
    };

private:
    Outcome convert(FormRecord record, QList<Entry> entries);
    // Converts the files from start to end of the list, on the threads; report is called for each
    // failure, from the thread that met it.
    std::vector<FileResult> convertRange(const QList<Entry> &entries, qint64 start, qint64 end,
                                         bool toCompressed, const QSet<qint64> &deferred,
                                         const std::function<void(const Entry &, const FileResult &)> &report,
                                         std::atomic<bool> &diskFull) const;
    bool startConversion(FormRecord *record, QList<Entry> *entries);
    bool loadList(const FormRecord &record, QList<Entry> *entries);
    bool replaceList(FormRecord *record, const QList<Entry> &entries);
    QByteArray newName(const QByteArray &oldName, bool toCompressed) const;
    void setPending(const FormRecord &record, const QList<Entry> &entries, StateCode state);

    const ArchiveTarget &m_target;
    bool m_compressed;
    int m_threads;
    const std::atomic<bool> &m_stop;
    ArchiveLog *m_log;
    QString m_label;

    // Files still in their old form after a conversion pass, by their old relative path.
    QSet<QByteArray> m_pendingOld;
    QList<Entry> m_pending;
    FormRecord m_pendingRecord;
    StateCode m_pendingState = StateCorrect;
};

// Opens a side's archive root for a run, making a missing archive folder, unless the side has been
// archived before and its destination is there without it: then the disk the archive was written
// to is not there (an unmounted disk leaves its empty mount folder behind), and StateCantReach
// keeps the run from starting a new archive on whatever disk holds that folder.
StateCode openSideArchive(ArchiveTarget &target, const SideSettings &settings, QString *why);

} // namespace archiver
