// The shared text list: prefix lookup, case rules, trimming, the language file's line forms and
// code page, and the flag file name rule.
#include "testmain.h"

#include "core/platform/codepage.h"
#include "core/platform/registry.h"
#include "core/texts/textlist.h"

namespace {
TextList listOf(const QStringList &lines)
{
    TextList list;
    list.setLines(lines);
    return list;
}
} // namespace

class TestTextList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookupIsByPrefixAndFirstLineWins()
    {
        // A line of exactly the key wins over a longer key above it; without one, the first line
        // that begins with the key answers.
        QCOMPARE(listOf({"Hint10=b", "Hint1=a"}).FindText("Hint1"), QString("a"));
        QCOMPARE(listOf({"Hint10=b", "Hint11=c"}).FindText("Hint1"), QString("b"));
        QCOMPARE(listOf({"Hint10=b", "Hint1 = a", "Hint1=c"}).FindText("hint1"), QString("a"));
        QCOMPARE(listOf({"Yesterday=Tegnap", "Yes"}).FindText("Yes"), QString("Yes"));
        // A line without "=" answers with all of itself.
        // Nothing matches an empty key, not even an empty line; a missing key gives nothing.
        QCOMPARE(listOf({"", "=x", "A=b"}).FindText(""), QString());
        QVERIFY(listOf({"A=b"}).FindText("Missing").isNull());
        // A key longer than the line does not match it.
        QCOMPARE(listOf({"Ok", "OkButton=Fine"}).FindText("OkButton"), QString("Fine"));
    }

    void onlyAsciiLettersIgnoreCase()
    {
        QCOMPARE(listOf({"savebutton=X"}).FindText("SaveButton"), QString("X"));
        QCOMPARE(listOf({QString::fromUtf8("ÁB=X")}).FindText(QString::fromUtf8("áb")), QString());
        QCOMPARE(listOf({QString::fromUtf8("áB=X")}).FindText(QString::fromUtf8("áb")), QString("X"));
        // Characters that are not letters match only themselves ("[" is "{" minus 32).
        QCOMPARE(listOf({"A{=X"}).FindText("A["), QString());
    }

    void textIsTrimmedAndKeepsLaterEquals()
    {
        QCOMPARE(listOf({"Title = Hello "}).FindText("Title"), QString("Hello"));
        QCOMPARE(listOf({"Formula=a=b"}).FindText("Formula"), QString("a=b"));
        QCOMPARE(listOf({QString("T=\t\x01 in side \x1f\x7f")}).FindText("T"), QString("in side \x1f\x7f"));
        QCOMPARE(listOf({QString("T=") + QChar(0xA0) + "x"}).FindText("T"), QString(QChar(0xA0)) + "x");
        // Only lookups trim: AddText keeps the text as it is given.
        TextList list;
        list.AddText("Key", " spaced ");
        list.AddText("Key", "second");
        QCOMPARE(list.lines(), QStringList({"Key= spaced ", "Key=second"}));
        QCOMPARE(list.FindText("Key"), QString("spaced"));
    }

    void lineEndsAndNul()
    {
        const QStringList expected{"A=1", "B=2", "", "C=3"};
        QCOMPARE(SplitLanguageText("A=1\r\nB=2\r\n\r\nC=3\r\n"), expected);
        QCOMPARE(SplitLanguageText("A=1\rB=2\r\rC=3\r"), expected);
        QCOMPARE(SplitLanguageText("A=1\rB=2\n\r\nC=3"), expected);
        // LF CR is two line ends, CR LF one.
        QCOMPARE(SplitLanguageText("A=1\n\rB=2"), QStringList({"A=1", "", "B=2"}));
        QCOMPARE(SplitLanguageText(QByteArray("A=1\nB=2\0\nC=3\n", 13)), QStringList({"A=1", "B=2"}));
        QCOMPARE(SplitLanguageText(QByteArray("\0A=1", 4)), QStringList());
        QCOMPARE(SplitLanguageText(""), QStringList());
        QCOMPARE(SplitLanguageText("\n"), QStringList({""}));
        // An editor's byte-order mark is not part of the first key; U+FEFF anywhere else is text.
        QCOMPARE(SplitLanguageText("\xEF\xBB\xBF" "A=1\r\n\xEF\xBB\xBF" "B=2"), QStringList({"A=1", (QChar(0xFEFF) + QStringLiteral("B=2"))}));
    }

    void bytesAreTheSystemCodePage()
    {
        // A new prefix is UTF-8.
        QCOMPARE(SplitLanguageText("K=\xC3\xA1"), QStringList({QString::fromUtf8("K=á")}));
        TestPrefix prefix;
        TestPrefix::setCodePage("1250");
        QCOMPARE(SplitLanguageText("K=\xE1\xB3\r\n"), QStringList({QString::fromUtf8("K=áł")}));
    }

    void flagFileName()
    {
        QCOMPARE(FlagFileName("C:\\P\\Language\\French.lng"), QString("C:\\P\\Language\\French.flg"));
        QCOMPARE(FlagFileName("C:\\P\\Language\\FRENCH.LNG"), QString("C:\\P\\Language\\FRENCH.LNGflg"));
        // The first ".lng" of the name counts, and only in the name, not in the folder.
        QCOMPARE(FlagFileName("C:\\a.lng\\x.lng.lng"), QString("C:\\a.lng\\x.flg"));
        QCOMPARE(FlagFileName("C:French.lng"), QString("C:French.flg"));
        QCOMPARE(FlagFileName("C:\\L\\French"), QString("C:\\L\\Frenchflg"));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestTextList)
#include "tst_textlist.moc"
