// dunlivo-reg, run as a program: query output, add and delete, export and import, failures and
// repair.
#include "programrun.h"
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

QByteArray rawValue(const QString &path, const QString &name, DWORD *type)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    DWORD size = 0;
    QByteArray data;
    if (RegQueryValueEx(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE *>(data.data()), &size);
    } else {
        data = "<missing>";
    }
    RegCloseKey(key);
    return data;
}

void setValue(const QString &path, const QString &name, DWORD type, const QByteArray &data)
{
    HKEY key = nullptr;
    RegCreateKeyEx(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE *>(data.constData()), DWORD(data.size()));
    RegCloseKey(key);
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
        DWORD type = 0;
        QCOMPARE(rawValue(kKey, QString(), &type), QByteArray("Kovamark Dunlivo program", 25));

        // An existing value is not overwritten without /f when the answer is no (or no answer).
        const ProgramRun refused = reg({"add", key, "/v", "Archivalas", "/t", "REG_DWORD", "/d", "5"});
        QCOMPARE(refused.code, 1);
        QCOMPARE(rawValue(kKey, "Archivalas", &type), QByteArray("\x1e\0\0\0", 4));
        QCOMPARE(reg({"add", key, "/v", "Archivalas", "/t", "REG_DWORD", "/d", "5"}, "yes\n").code, 0);
        QCOMPARE(rawValue(kKey, "Archivalas", &type), QByteArray("\5\0\0\0", 4));
        QCOMPARE(reg({"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "12abc", "/f"}).code, 1);

        QCOMPARE(reg({"delete", key, "/v", "Bits", "/f"}).code, 0);
        QCOMPARE(rawValue(kKey, "Bits", &type), QByteArray("<missing>"));
        QCOMPARE(reg({"delete", key, "/va", "/f"}).code, 0);
        QCOMPARE(rawValue(kKey, QString(), &type), QByteArray("<missing>"));
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
            setValue(path, name, type, data);
        setValue(path + QStringLiteral("\\Sub\\Deeper"), QStringLiteral("v"), REG_DWORD,
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
            DWORD back = 0;
            QCOMPARE(rawValue(path, name, &back), data);
            QCOMPARE(back, type);
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
        setValue(kKey, "Gone", REG_SZ, QByteArray("x", 2));
        setValue("Old\\Inner", "v", REG_SZ, QByteArray("x", 2));
        writeFile(dir.filePath("u16.reg"),
                  QByteArray("\xFF\xFE") +
                      QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
        const ProgramRun r = reg({"import", dir.filePath("u16.reg")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        DWORD type = 0;
        QCOMPARE(rawValue(kKey, "Language", &type), QByteArray("Magyar.LNG", 11));
        QCOMPARE(rawValue(kKey, "Bin", &type), QByteArray("\1\2\3\4", 4));
        QCOMPARE(rawValue(kKey, "Exp", &type), QByteArray("AB", 3));
        QCOMPARE(type, DWORD(REG_EXPAND_SZ));
        QCOMPARE(rawValue(kKey, "Gone", &type), QByteArray("<missing>"));
        QCOMPARE(rawValue("Old\\Inner", "v", &type), QByteArray("<no key>"));

        // REGEDIT4: text types in hex are code-page bytes.
        writeFile(dir.filePath("old.reg"),
                  "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\Kovamark\\Dunlivo]\n\"Exp\"=hex(2):43,44,00\n\"Arany1\"="
                  "dword:00000032\n");
        QCOMPARE(reg({"import", dir.filePath("old.reg")}).code, 0);
        QCOMPARE(rawValue(kKey, "Exp", &type), QByteArray("CD", 3));
        QCOMPARE(rawValue(kKey, "Arany1", &type), QByteArray("2\0\0\0", 4));

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
        setValue("Kovamark", "Kept", REG_SZ, QByteArray("old\0", 4));
        const QString hive = prefix.hiveFile("HKEY_CLASSES_ROOT");
        QVERIFY(::chmod(QFile::encodeName(hive).constData(), 0666) == 0);
        const ProgramRun query = reg({"query", "HKCR\\Kovamark"});
        const ProgramRun planted = reg({"add", "HKCR\\Kovamark", "/v", "Kept", "/d", "planted", "/f"});
        ::chmod(QFile::encodeName(hive).constData(), 0600);
        QCOMPARE(query.code, 1);
        QVERIFY2(query.err.contains(hive + QLatin1Char(' ')), qPrintable(query.err));
        QVERIFY(query.out.isEmpty());
        QCOMPARE(planted.code, 1);
        QCOMPARE(rawValue("Kovamark", "Kept", nullptr), QByteArray("old\0", 4));
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
