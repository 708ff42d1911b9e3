// dunlivo-reg, run as a program: query output, add and delete, export and import, failures and
// repair.
#include "programrun.h"
#include "rawregistry.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace win;

namespace {
const QString kKey = QStringLiteral("Kovamark\\Dunlivo");

ProgramRun reg(const QStringList &args, const QByteArray &input = QByteArray())
{
    return runProgram(testBinDir() + QStringLiteral("/dunlivo-reg"), args, input);
}
} // namespace

class TestDunlivoReg : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void queryShowsTheSeededPrefix()
    {
        TestPrefix prefix;
        // The path in other letters names the key as it is stored.
        const ProgramRun acp =
            reg({"query", "hklm\\system\\currentcontrolset\\control\\nls\\codepage", "/v", "acp"});
        QCOMPARE(acp.code, 0);
        QVERIFY2(acp.out.contains(
                     QLatin1String("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage\n"
                                   "    ACP    REG_SZ    65001\n")),
                 qPrintable(acp.out));
        const ProgramRun missing = reg({"query", "HKCR\\NoSuchKey"});
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.err.startsWith(QLatin1String("ERROR: ")));
        QCOMPARE(reg({"query", "HKXX\\Foo"}).code, 1);
        QCOMPARE(reg({"frobnicate"}).code, 1);
    }

    void addQueryAndDelete()
    {
        TestPrefix prefix;
        const QString key = QStringLiteral("HKCR\\Kovamark\\Dunlivo");
        QCOMPARE(reg({"add", key, "/v", "Archivalas", "/t", "REG_DWORD", "/d", "30", "/f"}).code, 0);
        QCOMPARE(reg({"add", key, "/v", "Bits", "/t", "REG_BINARY", "/d", "0102ab"}).code, 0);
        QCOMPARE(reg({"add", key, "/ve", "/d", "Kovamark Dunlivo program"}).code, 0);
        QCOMPARE(reg({"add", key, "/v", "Max meret", "/t", "REG_DWORD", "/d", "0x1"}).code, 0);
        const ProgramRun q = reg({"query", "HKEY_CLASSES_ROOT\\kovamark\\dunlivo"});
        QCOMPARE(q.code, 0);
        QCOMPARE(q.out, QStringLiteral("\nHKEY_CLASSES_ROOT\\Kovamark\\Dunlivo\n"
                                       "    Archivalas    REG_DWORD    0x1e\n"
                                       "    Bits    REG_BINARY    0102AB\n"
                                       "    (Default)    REG_SZ    Kovamark Dunlivo program\n"
                                       "    Max meret    REG_DWORD    0x1\n\n"));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, QString()).data,
                 QByteArray("Kovamark Dunlivo program", 25));

        // An existing value is not overwritten without /f when the answer is no (or no answer).
        const ProgramRun refused = reg({"add", key, "/v", "Archivalas", "/t", "REG_DWORD", "/d", "5"});
        QCOMPARE(refused.code, 1);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Archivalas").data, QByteArray("\x1e\0\0\0", 4));
        QCOMPARE(reg({"add", key, "/v", "Archivalas", "/t", "REG_DWORD", "/d", "5"}, "yes\n").code, 0);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Archivalas").data, QByteArray("\5\0\0\0", 4));
        QCOMPARE(reg({"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "12abc", "/f"}).code, 1);

        QCOMPARE(reg({"delete", key, "/v", "Bits", "/f"}).code, 0);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Bits").data, QByteArray("<missing>"));
        QCOMPARE(reg({"delete", key, "/va", "/f"}).code, 0);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, QString()).data, QByteArray("<missing>"));
        QCOMPARE(reg({"delete", "HKCR\\Kovamark"}).code, 1); // no /f, no answer
        QCOMPARE(reg({"delete", "HKCR\\Kovamark", "/f"}).code, 0);
        QCOMPARE(reg({"query", key}).code, 1);
    }

    void exportAndImportRoundTripEveryType()
    {
        TestPrefix prefix;
        const QString &path = kKey;
        const QList<std::tuple<QString, DWORD, QByteArray>> values = {
            {QString(), REG_SZ, QByteArray("Kovamark Dunlivo program", 25)},
            {QStringLiteral("Celutvonal"), REG_SZ, QByteArray("D:\\Back \"up\"", 13)},
            {QStringLiteral("Ékezet"), REG_SZ, QByteArray("árvíztűrő", int(qstrlen("árvíztűrő")) + 1)},
            {QStringLiteral("Archivalas"), REG_DWORD, QByteArray("\x1e\0\0\0", 4)},
            {QStringLiteral("Archutolso"), REG_BINARY, QByteArray("\x01\x02\0\0\0\0\xe6\x40", 8)},
            {QStringLiteral("Long"), REG_BINARY, QByteArray(100, '\x5a')},
            {QStringLiteral("Path"), REG_EXPAND_SZ, QByteArray("%HOME%\\x", 9)},
            {QStringLiteral("NoNul"), REG_SZ, QByteArray("abc", 3)},
            {QStringLiteral("Short"), REG_DWORD, QByteArray("\1\2", 2)},
            {QStringLiteral("Empty"), REG_BINARY, QByteArray()},
        };
        for (const auto &[name, type, data] : values)
            setRawValue(HKEY_CLASSES_ROOT, path, name, type, data);
        setRawValue(HKEY_CLASSES_ROOT, path + QStringLiteral("\\Sub\\Deeper"), QStringLiteral("v"), REG_DWORD,
                    QByteArray("\7\0\0\0", 4));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("settings.reg"));
        QCOMPARE(reg({"export", "HKCR\\Kovamark", file}).code, 0);
        const QByteArray text = readFile(file);
        QVERIFY(
            text.startsWith("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\Kovamark]\r\n"));
        QVERIFY(text.contains("\r\n@=\"Kovamark Dunlivo program\"\r\n"));
        QVERIFY(text.contains("\r\n\"Celutvonal\"=\"D:\\\\Back \\\"up\\\"\"\r\n"));
        QVERIFY(text.contains("\r\n\"Archivalas\"=dword:0000001e\r\n"));
        QVERIFY(text.contains("\r\n\"Archutolso\"=hex:01,02,00,00,00,00,e6,40\r\n"));
        QVERIFY(
            text.contains("[HKEY_CLASSES_ROOT\\Kovamark\\Dunlivo\\Sub\\Deeper]\r\n\"v\"=dword:00000007\r\n"));
        QVERIFY(!text.contains("\n\n") && !text.contains("\r\r"));
        // Without /y an existing file is kept when the answer is no.
        QCOMPARE(reg({"export", "HKCR\\Kovamark", file}).code, 1);

        QCOMPARE(reg({"delete", "HKCR\\Kovamark", "/f"}).code, 0);
        const ProgramRun imported = reg({"import", file});
        QVERIFY2(imported.code == 0, qPrintable(imported.err));
        for (const auto &[name, type, data] : values) {
            const RawValue back = rawValue(HKEY_CLASSES_ROOT, path, name);
            QCOMPARE(back.data, data);
            QCOMPARE(back.type, type);
        }
    }

    void importsOtherEncodingsAndForms()
    {
        TestPrefix prefix;
        QTemporaryDir dir;
        const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                            "; a comment\r\n"
                                            "[HKEY_CLASSES_ROOT\\Kovamark\\Dunlivo]\r\n"
                                            "\"Language\"=\"Magyar.LNG\"\r\n"
                                            "\"Bin\"=hex:01,02,\\\r\n  03,04\r\n"
                                            "\"Exp\"=hex(2):41,00,42,00,00,00\r\n"
                                            "\"Gone\"=-\r\n\r\n"
                                            "[-HKEY_CLASSES_ROOT\\Old]\r\n");
        setRawValue(HKEY_CLASSES_ROOT, kKey, "Gone", REG_SZ, QByteArray("x", 2));
        setRawValue(HKEY_CLASSES_ROOT, "Old\\Inner", "v", REG_SZ, QByteArray("x", 2));
        writeFile(dir.filePath("u16.reg"),
                  QByteArray("\xFF\xFE") +
                      QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
        const ProgramRun r = reg({"import", dir.filePath("u16.reg")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Language").data, QByteArray("Magyar.LNG", 11));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Bin").data, QByteArray("\1\2\3\4", 4));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Exp").data, QByteArray("AB", 3));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Exp").type, DWORD(REG_EXPAND_SZ));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Gone").data, QByteArray("<missing>"));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, "Old\\Inner", "v").data, QByteArray("<no key>"));

        // REGEDIT4: text types in hex are code-page bytes.
        writeFile(dir.filePath("old.reg"),
                  "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\Kovamark\\Dunlivo]\n\"Exp\"=hex(2):43,44,00\n\"Arany1\"="
                  "dword:00000032\n");
        QCOMPARE(reg({"import", dir.filePath("old.reg")}).code, 0);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Exp").data, QByteArray("CD", 3));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kKey, "Arany1").data, QByteArray("2\0\0\0", 4));

        writeFile(dir.filePath("bad.reg"), "just some text\n");
        const ProgramRun refused = reg({"import", dir.filePath("bad.reg")});
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.err.contains(QLatin1String("not a registry script")));
    }

    // A hive others can write is refused before anything is read or written, with the place named
    // (what counts as refused, a folder of another user too, is checked on the prefix itself).
    void refusesAPrefixOthersCouldChange()
    {
        TestPrefix prefix;
        setRawValue(HKEY_CLASSES_ROOT, "Kovamark", "Kept", REG_SZ, QByteArray("old\0", 4));
        const QString hive = prefix.hiveFile("HKEY_CLASSES_ROOT");
        QVERIFY(::chmod(QFile::encodeName(hive).constData(), 0666) == 0);
        const ProgramRun query = reg({"query", "HKCR\\Kovamark"});
        const ProgramRun planted = reg({"add", "HKCR\\Kovamark", "/v", "Kept", "/d", "planted", "/f"});
        ::chmod(QFile::encodeName(hive).constData(), 0600);
        QCOMPARE(query.code, 1);
        QVERIFY2(query.err.contains(hive + QLatin1Char(' ')), qPrintable(query.err));
        QVERIFY(query.out.isEmpty());
        QCOMPARE(planted.code, 1);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, "Kovamark", "Kept").data, QByteArray("old\0", 4));
        QCOMPARE(reg({"query", "HKCR\\Kovamark"}).code, 0);
    }

    // repair says of a sound hive that nothing was changed, and of a damaged one where it is kept
    // (which hives are replaced, and how, is checked on the registry itself).
    void repairReplacesOnlyADamagedHive()
    {
        TestPrefix prefix;
        const QString hive = prefix.hiveFile("HKEY_CLASSES_ROOT");
        const QString registry = prefix.path() + QStringLiteral("/registry");
        QCOMPARE(reg({"add", "HKCR\\Kovamark", "/f"}).code, 0);
        const QByteArray sound = readFile(hive);

        ProgramRun r = reg({"repair"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count(QLatin1String(" is sound; nothing was changed.")), 2);

        writeFile(hive, sound.left(1000));
        r = reg({"repair", "hkcr"});
        QCOMPARE(r.code, 0);
        const QStringList kept = QDir(registry).entryList({QStringLiteral("HKEY_CLASSES_ROOT.db.*.bad")});
        QCOMPARE(kept.size(), 1);
        QVERIFY2(
            r.out.contains(QStringLiteral("HKEY_CLASSES_ROOT: the hive %1 was damaged. It is kept as %2/%3;")
                               .arg(hive, registry, kept.first())),
            qPrintable(r.out));
        QCOMPARE(reg({"repair", "HKCR\\Kovamark"}).code, 1);
        QVERIFY(reg({}).out.contains(QLatin1String("repair [ROOT]")));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestDunlivoReg)
#include "tst_dunlivoreg.moc"
