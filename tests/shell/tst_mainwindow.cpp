// The main window on a whole panel: first start, damaged or foreign settings, layouts and pane
// shares, destinations, help, closing, and the archive list file at start.
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "core/archivelist/treelist.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"
#include "gui/archivelist/treelistview.h"
#include "gui/shell/aboutf.h"
#include "gui/shell/archivelistpage.h"
#include "gui/shell/pathtext.h"

#include <sys/stat.h>

using namespace win;

namespace {

QByteArray listBytes(std::initializer_list<const char *> dirs)
{
    TTreeList list;
    for (const char *dir : dirs)
        list.AddDir(QString::fromLatin1(dir), QStringLiteral(".*"));
    return list.ListFileBytes();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartOnAnEmptyRegistry()
    {
        TestPanel p;
        QVERIFY(p.start());
        QCOMPARE(p.errors, QStringList());
        // The autostart entry names the Archiver beside the program, in capitals, with " -d".
        QCOMPARE(p.settings().GetAutostart(),
                 AsciiUpperCase(p.programDir + QStringLiteral("\\Archiv.exe")) + QStringLiteral(" -d"));

        TApp_user_window *m = p.main;
        QCOMPARE(control<QWidget>(m, "Splitter1")->toolTip(), QStringLiteral("50%"));
        QVERIFY(!m->settingsChanged());
        QCOMPARE(m->destinationHint(true), QStringLiteral("---"));

        // Every window exists once, in its order, and is registered in the registration order.
        const QList<QWidget *> created = p.panel->creationOrder();
        QCOMPARE(QSet<QWidget *>(created.begin(), created.end()).size(), 13);
        QCOMPARE(created.first(), static_cast<QWidget *>(m));
        QCOMPARE(m->language()->windows(), p.panel->registrationOrder());
        QCOMPARE(m->texture()->windows(), p.panel->registrationOrder());
    }

    // The windows other than the main one, the archive list page and the settings page are built
    // after its first paint unless asked for before: built late they show exactly what they show
    // built early, in English (texts from the defaults) and in a language file in the large layout,
    // with a texture, a list and an archived side compressed (its last archiving unreadable in
    // English: the failure is shown and the other settings load).
    void windowsBuiltAfterTheFirstPaint()
    {
        for (const char *language : {"", "Magyar.lng"}) {
            QList<QImage> shown[2];
            QStringList texts[2];
            QStringList errors[2];
            for (const bool late : {false, true}) {
                TestPanel p;
                for (const char *folder : {"Language", "Background"})
                    QFile::link(testBinDir() + QLatin1Char('/') + QLatin1String(folder),
                                p.host(QLatin1String(folder)));
                p.settings().WriteString(QStringLiteral("Language"), QLatin1String(language));
                p.settings().WriteString(QStringLiteral("Background_bmp"), QStringLiteral("Marble.bmp"));
                p.settings().Write(BoolSetting::LargeLayout, *language != 0);
                p.settings().Write(BoolSetting::Compressed, true, Side::Primary);
                if (*language)
                    p.settings().Write(TimeSetting::LastArchived, 45000.5, Side::Primary);
                else
                    p.settings().WriteString(QStringLiteral("Archutolso"), QStringLiteral("x"));
                TTreeList list;
                list.AddDir(QStringLiteral("C:\\Documents"), QStringLiteral(".doc"));
                list.SaveToFile(p.programDir + QStringLiteral("\\afiles.lst"));
                PanelOptions options;
                options.programDir = p.programDir;
                options.registryErrorHandler = [&](const ConfigError &e) { errors[late].append(e.text()); };
                DunlivoPanel panel(options);
                QVERIFY(panel.create());
                TApp_user_window *m = panel.App_user_window();
                if (!late)
                    panel.creationOrder();
                m->show();
                QVERIFY(QTest::qWaitFor(
                    [m] { return m->activatedOnce() && m->language()->windows().size() == 13; }));
                QCOMPARE(m->language()->windows(), panel.registrationOrder());
                QCOMPARE(m->texture()->windows(), panel.registrationOrder());
                texts[late] = m->language()->Items();
                for (const int page : {2, 3}) {
                    m->showPage(page);
                    shown[late].append(m->grab().toImage());
                }
                for (QWidget *window : panel.creationOrder().mid(1)) {
                    window->show();
                    shown[late].append(window->grab().toImage());
                    window->hide();
                }
            }
            QCOMPARE(texts[1], texts[0]);
            QCOMPARE(shown[1], shown[0]);
            QCOMPARE(errors[1], errors[0]);
        }
    }

    void ownLogoAndRegistryFailures()
    {
        for (const bool damaged : {false, true}) {
            // archiv.dat replaces the start page's logo, the about window keeps the built-in one; a
            // logo cut short in its pixels gives the built-in one.
            TestPanel p;
            QImage own(12, 8, QImage::Format_RGB32);
            own.fill(Qt::blue);
            const QString file = p.host(QStringLiteral("archiv.dat"));
            QVERIFY(own.save(file, "BMP"));
            if (damaged)
                QVERIFY(QFile::resize(file, QFileInfo(file).size() - 40));
            QVERIFY(p.start());
            QCOMPARE(control<QLabel>(p.main, "Image1")->pixmap().size(),
                     damaged ? QSize(190, 60) : QSize(12, 8));
            QCOMPARE(control<QLabel>(p.panel->aboutF(), "Image1")->pixmap().size(), QSize(190, 60));
        }
        {
            // A value of the wrong type: the failure is shown with its fixed text, the rest of the
            // handler is abandoned, and the panel is still built.
            TestPanel p;
            p.settings();
            HKEY key = nullptr;
            QCOMPARE(RegOpenKeyEx(HKEY_CLASSES_ROOT, kSettings, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
            const QByteArray text("large\0", 6);
            QCOMPARE(RegSetValueEx(key, QStringLiteral("Max meret"), 0, REG_SZ,
                                   reinterpret_cast<const BYTE *>(text.constData()), DWORD(text.size())),
                     ERROR_SUCCESS);
            RegCloseKey(key);
            QVERIFY(p.create());
            QVERIFY(p.errors.contains(QStringLiteral("Failed to get data for 'Max meret'")));
        }
        // A settings hive that cannot be opened, and one others could write: refused by name,
        // no window is built, and the hive is left exactly as it was.
        for (const mode_t mode : {0444, 0666}) {
            TestPanel p;
            p.settings();
            const QString hive = p.prefix.hiveFile("HKEY_CLASSES_ROOT");
            const QByteArray before = readFile(hive);
            QCOMPARE(::chmod(QFile::encodeName(hive).constData(), mode), 0);
            const bool created = p.create();
            ::chmod(QFile::encodeName(hive).constData(), 0600);
            QVERIFY(!created);
            QCOMPARE(p.errors.size(), 1);
            QVERIFY(p.details.first().contains(hive));
            QVERIFY(!p.panel->App_user_window());
            QCOMPARE(readFile(hive), before);
        }
    }

    // A damaged settings file at start: the question names it; Yes keeps it under a dated name
    // and starts on default settings, No ends with the failure and leaves it alone. The question is in
    // the stored language when the settings still tell it (only the other hive is damaged).
    void damagedSettingsFileAtStart_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("question");
        const QString english =
            QStringLiteral("The settings file is damaged; it is kept. Start with default settings?");
        QTest::newRow("yes") << QByteArray("HKEY_CLASSES_ROOT") << true << english;
        QTest::newRow("no") << QByteArray("HKEY_CLASSES_ROOT") << false << english;
        QTest::newRow("machine hive, in Magyar")
            << QByteArray("HKEY_LOCAL_MACHINE") << true
            << QString::fromUtf8("A be\u00e1ll\u00edt\u00e1sok f\u00e1jlja s\u00e9r\u00fclt, de megmarad. "
                                 "Induljon alapbe\u00e1ll\u00edt\u00e1sokkal?");
    }

    void damagedSettingsFileAtStart()
    {
        QFETCH(QByteArray, root);
        QFETCH(bool, yes);
        QFETCH(QString, question);
        const HKEY handle = root == "HKEY_CLASSES_ROOT" ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
        QByteArray damaged;
        {
            TestPrefix scratch;
            QCOMPARE(RegCheckHive(handle), ERROR_SUCCESS);
            damaged = readFile(scratch.hiveFile(root.constData())).left(1000);
        }
        TestPanel p;
        const QString registry = p.prefix.path() + QStringLiteral("/registry");
        const QString hive = p.prefix.hiveFile(root.constData());
        QVERIFY(QDir().mkpath(registry));
        writeFile(hive, damaged);
        if (handle == HKEY_LOCAL_MACHINE) {
            QVERIFY(QDir().mkpath(p.host(QStringLiteral("Language"))));
            QVERIFY(QFile::copy(testBinDir() + QStringLiteral("/Language/Magyar.lng"),
                                p.host(QStringLiteral("Language/Magyar.lng"))));
            p.settings().WriteString(QStringLiteral("Language"), QStringLiteral("Magyar.lng"));
        }

        Question::setNextAnswers({yes});
        const bool created = p.create();
        QCOMPARE(takeQuestions(), QStringList{question + QLatin1Char('\n') + hive});
        const QStringList kept =
            QDir(registry).entryList({QString::fromLatin1(root) + QStringLiteral(".db.*.bad")});
        if (!yes) {
            QVERIFY(!created);
            QCOMPARE(p.errors.size(), 1);
            QVERIFY(p.errors.first().contains(hive));
            QCOMPARE(readFile(hive), damaged);
            QCOMPARE(kept, QStringList());
            return;
        }
        QVERIFY(created);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readFile(registry + QLatin1Char('/') + kept.first()), damaged);
        QVERIFY(p.show());
        QCOMPARE(p.errors, QStringList());
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Archivalas"), -1), 30);
    }

    void narrowScreen()
    {
        for (const int width : {640, 641}) {
            TestPanel p(width);
            p.settings().WriteBool(QStringLiteral("Max meret"), true);
            QVERIFY(p.start());
            const bool narrow = width == 640;
            // The large layout would not fit and could not be left: the normal one is used, and
            // the stored choice stays for a wider screen. The zoom button goes; the others close up.
            QCOMPARE(p.main->zoomedIn(), !narrow);
            QCOMPARE(control<QToolButton>(p.main, "zoombutton")->isHidden(), narrow);
            if (narrow)
                QCOMPARE(p.settings().ReadBool(QStringLiteral("Max meret"), false), true);
        }
    }

    void paneShares_data()
    {
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("arany1");
        QTest::addColumn<int>("arany2");
        QTest::addColumn<int>("fileList");
        QTest::addColumn<int>("bottom");
        QTest::newRow("normal, small shares") << false << 10 << 10 << 145 << 65;
        QTest::newRow("large, unclamped") << true << 30 << 70 << 234 << 340;
        QTest::newRow("large, pane kept") << true << 0 << 100 << 145 << 420;
    }

    void paneShares()
    {
        QFETCH(bool, large);
        QFETCH(int, arany1);
        QFETCH(int, arany2);
        QFETCH(int, fileList);
        QFETCH(int, bottom);
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Max meret"), large);
        p.settings().WriteInteger(QStringLiteral("Arany1"), arany1);
        p.settings().WriteInteger(QStringLiteral("Arany2"), arany2);
        QVERIFY(p.create());
        const auto pane = [&](const char *name) { return control<QWidget>(p.main, name); };
        QCOMPARE(pane("FilePanel")->width(), fileList);
        QCOMPARE(pane("BottomPanel")->height(), bottom);
        // The panes, the bars and the path strip fill the page exactly.
        QCOMPARE(pane("DirPanel")->width() + 6 + pane("FilePanel")->width(), pane("oldal2")->width());
        QCOMPARE(pane("Label20")->height() + pane("DirPanel")->height() + 6 + pane("BottomPanel")->height(),
                 pane("oldal2")->height());
        QVERIFY(pane("DirPanel")->width() >= 145);
        QCOMPARE(pane("Splitter2")->toolTip(), QString::number(arany1) + QLatin1Char('%'));
    }

    void splitterDragStoresShares()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        clickControl(m, "SpeedButton5");
        const auto drag = [m](const char *name, QPoint from, QPoint to) {
            QWidget *bar = control<QWidget>(m, name);
            QTest::mousePress(bar, Qt::LeftButton, {}, from);
            QTest::mouseMove(bar, to);
            QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
        };
        // Dragging the vertical bar far to the right stops at the file list's least width.
        drag("Splitter2", QPoint(3, 20), QPoint(600, 20));
        QCOMPARE(control<QWidget>(m, "FilePanel")->width(), 145);
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Arany1"), 0), 24); // 145 of 613

        drag("Splitter1", QPoint(20, 3), QPoint(20, -40));
        QCOMPARE(control<QWidget>(m, "BottomPanel")->height(), 218);
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Arany2"), 0), 62); // 218 of 350

        // Shares survive a layout round trip.
        clickControl(m, "zoombutton");
        clickControl(m, "zoombutton");
        QCOMPARE(m->archiveListPage()->fileListPercent(), 24);
        QCOMPARE(m->archiveListPage()->archiveListPercent(), 62);
    }

