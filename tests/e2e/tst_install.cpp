// An installation into a staging folder, end to end: the installed layout and desktop entries,
// then the installed panel, runner and Archiver on fresh prefixes. Each prefix (each user) gets a
// program folder of its own with its own lists; the installation itself is never written to.
#include "archiverprogram.h"
#include "programrun.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archivelist/treelist.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int kLong = 120000;

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_stage;
    QTemporaryDir m_work;

    QString usr() const { return m_stage.path() + QStringLiteral("/usr"); }
    QString bin() const { return usr() + QStringLiteral("/bin"); }

    // Archives one file with the installed Archiver on the current prefix (started by the
    // installed runner when the Run key names it, else directly) and returns where it went.
    void archiveWithInstalledArchiver(const QString &source, const QString &dest, bool throughRunner)
    {
        const QString programDir = win::Prefix::path() + QStringLiteral("/program");
        Tconfig config; // the settings are there before the Archiver first makes sure of them
        config.WriteString(QStringLiteral("Celutvonal"), win::ToWindowsPath(dest));
        config.WriteBool(QStringLiteral("Bzip2_ok_1"), false);
        QProcess archiv;
        if (throughRunner) {
            const ProgramRun runner = runProgram(bin() + QStringLiteral("/dunlivo-autorun"), {});
            QCOMPARE(runner.code, 0);
            QVERIFY(runner.out.toUpper().contains(QStringLiteral("\\PROGRAM\\ARCHIV.EXE -D")));
        } else {
            archiv.start(bin() + QStringLiteral("/archiv"),
                         {QStringLiteral("--start-delay-ms"), QStringLiteral("3600000")});
            QVERIFY(archiv.waitForStarted(kLong));
        }
        QTRY_VERIFY_WITH_TIMEOUT(ArchiverProgram::window() != nullptr, kLong);
        // The Archiver reads the user's list in the user's program folder.
        TTreeList list;
        list.AddFile(win::ToWindowsPath(source));
        list.SaveToFile(win::ToWindowsPath(programDir + QStringLiteral("/afiles.lst")));
        ArchiverProgram::command(2);
        QTRY_VERIFY_WITH_TIMEOUT(!config.ReadBool(QStringLiteral("Progress_1"), true), kLong);
        QCOMPARE(config.ReadInteger(QStringLiteral("Archstate"), -1), 0);
        win::PostMessage(ArchiverProgram::window(), win::WM_CLOSE, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(ArchiverProgram::window() == nullptr, kLong);
        if (!throughRunner)
            QTRY_COMPARE_WITH_TIMEOUT(archiv.state(), QProcess::NotRunning, kLong);
    }

private Q_SLOTS:
    // cmake --install with DESTDIR: the programs, data, desktop entries (valid), icon, README.
    void installedLayout()
    {
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_stage.path());
        install.setProcessEnvironment(env);
        install.start(QStringLiteral(DUNLIVO_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(DUNLIVO_BUILD_DIR),
                       QStringLiteral("--prefix"), QStringLiteral("/usr")});
        QVERIFY(install.waitForFinished(kLong));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

        for (const char *program : {"dunlivo", "archiv", "dunlivo-reg", "dunlivo-autorun"})
            QVERIFY2(QFileInfo(bin() + QLatin1Char('/') + QLatin1String(program)).isExecutable(), program);
        const QString data = usr() + QStringLiteral("/share/dunlivo");
        QVERIFY(QFileInfo(data + QStringLiteral("/ext.lst")).isFile());
        QVERIFY(QFileInfo(data + QStringLiteral("/Help/help.html")).isFile());
        QVERIFY(QFileInfo(data + QStringLiteral("/Background")).isDir());
        QVERIFY(QFileInfo(usr() + QStringLiteral("/share/icons/hicolor/scalable/apps/dunlivo.svg")).isFile());
        QVERIFY(QFileInfo(usr() + QStringLiteral("/share/icons/hicolor/48x48/apps/dunlivo.png")).isFile());
        QVERIFY(QFileInfo(usr() + QStringLiteral("/share/doc/dunlivo/README.md")).isFile());

        const QString menu = usr() + QStringLiteral("/share/applications/dunlivo.desktop");
        const QString autostart =
            m_stage.path() + QStringLiteral("/etc/xdg/autostart/dunlivo-autorun.desktop");
        QVERIFY(readFile(menu).contains("\nExec=/usr/bin/dunlivo\n"));
        QVERIFY(readFile(autostart).contains("\nExec=/usr/bin/dunlivo-autorun\n"));
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is missing");
        for (const QString &entry : {menu, autostart}) {
            const ProgramRun validate = runProgram(validator, {entry});
            QVERIFY2(validate.code == 0 && !(validate.out + validate.err).contains(QLatin1String("error")),
                     qPrintable(validate.out + validate.err));
        }
    }

    // The installed panel on a fresh prefix writes the autostart entry for the user's program
    // folder; the installed runner starts the installed Archiver through it, which archives the
    // user's list. A second user (prefix) has a folder and list of their own.
    void installedProgramsPerUser()
    {
        const QString sourceA = m_work.path() + QStringLiteral("/a/first.txt");
        const QString sourceB = m_work.path() + QStringLiteral("/b/second.txt");
        const QString destA = m_work.path() + QStringLiteral("/destA");
        const QString destB = m_work.path() + QStringLiteral("/destB");
        for (const QString &folder : {QFileInfo(sourceA).path(), QFileInfo(sourceB).path(), destA, destB})
            QDir().mkpath(folder);
        writeFile(sourceA, "user A\n");
        writeFile(sourceB, "user B\n");

        TestPrefix userA;
        QProcess panel;
        panel.start(bin() + QStringLiteral("/dunlivo"), {});
        QVERIFY(panel.waitForStarted(kLong));
        const QString expected = win::ToWindowsPath(userA.path() + QStringLiteral("/program")).toUpper() +
                                 QStringLiteral("\\ARCHIV.EXE -d");
        QTRY_COMPARE_WITH_TIMEOUT(Tconfig().GetAutostart(), expected, kLong);
        panel.terminate();
        QVERIFY(panel.waitForFinished(kLong));
        const QString programA = userA.path() + QStringLiteral("/program");
        QCOMPARE(QFileInfo(programA + QStringLiteral("/archiv")).symLinkTarget(),
                 bin() + QStringLiteral("/archiv"));
        QVERIFY(QFileInfo(programA + QStringLiteral("/ext.lst")).isFile());
        archiveWithInstalledArchiver(sourceA, destA, true);
        QCOMPARE(readFile(archivedPath(destA + QStringLiteral("/Archive1"), sourceA, false)),
                 QByteArray("user A\n"));

        TestPrefix userB;
        archiveWithInstalledArchiver(sourceB, destB, false);
        QCOMPARE(readFile(archivedPath(destB + QStringLiteral("/Archive1"), sourceB, false)),
                 QByteArray("user B\n"));
        QVERIFY(!QFileInfo::exists(archivedPath(destB + QStringLiteral("/Archive1"), sourceA, false)));

        // Each user's list is in their own program folder; the installation holds none.
        QDirIterator it(m_stage.path(), {QStringLiteral("afiles.lst")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QVERIFY(!it.hasNext());
    }
};

DUNLIVO_TEST_MAIN(TestInstall)
#include "tst_install.moc"
