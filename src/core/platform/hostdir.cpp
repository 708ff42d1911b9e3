// Reading a host folder entry by entry.
#include "hostdir.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace win {

HostDirReader::HostDirReader(const QByteArray &folder, bool withDotEntries)
{
    open(folder, withDotEntries);
}

HostDirReader::~HostDirReader()
{
    close();
}

void HostDirReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_entry = nullptr;
}

bool HostDirReader::open(const QByteArray &folder, bool withDotEntries)
{
    close();
    return start(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), folder, withDotEntries);
}

bool HostDirReader::openAt(int parentFd, const char *name, const QByteArray &folder, bool withDotEntries)
{
    close();
    return start(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC), folder, withDotEntries);
}

bool HostDirReader::start(int fd, const QByteArray &folder, bool withDotEntries)
{
    m_fd = fd;
    m_error = fd < 0 ? errno : 0;
    m_withDots = withDotEntries;
    m_atEnd = fd < 0;
    m_filled = 0;
    m_offset = 0;
    m_entry = nullptr;
    m_path.assign(folder.constData(), size_t(folder.size()));
    if (m_path.empty() || m_path.back() != '/')
        m_path.push_back('/');
    m_folderLength = m_path.size();
    return fd >= 0;
}

bool HostDirReader::isDotOrDotDot() const
{
    const char *n = m_entry->d_name;
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

bool HostDirReader::hasWindowsName() const
{
    return std::strchr(m_entry->d_name, '\\') == nullptr;
}

bool HostDirReader::next()
{
    for (;;) {
        if (m_offset >= m_filled) {
            if (m_atEnd)
                return false;
            if (m_buffer.empty())
                m_buffer.resize(32 * 1024);
            const ssize_t n = ::getdents64(m_fd, m_buffer.data(), m_buffer.size());
            if (n <= 0) {
                if (n < 0)
                    m_error = errno;
                m_atEnd = true;
                return false;
            }
            m_filled = size_t(n);
            m_offset = 0;
        }
        m_entry = reinterpret_cast<struct dirent64 *>(m_buffer.data() + m_offset);
        m_offset += m_entry->d_reclen;
        if (!m_withDots && isDotOrDotDot())
            continue;
        m_pathMade = false;
        m_kindKnown = false;
        m_link = false;
        m_statTried = false;
        return true;
    }
}

const char *HostDirReader::path()
{
    if (!m_pathMade) {
        m_path.resize(m_folderLength);
        m_path.append(m_entry->d_name);
        m_pathMade = true;
    }
    return m_path.c_str();
}

const struct stat *HostDirReader::status()
{
    if (!m_statTried) {
        m_statTried = true;
        m_statOk = ::fstatat(m_fd, m_entry->d_name, &m_stat, 0) == 0 ||
                   ::fstatat(m_fd, m_entry->d_name, &m_stat, AT_SYMLINK_NOFOLLOW) == 0;
    }
    return m_statOk ? &m_stat : nullptr;
}

HostEntryKind HostDirReader::kind()
{
    if (m_kindKnown)
        return m_kind;
    m_kindKnown = true;
    unsigned char type = m_entry->d_type;
    if (type == DT_UNKNOWN) {
        struct stat own;
        if (::fstatat(m_fd, m_entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISLNK(own.st_mode)   ? DT_LNK
                   : S_ISDIR(own.st_mode) ? DT_DIR
                   : S_ISREG(own.st_mode) ? DT_REG
                                          : DT_FIFO;
        else
            type = DT_REG; // vanished since it was listed: its use will report that
    }
    switch (type) {
    case DT_DIR:
        m_kind = HostEntryKind::Directory;
        break;
    case DT_REG:
        m_kind = HostEntryKind::File;
        break;
    case DT_LNK: {
        m_link = true;
        struct stat target;
        if (::fstatat(m_fd, m_entry->d_name, &target, 0) == 0) {
            m_stat = target;
            m_statTried = true;
            m_statOk = true;
            m_kind = S_ISDIR(target.st_mode)   ? HostEntryKind::Directory
                     : S_ISREG(target.st_mode) ? HostEntryKind::File
                                               : HostEntryKind::Other;
        } else {
            m_kind = HostEntryKind::File; // a link that leads nowhere is listed like a file
        }
        break;
    }
    default:
        m_kind = HostEntryKind::Other;
        break;
    }
    return m_kind;
}

bool HostDirReader::isLink()
{
    kind();
    return m_link;
}

} // namespace win