    void destinations()
    {
        TestPanel p;
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev1"), QString());
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev2"), QStringLiteral("Weekly"));
        p.settings().WriteString(QStringLiteral("Celutvonal"), QStringLiteral("D:\\Backup\\"));
        p.settings().WriteString(QStringLiteral("Celutvonal2"), QStringLiteral("E:\\"));
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        QCOMPARE(m->dirName(true), QStringLiteral("\\Archive1"));
        QCOMPARE(m->destination(true), QStringLiteral("D:\\Backup"));
        QCOMPARE(m->destinationHint(true), QStringLiteral("D:\\Backup\\Archive1"));
        QCOMPARE(m->destination(false), QStringLiteral("E:\\"));
        QCOMPARE(control<QLabel>(m, "Label13")->toolTip(), QStringLiteral("E:\\Weekly"));
        // The stored empty name stays as the user left it.
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celkonyvtarnev1"), QStringLiteral("x")), QString());
    }

    void help()
    {
        // A help path with a blank stays one argument.
        QCOMPARE(BrowserCommandLine(QStringLiteral("web"), QStringLiteral("C:\\My Panel\\h.html")),
                 QStringLiteral("web \"C:\\My Panel\\h.html\""));

        QTemporaryDir scratch;
        const auto script = [&](const char *name, const QByteArray &body) {
            const QString file = scratch.filePath(QString::fromLatin1(name));
            writeFile(file, "#!/bin/sh\n" + body + "\n");
            QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
            return ToWindowsPath(file);
        };
        const QString record = scratch.filePath(QStringLiteral("args.txt"));
        const QString recorder =
            script("record.sh", "printf '%s\\n' \"$@\" > '" + QFile::encodeName(record) + "'");
        const QString failing = script("fail.sh", "exit 3");

        // The open command as registered, the page, and what the information window says.
        const struct
        {
            QString command;
            bool page;
            QString shown;
        } cases[] = {
            // Quoted program: only the program is kept, and the help file is appended.
            {QLatin1Char('"') + recorder + QStringLiteral("\" --unused \"%1\""), true, QString()},
            // Unquoted: the whole command, with the help file in place of %1.
            {recorder + QStringLiteral(" \"%1\""), true, QString()},
            {recorder + QStringLiteral(" %1"), false, QStringLiteral("Help file not found!|")},
            // The page cannot be shown: no open command (nothing to start), a viewer that fails
            // (as xdg-open does without a handler). The page is named.
            {QString(), true, QStringLiteral("Can not open file:|")},
            {failing + QStringLiteral(" %1"), true, QStringLiteral("Can not open file:|")},
        };
        for (const auto &c : cases) {
            TestPanel p;
            setDefaultValue(QStringLiteral(".html"),
                            c.command.isEmpty() ? QString() : QStringLiteral("htmlfile"));
            setDefaultValue(QStringLiteral("htmlfile\\shell\\open\\command"), c.command);
            if (c.page)
                writeFile(p.host(QStringLiteral("Help/help.html")), "<html></html>");
            QFile::remove(record);
            QVERIFY(p.start());
            InfoLog boxes(p.panel->info1F());
            clickControl(p.main, "SpeedButton2");
            if (c.shown.isEmpty()) {
                QTRY_COMPARE(readFile(record),
                             QFile::encodeName(p.host(QStringLiteral("Help/help.html"))) + '\n');
                QCOMPARE(boxes.shown(), QStringList());
            } else {
                const QString page = c.page ? p.programDir + QStringLiteral("\\Help\\help.html") : QString();
                QTRY_COMPARE(boxes.shown(), QStringList{c.shown + page});
            }
        }
    }

