// The registry layer: seeding, names, sizes, deletion, read-only and damaged hives, and the
// replacing of a damaged one.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/prefix.h"
#include "core/platform/registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace win;

namespace {
// The bytes of a short value; empty when it cannot be read.
QByteArray queryRaw(HKEY key, const QString &name)
{
    char data[64];
    DWORD size = sizeof data;
    const LONG rc = RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(data), &size);
    return rc == ERROR_SUCCESS ? QByteArray(data, qsizetype(size)) : QByteArray();
}

LONG setSz(HKEY key, const QString &name, const char *text)
{
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                         DWORD(qstrlen(text) + 1));
}

// The key at path below root, made when missing (KEY_ALL_ACCESS); null when that fails.
HKEY created(HKEY root, const QString &path)
{
    HKEY key = nullptr;
    return RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS
               ? key
               : nullptr;
}

// The start of a fresh machine hive: a real hive cut short after its header.
QByteArray truncatedHive()
{
    TestPrefix scratch;
    RegCheckHive(HKEY_LOCAL_MACHINE);
    return readFile(scratch.hiveFile("HKEY_LOCAL_MACHINE")).left(1000);
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newPrefixIsSeeded()
    {
        // The keys the programs read are checked through dunlivo-reg's query and the hive's repair.
        TestPrefix prefix;
        const bool hasXdgOpen = !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty();
        HKEY html = nullptr;
        RegOpenKeyEx(HKEY_CLASSES_ROOT, QStringLiteral(".html"), 0, KEY_READ, &html);
        QCOMPARE(queryRaw(html, QString()), hasXdgOpen ? QByteArray("htmlfile", 9) : QByteArray());
        RegCloseKey(html);
    }

    void namesAreCaseInsensitiveAndKeepTheirCase()
    {
        TestPrefix prefix;
        HKEY key = created(HKEY_CLASSES_ROOT, QStringLiteral("Kovamark\\Dunlivo"));
        QVERIFY(key);
        QCOMPARE(setSz(key, QStringLiteral("Max meret"), "x"), ERROR_SUCCESS);
        QCOMPARE(setSz(key, QStringLiteral("MAX MERET"), "yz"), ERROR_SUCCESS); // same value, replaced
        RegCloseKey(key);

        HKEY again = created(HKEY_CLASSES_ROOT, QStringLiteral("KOVAMARK\\dunlivo"));
        QVERIFY(again);
        QCOMPARE(queryRaw(again, QStringLiteral("max Meret")), QByteArray("yz", 3));
        QString name;
        QCOMPARE(RegEnumValue(again, 0, &name, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        QCOMPARE(name, QStringLiteral("Max meret"));
        QCOMPARE(RegEnumValue(again, 1, &name, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
        QCOMPARE(RegKeyPath(again), QStringLiteral("Kovamark\\Dunlivo"));
        RegCloseKey(again);
        QCOMPARE(RegCloseKey(again), ERROR_INVALID_HANDLE);
    }

    void sizesFollowWindows()
    {
        TestPrefix prefix;
        HKEY key = created(HKEY_CLASSES_ROOT, QStringLiteral("Sizes"));
        QCOMPARE(setSz(key, QStringLiteral("one"), "1"), ERROR_SUCCESS);

        // A buffer that is too small gets nothing but the size needed (with the NUL).
        QCOMPARE(setSz(key, QStringLiteral("long"), "abcdefgh"), ERROR_SUCCESS);
        char buffer[4] = {'q', 'q', 'q', 'q'};
        DWORD type = 0;
        DWORD size = sizeof(buffer);
        QCOMPARE(RegQueryValueEx(key, QStringLiteral("long"), nullptr, &type,
                                 reinterpret_cast<BYTE *>(buffer), &size),
                 ERROR_MORE_DATA);
        QCOMPARE(size, DWORD(9));
        QCOMPARE(buffer[0], 'q');

        // The unnamed value is the key's default value, and an empty value is stored empty.
        QCOMPARE(RegSetValueEx(key, QString(), 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
        QCOMPARE(RegQueryValueEx(key, QString(), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        QCOMPARE(size, DWORD(0));
        QCOMPARE(type, DWORD(REG_BINARY));
        QCOMPARE(RegDeleteValue(key, QStringLiteral("ONE")), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(key, QStringLiteral("one")), ERROR_FILE_NOT_FOUND);
        RegCloseKey(key);
    }

    void deletingKeys()
    {
        TestPrefix prefix;
        HKEY parent = created(HKEY_CLASSES_ROOT, QStringLiteral("A"));
        HKEY child = created(parent, QStringLiteral("B\\C"));
        QCOMPARE(setSz(child, QStringLiteral("v"), "x"), ERROR_SUCCESS);
        // A key with subkeys is not deleted by the plain call.
        QCOMPARE(RegDeleteKey(HKEY_CLASSES_ROOT, QStringLiteral("A")), ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteTree(HKEY_CLASSES_ROOT, QStringLiteral("a")), ERROR_SUCCESS);
        // A handle to a deleted key does not write, and does not bring the key back.
        QCOMPARE(setSz(child, QStringLiteral("v"), "y"), ERROR_KEY_DELETED);
        HKEY gone = nullptr;
        QCOMPARE(RegOpenKeyEx(HKEY_CLASSES_ROOT, QStringLiteral("A\\B\\C"), 0, KEY_READ, &gone),
                 ERROR_FILE_NOT_FOUND);
        RegCloseKey(child);
        RegCloseKey(parent);
    }

    // The prefix's path is the user's; a "%2" in it is part of the path where the hive is made.
    void percentSignsInThePrefixPath()
    {
        TestPrefix outer;
        const QString folder = outer.path() + QStringLiteral("/a%2b%1c");
        qputenv("DUNLIVO_PREFIX", QFile::encodeName(folder));
        Prefix::reset();
        HKEY key = created(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"));
        QVERIFY(key);
        RegCloseKey(key);
        QVERIFY(QFile::exists(folder + QStringLiteral("/registry/HKEY_LOCAL_MACHINE.db")));
        QCOMPARE(entriesOf(outer.path()), QStringList(QStringLiteral("a%2b%1c")));
        QCOMPARE(temporaries(outer.path()), QStringList());
    }

    void readOnlyHiveRefusesWriteAccess()
    {
        TestPrefix prefix;
        HKEY key = created(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"));
        QCOMPARE(setSz(key, QStringLiteral("v"), "before"), ERROR_SUCCESS);
        RegCloseKey(key);
        const QByteArray hive = QFile::encodeName(prefix.hiveFile("HKEY_LOCAL_MACHINE"));
        QCOMPARE(::chmod(hive.constData(), 0444), 0);

        QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"), 0, KEY_ALL_ACCESS, &key),
                 ERROR_ACCESS_DENIED);
        QVERIFY(RegLastErrorText().contains(QString::fromUtf8(hive)));
        QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Test"), 0, KEY_READ, &key),
                 ERROR_SUCCESS);
        QCOMPARE(queryRaw(key, QStringLiteral("v")), QByteArray("before", 7));
        QCOMPARE(setSz(key, QStringLiteral("v"), "after"), ERROR_ACCESS_DENIED);
        RegCloseKey(key);
        // The other hive is unaffected.
        QCOMPARE(setSz(HKEY_CLASSES_ROOT, QStringLiteral("v"), "x"), ERROR_SUCCESS);
    }

    // A damaged hive is refused, naming it, and left alone until it is replaced: kept under a
    // dated name with its log, never over another file, and a fresh seeded hive takes its place.
    // A sound hive, one refused as others could write it, and a folder in a hive's place are not
    // damaged, and are left exactly as they are.
    void onlyADamagedHiveIsReplaced_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QByteArray() << int(ERROR_BADDB);
        QTest::newRow("garbage") << QByteArray("not a registry at all\n").repeated(200) << int(ERROR_BADDB);
        QTest::newRow("truncated") << truncatedHive() << int(ERROR_BADDB);
        QTest::newRow("sound") << QByteArray() << int(ERROR_SUCCESS);
        QTest::newRow("writable by others") << truncatedHive() << int(ERROR_CANTOPEN);
        QTest::newRow("folder") << QByteArray() << int(ERROR_CANTOPEN);
    }

    void onlyADamagedHiveIsReplaced()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, expected);
        const QByteArray tag = QTest::currentDataTag();
        TestPrefix prefix;
        const QString registry = prefix.path() + QStringLiteral("/registry");
        const QString file = prefix.hiveFile("HKEY_LOCAL_MACHINE");
        QVERIFY(QDir().mkpath(registry));
        QStringList taken;
        if (tag == "sound") {
            QCOMPARE(RegCheckHive(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
        } else if (tag == "folder") {
            QVERIFY(QDir().mkpath(file));
        } else {
            writeFile(file, content);
            writeFile(file + QStringLiteral("-wal"), "its log");
            if (tag == "writable by others")
                QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0666), 0);
            // The dated names of this second and the next are taken already.
            const QDateTime now = QDateTime::currentDateTime();
            for (const QDateTime &t : {now, now.addSecs(1)}) {
                taken.append(file + t.toString(QStringLiteral(".yyyy-MM-dd-HHmmss")) +
                             QStringLiteral(".bad"));
                writeFile(taken.last(), "another kept hive");
            }
        }
        const QStringList entries = QDir(registry).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QByteArray bytes = readFile(file);

        QCOMPARE(RegCheckHive(HKEY_LOCAL_MACHINE), expected);
        QVERIFY(RegLastErrorText().isEmpty() == (expected == ERROR_SUCCESS));
        HKEY key = nullptr;
        if (expected == ERROR_BADDB) {
            QCOMPARE(RegCreateKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("Kovamark"), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &key, nullptr),
                     ERROR_BADDB);
            QVERIFY(RegLastErrorText().contains(file));
            QCOMPARE(readFile(file), content);
        }
        QString kept = QStringLiteral("unset");
        const LONG rc = RegReplaceDamagedHive(HKEY_LOCAL_MACHINE, &kept);
        for (const QString &other : std::as_const(taken))
            QCOMPARE(readFile(other), QByteArray("another kept hive"));
        if (expected != ERROR_BADDB) {
            QCOMPARE(rc, expected);
            QCOMPARE(kept, QString());
            QCOMPARE(QDir(registry).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
            QCOMPARE(readFile(file), bytes);
            return;
        }
        QCOMPARE(rc, ERROR_SUCCESS);
        QVERIFY(kept.startsWith(file + QLatin1Char('.')) && kept.endsWith(QLatin1String(".bad")) &&
                !taken.contains(kept));
        QCOMPARE(readFile(kept), content);
        QCOMPARE(readFile(kept + QStringLiteral("-wal")), QByteArray("its log"));
        // The fresh hive is seeded as on first use, without the old log played into it.
        QCOMPARE(RegCheckHive(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
        QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE"), 0, KEY_READ, &key),
                 ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestRegistry)
#include "tst_registry.moc"
