// Randomly damaged copies of every shipped texture, flag and picture, and of the bitmap seeds of
// the fuzz corpus: each copy is refused or decoded within its size limit, and nothing crashes (the
// sanitizer build runs this too). The copy being decoded is written to disk first, so that one
// which kills the decoder is left behind for a look.
#include "testfiles.h"
#include "testmain.h"

#include "gui/appearance/bitmapfile.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>

namespace {

// Up to one byte in a hundred (at least one) replaced by a random one.
QByteArray mutated(QByteArray bytes, QRandomGenerator &random)
{
    const int changes = 1 + int(random.bounded(quint32(bytes.size() / 100 + 1)));
    for (int i = 0; i < changes; ++i)
        bytes[int(random.bounded(quint32(bytes.size())))] = char(random.bounded(256u));
    return bytes;
}

// Every pixel of a decoded picture is read, so that a picture with parts left undefined shows
// under the memory checkers.
quint64 pixelSum(const QImage &picture)
{
    // Read in one 32-bit form whatever the decoder's: a line of 8 or 24 bits is shorter.
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    quint64 sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            sum += line[x];
    }
    return sum;
}

} // namespace

class TestBitmapMutation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damagedCopiesAreRefusedOrBounded()
    {
        QStringList seeds;
        for (const char *folder : {DUNLIVO_RESOURCES, DUNLIVO_TEXTURE_SEEDS}) {
            QDirIterator it(QString::fromUtf8(folder), {"*.bmp", "*.BMP", "*.flg"}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                seeds.append(it.next());
        }
        QVERIFY2(seeds.size() >= 20, qPrintable(QString::number(seeds.size())));
        const int asked = qEnvironmentVariableIntValue("DUNLIVO_MUTATION_ROUNDS"); // 0 when not set
        const int rounds = asked > 0 ? asked : 1000;
        const QString current = QDir::currentPath() + QStringLiteral("/bitmap-mutation-current.bmp");
        quint64 sum = 0;
        for (const QString &seed : seeds) {
            const QByteArray original = readFile(seed);
            QVERIFY(!original.isEmpty());
            // Every shipped picture decodes unharmed.
            if (!seed.contains(QLatin1String(DUNLIVO_TEXTURE_SEEDS)))
                QVERIFY2(!ReadBitmapBytes(original, TKovaImage::kMaxTextureSide).isNull(), qPrintable(seed));
            QRandomGenerator random(quint32(qHash(QFileInfo(seed).fileName())));
            for (int round = 0; round < rounds; ++round) {
                const QByteArray bytes = mutated(original, random);
                writeFile(current, bytes);
                for (const int maxSide :
                     {int(TKovaImage::kMaxTextureSide), int(TKovaLanguage::kMaxFlagSide)}) {
                    const QImage image = ReadBitmapBytes(bytes, maxSide);
                    if (image.isNull())
                        continue;
                    QVERIFY2(image.width() <= maxSide && image.height() <= maxSide,
                             qPrintable(QStringLiteral("%1, round %2").arg(seed).arg(round)));
                    sum += pixelSum(image);
                }
            }
        }
        QFile::remove(current);
        qInfo("%d seeds, %d rounds each (pixel sum %llu)", int(seeds.size()), rounds, qulonglong(sum));
    }
};

DUNLIVO_TEST_MAIN(TestBitmapMutation)
#include "tst_bitmapmutation.moc"
