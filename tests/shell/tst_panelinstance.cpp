// One panel per prefix, with real dunlivo processes: a second start ends with 0 and leaves the
// list and the settings alone, the first one comes to the front, the translators' template still
// works meanwhile, and the prefix is free again once the first panel has gone; a second start with
// --status opens the first one's status window.
#include "programrun.h"
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "core/platform/winmsg.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/shell/panelinstance.h"

#include <QProcess>

using namespace win;

namespace {

constexpr int kLong = 60000;

// The state of a file that shows whether it was written: size and time, or nothing.
QString stamp(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? QString::number(info.size()) + info.lastModified().toString(Qt::ISODateWithMs)
                         : QString();
}

// A copy of dunlivo in a program folder of its own, so its list is the test's.
class PanelProgram
{
public:
    PanelProgram()
    {
        m_exe = m_dir.path() + QStringLiteral("/dunlivo");
        QFile::copy(testBinDir() + QStringLiteral("/dunlivo"), m_exe);
        QFile::setPermissions(m_exe, QFile::permissions(m_exe) | QFileDevice::ExeOwner);
    }
    ~PanelProgram()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QString folder() const { return m_dir.path(); }
    QProcess &process() { return m_process; }

    bool start()
    {
        m_process.start(m_exe, QStringList());
        return m_process.waitForStarted(kLong);
    }
    int run(const QStringList &arguments = {}) { return runProgram(m_exe, arguments).code; }

private:
    QTemporaryDir m_dir;
    QString m_exe;
    QProcess m_process;
};

HWND panelWindow()
{
    return FindWindow(PanelInstance::kWindowClass, PanelInstance::kWindowTitle);
}

} // namespace

class TestPanelInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondPanelEndsAndLeavesEverythingAlone()
    {
        TestPrefix prefix;
        PanelProgram program;
        QVERIFY(program.start());
        QVERIFY(QTest::qWaitFor([] { return panelWindow() != nullptr; }, kLong));
        const HWND first = panelWindow();
        // The first panel has built its windows once its settings key holds the last settings its
        // start writes: the settings page makes Versions_days when it first reads it, the status
        // window, built after the first paint, LastFullCheck_2 when it first shows its texts.
        const QString list = program.folder() + QStringLiteral("/afiles.lst");
        const QString hive = prefix.hiveFile("HKEY_CLASSES_ROOT");
        QVERIFY(QTest::qWaitFor(
            [] {
                return valueExists(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Versions_days")) &&
                       valueExists(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("LastFullCheck_2"));
            },
            kLong));
        const QStringList before{stamp(list), stamp(hive), stamp(hive + QStringLiteral("-wal"))};

        QCOMPARE(program.run(), 0);
        QCOMPARE(panelWindow(), first);
        QCOMPARE((QStringList{stamp(list), stamp(hive), stamp(hive + QStringLiteral("-wal"))}), before);

        // The translators' template is no panel: it is written while the panel runs.
        QCOMPARE(program.run({QStringLiteral("--language-template"), program.folder() + "/Template.lng"}), 0);
        QVERIFY(QFileInfo(program.folder() + QStringLiteral("/Template.lng")).size() > 0);

        // Once the first panel has gone, by whatever end, the prefix takes a panel again.
        program.process().kill();
        QVERIFY(program.process().waitForFinished(kLong));
        QVERIFY(program.start());
        QVERIFY(
            QTest::qWaitFor([first] { return panelWindow() != nullptr && panelWindow() != first; }, kLong));
    }

    void theFirstPanelComesToTheFront()
    {
        TestPanel p;
        PanelInstance instance;
        QVERIFY(!instance.anotherRuns());
        QVERIFY(p.start());
        instance.listen(p.main, [&p] { p.panel->showStatusWindow(); });
        p.main->showMinimized();
        QTRY_VERIFY(p.main->isMinimized());

        PanelProgram second;
        QCOMPARE(second.run(), 0);
        QTRY_VERIFY(!p.main->isMinimized());
        QTRY_VERIFY(p.main->isActiveWindow());
        QVERIFY(!p.panel->statusF()->isVisible());

        // With --status the status window opens over the main window, which comes to the front.
        p.main->showMinimized();
        QTRY_VERIFY(p.main->isMinimized());
        bool shown = false;
        whenModal(p.panel->statusF(), [&] {
            shown = !p.main->isMinimized();
            QTest::mouseClick(control<QToolButton>(p.panel->statusF(), "SpeedButton1"), Qt::LeftButton);
        });
        QCOMPARE(second.run({QStringLiteral("--status")}), 0);
        QTRY_VERIFY(shown);
    }
};

DUNLIVO_TEST_MAIN(TestPanelInstance)
#include "tst_panelinstance.moc"
