// PendingFile: one file of a restore made ready beside its target (decompressed from a bzip2
// member, or copied from a plain one) and put in the target's place only when asked. Making it
// ready may run on any thread; the restore puts the files in place one by one, in its own order.
#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

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

    // Decompresses the bzip2 file source (Windows path) into a temporary file beside target. A
    // source of zero bytes is a damaged member (-2): the Archiver never writes one. The output
    // stops as a full disk (DecompressDiskFull) when writing on could leave less than reserve
    // bytes free on the target's disk (negative: defaultReserve of that disk).
    static std::unique_ptr<PendingFile> decompress(const QString &source, const QString &target,
                                                   qint64 reserve = -1);
    // Copies the plain file source into a temporary file beside target.
    static std::unique_ptr<PendingFile> copy(const QString &source, const QString &target);
    // A file that is not made ready at all, with the result that says why.
    static std::unique_ptr<PendingFile> failed(Kind kind, int result);

    // 0 when the file is ready, else a DecompressFileResult.
    int result() const { return m_result; }
    Kind kind() const { return m_kind; }

    // Renames the file into the target's place. An existing target must be a writable regular
    // file. Returns 0, or a DecompressFileResult; after a failure the target is as it was and the
    // temporary file is gone. The result of a file that was not ready is returned unchanged.
    int commit();

private:
    struct Replacement;
    PendingFile(Kind kind);

    Kind m_kind;
    int m_result = 0;
    std::unique_ptr<Replacement> m_file;
};
