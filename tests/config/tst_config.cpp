// The settings store: creation, typed values, failure texts, autostart entry, shell lookup.
#include "rawregistry.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/codepage.h"
#include "core/platform/registry.h"
#include "core/settings/config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

using namespace win;

namespace {
const QString kSettings = QStringLiteral("Kovamark\\Dunlivo");
const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

// Every value of the key in its order, as "name=type:data,...": text with its NULs shown as \0, other
// data as hex bytes.
QString valueDump(HKEY root, const QString &path)
{
    QStringList dump;
    HKEY key = nullptr;
    RegOpenKeyEx(root, path, 0, KEY_READ, &key);
    QString name;
    for (DWORD i = 0; RegEnumValue(key, i, &name, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        const RawValue r = rawValue(root, path, name);
        const char *type = r.type == REG_SZ ? "sz" : r.type == REG_DWORD ? "dword" : "binary";
        const QString data = r.type == REG_SZ
                                 ? QString::fromUtf8(r.data).replace(QChar(0), QLatin1String("\\0"))
                                 : QString::fromLatin1(r.data.toHex());
        dump.append(QStringLiteral("%1=%2:%3").arg(name, QLatin1String(type), data));
    }
    RegCloseKey(key);
    return dump.join(QLatin1Char(','));
}

QByteArray sz(const char *text) { return QByteArray(text, int(qstrlen(text)) + 1); }
QByteArray dword(quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); }

// The text of the failure f raises, empty when it raises none; detail receives its detail.
template <typename F> QString errorOf(F &&f, QString *detail = nullptr)
{
    try {
        f();
    } catch (const ConfigError &e) {
        if (detail)
            *detail = e.detail();
        return e.text();
    }
    return QString();
}
} // namespace

