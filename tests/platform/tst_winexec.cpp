// Starting programs from Windows command lines.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "core/platform/winexec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace win;

class TestWinExec : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splitsAsWindowsDoes()
    {
        QCOMPARE(SplitCommandLine(QStringLiteral("a  b\tc")), (QStringList{"a", "b", "c"}));
        QCOMPARE(SplitCommandLine(QStringLiteral("\"C:\\Program Files\\x.exe\" \"%1\"")),
                 (QStringList{"C:\\Program Files\\x.exe", "%1"}));
        QCOMPARE(SplitCommandLine(QStringLiteral("a\\\\\\\"b c\\d \"\"")), (QStringList{"a\\\"b", "c\\d", ""}));
        QCOMPARE(SplitCommandLine(QStringLiteral("\"a\\\\\" b")), (QStringList{"a\\", "b"}));
    }

    void startsTheProgramWithHostPaths()
    {
        TestPrefix prefix;
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/Program Files/Dunlivo");
        writeFile(
            folder + QStringLiteral("/archiv"),
            "#!/bin/sh\nout=\"$2\"\nprintf '%s\\n' \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
        QFile::setPermissions(folder + QStringLiteral("/archiv"), QFile::ReadOwner | QFile::ExeOwner);
        const QString windowsFolder = ToWindowsPath(folder);
        const QString out = dir.path() + QStringLiteral("/out.txt");

        // Upper-cased and unquoted, as the autostart entry holds it.
        const QString line = windowsFolder.toUpper() + QStringLiteral("\\ARCHIV.EXE -d ") + ToWindowsPath(out);
        QCOMPARE(WinExec(line, SW_SHOWNORMAL), UINT(33));
        QTRY_COMPARE(readFile(out), (QStringLiteral("-d\n") + out + QStringLiteral("\n")).toUtf8());

        QCOMPARE(WinExec(windowsFolder + QStringLiteral("\\missing.exe -d"), SW_SHOWNORMAL), UINT(ERROR_FILE_NOT_FOUND));
        QCOMPARE(WinExec(QStringLiteral("\"") + windowsFolder + QStringLiteral("\\nowhere\\archiv.exe\""), SW_SHOWNORMAL),
                 UINT(ERROR_PATH_NOT_FOUND));
        QCOMPARE(WinExec(QStringLiteral("Q:\\x.exe"), SW_SHOWNORMAL), UINT(ERROR_PATH_NOT_FOUND));
        QCOMPARE(WinExec(QStringLiteral("no-such-program-here"), SW_SHOWNORMAL), UINT(ERROR_FILE_NOT_FOUND));
        QCOMPARE(WinExec(QString(), SW_SHOWNORMAL), UINT(ERROR_FILE_NOT_FOUND));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestWinExec)
#include "tst_winexec.moc"
