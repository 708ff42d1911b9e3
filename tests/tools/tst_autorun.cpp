// The log-in runner on a real prefix: every command of the Run key is started, so the real
// Archiver starts with -d exactly while the panel's autostart entry is there; a user without a
// prefix gets none made.
#include "archiverprogram.h"
#include "programrun.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/registry.h"
#include "core/settings/config.h"

#include <QFileInfo>

namespace {

ProgramRun runner()
{
    return runProgram(testBinDir() + QStringLiteral("/dunlivo-autorun"), {});
}

// Another program of the Run key: a script that leaves a file behind.
QString writeMarkerScript(const QString &folder)
{
    const QString script = folder + QStringLiteral("/marker.sh");
    writeFile(script, "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/marker.out\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    return script;
}

void setRunValue(const QString &name, const QString &command)
{
    using namespace win;
    HKEY run = nullptr;
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                          QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), 0,
                          KEY_ALL_ACCESS, &run),
             LONG(ERROR_SUCCESS));
    const QByteArray bytes = command.toUtf8() + '\0';
    QCOMPARE(RegSetValueEx(run, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(bytes.constData()),
                           DWORD(bytes.size())),
             LONG(ERROR_SUCCESS));
    RegCloseKey(run);
}

} // namespace

class TestAutorun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A user who never used the programs: nothing starts and no registry is made.
    void noPrefixNoStart()
    {
        TestPrefix fresh;
        const ProgramRun run = runner();
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QString());
        QVERIFY(!QFileInfo::exists(fresh.hiveFile("HKEY_LOCAL_MACHINE")));
    }

    // The panel's entry (upper-cased, as the start-up repair writes it) starts the real archiv
    // with -d, beside the other commands of the key; unticked and saved, the entry is gone and
    // only the others start; a command that cannot start is reported and the rest still run.
    void runKeyStartsTheArchiver()
    {
        TestPrefix prefix;
        QVERIFY(win::Prefix::ensure());
        ArchiverProgram program;
        const QString archiverPath =
            win::ToWindowsPath(program.folder()).toUpper() + QStringLiteral("\\ARCHIV.EXE");
        {
            Tconfig config;
            config.SetAutostart(archiverPath, true);
            QCOMPARE(config.GetAutostart(), archiverPath + QStringLiteral(" -d"));
        }
        setRunValue(QStringLiteral("Other"), win::ToWindowsPath(writeMarkerScript(program.folder())) +
                                                 QStringLiteral(" from-run-key"));

        ProgramRun run = runner();
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains(QStringLiteral("started: ") + archiverPath + QStringLiteral(" -d")),
                 qPrintable(run.out));
        QTRY_VERIFY_WITH_TIMEOUT(ArchiverProgram::window() != nullptr, 60000);
        const QString log = win::Prefix::logDir() + QStringLiteral("/archiv.log");
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("started at log-in"), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(program.folder() + QStringLiteral("/marker.out")),
                                  QByteArray("from-run-key\n"), 60000);
        win::PostMessage(ArchiverProgram::window(), win::WM_CLOSE, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(ArchiverProgram::window() == nullptr, 60000);

        // The option unticked and saved: the entry is removed, the Archiver does not start.
        Tconfig().SetAutostart(archiverPath, false);
        QFile::remove(program.folder() + QStringLiteral("/marker.out"));
        run = runner();
        QCOMPARE(run.code, 0);
        QVERIFY2(!run.out.contains(QStringLiteral("ARCHIV")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("marker.sh")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(program.folder() + QStringLiteral("/marker.out")), 60000);
        // The other command has run its course; an Archiver started with it would be there by now
        // or soon: its log gets no second start.
        QCOMPARE(readFile(log).count("started at log-in"), qsizetype(1));
        QVERIFY(ArchiverProgram::window() == nullptr);

        // A command that cannot start: reported, and the others still run.
        setRunValue(QStringLiteral("Broken"), QStringLiteral("C:\\no\\such\\program.exe"));
        run = runner();
        QCOMPARE(run.code, 1);
        QVERIFY(run.err.contains(QStringLiteral("C:\\no\\such\\program.exe")));
        QVERIFY(run.out.contains(QStringLiteral("marker.sh")));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestAutorun)
#include "tst_autorun.moc"
