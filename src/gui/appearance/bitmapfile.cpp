// Bitmap files checked before they are decoded.
#include "bitmapfile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <bit>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFileHeader = 14;
enum : quint32 { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// The largest file a picture of maxSide by maxSide can need: headers, a full palette and 32-bit
// rows (a run-length picture that takes more than that is no use to anyone).
qint64 fileCap(int maxSide)
{
    return 2048 + qint64(maxSide) * (qint64(maxSide) * 4 + 8);
}

class Bytes
{
public:
    explicit Bytes(const QByteArray &b) : m_b(b) {}
    bool has(qint64 offset, qint64 size) const
    {
        return offset >= 0 && size >= 0 && offset + size <= m_b.size();
    }
    quint16 u16(qint64 offset) const { return qFromLittleEndian<quint16>(m_b.constData() + offset); }
    quint32 u32(qint64 offset) const { return qFromLittleEndian<quint32>(m_b.constData() + offset); }
    qint32 i32(qint64 offset) const { return qFromLittleEndian<qint32>(m_b.constData() + offset); }
    qint64 size() const { return m_b.size(); }

private:
    const QByteArray &m_b;
};

// Bit-field masks: each channel present, of at most 8 bits, in one piece, none over another.
bool masksSound(const Bytes &b, qint64 at)
{
    if (!b.has(at, 12))
        return false;
    quint32 seen = 0;
    for (int i = 0; i < 3; ++i) {
        const quint32 mask = b.u32(at + 4 * i);
        if (mask == 0 || (mask & seen) || std::popcount(mask) > 8)
            return false;
        const quint32 shifted = mask >> std::countr_zero(mask);
        if ((shifted & (shifted + 1)) != 0)
            return false;
        seen |= mask;
    }
    return true;
}

} // namespace

QImage ReadBitmapBytes(const QByteArray &bytes, int maxSide)
{
    const Bytes b(bytes);
    if (b.size() > fileCap(maxSide) || !b.has(0, kFileHeader + 12) || bytes[0] != 'B' || bytes[1] != 'M')
        return QImage();
    const quint32 dataOffset = b.u32(10);
    const quint32 infoSize = b.u32(14);
    qint64 width = 0;
    qint64 height = 0;
    quint16 planes = 0;
    quint16 bits = 0;
    quint32 compression = kRgb;
    quint32 colorsUsed = 0;
    if (infoSize == 12) {
        width = b.u16(18);
        height = b.u16(20);
        planes = b.u16(22);
        bits = b.u16(24);
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124) {
        if (!b.has(kFileHeader, infoSize))
            return QImage();
        width = b.i32(18);
        height = b.i32(22);
        planes = b.u16(26);
        bits = b.u16(28);
        compression = b.u32(30);
        colorsUsed = b.u32(46);
    } else {
        return QImage();
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height; // 64-bit: the most negative 32-bit height stays in range
    if (width < 1 || height < 1 || width > maxSide || height > maxSide || planes != 1)
        return QImage();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return QImage();
    const bool runLength = compression == kRle8 || compression == kRle4;
    if ((compression == kRle8 && bits != 8) || (compression == kRle4 && bits != 4) ||
        (compression == kBitfields && bits != 16 && bits != 32) || compression > kBitfields ||
        (runLength && topDown))
        return QImage();

    qint64 headerEnd = kFileHeader + qint64(infoSize);
    if (compression == kBitfields) {
        // Masks follow a 40-byte header and are part of the longer ones.
        if (!masksSound(b, kFileHeader + 40))
            return QImage();
        if (infoSize == 40)
            headerEnd += 12;
    }
    if (bits <= 8) {
        const qint64 maxColors = qint64(1) << bits;
        if (colorsUsed > maxColors)
            return QImage();
        headerEnd += (colorsUsed ? colorsUsed : maxColors) * (infoSize == 12 ? 3 : 4);
    }
    // The pixels start after the headers and the palette, and lie inside the file.
    if (dataOffset < headerEnd || dataOffset >= b.size())
        return QImage();
    const qint64 available = b.size() - dataOffset;
    if (!runLength) {
        const qint64 rowBytes = (width * bits + 31) / 32 * 4;
        if (rowBytes * height > available)
            return QImage(); // cut short
    }

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false); // the BMP decoder only: no image plugin is asked
    QImage picture;
    const uchar *prefilled = nullptr;
    if (runLength) {
        // Runs need not cover the picture, and the decoder leaves what they skip as it finds it:
        // it decodes into this picture, filled with the first colour beforehand.
        picture = QImage(int(width), int(height), QImage::Format_Indexed8);
        if (picture.isNull())
            return QImage();
        picture.fill(0);
        prefilled = picture.constBits();
    }
    if (!reader.read(&picture) || picture.size() != QSize(int(width), int(height)))
        return QImage();
    // Decoded anywhere but into the filled picture, skipped pixels would be undefined.
    if (prefilled && picture.constBits() != prefilled)
        return QImage();
    return picture;
}

QImage ReadBitmapFile(const QString &hostPath, int maxSide)
{
    // Without O_NONBLOCK a FIFO in the file's place would wait for a writer that may never come.
    const int fd =
        ::open(QFile::encodeName(hostPath).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return QImage();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QImage();
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > fileCap(maxSide))
        return QImage();
    const QByteArray bytes = file.read(fileCap(maxSide) + 1);
    return ReadBitmapBytes(bytes, maxSide);
}
