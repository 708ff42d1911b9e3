// One bzip2 stream made in memory by libbz2, for tests that need archive members. Header-only;
// the test links BZip2.
#pragma once

#include <QByteArray>

#include <bzlib.h>

inline QByteArray compress(const QByteArray &data, int blockSize100k = 9)
{
    QByteArray out(data.size() + data.size() / 100 + 700, Qt::Uninitialized);
    unsigned int length = static_cast<unsigned int>(out.size());
    if (BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char *>(data.constData()),
                                 static_cast<unsigned int>(data.size()), blockSize100k, 0, 0) != BZ_OK)
        qFatal("compression failed");
    out.truncate(length);
    return out;
}
