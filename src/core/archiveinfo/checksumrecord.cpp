// Reading and writing the checksum record.
#include "checksumrecord.h"

#include "archiveform.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
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

// A path below the root: relative, no empty, "." or ".." part, no control characters.
bool soundPath(const QString &path)
{
    if (path.isEmpty() || path.size() > kMaxPath)
        return false;
    qsizetype partStart = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        const QChar c = i < path.size() ? path.at(i) : QLatin1Char('\\');
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
        if (c != QLatin1Char('\\'))
            continue;
        const QStringView part = QStringView(path).sliced(partStart, i - partStart);
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
        partStart = i + 1;
    }
    return true;
}

} // namespace

QByteArray ChecksumRecord::toBytes() const
{
    QByteArray bytes;
    bytes.reserve(qsizetype(m_entries.size()) * 112 + 64);
    char buffer[32];
    const auto number = [&](quint64 value, int base, int width) {
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, base).ptr;
        for (qsizetype pad = width - (end - buffer); pad > 0; --pad)
            bytes += '0';
        bytes.append(buffer, end - buffer);
        bytes += ' ';
    };
    bytes += kMagic;
    bytes += "\nround ";
    number(quint64(m_roundStart), 10, 0);
    number(quint64(m_lastSlice), 10, 0);
    bytes.chop(1);
    bytes += '\n';
    for (const auto &[path, e] : m_entries) {
        number(quint64(e.size), 10, 0);
        number(quint64(e.mtimeSec), 10, 0);
        number(quint64(e.mtimeNsec), 10, 0);
        if (e.hasSum)
            number(e.sum, 16, 16);
        else
            bytes += "- ";
        number(quint64(e.checked), 10, 0);
        bytes += e.damaged ? "d " : "- ";
        // Blanks, line ends and '%' in a name are written as %XX; most names need nothing of that.
        const QByteArray name = path.toUtf8();
        const bool plain = std::all_of(
            name.begin(), name.end(), [](char c) { return uchar(c) > 0x20 && uchar(c) != 0x7f && c != '%'; });
        bytes += plain ? name : name.toPercentEncoding("\\");
        bytes += '\n';
    }
    return bytes;
}

bool ChecksumRecord::fromBytes(const QByteArray &bytes, QString *why)
{
    m_entries.clear();
    m_roundStart = m_lastSlice = 0;
    qsizetype lineNumber = 0;
    const auto damaged = [&](const char *what) {
        m_entries.clear();
        m_roundStart = m_lastSlice = 0;
        *why = QStringLiteral("line %1: %2").arg(lineNumber).arg(QLatin1String(what));
        return false;
    };
    const auto parse = [](QByteArrayView word, qint64 *value, int base = 10) {
        quint64 parsed = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed, base);
        *value = qint64(parsed);
        return error == std::errc() && end == word.data() + word.size() && !word.isEmpty() &&
               (base == 16 || parsed <= quint64(std::numeric_limits<qint64>::max()));
    };
    const QByteArrayView all(bytes);
    qsizetype at = 0;
    const auto nextLine = [&](QByteArrayView *line) {
        if (at >= all.size())
            return false;
        qsizetype end = all.indexOf('\n', at);
        if (end < 0)
            end = all.size();
        *line = all.sliced(at, end - at);
        at = end + 1;
        ++lineNumber;
        return true;
    };
    QByteArrayView line;
    if (!nextLine(&line) || line != QByteArrayView(kMagic))
        return damaged("not a checksum record");
    // "round <start> <last slice>"; records written before slices were paced have no last slice.
    if (!nextLine(&line) || !line.startsWith("round "))
        return damaged("no round start");
    const qsizetype roundEnd = line.indexOf(' ', 6);
    if (!parse(line.sliced(6, (roundEnd < 0 ? line.size() : roundEnd) - 6), &m_roundStart) ||
        (roundEnd >= 0 && !parse(line.sliced(roundEnd + 1), &m_lastSlice)))
        return damaged("no round start");
    while (nextLine(&line)) {
        QByteArrayView words[7];
        qsizetype from = 0;
        for (int w = 0; w < 6; ++w) {
            const qsizetype blank = line.indexOf(' ', from);
            if (blank < 0)
                return damaged("not an entry");
            words[w] = line.sliced(from, blank - from);
            from = blank + 1;
        }
        words[6] = line.sliced(from);
        ChecksumEntry e;
        if (!parse(words[0], &e.size) || !parse(words[1], &e.mtimeSec) || !parse(words[2], &e.mtimeNsec) ||
            !parse(words[4], &e.checked))
            return damaged("not an entry");
        if (words[3] != "-") {
            qint64 sum = 0;
            if (words[3].size() != 16 || !parse(words[3], &sum, 16))
                return damaged("not a checksum");
            e.sum = quint64(sum);
            e.hasSum = true;
        }
        if (words[5] != "-" && words[5] != "d")
            return damaged("not a mark");
        e.damaged = words[5] == "d";
        const QByteArray pathBytes = words[6].contains('%')
                                         ? QByteArray::fromPercentEncoding(words[6].toByteArray())
                                         : words[6].toByteArray();
        const QString path = QString::fromUtf8(pathBytes);
        if (path.toUtf8() != pathBytes || !soundPath(path))
            return damaged("not a path below the archive");
        m_entries.emplace_hint(m_entries.end(), path, e);
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
        ok = readExactly(fd, bytes.data(), size_t(bytes.size()));
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

int ChecksumRecord::slicePartsAfter(qint64 pauseSeconds)
{
    constexpr qint64 kRoundSeconds = qint64(kRollingParts) * 24 * 60 * 60;
    if (pauseSeconds <= 0)
        return kRollingParts;
    return int(std::clamp<qint64>(kRoundSeconds / pauseSeconds, 1, kRollingParts));
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
