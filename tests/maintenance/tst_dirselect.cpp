// The destination chooser on a whole panel: what it shows, the folder and name it stores, the
// warning with the delayed Yes before another existing folder is taken, the warning for an
// archive folder inside a listed folder, and what it refuses.
#include "restorepanel.h"
#include "testmain.h"

#include "gui/archivelist/directoryviews.h"
#include "gui/destinations/dirselectf.h"
#include "gui/shell/settingspage.h"

#include <QLineEdit>
#include <QSignalSpy>

namespace {

QLineEdit *edit(const QWidget *chooser, const char *name)
{
    return control<QLineEdit>(chooser, name);
}
TDirectoryTreeView *tree(const QWidget *chooser)
{
    return control<TDirectoryTreeView>(chooser, "LsDTpath");
}

const QString kWarning =
    QStringLiteral("If you select an existent directory it is possible that other files");

// A panel whose program folder is on the test's drive T:, so that the drive of the program
// folder is one of the test's own.
class ChooserPanel : public TestPanel
{
public:
    ChooserPanel()
    {
        QDir(m_drive.path()).mkpath(QStringLiteral("prog/Help"));
        QDir(m_drive.path()).mkpath(QStringLiteral("Data/Old"));
        mapTestDrive("t", m_drive.path());
        programDir = QStringLiteral("T:\\prog");
    }
    QString t(const QString &relative) const { return m_drive.path() + QLatin1Char('/') + relative; }

    // Opens the chooser of a side from its button and runs body in it; the chooser is cancelled
    // afterwards when body left it open. True when body ran.
    bool inChooser(bool primary, const std::function<void(TdirselectF *)> &body)
    {
        TdirselectF *chooser = panel->dirselectF();
        bool ran = false;
        whenModal(chooser, [=, &ran] {
            body(chooser);
            ran = true;
            if (chooser->isVisible())
                clickControl(chooser, "SpeedButton2");
        });
        main->showPage(3);
        QTest::mouseClick(control<QToolButton>(main, primary ? "SpeedButton13" : "SpeedButton14"),
                          Qt::LeftButton);
        return ran && !chooser->isVisible();
    }

private:
    QTemporaryDir m_drive;
};

} // namespace

