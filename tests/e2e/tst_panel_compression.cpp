// The settings page's compression boxes and Empty button with the real archiv: a side never
// archived changes freely; the refusals (Archiver not running, busy with that side) and No put the
// box back without a second question; a change made from code while the settings load starts
// nothing; Yes has the Archiver convert the side in place, both ways, every file byte-exact with
// its time, a file whose source has gone and a genuine x.bz2 beside x included; Empty empties
// through the Archiver, and without one says so.
#include "archiverpanel.h"
#include "archiverprogram.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archivelist/treelist.h"
#include "core/platform/datetime.h"
#include "gui/shell/settingspage.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFileInfo>

namespace {

const QString kNotActive = QStringLiteral("The archiving system is not active!");
const QString kEmpty = QStringLiteral("Are you sure you want to empty the archive?");

void clickLabel(QLabel *label)
{
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
}

// A panel with an archived primary side over one source folder.
class SidePanel : public ArchiverPanel
{
public:
    QTemporaryDir work;
    QString source = work.path() + QStringLiteral("/Source");
    QString root = work.path() + QStringLiteral("/Dest/Archive1");

    void prepare(bool compressed, const QList<std::pair<QString, QByteArray>> &files)
    {
        QDir().mkpath(work.path() + QStringLiteral("/Dest"));
        for (const auto &[name, bytes] : files)
            writeFile(source + QLatin1Char('/') + name, bytes);
        TTreeList list;
        list.AddDir(win::ToWindowsPath(source), QStringLiteral(".*"));
        writeFile(host("afiles.lst"), list.ListFileBytes());
        setArchiveSide(1, work.path() + QStringLiteral("/Dest"), compressed);
        settings().WriteBool(QStringLiteral("Kerdez"), false);
    }
    QString path(const QString &name) const { return source + QLatin1Char('/') + name; }
    QString archived(const QString &name, bool compressed) const
    {
        return archivedPath(root, path(name), compressed);
    }
};

} // namespace

