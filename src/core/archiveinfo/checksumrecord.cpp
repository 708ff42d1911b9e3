// Reading and writing the checksum record.
#include "checksumrecord.h"

#include "archiveform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr char kMagic[] = "dunlivo archive sums 1";
// About two million entries; a larger file is no record of ours and is not read into memory.
constexpr qint64 kMaxRecord = qint64(256) * 1024 * 1024;
constexpr qsizetype kMaxPath = 4096;

bool parseNumber(const QByteArray &word, qint64 *value)
{
    bool ok = false;
    *value = word.toLongLong(&ok);
    return ok && *value >= 0;
}

// A path below the root: relative, no empty, "." or ".." part, no control characters.
bool soundPath(const QString &path)
{
    if (path.isEmpty() || path.size() > kMaxPath)
        return false;
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    const QStringList parts = path.split(QLatin1Char('\\'));
    return std::none_of(parts.begin(), parts.end(), [](const QString &part) {
        return part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..");
    });
}

bool readAll(int fd, char *data, size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, data, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= size_t(got);
    }
    return true;
}

} // namespace

QByteArray ChecksumRecord::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(qsizetype(m_entries.size()) * 96 + 64);
    bytes += kMagic;
    bytes += "\nround " + QByteArray::number(m_roundStart) + '\n';
    for (const auto &[path, e] : m_entries) {
        bytes += QByteArray::number(e.size) + ' ' + QByteArray::number(e.mtimeSec) + ' ' +
                 QByteArray::number(e.mtimeNsec) + ' ' +
                 (e.hasSum ? QByteArray::number(e.sum, 16).rightJustified(16, '0') : QByteArray("-")) + ' ' +
                 QByteArray::number(e.checked) + ' ' + (e.damaged ? 'd' : '-') + ' ' +
                 path.toUtf8().toPercentEncoding("\\") + '\n';
    }
    return bytes;
}

bool ChecksumRecord::fromBytes(const QByteArray &bytes, QString *why)
{
    m_entries.clear();
    m_roundStart = 0;
    const auto damaged = [&](qsizetype line, const char *what) {
        m_entries.clear();
        m_roundStart = 0;
        *why = QStringLiteral("line %1: %2").arg(line).arg(QLatin1String(what));
        return false;
    };
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 2 || lines.at(0) != kMagic)
        return damaged(1, "not a checksum record");
    const QList<QByteArray> round = lines.at(1).split(' ');
    if (round.size() != 2 || round.at(0) != "round" || !parseNumber(round.at(1), &m_roundStart))
        return damaged(2, "no round start");
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.isEmpty() && i == lines.size() - 1)
            break;
        const QList<QByteArray> words = line.split(' ');
        ChecksumEntry e;
        if (words.size() != 7 || !parseNumber(words.at(0), &e.size) ||
            !parseNumber(words.at(1), &e.mtimeSec) || !parseNumber(words.at(2), &e.mtimeNsec) ||
            !parseNumber(words.at(4), &e.checked))
            return damaged(i + 1, "not an entry");
        if (words.at(3) != "-") {
            bool ok = false;
            e.sum = words.at(3).toULongLong(&ok, 16);
            if (!ok || words.at(3).size() != 16)
                return damaged(i + 1, "not a checksum");
            e.hasSum = true;
        }
        if (words.at(5) != "-" && words.at(5) != "d")
            return damaged(i + 1, "not a mark");
        e.damaged = words.at(5) == "d";
        const QByteArray pathBytes = QByteArray::fromPercentEncoding(words.at(6));
        const QString path = QString::fromUtf8(pathBytes);
        if (path.toUtf8() != pathBytes || !soundPath(path))
            return damaged(i + 1, "not a path below the archive");
        m_entries[path] = e;
    }
    return true;
}

ChecksumRecord::Read ChecksumRecord::read(int rootFd, QString *why)
{
    m_entries.clear();
    m_roundStart = 0;
    const int fd = ::openat(rootFd, kChecksumRecordName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return Read::Absent;
        *why = QString::fromLocal8Bit(strerror(errno));
        return Read::Damaged;
    }
    struct stat status;
    QByteArray bytes;
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (!ok)
        *why = QStringLiteral("not a file");
    else if (status.st_size > kMaxRecord)
        *why = QStringLiteral("larger than any record (%1 bytes)").arg(qint64(status.st_size));
    ok = ok && status.st_size <= kMaxRecord;
    if (ok) {
        bytes.resize(qsizetype(status.st_size));
        ok = readAll(fd, bytes.data(), size_t(bytes.size()));
        if (!ok)
            *why = QStringLiteral("can not be read");
    }
    ::close(fd);
    return ok && fromBytes(bytes, why) ? Read::Present : Read::Damaged;
}

bool ChecksumRecord::write(int rootFd) const
{
    return writeRootFileDurably(rootFd, QByteArray(kChecksumRecordName), toBytes());
}

const ChecksumEntry *ChecksumRecord::find(const QString &path) const
{
    const auto it = m_entries.find(path);
    return it == m_entries.end() ? nullptr : &it->second;
}

QStringList ChecksumRecord::slice(int parts) const
{
    std::vector<std::pair<qint64, const QString *>> order;
    order.reserve(m_entries.size());
    for (const auto &[path, entry] : m_entries)
        order.emplace_back(entry.checked, &path);
    const size_t count =
        std::min(order.size(), (order.size() + size_t(parts) - 1) / size_t(std::max(1, parts)));
    std::partial_sort(order.begin(), order.begin() + qsizetype(count), order.end(),
                      [](const auto &a, const auto &b) {
                          return a.first < b.first || (a.first == b.first && *a.second < *b.second);
                      });
    QStringList paths;
    for (size_t i = 0; i < count; ++i)
        paths.append(*order[i].second);
    return paths;
}

bool ChecksumRecord::roundWhole() const
{
    return std::all_of(m_entries.begin(), m_entries.end(),
                       [this](const auto &item) { return item.second.checked > m_roundStart; });
}

ChecksumRecordLock::ChecksumRecordLock(int rootFd)
    : m_fd(::openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (m_fd >= 0) {
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

ChecksumRecordLock::~ChecksumRecordLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

StreamChecksum::StreamChecksum() : m_state(XXH3_createState())
{
    if (!m_state)
        throw std::bad_alloc();
    XXH3_64bits_reset(m_state);
}

StreamChecksum::~StreamChecksum()
{
    XXH3_freeState(m_state);
}

} // namespace archiver
