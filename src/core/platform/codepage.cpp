// Code page conversions: UTF-8 through Qt, the two single-byte Windows pages by table.
#include "codepage.h"

#include "prefix.h"
#include "registry.h"

#include <QHash>
#include <QMutex>
#include <QStringDecoder>

namespace win {

namespace {

// Characters of bytes 0x80..0xFF; 0 marks a byte without a character.
constexpr char16_t kCp1252[128] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,
    0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0,      0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9,
    0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, 0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5,
    0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, 0x00E0, 0x00E1,
    0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD,
    0x00FE, 0x00FF};

constexpr char16_t kCp1250[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A, 0x0164,
    0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122, 0x0161, 0x203A,
    0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9,
    0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139,
    0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1,
    0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD,
    0x0163, 0x02D9};

const char16_t *tableOf(unsigned codePage) { return codePage == 1250 ? kCp1250 : kCp1252; }

class SingleByteEncoder
{
public:
    explicit SingleByteEncoder(const char16_t *table) : m_table(table)
    {
        for (int i = 0; i < 128; ++i) {
            if (table[i])
                m_reverse.insert(table[i], char(0x80 + i));
        }
    }
    QByteArray encode(const QString &text, bool *ok) const
    {
        QByteArray out;
        out.reserve(text.size());
        bool good = true;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u < 0x80) {
                out.append(char(u));
                continue;
            }
            const auto it = m_reverse.constFind(u);
            if (it != m_reverse.cend()) {
                out.append(it.value());
            } else if (u >= 0x80 && u < 0xA0 && m_table[u - 0x80] == 0) {
                // Bytes without a character decode to the control of the same number; keep the round trip.
                out.append(char(u));
            } else {
                out.append('?');
                good = false;
            }
        }
        if (ok)
            *ok = good;
        return out;
    }

private:
    const char16_t *m_table;
    QHash<char16_t, char> m_reverse;
};

QMutex cacheMutex;
QString cachedPrefix;
unsigned cachedCodePage = 0;

// The stored code page; 0 while the hive that holds it cannot be opened (damaged, or refused), so
// that the stand-in is not kept once the hive is usable again.
unsigned readCodePage()
{
    HKEY key = nullptr;
    unsigned result = 65001;
    const LONG opened =
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage"),
                     0, KEY_READ, &key);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND ? result : 0;
    char data[64] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    if (RegQueryValueEx(key, QStringLiteral("ACP"), nullptr, &type, reinterpret_cast<BYTE *>(data), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        bool ok = false;
        const unsigned value = QByteArray(data).trimmed().toUInt(&ok);
        if (ok)
            result = (value == 65001 || value == 1250) ? value : 1252;
    }
    RegCloseKey(key);
    return result;
}

} // namespace

unsigned AnsiCodePage::current()
{
    const QString prefix = Prefix::path();
    QMutexLocker lock(&cacheMutex);
    if (cachedCodePage == 0 || cachedPrefix != prefix) {
        lock.unlock();
        const unsigned value = readCodePage();
        if (value == 0)
            return 65001;
        lock.relock();
        cachedCodePage = value;
        cachedPrefix = prefix;
    }
    return cachedCodePage;
}

void AnsiCodePage::reset()
{
    QMutexLocker lock(&cacheMutex);
    cachedCodePage = 0;
}

QByteArray AnsiCodePage::encode(const QString &text, bool *ok) { return encode(current(), text, ok); }

QString AnsiCodePage::decode(const QByteArray &bytes) { return decode(current(), bytes.constData(), bytes.size()); }

QString AnsiCodePage::decode(const char *data, qsizetype size) { return decode(current(), data, size); }

QByteArray AnsiCodePage::encode(unsigned codePage, const QString &text, bool *ok)
{
    if (codePage == 65001) {
        // Lone surrogates cannot be written as UTF-8.
        bool good = true;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                good = false;
        }
        if (ok)
            *ok = good;
        return text.toUtf8();
    }
    static const SingleByteEncoder cp1250(kCp1250);
    static const SingleByteEncoder cp1252(kCp1252);
    return (codePage == 1250 ? cp1250 : cp1252).encode(text, ok);
}

QString AnsiCodePage::decode(unsigned codePage, const char *data, qsizetype size)
{
    if (codePage == 65001) {
        // The bytes are one text of a file or a value, not the start of a file: a leading U+FEFF is
        // a character of that text (fromUtf8 would drop it, and the name would then encode to
        // other bytes than it was read from). Files drop their byte-order mark themselves.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(QByteArrayView(data, size));
    }
    const char16_t *table = tableOf(codePage);
    QString out(size, Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = b < 0x80 ? QChar(b) : QChar(table[b - 0x80] ? table[b - 0x80] : char16_t(b));
    }
    return out;
}

} // namespace win