class TestPanelCompression : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void neverArchivedSideChangesFreely()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage();
        Question::setNextAnswers({false});

        clickLabel(control<QLabel>(page, "Label3"));
        QTest::mouseClick(control<QCheckBox>(page, "CheckBox4"), Qt::LeftButton);
        QCOMPARE(takeQuestions(), QStringList());
        QTest::mouseClick(control<QToolButton>(page, "SpeedButton8"), Qt::LeftButton);
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Bzip2_ok_1"), true));
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Bzip2_ok_2"), true));
    }

    void refusalsAndNoPutTheBoxBack()
    {
        ArchiverPanel p;
        const double archived = win::DateTimeToDouble(QDateTime::currentDateTime());
        for (const char *last : {"Archutolso", "Archutolso2"})
            p.settings().WriteDateTime(QLatin1String(last), archived);
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage();
        QCheckBox *primary = control<QCheckBox>(page, "CheckBox3");
        QCheckBox *secondary = control<QCheckBox>(page, "CheckBox4");
        InfoLog boxes(p.panel->info1F());

        // Not running: refused with both lines; the flip back asks nothing more.
        Question::setNextAnswers({false});
        clickLabel(control<QLabel>(page, "Label3"));
        QTRY_COMPARE(boxes.shown(), QStringList({kNotActive + "|Please start the Archiver manually first!"}));
        QVERIFY(primary->isChecked());
        QVERIFY(p.settings().ReadBool(QStringLiteral("Bzip2_ok_1"), false));

        // Busy with the primary side: refused alone.
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        p.settings().WriteBool(QStringLiteral("Progress_1"), true);
        QTest::mouseClick(primary, Qt::LeftButton);
        QTRY_COMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.shown().last(), QStringLiteral("The archiving system is busy!|"));
        QVERIFY(primary->isChecked());
        QVERIFY(p.settings().ReadBool(QStringLiteral("Bzip2_ok_1"), false));
        QCOMPARE(takeQuestions(), QStringList());

        // The secondary side is not refused on that account: it asks; No puts the box and the
        // value back as they were.
        Question::setNextAnswers({false});
        clickLabel(control<QLabel>(page, "Label4"));
        QCOMPARE(takeQuestions(), QStringList({"Do you want to archive without compression?"}));
        QVERIFY(secondary->isChecked());
        QVERIFY(p.settings().ReadBool(QStringLiteral("Bzip2_ok_2"), false));

        // Set from code while the settings load: no question, only the value follows the box.
        Question::setNextAnswers({false});
        p.main->setLoadingSettings(true);
        secondary->setChecked(false);
        p.main->setLoadingSettings(false);
        QCOMPARE(takeQuestions(), QStringList());
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Bzip2_ok_2"), true));

        Question::setNextAnswers({false});
        QTest::mouseClick(secondary, Qt::LeftButton);
        QCOMPARE(takeQuestions(), QStringList({"This operation may require a lot of time.\nAre you sure you "
                                               "want to compress the archive?"}));
        QVERIFY(!secondary->isChecked());
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Bzip2_ok_2"), true));
        QCOMPARE(boxes.boxes.size(), 2);
        QVERIFY(!p.main->settingsChanged());
        p.settings().WriteBool(QStringLiteral("Progress_1"), false);
    }

    // A compressed side, one of whose sources has gone since, to plain and back: every file
    // byte-exact with its time both ways, the gone one too, and no copy of the other form left. A
    // genuine bzip2 file x.bz2 beside x takes the name x.bz2.bz2 while compressed, and its copy
    // and x's trade names in place both ways.
    void compressedSideToPlainAndBack()
    {
        SidePanel p;
        const QByteArray goneBytes = "kept only in the archive\n";
        p.prepare(true, {{QStringLiteral("report.txt"), QByteArray("quarterly figures\n").repeated(3000)},
                         {QStringLiteral("photo.raw"), noise(200000, 7919)},
                         {QStringLiteral("x"), "the plain file x\n"},
                         {QStringLiteral("x.bz2"), bzipped("something else entirely\n")},
                         {QStringLiteral("gone.txt"), goneBytes}});
        QVERIFY(p.start());
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        QCOMPARE(ArchiverProgram::archive(1), 0);
        const qint64 goneTime = modificationNs(p.path("gone.txt"));
        QVERIFY(QFile::remove(p.path("gone.txt")));
        const QStringList kept = {"report.txt", "photo.raw", "x", "x.bz2"};

        for (const bool compressed : {false, true}) {
            Question::setNextAnswers({true});
            clickLabel(control<QLabel>(p.main, "Label3"));
            QCOMPARE(takeQuestions().size(), 1);
            QVERIFY(ArchiverProgram::waitIdle(1));
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("Archstate"), -1), 0);
            QCOMPARE(p.settings().ReadBool(QStringLiteral("Bzip2_ok_1"), !compressed), compressed);
            const auto held = [&](const QString &m) { return compressed ? bunzipped(m) : readFile(m); };
            for (const QString &name : kept) {
                QCOMPARE(held(p.archived(name, compressed)), readFile(p.path(name)));
                QCOMPARE(modificationNs(p.archived(name, compressed)), modificationNs(p.path(name)));
            }
            QCOMPARE(held(p.archived("gone.txt", compressed)), goneBytes);
            QCOMPARE(modificationNs(p.archived("gone.txt", compressed)), goneTime);
            QDirIterator members(p.root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            qsizetype count = 0;
            for (; members.hasNext(); members.next())
                ++count;
            QCOMPARE(count, kept.size() + 4); // gone.txt, afiles.lst, archiv.form, archiv.sums
            QCOMPARE(readFile(p.root + QStringLiteral("/afiles.lst")), readFile(p.host("afiles.lst")));
        }
    }

    void emptyWithAndWithoutArchiver()
    {
        SidePanel p;
        p.prepare(true, {{QStringLiteral("a.txt"), QByteArray("to be emptied\n")}});
        QVERIFY(p.start());
        QToolButton *empty = control<QToolButton>(p.main, "SpeedButton11");
        InfoLog boxes(p.panel->info1F());

        // No, then Yes without an Archiver: said so, nothing sent, no progress window.
        Question::setNextAnswers({false, true});
        QTest::mouseClick(empty, Qt::LeftButton);
        QTest::mouseClick(empty, Qt::LeftButton);
        QCOMPARE(takeQuestions(), QStringList({kEmpty, kEmpty}));
        QTRY_COMPARE(boxes.shown(), QStringList({kNotActive + "|Please start the Archiver manually first!"}));
        QCOMPARE(p.saves(), 0);

        // With one: emptied through it while the progress window shows.
        QTest::mouseClick(p.startStop(), Qt::LeftButton);
        QVERIFY(p.startedWithin());
        QCOMPARE(ArchiverProgram::archive(1), 0);
        QVERIFY(QFileInfo::exists(p.archived("a.txt", true)));
        Question::setNextAnswers({true});
        QTest::mouseClick(empty, Qt::LeftButton);
        QCOMPARE(p.saves(), 1);
        QCOMPARE(control<QLabel>(p.panel->saveF(), "Label1")->text(), QStringLiteral("Emptying archive..."));
        QCOMPARE(entriesOf(p.root), QStringList());
        QVERIFY(p.settings().ReadDateTime(QStringLiteral("Uritesutolso"), 0.0) > 0.0);
        QTRY_VERIFY(!p.panel->saveF()->isVisible());
        QCOMPARE(boxes.boxes.size(), 1);
    }
};

DUNLIVO_TEST_MAIN(TestPanelCompression)
#include "tst_panel_compression.moc"
