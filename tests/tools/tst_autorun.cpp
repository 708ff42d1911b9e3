// The log-in runner on a real prefix: every command of the Run key is started, so the real
// Archiver starts with -d exactly while the panel's autostart entry is there.
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

void setRunValue(const QString &name, const QString &command)
{
    using namespace win;
    HKEY run = nullptr;
    RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), 0,
                 KEY_ALL_ACCESS, &run);
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
    // A user who never used the programs: nothing starts and no registry is made. The panel's
    // entry (upper-cased, as the start-up repair writes it) starts the real archiv with -d, beside
    // the other commands of the key; unticked and saved, the entry is gone and only the others
    // start; a command that cannot start is reported and the rest still run.
    void runKeyStartsTheArchiver()
    {
        TestPrefix prefix;
        ProgramRun run = runner();
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QString());
        QVERIFY(!QFileInfo::exists(prefix.hiveFile("HKEY_LOCAL_MACHINE")));

        QVERIFY(win::Prefix::ensure());
        ArchiverProgram program;
        const QString archiverPath =
            win::ToWindowsPath(program.folder()).toUpper() + QStringLiteral("\\ARCHIV.EXE");
        Tconfig().SetAutostart(archiverPath, true);
        // Another program of the key: a script that leaves a file behind.
        const QString script = program.folder() + QStringLiteral("/marker.sh");
        const QString marker = program.folder() + QStringLiteral("/marker.out");
        writeFile(script, "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/marker.out\"\n");
        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
        setRunValue(QStringLiteral("Other"), win::ToWindowsPath(script) + QStringLiteral(" from-run-key"));

        run = runner();
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains(QStringLiteral("started: ") + archiverPath + QStringLiteral(" -d")));
        QTRY_VERIFY_WITH_TIMEOUT(ArchiverProgram::window() != nullptr, 60000);
        const QString log = win::Prefix::logDir() + QStringLiteral("/archiv.log");
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("started at log-in"), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(marker), QByteArray("from-run-key\n"), 60000);
        win::PostMessage(ArchiverProgram::window(), win::WM_CLOSE, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(ArchiverProgram::window() == nullptr, 60000);

        // The option unticked and saved: the entry is removed, the Archiver does not start.
        Tconfig().SetAutostart(archiverPath, false);
        QFile::remove(marker);
        run = runner();
        QCOMPARE(run.code, 0);
        QVERIFY(!run.out.contains(QStringLiteral("ARCHIV")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 60000);

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
