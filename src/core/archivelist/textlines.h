// Splitting the bytes of a text file into lines: a line ends at CR LF, at a lone LF or at a lone
// CR, and a last line without an ending still counts.
#pragma once

#include <QByteArray>

#include <cstring>

namespace archivelist {

// Calls line(data, size) for each line, without its ending. Stops early when line returns false.
template <typename LineFunction> void forEachLine(const QByteArray &bytes, LineFunction line)
{
    const char *at = bytes.constData();
    const char *const end = at + bytes.size();
    while (at < end) {
        // Two searches of the library, each many bytes at a time, instead of one byte after another.
        const char *stop = static_cast<const char *>(std::memchr(at, '\n', size_t(end - at)));
        if (!stop)
            stop = end;
        if (const void *cr = std::memchr(at, '\r', size_t(stop - at)))
            stop = static_cast<const char *>(cr);
        if (!line(at, qsizetype(stop - at)))
            return;
        if (stop < end && *stop == '\r' && stop + 1 < end && stop[1] == '\n')
            ++stop;
        at = stop + 1;
    }
}

} // namespace archivelist
