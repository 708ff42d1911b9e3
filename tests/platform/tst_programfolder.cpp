// The program folder: a build folder is its own; an installation gives every user a folder in
// their prefix with links to the programs and data and a list of their own.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/programfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

class TestProgramFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The test's own folder and the build's bin folder are no installation: ProgramDir is the
    // executable's folder.
    void buildFolderIsItsOwn()
    {
        QCOMPARE(win::InstalledDataDir(testBinDir()), QString());
        QCOMPARE(win::ProgramDir(), win::ToWindowsPath(QCoreApplication::applicationDirPath()));
    }

    // An installed layout (bin/ and share/dunlivo/ side by side) is recognised; the user's
    // folder links the programs and data, copies ext.lst once, leaves the user's own files and
    // list alone, and mends a link that points elsewhere.
    void userFolderOfAnInstallation()
    {
        QTemporaryDir root;
        const QString bin = root.path() + QStringLiteral("/usr/bin");
        const QString data = root.path() + QStringLiteral("/usr/share/dunlivo");
        QDir().mkpath(data + QStringLiteral("/Background"));
        writeFile(data + QStringLiteral("/Help/help.html"), "<html></html>");
        writeFile(bin + QStringLiteral("/dunlivo"), "#!/bin/sh\n");
        QCOMPARE(win::InstalledDataDir(bin), QString()); // no ext.lst: not (yet) an installation
        writeFile(data + QStringLiteral("/ext.lst"), ".txt\r\n");
        writeFile(bin + QStringLiteral("/archiv"), "#!/bin/sh\n");
        QCOMPARE(win::InstalledDataDir(bin), QDir::cleanPath(data));

        const QString user = root.path() + QStringLiteral("/prefix/program");
        QVERIFY(win::EnsureUserProgramDir(user, bin, data));
        QCOMPARE(QFileInfo(user + QStringLiteral("/archiv")).symLinkTarget(),
                 bin + QStringLiteral("/archiv"));
        QCOMPARE(QFileInfo(user + QStringLiteral("/Help")).symLinkTarget(), data + QStringLiteral("/Help"));
        QVERIFY(!QFileInfo::exists(user + QStringLiteral("/dunlivo-reg"))); // not installed: no dangling link
        QVERIFY(!QFileInfo(user + QStringLiteral("/ext.lst")).isSymLink());
        QCOMPARE(readFile(user + QStringLiteral("/ext.lst")), QByteArray(".txt\r\n"));

        // The user's edits and files stay; the installation's ext.lst does not overwrite them.
        writeFile(user + QStringLiteral("/ext.lst"), ".doc\r\n");
        writeFile(user + QStringLiteral("/afiles.lst"), "list");
        QVERIFY(QFile::remove(user + QStringLiteral("/Background")));
        QVERIFY(QDir().mkpath(user + QStringLiteral("/Background")));
        // The package moved: a link to the old place is pointed at the new one.
        const QString moved = root.path() + QStringLiteral("/opt/bin");
        writeFile(moved + QStringLiteral("/archiv"), "#!/bin/sh\n");
        QVERIFY(win::EnsureUserProgramDir(user, moved, data));
        QCOMPARE(QFileInfo(user + QStringLiteral("/archiv")).symLinkTarget(),
                 moved + QStringLiteral("/archiv"));
        QCOMPARE(readFile(user + QStringLiteral("/ext.lst")), QByteArray(".doc\r\n"));
        QCOMPARE(readFile(user + QStringLiteral("/afiles.lst")), QByteArray("list"));
        QVERIFY(!QFileInfo(user + QStringLiteral("/Background")).isSymLink());
        QVERIFY(entriesOf(user).filter(QStringLiteral(".link-")).isEmpty());

        // A folder that cannot be made is reported.
        writeFile(root.path() + QStringLiteral("/file"), "x");
        QString error;
        QVERIFY(!win::EnsureUserProgramDir(root.path() + QStringLiteral("/file/program"), bin, data, &error));
        QVERIFY(!error.isEmpty());
    }
};

DUNLIVO_CORE_TEST_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
