// Code pages and day-number date-times.
#include "testmain.h"

#include "core/platform/codepage.h"
#include "core/platform/datetime.h"

#include <iconv.h>

using namespace win;

namespace {
// What the C library makes of one byte in a code page; U+0000 when it has no character there.
char16_t iconvChar(const char *codePage, unsigned char byte)
{
    iconv_t cd = iconv_open("UTF-16LE", codePage);
    if (cd == iconv_t(-1))
        return 0xFFFF;
    char in = char(byte);
    char16_t out[2] = {};
    char *inp = &in;
    char *outp = reinterpret_cast<char *>(out);
    size_t inLeft = 1;
    size_t outLeft = sizeof(out);
    const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    return rc == size_t(-1) ? 0 : out[0];
}
} // namespace

class TestCodePage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void singleByteTablesMatchTheCLibrary()
    {
        for (const unsigned page : {1250u, 1252u}) {
            const QByteArray name = "CP" + QByteArray::number(page);
            for (int b = 0x80; b <= 0xFF; ++b) {
                const char16_t expected = iconvChar(name.constData(), static_cast<unsigned char>(b));
                if (expected == 0xFFFF)
                    QSKIP("the C library has no such code page");
                const char raw = char(b);
                const QString decoded = AnsiCodePage::decode(page, &raw, 1);
                if (expected != 0)
                    QCOMPARE(decoded.at(0).unicode(), expected);
                bool ok = false;
                QCOMPARE(AnsiCodePage::encode(page, decoded, &ok), QByteArray(1, raw));
                QVERIFY(ok);
            }
        }
    }

    void unrepresentableTextIsRefused()
    {
        bool ok = true;
        AnsiCodePage::encode(1252, QStringLiteral("Łódź"), &ok); // ó is in 1252, Ł is not
        QVERIFY(!ok);
        // U+FEFF at the start of a text is a character, not a mark to drop: it encodes back.
        const QByteArray marked("\xEF\xBB\xBF" "a");
        QCOMPARE(AnsiCodePage::decode(65001, marked.constData(), marked.size()), (QChar(0xFEFF) + QStringLiteral("a")));
        QCOMPARE(AnsiCodePage::encode(65001, AnsiCodePage::decode(65001, marked.constData(), marked.size()), &ok), marked);
        QVERIFY(ok);
        AnsiCodePage::encode(65001, QString(QChar(0xD800)), &ok);
        QVERIFY(!ok);
    }

    void codePageComesFromTheRegistry()
    {
        TestPrefix prefix;
        QCOMPARE(AnsiCodePage::current(), 65001u);
        TestPrefix::setCodePage("1250");
        QCOMPARE(AnsiCodePage::decode(QByteArray("\xB9")), QStringLiteral("ą"));
    }

    void dayNumbers()
    {
        QCOMPARE(DateTimeToDouble(QDateTime(QDate(2026, 12, 6), QTime(18, 0))), 46362.75);
        // Before the epoch the fraction still counts forward from midnight.
        QCOMPARE(DoubleToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
        QCOMPARE(DateTimeToDouble(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
        // Rounding to the millisecond never gives an invalid time of day.
        QCOMPARE(DoubleToDateTime(1.9999999999), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
        QVERIFY(!DoubleToDateTime(1e300).isValid());
        QCOMPARE(DateTimeToDouble(QDateTime()), 0.0);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestCodePage)
#include "tst_codepage.moc"