    void closing()
    {
        const QString exitQuestion = QStringLiteral("Do you want to close the Configuration Panel?");
        const QString saveQuestion = QStringLiteral("Do you want to save the settings?");
        TestPanel p;
        QVERIFY(p.start());
        // No: the panel goes on. Yes, then no save. Yes and save.
        p.main->setSettingsChanged(true);
        Question::setNextAnswers({false, true, false, true, true});
        for (int i = 0; i < 3; ++i)
            clickControl(p.main, "SpeedButton3");
        QCOMPARE(takeQuestions(),
                 (QStringList{exitQuestion, exitQuestion, saveQuestion, exitQuestion, saveQuestion}));
        QCOMPARE(p.terminations, 2);
        QCOMPARE(p.saves(), 1);

        // Nothing changed: no save question. The title strip's close stores the shares first.
        p.settings().WriteInteger(QStringLiteral("Arany1"), 77);
        Question::setNextAnswers({true});
        clickControl(p.main, "exit_speedbutton");
        QCOMPARE(takeQuestions(), QStringList{exitQuestion});
        QCOMPARE(p.terminations, 3);
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Arany1"), 0), 50);

        // The settings page's box counts rather than the stored choice.
        QVERIFY(p.settings().ReadBool(QStringLiteral("Kerdez"), false));
        control<QCheckBox>(p.main, "CheckBox1")->setChecked(false);
        clickControl(p.main, "SpeedButton3");
        QCOMPARE(p.terminations, 4);
    }