class TestConfig : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartFillsTheKeyInOrder()
    {
        TestPrefix prefix;
        Tconfig config;
        QVERIFY(config.CreationError().isEmpty());
        const char *expected =
            "Prioritas=dword:01000000,Celutvonal=sz:\\0,Autourites=dword:00000000,Uritesido=dword:01000000,"
            "Kerdez=dword:01000000,Archivalas=dword:1e000000,Biztarchivalas=dword:48000000,"
            "Archutolso=binary:0000000000000000,Archutolso2=binary:0000000000000000,"
            "Uritesutolso=binary:0000000000000000,=sz:Kovamark Dunlivo program\\0,Auto=dword:01000000,"
            "Celutvonal2=sz:\\0,Bzip2_ok_1=dword:01000000,Bzip2_ok_2=dword:01000000,"
            "Progress_1=dword:00000000,Progress_2=dword:00000000,ShutDown_type=dword:01000000,"
            "Archive_atshutdown=dword:00000000,Background_bmp=sz:\\0,Language=sz:\\0,"
            "Archstate=dword:00000000,Safestate=dword:00000000,Max meret=dword:00000000,"
            "Arany1=dword:32000000,Arany2=dword:32000000,Celkonyvtarnev1=sz:Archive1\\0,"
            "Celkonyvtarnev2=sz:Archive2\\0";
        QCOMPARE(valueDump(HKEY_CLASSES_ROOT, kSettings), QString::fromLatin1(expected));
    }

    void furtherStoresKeepValuesAndRewriteTheDescription()
    {
        TestPrefix prefix;
        Tconfig first;
        first.WriteInteger(QStringLiteral("Archivalas"), 0);
        first.WriteString(QString(), QStringLiteral("changed"));
        // A value removed while running comes back with the table's default at its next read.
        HKEY key = nullptr;
        QCOMPARE(RegOpenKeyEx(HKEY_CLASSES_ROOT, kSettings, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(key, QStringLiteral("Kerdez")), ERROR_SUCCESS);
        RegCloseKey(key);
        QCOMPARE(first.Read(BoolSetting::ConfirmSave), true);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Kerdez")).data, dword(1));

        Tconfig second;
        QCOMPARE(second.ReadInteger(QStringLiteral("Archivalas"), 30), 0);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QString()).data, sz("Kovamark Dunlivo program"));
    }

    void typedValuesAndTheirFailureTexts()
    {
        TestPrefix prefix;
        Tconfig config;
        setRawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Auto"), REG_DWORD, dword(5));
        QCOMPARE(config.ReadBool(QStringLiteral("Auto"), false), true);
        config.WriteInteger(QStringLiteral("Arany1"), -7);
        QCOMPARE(config.ReadInteger(QStringLiteral("Arany1"), 50), -7);

        setRawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Language"), REG_SZ,
                    QByteArray(300, 'x') + '\0');
        QCOMPARE(config.ReadString(QStringLiteral("Language"), QString()), QString(255, QLatin1Char('x')));
        // Text ends at the first NUL; REG_EXPAND_SZ reads as text too.
        setRawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Language"), REG_EXPAND_SZ,
                    QByteArray("ab\0cd\0", 6));
        QCOMPARE(config.ReadString(QStringLiteral("Language"), QString()), QStringLiteral("ab"));

        // Wrong types, and data too large for the type.
        const auto failure = [&](const char *name, DWORD type, const QByteArray &data, auto read) {
            setRawValue(HKEY_CLASSES_ROOT, kSettings, QLatin1String(name), type, data);
            return errorOf([&] { read(QLatin1String(name)); });
        };
        const auto readInteger = [&](const QString &name) { config.ReadInteger(name, 1); };
        const auto readDate = [&](const QString &name) { config.ReadDateTime(name, 0.0); };
        QCOMPARE(failure("Prioritas", REG_SZ, sz("1"), readInteger),
                 QStringLiteral("Invalid data type for 'Prioritas'"));
        QCOMPARE(failure("Prioritas", REG_SZ, sz("1234"), readInteger),
                 QStringLiteral("Failed to get data for 'Prioritas'"));
        QCOMPARE(failure("Archutolso2", REG_DWORD, dword(3), readDate),
                 QStringLiteral("Invalid data type for 'Archutolso2'"));
        QCOMPARE(failure("Archutolso2", REG_BINARY, QByteArray(9, '\0'), readDate),
                 QStringLiteral("Failed to get data for 'Archutolso2'"));
        QCOMPARE(failure("Celutvonal", REG_DWORD, dword(3),
                         [&](const QString &n) { config.ReadString(n, QString()); }),
                 QStringLiteral("Invalid data type for 'Celutvonal'"));
        // A setting asked for a side it is not kept for is refused, not read from another value.
        QVERIFY(!errorOf([&] { config.Read(BoolSetting::Compressed); }).isEmpty());
        // The store stays usable after a failure, and the wrong value is left as it was.
        QCOMPARE(config.ReadInteger(QStringLiteral("Archivalas"), 30), 30);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Prioritas")).data, sz("1234"));

        // A store made over wrong-typed values still makes sure of all the others.
        HKEY key = nullptr;
        QCOMPARE(RegOpenKeyEx(HKEY_CLASSES_ROOT, kSettings, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(key, QStringLiteral("Celkonyvtarnev2")), ERROR_SUCCESS);
        RegCloseKey(key);
        Tconfig another;
        QCOMPARE(another.CreationError(), QStringLiteral("Failed to get data for 'Prioritas'"));
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Celkonyvtarnev2")).data,
                 sz("Archive2"));
    }

    // The failure text is checked where the panel saves; the stored value is left as it was.
    void textOutsideTheCodePageIsRefused()
    {
        TestPrefix prefix;
        Tconfig config;
        TestPrefix::setCodePage("1252");
        QVERIFY(!errorOf([&] {
                     config.WriteString(QStringLiteral("Celutvonal"), QStringLiteral("C:\\Łódź"));
                 }).isEmpty());
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Celutvonal")).data, sz(""));
        AnsiCodePage::reset();
    }

    // Writing the entry, deleting it and its form are checked where the panel starts and saves.
    void autostartEntry()
    {
        TestPrefix prefix;
        Tconfig config;
        // The same path in other letters is left as it stands; with Auto off, start-up neither
        // writes nor deletes.
        setRawValue(HKEY_LOCAL_MACHINE, kRun, QStringLiteral("Kovamark-Dunlivo"), REG_SZ,
                    sz("c:\\program files\\dunlivo\\Archiv.exe -D"));
        RepairAutostart(config, QStringLiteral("C:\\Program Files\\Dunlivo"));
        config.WriteBool(QStringLiteral("Auto"), false);
        RepairAutostart(config, QStringLiteral("D:\\Elsewhere"));
        QCOMPARE(rawValue(HKEY_LOCAL_MACHINE, kRun, QStringLiteral("Kovamark-Dunlivo")).data,
                 sz("c:\\program files\\dunlivo\\Archiv.exe -D"));
        // The whole entry is cut to 255 characters.
        config.SetAutostart(QStringLiteral("D:\\") + QString(300, QLatin1Char('a')), true);
        QCOMPARE(config.GetAutostart().size(), 255);
        // The store is back on the settings key after every autostart call.
        config.WriteInteger(QStringLiteral("Uritesido"), 7);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Uritesido")).data, dword(7));
    }

    void autostartWithReadOnlyMachineHive()
    {
        TestPrefix prefix;
        Tconfig config;
        config.SetAutostart(QStringLiteral("C:\\X\\Archiv.exe"), true);
        const QByteArray hive = QFile::encodeName(prefix.hiveFile("HKEY_LOCAL_MACHINE"));
        QCOMPARE(::chmod(hive.constData(), 0444), 0);
        config.SetAutostart(QStringLiteral("C:\\Y\\Archiv.exe"), false);
        config.SetAutostart(QStringLiteral("C:\\Y\\Archiv.exe"), true);
        RepairAutostart(config, QStringLiteral("C:\\Z"));
        QCOMPARE(rawValue(HKEY_LOCAL_MACHINE, kRun, QStringLiteral("Kovamark-Dunlivo")).data,
                 sz("C:\\X\\Archiv.exe -d"));
        // Reading the entry needs full access too, so it reads as empty; the settings still work.
        QCOMPARE(config.GetAutostart(), QString());
        config.WriteInteger(QStringLiteral("Uritesido"), 7);
        QCOMPARE(rawValue(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Uritesido")).data, dword(7));
        ::chmod(hive.constData(), 0644);
    }

    // The panel and the Archiver write settings at the same time from two processes: no write
    // fails on the other's lock, and every setting ends with its last written value.
    void twoProcessesWriteAtOnce()
    {
        TestPrefix prefix;
        Tconfig config; // the settings exist before the writers start, as they do in use
        const int shared = 5000;
        const int distinct = 1000;
        QProcess writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w].setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writers[w].start(
                QStringLiteral(SETTINGS_WRITER),
                {QLatin1String(w ? "archiv" : "panel"), QString::number(shared), QString::number(distinct)});
        }
        // This process writes too, as a third party.
        for (int i = 1; i <= 200; ++i)
            config.WriteInteger(QStringLiteral("Counter-%1").arg(i), i);
        for (QProcess &writer : writers) {
            QVERIFY(writer.waitForFinished(300000));
            QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer.exitCode(), 0);
        }
        for (const char *tag : {"panel", "archiv"}) {
            for (int i = 1; i <= distinct; ++i)
                QCOMPARE(config.ReadString(QStringLiteral("%1-%2").arg(QLatin1String(tag)).arg(i), QString()),
                         QStringLiteral("%1-value-%2").arg(QLatin1String(tag)).arg(i));
        }
        for (int i = 1; i <= 200; ++i)
            QCOMPARE(config.ReadInteger(QStringLiteral("Counter-%1").arg(i), 0), i);
        const QString last = config.ReadString(QStringLiteral("Shared"), QString());
        QVERIFY2(last == QStringLiteral("panel-%1").arg(shared) || last == QStringLiteral("archiv-%1").arg(shared),
                 qPrintable(last));
    }

    void settingsKeyThatCannotBeOpened()
    {
        {
            // The key is there but the hive is read-only: reported, nothing created.
            TestPrefix prefix;
            { Tconfig config; }
            const QByteArray hive = QFile::encodeName(prefix.hiveFile("HKEY_CLASSES_ROOT"));
            QCOMPARE(::chmod(hive.constData(), 0444), 0);
            QString detail;
            QVERIFY(errorOf([] { Tconfig config; }, &detail)
                        .contains(QLatin1String("HKEY_CLASSES_ROOT\\Kovamark\\Dunlivo")));
            QVERIFY(detail.contains(QString::fromUtf8(hive)));
            ::chmod(hive.constData(), 0644);
        }
        {
            // No key, and a hive that cannot be written: the key cannot be created.
            TestPrefix prefix;
            HKEY probe = nullptr;
            RegOpenKeyEx(HKEY_CLASSES_ROOT, QString(), 0, KEY_READ, &probe);
            RegCloseKey(probe);
            const QByteArray hive = QFile::encodeName(prefix.hiveFile("HKEY_CLASSES_ROOT"));
            QCOMPARE(::chmod(hive.constData(), 0444), 0);
            QCOMPARE(errorOf([] { Tconfig config; }), QStringLiteral("Failed to create key Kovamark"));
            ::chmod(hive.constData(), 0644);
        }
    }
};

DUNLIVO_CORE_TEST_MAIN(TestConfig)
#include "tst_config.moc"
