// File descriptors: writing a whole buffer, the one loop every file writer needs, a rename that
// never replaces, and a descriptor closed when it goes out of scope.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace win {

// Writes all of data, going on after interruptions and short writes. False with errno set when the
// file takes no more; a write that takes nothing without an error counts as a full disk (ENOSPC),
// since trying again would never end.
inline bool WriteAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        data += put;
        size -= std::size_t(put);
    }
    return true;
}

// Renames from (in the folder at fromFd) to to (in the folder at toFd) only while to is free: EEXIST
// otherwise. A file system without the no-replace rename gets a hard link, which takes only a free
// name too, and the old name goes. False with errno set; nothing has moved then.
inline bool RenameWithoutReplacing(int fromFd, const char *from, int toFd, const char *to)
{
    if (::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::linkat(fromFd, from, toFd, to, 0) != 0)
        return false;
    if (::unlinkat(fromFd, from, 0) == 0)
        return true;
    const int err = errno;
    ::unlinkat(toFd, to, 0);
    errno = err;
    return false;
}

// A descriptor owned by one scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

} // namespace win
