// Reading a bitmap file (texture or flag) that may be damaged or made to harm: its header is
// checked before anything is allocated for its pixels, and a picture comes back only when every
// pixel of it is defined.
#pragma once

#include <QImage>
#include <QString>

// The bitmap in the file at hostPath; a null image when the file is not a regular file, is not a
// bitmap of a kind we read (uncompressed 1, 4, 8, 16, 24 or 32 bits, run-length 4 or 8 bits, bit
// fields of at most 8 bits a channel), has a side beyond maxSide, or is cut short. The file is
// read whole, so its size is capped by what such a picture can take.
QImage ReadBitmapFile(const QString &hostPath, int maxSide);

// The same for the bytes of a bitmap file.
QImage ReadBitmapBytes(const QByteArray &bytes, int maxSide);