    // A list edit that cannot be saved is kept: the panel tries again at the end and leaves
    // without it only when the user says so.
    void listEditThatCannotBeSaved()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        const QString file = p.host(QStringLiteral("afiles.lst"));
        writeFile(file, listBytes({"C:\\Data"}));
        QVERIFY(p.start());
        InfoLog boxes(p.panel->info1F());
        const auto editRefused = [&](const char *dir) {
            // Something in the list's place that no write can replace, as a full disk would refuse it.
            QFile::remove(file);
            QDir().mkpath(file);
            p.main->archiveList()->AddDir(QString::fromLatin1(dir), QStringLiteral(".*"));
            p.main->SyncArchiveLists(2);
        };
        editRefused("E:\\Music");
        QCOMPARE(boxes.shown(), QStringList{QStringLiteral("Can not write into file:|Afiles.lst")});
        const QString question = QStringLiteral("The archive list is not saved. Exit anyway?\nAfiles.lst");
        Question::setNextAnswers({false});
        clickControl(p.main, "SpeedButton3");
        QCOMPARE(takeQuestions(), QStringList{question});
        QCOMPARE(p.terminations, 0);
        QVERIFY(QFileInfo(file).isDir());

        // Room again: the end saves the edit, without a question.
        QVERIFY(QDir(file).removeRecursively());
        clickControl(p.main, "SpeedButton3");
        QCOMPARE(p.terminations, 1);
        QCOMPARE(readFile(file), listBytes({"C:\\Data", "E:\\Music"}));

