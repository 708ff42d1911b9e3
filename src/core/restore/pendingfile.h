// PendingFile: one file of a restore made ready beside its target (decompressed from a bzip2
// member, or copied from a plain one) and put in the target's place only when asked. Making it
// ready may run on any thread; the restore puts the files in place one by one, in its own order.
// Everything it does at the target goes through the target folder's descriptor.
#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

namespace restore {
class TargetFolder;
}
namespace win {
class HostPathCache;
}

class PendingFile
{
public:
    // How the finished file takes the target's place.
    enum class Kind {
        Decompressed, // takes over the permissions, owner and attributes of a target it replaces
        Copied,       // keeps the source's permissions, attributes and times, as a copy does
    };

    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // How often (in bytes of output) a decompression reads the free space of the target's disk.
    static constexpr qint64 kSpaceCheckInterval = 4 * 1024 * 1024;
    // The free space a decompression leaves on a disk of diskSize bytes: 1 % of it, at least
    // 64 MiB and at most 1 GiB, so that a decompression bomb never fills a disk, and a large
    // disk keeps room enough for the system and the user's programs.
    static qint64 defaultReserve(qint64 diskSize);

    // Decompresses the bzip2 file source (Windows path) into a temporary file in folder, for the
    // target named name there. A source of zero bytes is a damaged member (-2): the Archiver never
    // writes one. The output stops as a full disk (DecompressDiskFull) when writing on could leave
    // less than reserve bytes free on the target's disk (negative: defaultReserve of that disk).
    // paths: where the member's path is looked up (see win::HostPathCache); none: afresh. host:
    // the member's host path when the caller has looked it up already (paths is then not used).
    static std::unique_ptr<PendingFile> decompress(const QString &source,
                                                   std::shared_ptr<const restore::TargetFolder> folder,
                                                   const QString &name, qint64 reserve = -1,
                                                   win::HostPathCache *paths = nullptr,
                                                   const QString &host = QString());
    // The same for the target at the Windows path target, whose folder must exist.
    static std::unique_ptr<PendingFile> decompress(const QString &source, const QString &target,
                                                   qint64 reserve = -1);
    // Copies the plain file source into a temporary file in folder, for the target named name.
    static std::unique_ptr<PendingFile> copy(const QString &source,
                                             std::shared_ptr<const restore::TargetFolder> folder,
                                             const QString &name, win::HostPathCache *paths = nullptr,
                                             const QString &host = QString());
    // A file that is not made ready at all, with the result that says why.
    static std::unique_ptr<PendingFile> failed(Kind kind, int result);

    // 0 when the file is ready, else a DecompressFileResult.
    int result() const { return m_result; }
    Kind kind() const { return m_kind; }

    // What commit does beyond the rename. A restore replaces a read-only file too: an existing
    // file's attributes are cleared first, and given back when it is not replaced. It also gives a
    // decompressed file the member's modification time, at the two-second resolution the archive
    // keeps it at. DecompressFile does neither.
    enum class Rules { Plain, Restore };

    // Renames the file into the target's place, in the folder it was made in and under the name
    // an existing entry had there without regard to case when it was made. An existing target must be a
    // writable regular file (or a link, which is replaced as it stands). Returns 0, or a
    // DecompressFileResult; after a failure the target is as it was and the temporary file is
    // gone. The result of a file that was not ready is returned unchanged.
    // With keepNewer (a restore's " (before restore <time>)"), an existing regular file whose
    // modification time is at least two seconds (the archive's resolution) after the member's is
    // not overwritten: it is first renamed beside itself, keepNewer between its stem and its
    // extension (then " 2", " 3", ... while that name is taken), and kept() names it.
    int commit(Rules rules = Rules::Plain, const QString &keepNewer = QString());
    // The name the newer file was kept under by commit, or empty.
    QString kept() const { return m_kept; }

private:
    struct Replacement;
    PendingFile(Kind kind);

    Kind m_kind;
    int m_result = 0;
    QString m_kept;
    std::unique_ptr<Replacement> m_file;
};
