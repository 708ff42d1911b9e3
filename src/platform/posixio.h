// Writing a whole buffer to a file descriptor, the one loop every file writer needs.
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

} // namespace win