class TestDirselect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void choosingAndStoring()
    {
        ChooserPanel p;
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage();

        // Nothing stored: the tree at "Drives", the default name; OK takes the program's drive.
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            QVERIFY(p.main->settingsChanged());
            QCOMPARE(tree(c)->Path(), QStringLiteral("Drives"));
            QCOMPARE(edit(c, "Epath")->text(), QString());
            QCOMPARE(edit(c, "Ename")->text(), QStringLiteral("Archive1"));
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(p.main->destination(true), QStringLiteral("T:\\"));
        QCOMPARE(p.main->dirName(true), QStringLiteral("\\Archive1"));
        QCOMPARE(control<QToolButton>(page, "SpeedButton13")->toolTip(), QStringLiteral("T:\\Archive1"));
        QVERIFY(QFileInfo(p.t(QStringLiteral("Archive1"))).isDir());
        // Nothing reaches the registry before the settings are saved.
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celutvonal"), QStringLiteral("none")), QString());

        // The secondary side: a folder picked in the tree, the name emptied gives Archive2; the
        // drive root shows without its backslash.
        QVERIFY(p.inChooser(false, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\"));
            QCOMPARE(edit(c, "Epath")->text(), QStringLiteral("T:"));
            QCOMPARE(edit(c, "Epath")->toolTip(), QStringLiteral("T:\\"));
            tree(c)->OpenAt(QStringLiteral("T:\\Data"));
            QCOMPARE(edit(c, "Epath")->text(), QStringLiteral("T:\\Data"));
            edit(c, "Ename")->clear();
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(p.main->destination(false), QStringLiteral("T:\\Data"));
        QCOMPARE(p.main->dirName(false), QStringLiteral("\\Archive2"));
        QVERIFY(QFileInfo(p.t(QStringLiteral("Data/Archive2"))).isDir());

        // Opened again: the tree at the chosen folder, its name; a typed name gets its backslash.
        QVERIFY(p.inChooser(false, [&](TdirselectF *c) {
            QCOMPARE(edit(c, "Epath")->text(), QStringLiteral("T:\\Data"));
            QCOMPARE(edit(c, "Ename")->text(), QStringLiteral("Archive2"));
            edit(c, "Ename")->setText(QStringLiteral("  Backup "));
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(p.main->dirName(false), QStringLiteral("\\Backup"));
        QVERIFY(p.inChooser(false, [&](TdirselectF *c) {
            edit(c, "Ename")->setText(QStringLiteral("\\Backup2"));
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(p.main->dirName(false), QStringLiteral("\\Backup2"));

        // Cancel keeps everything.
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\Data"));
            edit(c, "Ename")->setText(QStringLiteral("Other"));
            clickControl(c, "SpeedButton2");
        }));
        QCOMPARE(p.main->destination(true), QStringLiteral("T:\\"));
        QCOMPARE(p.main->dirName(true), QStringLiteral("\\Archive1"));
        QVERIFY(!QFileInfo::exists(p.t(QStringLiteral("Data/Other"))));
    }

    void existingFoldersAndRefusals()
    {
        ChooserPanel p;
        QDir().mkpath(p.t(QStringLiteral("Data/Backup")));
        QDir().mkpath(p.t(QStringLiteral("Data/Taken")));
        writeFile(p.t(QStringLiteral("Data/AFile")), "a plain file");
        p.settings().WriteString(QStringLiteral("Celutvonal"), QStringLiteral("T:\\Data\\"));
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev1"), QStringLiteral("Backup"));
        p.settings().WriteString(QStringLiteral("Celutvonal2"), QStringLiteral("T:\\"));
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev2"), QStringLiteral("Archive2"));
        QVERIFY(p.start());
        Tconfirm1F *confirm = p.panel->confirm1F();
        InfoLog boxes(p.panel->info1F());

        // The stored folder again, in other letter case: no warning although it exists.
        QSignalSpy asked(confirm, &QDialog::finished);
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            edit(c, "Ename")->setText(QStringLiteral("BACKUP"));
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(asked.count(), 0);
        QCOMPARE(p.main->dirName(true), QStringLiteral("\\BACKUP"));
        // A drive-root destination: T:\ stored, T: chosen, the same folder (made when missing).
        QVERIFY(p.inChooser(false, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\"));
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(asked.count(), 0);
        QVERIFY(QFileInfo(p.t(QStringLiteral("Archive2"))).isDir());

        // Another existing folder: the warning, its Yes locked until the delay has run; No keeps
        // the chooser open with nothing stored, then Yes stores.
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\Data"));
            edit(c, "Ename")->setText(QStringLiteral("Taken"));
            bool locked = false;
            whenModal(
                confirm,
                [&] {
                    QCOMPARE(control<QLabel>(confirm, "Label2")->text(),
                             QStringLiteral("will be delete when you emptying the archive.    Continue?"));
                    clickControl(confirm, "SpeedButton1");
                    locked = confirm->isVisible();
                    clickControl(confirm, "SpeedButton2");
                },
                kWarning);
            clickControl(c, "SpeedButton1");
            QVERIFY(locked && c->isVisible());
            QCOMPARE(p.main->dirName(true), QStringLiteral("\\BACKUP"));
            Question::setNextAnswers({true});
            clickControl(c, "SpeedButton1");
            QCOMPARE(takeQuestions().size(), 1);
        }));
        QCOMPARE(p.main->destination(true), QStringLiteral("T:\\Data"));
        QCOMPARE(p.main->dirName(true), QStringLiteral("\\Taken"));

        // A plain file of the chosen name counts as existing: the warning, and no folder is made.
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\Data"));
            edit(c, "Ename")->setText(QStringLiteral("AFile"));
            Question::setNextAnswers({true});
            clickControl(c, "SpeedButton1");
            QCOMPARE(takeQuestions().value(0).section(QLatin1Char('\n'), 0, 0), kWarning);
        }));
        QCOMPARE(p.main->dirName(true), QStringLiteral("\\AFile"));
        QVERIFY(QFileInfo(p.t(QStringLiteral("Data/AFile"))).isFile());

        // A folder over 255 characters is refused before anything is stored or made.
        const QString longName = QString(250, QLatin1Char('n'));
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\Data"));
            edit(c, "Ename")->setText(longName);
            clickControl(c, "SpeedButton1");
            QVERIFY(c->isVisible());
        }));
        QCOMPARE(boxes.boxes, (QList<QPair<QString, QString>>{
                                  {"The path is longer than 255 characters:", "T:\\Data\\" + longName}}));
        QCOMPARE(p.main->dirName(true), QStringLiteral("\\AFile"));

        // Left with Escape, the chooser still reads the other side's stored folder next time:
        // the secondary side's own folder is taken without a warning.
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) { QTest::keyClick(c, Qt::Key_Escape); }));
        const int questions = asked.count();
        QVERIFY(p.inChooser(false, [&](TdirselectF *c) {
            tree(c)->OpenAt(QStringLiteral("T:\\"));
            edit(c, "Ename")->setText(QStringLiteral("Archive2"));
            clickControl(c, "SpeedButton1");
        }));
        QCOMPARE(asked.count(), questions);
    }

    void archiveInsideAListedFolder_data()
    {
        QTest::addColumn<QString>("listed"); // folders of the archive list; Z leads to T:\Data through Z:
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("holder"); // the listed folder the warning names; empty for none
        QTest::newRow("inside, the nearest named") << "T:\\Data;T:\\Data\\Old"
                                                   << "T:\\Data\\Old"
                                                   << "Backup"
                                                   << "T:\\Data\\Old";
        QTest::newRow("the listed folder itself") << "T:\\Data\\Old"
                                                  << "T:\\Data"
                                                  << "Old"
                                                  << "T:\\Data\\Old";
        QTest::newRow("by another drive") << "Z"
                                          << "T:\\Data"
                                          << "Backup"
                                          << "Z";
        QTest::newRow("beside, its name alike") << "T:\\Data"
                                                << "T:\\"
                                                << "Data2"
                                                << "";
        QTest::newRow("outside") << "T:\\Data\\Old"
                                 << "T:\\Data"
                                 << "Backup"
                                 << "";
    }
    void archiveInsideAListedFolder()
    {
        QFETCH(QString, listed);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, holder);
        ChooserPanel p;
        const QString throughZ =
            QStringLiteral("Z:") + p.t(QStringLiteral("Data")).replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (holder == QLatin1String("Z"))
            holder = throughZ;
        TTreeList list;
        for (const QString &item : listed.split(QLatin1Char(';')))
            list.AddDir(item == QLatin1String("Z") ? throughZ : item, QStringLiteral(".*"));
        list.SaveToFile(QStringLiteral("T:\\prog\\afiles.lst"));
        QVERIFY(p.start());
        const QString warning =
            QStringLiteral("The archive folder %1\\%2 lies inside the archived folder %3.\n"
                           "The Archiver leaves it out, but it is safer elsewhere. Keep it?")
                .arg(folder.chopped(folder.endsWith(QLatin1Char('\\')) ? 1 : 0), name, holder);

        // No goes back to choosing with nothing stored; Yes keeps the choice (also through the
        // question for an existing folder).
        Question::setNextAnswers({false, true, true});
        QVERIFY(p.inChooser(true, [&](TdirselectF *c) {
            tree(c)->OpenAt(folder);
            edit(c, "Ename")->setText(name);
            clickControl(c, "SpeedButton1");
            if (!holder.isEmpty()) {
                QVERIFY(c->isVisible());
                QCOMPARE(p.main->dirName(true), QStringLiteral("\\Archive1"));
                clickControl(c, "SpeedButton1");
            }
        }));
        QCOMPARE(takeQuestions().filter(QStringLiteral("lies inside")),
                 holder.isEmpty() ? QStringList() : QStringList({warning, warning}));
        QCOMPARE(p.main->dirName(true), QLatin1Char('\\') + name);
    }
};

DUNLIVO_TEST_MAIN(TestDirselect)
#include "tst_dirselect.moc"