        // Still refused: Yes leaves without it.
        editRefused("F:\\Photos");
        Question::setNextAnswers({true});
        clickControl(p.main, "SpeedButton3");
        QCOMPARE(takeQuestions(), QStringList{question});
        QCOMPARE(p.terminations, 2);
    }

    // A list that could not be written back as it was read loses nothing: no question at the end.
    void unwritableListAsReadEndsWithoutAQuestion()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        const QString file = p.host(QStringLiteral("afiles.lst"));
        writeFile(file, listBytes({"C:\\Data"}));
        QVERIFY(QFile(file).setPermissions(QFileDevice::ReadOwner));
        QVERIFY(p.create());
        InfoLog boxes(p.panel->info1F());
        QVERIFY(p.show());
        QCOMPARE(boxes.shown(), QStringList{QStringLiteral("Can not write into file:|Afiles.lst")});
        QCOMPARE(p.main->archiveList()->ListFileBytes(), listBytes({"C:\\Data"}));
        Question::setNextAnswers({false});
        clickControl(p.main, "SpeedButton3");
        QCOMPARE(takeQuestions(), QStringList());
        QCOMPARE(p.terminations, 1);
    }

    void endingLeavesTheEventLoop()
    {
        // The real ending, not the test's counter: every window closes and the loop ends, even
        // though a close from outside would have asked first.
        TestPanel p;
        QVERIFY(p.start());
        p.main->terminateHandler = nullptr;
        control<QCheckBox>(p.main, "CheckBox1")->setChecked(false);
        // The application's own loop, as the program runs it; the ending must leave it with 0.
        QTimer::singleShot(0, p.main, [&] { clickControl(p.main, "SpeedButton3"); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!p.main->isVisible());
    }

    void archiveListAtStart()
    {
        {
            // Missing: nothing shown, both trees empty, no file made.
            TestPanel p;
            QVERIFY(p.start());
            QCOMPARE(p.main->startList()->nodeCount() + p.main->archiveList()->nodeCount(), 0);
            QVERIFY(!QFile::exists(p.host(QStringLiteral("afiles.lst"))));
        }
        {
            // Good: both trees hold it, the file is rewritten in the writer's form, top level open.
            TestPanel p;
            const QByteArray good = listBytes({"C:\\Data", "C:\\Work\\Projects", "D:\\"});
            writeFile(p.host(QStringLiteral("afiles.lst")), QByteArray(good).replace("\r\n", "\n"));
            QVERIFY(p.start());
            TTreeList *main = p.main->startList();
            QCOMPARE(main->ListFileBytes(), good);
            QCOMPARE(p.main->archiveList()->ListFileBytes(), good);
            QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst"))), good);
            QVERIFY(main->topLevelNode(0)->expanded());
            QVERIFY(!main->topLevelNode(0)->child(0)->expanded());
        }
        // Malformed, a link to a malformed file elsewhere, a FIFO, bytes that are not text: the
        // information window says so, the start goes on, and the first change of the list
        // writes the file from the edited tree with the faulty file's bytes kept beside it. A
        // link is not written through: it gives way to a plain list.
        enum Kind { Malformed, Linked, Fifo, Undecodable };
        for (const Kind kind : {Malformed, Linked, Fifo, Undecodable}) {
            TestPanel p;
            const QString file = p.host(QStringLiteral("afiles.lst"));
            const QByteArray bad = kind == Undecodable
                                       ? QByteArray("DC:\r\n DCaf\xE9\r\n")
                                       : QByteArray("DC:\r\n DData\r\n   DDeep\r\n DWork\r\n");
            QTemporaryDir elsewhere;
            const QString named = elsewhere.filePath(QStringLiteral("notes.txt"));
            if (kind == Fifo)
                QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
            else
                writeFile(kind == Linked ? named : file, bad);
            if (kind == Linked)
                QVERIFY(QFile::link(named, file));
            QVERIFY(p.create());
            InfoLog boxes(p.panel->info1F());
            QVERIFY(p.show());
            QCOMPARE(boxes.shown(), QStringList{QStringLiteral("Can not open file:|Afiles.lst")});
            QCOMPARE(p.main->startList()->nodeCount(), kind == Fifo ? 0 : 2);
            QCOMPARE(p.main->archiveList()->nodeCount(), 0);
            if (kind != Fifo)
                QCOMPARE(readFile(kind == Linked ? named : file), bad);
            clickControl(p.main, "SpeedButton5");
            QCOMPARE(p.main->currentPage(), 2);
            p.main->archiveList()->AddDir(QStringLiteral("E:\\Music"), QStringLiteral(".*"));
            p.main->SyncArchiveLists(2);
            QCOMPARE(readFile(file), listBytes({"E:\\Music"}));
            QCOMPARE(p.main->startList()->ListFileBytes(), listBytes({"E:\\Music"}));
            QVERIFY(!QFileInfo(file).isSymLink());
            const QFileInfo kept(file + QStringLiteral(".bad"));
            if (kind == Fifo)
                QVERIFY(!kept.isFile() && kept.exists());
            else
                QCOMPARE(readFile(kept.filePath()), bad);
            if (kind == Linked)
                QCOMPARE(readFile(named), bad);
        }
    }

    void zoomSwitching()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const QPoint start = m->pos();
        const QSize normal = m->size();
        clickControl(m, "zoombutton");
        QCOMPARE(p.settings().ReadBool(QStringLiteral("Max meret"), false), true);
        QVERIFY(m->width() > normal.width() && m->height() > normal.height());

        clickControl(m, "zoombutton");
        QCOMPARE(p.settings().ReadBool(QStringLiteral("Max meret"), true), false);
        QCOMPARE(m->size(), normal);
        QCOMPARE(m->pos(), start + QPoint(7, 5)); // the two directions' offsets differ
    }

    // The page buttons; the archive list and settings pages are opened by their own tests.
    void pageSwitching()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        clickControl(m, "SpeedButton6");
        QVERIFY(control<QToolButton>(m, "SpeedButton6")->isChecked());
        // Pages out of range are ignored.
        m->showPage(0);
        m->showPage(4);
        QVERIFY(control<QWidget>(m, "oldal3")->isVisible());
        clickControl(m, "SpeedButton4");
        QVERIFY(control<QWidget>(m, "oldal1")->isVisible() && !control<QWidget>(m, "oldal3")->isVisible());
    }

    // Names that are no step of a path are left out of the trees, and the list's bytes are kept
    // before it is rewritten; names with control characters stay in the list byte for byte and
    // are shown written out, in the tree and in the information window.
    void hostileNamesInTheListAtStart()
    {
        TestPanel p;
        const QString file = p.host(QStringLiteral("afiles.lst"));
        const QByteArray hostile("DC:\r\n DData [.*]\r\n  D..\r\n   FWindows\r\n  Fesc\x1B[2J.doc\r\n"
                                 "  Ftrailing. \r\n D../x [.*]\r\nDCC\r\n FEvil\r\n");
        const QByteArray sound("DC:\r\n DData [.*]\r\n  Fesc\x1B[2J.doc\r\n  Ftrailing. \r\n");
        writeFile(file, hostile);
        QVERIFY(p.create());
        InfoLog boxes(p.panel->info1F());
        QVERIFY(p.show());
        QCOMPARE(boxes.shown(), QStringList{QStringLiteral("Can not open file:|Afiles.lst")});
        TTreeList *main = p.main->startList();
        QCOMPARE(main->ListFileBytes(), sound);
        QCOMPARE(readFile(file), hostile);

        auto *view = control<TTreeListView>(p.main, "TLmain");
        const TreeListNode *esc = main->topLevelNode(0)->child(0)->child(0);
        main->MakeNodeVisible(esc->parent());
        const QModelIndex index = view->viewIndexOf(esc);
        view->scrollTo(index);
        QVERIFY(view->isVisible() && view->visualRect(index).isValid());
        QCOMPARE(drawnText(view, index), QStringLiteral("esc<U+001B>[2J.doc"));

        // Taking the list as read writes what is sound, byte for byte; the damaged list is kept.
        p.main->SyncArchiveLists(1);
        QCOMPARE(readFile(file), sound);
        QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst.bad"))), hostile);

        // A file named in the information window: control characters written out, no markup.
        p.main->ShowInfoText(QStringLiteral("CantOpenfileWarning"), QStringLiteral("C:\\esc\x1B[2J<b>x</b>"));
        QCOMPARE(boxes.shown().last(), QStringLiteral("Can not open file:|C:\\esc<U+001B>[2J<b>x</b>"));
        QCOMPARE(control<QLabel>(p.panel->info1F(), "Label2")->textFormat(), Qt::PlainText);
    }
};

DUNLIVO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
