// The checksum record: archiv.sums in an archive root, one entry per archived copy the Archiver
// wrote or checked (its path below the root, size, modification time, the XXH3-64 checksum of a
// plain copy, when it was last read back whole, and whether that found it damaged). Compressed
// copies carry no checksum: their bzip2 stream has block and stream CRCs of its own.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

#include <xxhash.h>

namespace archiver {

inline constexpr char kChecksumRecordName[] = "archiv.sums";

struct ChecksumEntry
{
    qint64 size = 0;
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
    bool hasSum = false; // without one the copy is only checked for readability
    quint64 sum = 0;
    qint64 checked = 0; // seconds since the epoch: written or last read back whole
    bool damaged = false;

    // Whether the entry was made for a copy with this size and time (a file system that keeps
    // whole seconds stores no fraction; that counts as the same time).
    bool describes(qint64 fileSize, qint64 sec, qint64 nsec) const
    {
        return size == fileSize && mtimeSec == sec && (mtimeNsec == nsec || nsec == 0);
    }
    bool operator==(const ChecksumEntry &) const = default;
};

class ChecksumRecord
{
public:
    enum class Read { Present, Absent, Damaged };
    // Reads the record of the root open in rootFd; a damaged one leaves the record empty and why
    // says what is wrong with it.
    Read read(int rootFd, QString *why);
    // Replaces the record durably (temporary name, flush, rename, folder flush). False with errno.
    bool write(int rootFd) const;

    QByteArray toBytes() const;
    bool fromBytes(const QByteArray &bytes, QString *why);

    // Paths are below the root with backslashes, as ArchivedLocation::relativePath() gives them.
    const ChecksumEntry *find(const QString &path) const;
    void set(const QString &path, const ChecksumEntry &entry) { m_entries[path] = entry; }
    void remove(const QString &path) { m_entries.erase(path); }
    const std::map<QString, ChecksumEntry> &entries() const { return m_entries; }

    // The next rolling slice: 1/parts of the entries (at least one), the longest unchecked first.
    QStringList slice(int parts) const;
    // The parts a slice after pauseSeconds since the last one (0 when there was none) takes: a
    // thirtieth after a day or less, more after a longer pause, so that the whole archive is read
    // within about kRollingParts days whatever the side's period.
    static constexpr int kRollingParts = 30;
    static int slicePartsAfter(qint64 pauseSeconds);
    // When the present round of rolling slices began; the round is whole once every entry was
    // checked (or written) after that second, so the copies of the run that began it count only
    // once a slice has read them back.
    qint64 roundStart() const { return m_roundStart; }
    void setRoundStart(qint64 time) { m_roundStart = time; }
    bool roundWhole() const;
    // When a run last read a slice back.
    qint64 lastSlice() const { return m_lastSlice; }
    void setLastSlice(qint64 time) { m_lastSlice = time; }

private:
    std::map<QString, ChecksumEntry> m_entries;
    qint64 m_roundStart = 0;
    qint64 m_lastSlice = 0;
};

// Holds the record for a read, change and write, against the Archiver's run and a check doing the
// same at once: an exclusive lock on the root folder itself, so no file of its own is needed.
class ChecksumRecordLock
{
public:
    explicit ChecksumRecordLock(int rootFd);
    ~ChecksumRecordLock();
    ChecksumRecordLock(const ChecksumRecordLock &) = delete;
    ChecksumRecordLock &operator=(const ChecksumRecordLock &) = delete;

private:
    int m_fd;
};

// XXH3-64 over bytes handed in pieces.
class StreamChecksum
{
public:
    StreamChecksum();
    ~StreamChecksum();
    StreamChecksum(const StreamChecksum &) = delete;
    StreamChecksum &operator=(const StreamChecksum &) = delete;
    void add(const void *data, size_t size) { XXH3_64bits_update(m_state, data, size); }
    quint64 value() const { return XXH3_64bits_digest(m_state); }

private:
    XXH3_state_t *m_state;
};

} // namespace archiver
