// File descriptors: writing a whole buffer, the one loop every file writer needs, and a descriptor
// closed when it goes out of scope.
#pragma once

#include <cerrno>
#include <cstddef>
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
