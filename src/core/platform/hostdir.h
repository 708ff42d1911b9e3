// Reading one host folder entry by entry, at the speed a tree walk needs: the folder is read with
// getdents64 into a buffer the reader keeps; the kind of an entry comes from the folder entry
// itself (d_type) and costs a system call only for a symbolic link or where the file system does
// not tell; the entry's full host path is made only when asked for. A reader keeps its folder open
// until it is closed or reopened, so the folders below can be opened relative to it.
#pragma once

#include <QByteArray>

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace win {

enum class HostEntryKind {
    File,      // a regular file, a link to one, or a link that leads nowhere
    Directory, // a folder or a link to one
    Other,     // fifos, sockets, devices: never shown as files, reading them could block
};

class HostDirReader
{
public:
    HostDirReader() = default;
    // Opens folder (a host path); isOpen() tells whether that worked and error() why not.
    explicit HostDirReader(const QByteArray &folder, bool withDotEntries = false);
    ~HostDirReader();
    HostDirReader(const HostDirReader &) = delete;
    HostDirReader &operator=(const HostDirReader &) = delete;

    // Opens folder, closing what was open before. False with error() set when it cannot be read.
    bool open(const QByteArray &folder, bool withDotEntries = false);
    // Opens the entry name of the folder open in parentFd (following a link), whose full host path
    // is folder. Only the last component is looked up.
    bool openAt(int parentFd, const char *name, const QByteArray &folder, bool withDotEntries = false);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    int error() const { return m_error; } // errno of the failed open or read
    int fd() const { return m_fd; }

    // Moves to the next entry; false at the end. "." and ".." come only when asked for.
    bool next();

    const char *name() const { return m_entry->d_name; }
    bool isDotOrDotDot() const;
    // Dot names are hidden unless their attributes say otherwise.
    bool startsWithDot() const { return m_entry->d_name[0] == '.'; }
    // A name that holds a backslash cannot be written as a Windows path without meaning another file.
    bool hasWindowsName() const;

    // What the entry is, following a symbolic link.
    HostEntryKind kind();
    // Whether the entry itself is a symbolic link (known after kind()).
    bool isLink();
    // The entry's status, following a symbolic link (the link's own status when it leads nowhere);
    // null when neither can be read.
    const struct stat *status();
    // The entry's host path; valid until next().
    const char *path();

private:
    bool start(int fd, const QByteArray &folder, bool withDotEntries);

    int m_fd = -1;
    int m_error = 0;
    bool m_withDots = false;
    bool m_atEnd = false;
    std::vector<char> m_buffer;
    size_t m_filled = 0;
    size_t m_offset = 0;
    struct dirent64 *m_entry = nullptr;
    std::string m_path;
    size_t m_folderLength = 0;
    bool m_pathMade = false;
    bool m_kindKnown = false;
    bool m_link = false;
    HostEntryKind m_kind = HostEntryKind::File;
    bool m_statTried = false;
    bool m_statOk = false;
    struct stat m_stat;
};

} // namespace win
