// The main window on a whole panel built on a fresh prefix and program folder: first start,
// a damaged settings file at start, narrow screens, pane shares, destinations, help, closing, the archive
// list file at start, layouts and pages.
#include "findcontrol.h"
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "appearance/backgroundf.h"
#include "appearance/kovaimage.h"
#include "appearance/kovalanguage.h"
#include "appearance/kovapanel.h"
#include "appearance/languagef.h"
#include "archivelist/treelist.h"
#include "archivelist/treelistview.h"
#include "archiver/man_archf.h"
#include "config/config.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "shell/aboutf.h"
#include "shell/app_user_window.h"
#include "shell/application.h"
#include "shell/archiverhooks.h"
#include "shell/confirm1f.h"
#include "shell/info1f.h"
#include "shell/pathtext.h"
#include "shell/savef.h"
#include "shell/settingspage.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sys/stat.h>

using namespace win;

namespace {

// The text a view draws for an item: what its delegate makes of the item's data.
QString drawnText(const QAbstractItemView *view, const QModelIndex &index)
{
    const auto *delegate = qobject_cast<const QStyledItemDelegate *>(view->itemDelegateForIndex(index));
    return delegate ? delegate->displayText(index.data(), view->locale()) : QStringLiteral("(no delegate)");
}

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
        QVERIFY(!valueExists(HKEY_CLASSES_ROOT, kSettings, QStringLiteral("Kerdez")));
        QVERIFY(p.start());
        QVERIFY2(p.errors.isEmpty(), qPrintable(p.errors.join(QLatin1Char('\n'))));

        const char *const values[] = {"Kerdez",          "Auto",
                                      "Bzip2_ok_1",      "Bzip2_ok_2",
                                      "Autourites",      "Archive_atshutdown",
                                      "Archivalas",      "Biztarchivalas",
                                      "Prioritas",       "ShutDown_type",
                                      "Celkonyvtarnev1", "Celkonyvtarnev2",
                                      "Celutvonal",      "Celutvonal2",
                                      "Uritesido",       "Archstate",
                                      "Safestate",       "Max meret",
                                      "Arany1",          "Arany2",
                                      "Language",        "Background_bmp"};
        for (const char *name : values)
            QVERIFY2(valueExists(HKEY_CLASSES_ROOT, kSettings, QString::fromLatin1(name)), name);
        Tconfig &s = p.settings();
        QCOMPARE(s.ReadBool(QStringLiteral("Max meret"), true), false);
        QCOMPARE(s.ReadInteger(QStringLiteral("Arany1"), 0), 50);
        QCOMPARE(s.ReadInteger(QStringLiteral("Arany2"), 0), 50);
        QCOMPARE(s.ReadString(QStringLiteral("Celkonyvtarnev1"), QString()), QStringLiteral("Archive1"));

        // The autostart entry names the Archiver beside the program, in capitals, with " -d".
        QCOMPARE(s.GetAutostart(),
                 AsciiUpperCase(p.programDir + QStringLiteral("\\Archiv.exe")) + QStringLiteral(" -d"));

        TApp_user_window *m = p.main;
        QVERIFY(!m->ZoomedIn);
        QCOMPARE(m->FileListPercent, 50);
        QCOMPARE(m->ArchiveListPercent, 50);
        QCOMPARE(m->size(), QSize(633, 428));
        QCOMPARE(m->windowTitle(), QStringLiteral("Kovamark-archiváló-main"));
        QCOMPARE(m->ProgramDir, p.programDir);
        QCOMPARE(m->Label20->text(), p.programDir.left(3));
        QCOMPARE(m->Splitter1->toolTip(), QStringLiteral("50%"));
        QCOMPARE(m->Splitter2->toolTip(), QStringLiteral("50%"));
        QCOMPARE(m->CurrentExtSet, QStringLiteral(".*"));
        QVERIFY(!m->SettingsChanged);
        QCOMPARE(m->currentPage(), 1);
        QCOMPARE(m->PrimaryDestinationHint, QStringLiteral("---"));
        QVERIFY(m->archiverHooks->communicator().mainMessage() >= 0xC000);

        // Every window exists once, in its order, and is registered in the registration order.
        const QList<QWidget *> created = p.panel->creationOrder();
        QCOMPARE(created.size(), 13);
        QCOMPARE(QSet<QWidget *>(created.begin(), created.end()).size(), 13);
        QCOMPARE(created.first(), static_cast<QWidget *>(m));
        QCOMPARE(m->KovaLanguage1->windows(), p.panel->registrationOrder());
        QCOMPARE(m->KovaImage1->windows(), p.panel->registrationOrder());

        // English texts, the shared vocabulary, the flag and the status light.
        QCOMPARE(m->SpeedButton4->text(), QStringLiteral("MainPage"));
        QCOMPARE(m->SpeedButton3->text(), QStringLiteral("Close"));
        QCOMPARE(m->zoombutton->toolTip(), QStringLiteral("Zoom out"));
        QCOMPARE(m->Label24->text(), QStringLiteral("Archive's list:"));
        QCOMPARE(m->KovaLanguage1->FindText(QStringLiteral("ACPIDownText")),
                 QStringLiteral("Shutdown and poweroff (ACPI)"));
        QCOMPARE(m->KovaLanguage1->FindText(QStringLiteral("SecondaryArchive")),
                 QStringLiteral("Secondary Archive"));
        QCOMPARE(m->KovaLanguage1->FindText(QStringLiteral("OkButton")), QStringLiteral("Ok"));
        // Windows still to be filled register their texts already.
        QCOMPARE(m->KovaLanguage1->FindText(QStringLiteral("CancelButton")), QStringLiteral("Cancel"));
        QCOMPARE(m->KovaLanguage1->FindText(QStringLiteral("MessagePathNotFound")),
                 QStringLiteral("Path not found!"));
        QCOMPARE(m->KovaLanguage1->FindText(QStringLiteral("DefLanguageText")),
                 QStringLiteral("<Default - English>"));
        QCOMPARE(m->Image2->pixmap().size(), QSize(35, 22));
        QCOMPARE(m->Image5->pixmap().size(), QSize(27, 27));
        QCOMPARE(m->Image1->pixmap().size(), QSize(190, 60));
        QCOMPARE(p.panel->aboutF()->Image1->pixmap().size(), QSize(190, 60));

        // A later activation, after the progress window, only resets the extension set.
        m->CurrentExtSet = QStringLiteral(".doc");
        p.panel->saveF()->showProgress(QStringLiteral("Adding directories..."));
        p.panel->saveF()->done = true;
        QTRY_COMPARE(m->CurrentExtSet, QStringLiteral(".*"));
        QVERIFY(!p.panel->saveF()->isVisible());
    }

    void ownLogoAndRegistryFailures()
    {
        {
            // archiv.dat replaces the start page's logo; the about window keeps the built-in one.
            TestPanel p;
            QImage own(12, 8, QImage::Format_RGB32);
            own.fill(Qt::blue);
            QVERIFY(own.save(p.host(QStringLiteral("archiv.dat")), "BMP"));
            QVERIFY(p.start());
            QCOMPARE(p.main->Image1->pixmap().size(), QSize(12, 8));
            QCOMPARE(p.panel->aboutF()->Image1->pixmap().size(), QSize(190, 60));
        }
        {
            // A logo cut short in its pixels gives the built-in one.
            TestPanel p;
            QImage own(12, 8, QImage::Format_RGB32);
            own.fill(Qt::blue);
            const QString file = p.host(QStringLiteral("archiv.dat"));
            QVERIFY(own.save(file, "BMP"));
            QVERIFY(QFile::resize(file, QFileInfo(file).size() - 40));
            QVERIFY(p.start());
            QCOMPARE(p.main->Image1->pixmap().size(), QSize(190, 60));
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
            QCOMPARE(p.main->size(), QSize(633, 428));
        }
        {
            // A settings hive that cannot be opened: named, and left exactly as it was.
            TestPanel p;
            p.settings();
            const QString hive = p.prefix.hiveFile("HKEY_CLASSES_ROOT");
            const QByteArray before = readFile(hive);
            QCOMPARE(::chmod(QFile::encodeName(hive).constData(), 0444), 0);
            QVERIFY(!p.create());
            ::chmod(QFile::encodeName(hive).constData(), 0644);
            QCOMPARE(p.errors.size(), 1);
            QVERIFY2(p.details.first().contains(hive), qPrintable(p.details.first()));
            QVERIFY(!p.panel->App_user_window());
            QCOMPARE(readFile(hive), before);
        }
        {
            // A hive others could write: refused in the registry failure box, which names it;
            // no window is built and the hive is not touched.
            TestPanel p;
            p.settings();
            const QString hive = p.prefix.hiveFile("HKEY_CLASSES_ROOT");
            const QByteArray before = readFile(hive);
            QCOMPARE(::chmod(QFile::encodeName(hive).constData(), 0666), 0);
            PanelOptions options;
            options.programDir = p.programDir;
            DunlivoPanel panel(options);
            QString shown;
            auto *poll = new QTimer;
            QObject::connect(poll, &QTimer::timeout, [&shown, poll] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                poll->stop();
                poll->deleteLater();
                shown = box->text() + QLatin1Char('\n') + box->informativeText();
                box->button(QMessageBox::Ok)->click();
            });
            poll->start(10);
            const bool created = panel.create();
            ::chmod(QFile::encodeName(hive).constData(), 0600);
            QVERIFY(!created);
            QVERIFY2(shown.contains(hive + QLatin1Char(' ')) && shown.contains(QLatin1String("other users")),
                     qPrintable(shown));
            QVERIFY(!panel.App_user_window());
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

        QStringList shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *window = qobject_cast<Tconfirm1F *>(QApplication::activeModalWidget());
            if (!window)
                return;
            poll.stop();
            shown = QStringList{window->Label1->text(), window->Label2->text()};
            QTest::mouseClick(yes ? window->SpeedButton1 : window->SpeedButton2, Qt::LeftButton);
        });
        poll.start(10);
        const bool created = p.create();
        poll.stop();
        QCOMPARE(shown, (QStringList{question, hive}));
        const QStringList kept =
            QDir(registry).entryList({QString::fromLatin1(root) + QStringLiteral(".db.*.bad")});
        if (!yes) {
            QVERIFY(!created);
            QCOMPARE(p.errors.size(), 1);
            QVERIFY2(p.errors.first().contains(hive), qPrintable(p.errors.first()));
            QCOMPARE(readFile(hive), damaged);
            QCOMPARE(kept, QStringList());
            return;
        }
        QVERIFY(created);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readFile(registry + QLatin1Char('/') + kept.first()), damaged);
        p.main->show();
        QVERIFY(QTest::qWaitFor([&] { return p.main->ActivatedOnce && !p.main->LoadingSettings; }));
        QCOMPARE(p.errors, QStringList());
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Archivalas"), -1), 30);
    }

    void narrowScreen()
    {
        {
            TestPanel p(640);
            p.settings().WriteBool(QStringLiteral("Max meret"), true);
            QVERIFY(p.start());
            QVERIFY(p.main->zoombutton->isHidden());
            QCOMPARE(p.main->SpeedButton15->x(), 586);
            QCOMPARE(p.main->SpeedButton2->x(), 566);
            QCOMPARE(p.main->exit_speedbutton->x(), 606);
            // The large layout would not fit and could not be left: the normal one is used, and
            // the stored choice stays for a wider screen.
            QVERIFY(!p.main->ZoomedIn);
            QCOMPARE(p.main->size(), QSize(633, 428));
            QCOMPARE(p.settings().ReadBool(QStringLiteral("Max meret"), false), true);
        }
        {
            TestPanel p(641);
            QVERIFY(p.start());
            QVERIFY(!p.main->zoombutton->isHidden());
            QCOMPARE(p.main->zoombutton->x(), 586);
            QCOMPARE(p.main->SpeedButton15->x(), 566);
            QCOMPARE(p.main->SpeedButton2->x(), 546);
        }
    }

    void paneShares_data()
    {
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("arany1");
        QTest::addColumn<int>("arany2");
        QTest::addColumn<int>("fileList");
        QTest::addColumn<int>("bottom");
        QTest::newRow("normal, even") << false << 50 << 50 << 306 << 175;
        QTest::newRow("normal, small shares") << false << 10 << 10 << 145 << 65;
        QTest::newRow("normal, large shares") << false << 90 << 90 << 468 << 271;
        QTest::newRow("normal, nonsense") << false << -20 << 400 << 145 << 271;
        QTest::newRow("large, even") << true << 50 << 50 << 390 << 242;
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
        TApp_user_window *m = p.main;
        QCOMPARE(m->FilePanel->width(), fileList);
        QCOMPARE(m->BottomPanel->height(), bottom);
        // The panes, the bars and the path strip fill the page exactly.
        QCOMPARE(m->DirPanel->width() + 6 + m->FilePanel->width(), m->oldal2->width());
        QCOMPARE(m->Label20->height() + m->DirPanel->height() + 6 + m->BottomPanel->height(),
                 m->oldal2->height());
        QVERIFY(m->DirPanel->width() >= 145);
        QCOMPARE(m->Splitter2->toolTip(), QString::number(arany1) + QLatin1Char('%'));
    }

    void splitterDragStoresShares()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        m->SpeedButton5Click();
        QVERIFY(m->oldal2->isVisible());

        // Dragging the vertical bar far to the right stops at the file list's least width.
        QTest::mousePress(m->Splitter2, Qt::LeftButton, {}, QPoint(3, 20));
        QTest::mouseMove(m->Splitter2, QPoint(600, 20));
        QTest::mouseRelease(m->Splitter2, Qt::LeftButton, {}, QPoint(600, 20));
        QCOMPARE(m->FilePanel->width(), 145);
        QCOMPARE(m->FileListPercent, 24); // 145 of 613
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Arany1"), 0), 24);
        QCOMPARE(m->Splitter2->toolTip(), QStringLiteral("24%"));

        QTest::mousePress(m->Splitter1, Qt::LeftButton, {}, QPoint(20, 3));
        QTest::mouseMove(m->Splitter1, QPoint(20, -40));
        QTest::mouseRelease(m->Splitter1, Qt::LeftButton, {}, QPoint(20, -40));
        QCOMPARE(m->BottomPanel->height(), 218);
        QCOMPARE(m->ArchiveListPercent, 62); // 218 of 350
        QCOMPARE(m->Splitter1->toolTip(), QStringLiteral("62%"));

        // Shares survive a layout round trip.
        m->zoombuttonClick();
        m->zoombuttonClick();
        QCOMPARE(m->FileListPercent, 24);
        QCOMPARE(m->ArchiveListPercent, 62);
    }

    void destinations()
    {
        QCOMPARE(JoinPath(QStringLiteral("D:\\Backup"), QStringLiteral("\\Archive1")),
                 QStringLiteral("D:\\Backup\\Archive1"));
        QCOMPARE(JoinPath(QStringLiteral("D:\\"), QStringLiteral("\\Archive1")),
                 QStringLiteral("D:\\Archive1"));
        QCOMPARE(JoinPath(QStringLiteral("D:\\Backup"), QStringLiteral("Archive1")),
                 QStringLiteral("D:\\Backup\\Archive1"));
        QCOMPARE(JoinPath(QStringLiteral("D:\\"), QStringLiteral("Archive1")),
                 QStringLiteral("D:\\Archive1"));
        QCOMPARE(JoinPath(QString(), QStringLiteral("\\Archive1")), QStringLiteral("\\Archive1"));
        QCOMPARE(JoinPath(QStringLiteral("D:\\Backup"), QString()), QStringLiteral("D:\\Backup"));
        QCOMPARE(TrimTrailingBackslash(QStringLiteral("D:\\Backup\\")), QStringLiteral("D:\\Backup"));
        QCOMPARE(TrimTrailingBackslash(QStringLiteral("D:\\")), QStringLiteral("D:\\"));
        QCOMPARE(TrimTrailingBackslash(QStringLiteral("\\\\")), QStringLiteral("\\"));
        QCOMPARE(TrimTrailingBackslash(QString()), QString());

        TestPanel p;
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev1"), QString());
        p.settings().WriteString(QStringLiteral("Celkonyvtarnev2"), QStringLiteral("Weekly"));
        p.settings().WriteString(QStringLiteral("Celutvonal"), QStringLiteral("D:\\Backup\\"));
        p.settings().WriteString(QStringLiteral("Celutvonal2"), QStringLiteral("E:\\"));
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        QCOMPARE(m->PrimaryDirName, QStringLiteral("\\Archive1"));
        QCOMPARE(m->SecondaryDirName, QStringLiteral("\\Weekly"));
        QCOMPARE(m->PrimaryDestination, QStringLiteral("D:\\Backup"));
        QCOMPARE(m->PrimaryDestinationHint, QStringLiteral("D:\\Backup\\Archive1"));
        QCOMPARE(m->SecondaryDestination, QStringLiteral("E:\\"));
        QCOMPARE(m->SecondaryDestinationHint, QStringLiteral("E:\\Weekly"));
        // The stored empty name stays as the user left it.
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celkonyvtarnev1"), QStringLiteral("x")), QString());
    }

    void help()
    {
        QCOMPARE(BrowserProgram(QStringLiteral("\"C:\\Web Browser\\web.exe\" -new \"%1\"")),
                 QStringLiteral("C:\\Web Browser\\web.exe"));
        QCOMPARE(BrowserProgram(QStringLiteral("xdg-open \"%1\"")), QStringLiteral("xdg-open \"%1\""));
        QCOMPARE(BrowserCommandLine(QStringLiteral("web %1 %1"), QStringLiteral("C:\\h.html")),
                 QStringLiteral("web C:\\h.html %1"));
        QCOMPARE(BrowserCommandLine(QStringLiteral("web"), QStringLiteral("C:\\h.html")),
                 QStringLiteral("web C:\\h.html"));
        // A help path with a blank stays one argument.
        QCOMPARE(BrowserCommandLine(QStringLiteral("web"), QStringLiteral("C:\\My Panel\\h.html")),
                 QStringLiteral("web \"C:\\My Panel\\h.html\""));

        QTemporaryDir scratch;
        const QString script = scratch.filePath(QStringLiteral("record.sh"));
        const QString record = scratch.filePath(QStringLiteral("args.txt"));
        writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + QFile::encodeName(record) + "'\n");
        QFile(script).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner);
        const QString scriptWin = ToWindowsPath(script);

        const struct
        {
            QString command;
            QString browser;
        } cases[] = {
            // Quoted program: only the program is kept, and the help file is appended.
            {QLatin1Char('"') + scriptWin + QStringLiteral("\" --unused \"%1\""), scriptWin},
            // Unquoted: the whole command, with the help file in place of %1.
            {scriptWin + QStringLiteral(" \"%1\""), scriptWin + QStringLiteral(" \"%1\"")},
        };
        for (const auto &c : cases) {
            TestPanel p;
            setDefaultValue(QStringLiteral(".html"), QStringLiteral("htmlfile"));
            setDefaultValue(QStringLiteral("htmlfile\\shell\\open\\command"), c.command);
            writeFile(p.host(QStringLiteral("Help/help.html")), "<html></html>");
            QFile::remove(record);
            QVERIFY(p.start());
            QCOMPARE(p.main->BrowserCommand, c.browser);
            QTest::mouseClick(p.main->SpeedButton2, Qt::LeftButton);
            QTRY_COMPARE(readFile(record),
                         QFile::encodeName(p.host(QStringLiteral("Help/help.html"))) + '\n');
        }

        {
            // No help page: the information window says so.
            TestPanel p;
            setDefaultValue(QStringLiteral(".html"), QStringLiteral("htmlfile"));
            setDefaultValue(QStringLiteral("htmlfile\\shell\\open\\command"),
                            scriptWin + QStringLiteral(" %1"));
            QVERIFY(p.start());
            QString shown;
            Tinfo1F *info = p.panel->info1F();
            whenModal(info, [&] {
                shown = info->Label1->text() + QLatin1Char('|') + info->Label2->text();
                QTest::mouseClick(info->SpeedButton1, Qt::LeftButton);
            });
            p.main->ShowHelp();
            QCOMPARE(shown, QStringLiteral("Help file not found!|"));
        }
        {
            // The page cannot be shown: no open command registered, a viewer that cannot be
            // started, a viewer that fails (as xdg-open does without a handler). The information
            // window says so and names the page.
            const QString failing = scratch.filePath(QStringLiteral("fail.sh"));
            writeFile(failing, "#!/bin/sh\nexit 3\n");
            QFile(failing).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
            for (const QString &command : {QString(), QStringLiteral("C:\\no\\such\\viewer.exe %1"),
                                           ToWindowsPath(failing) + QStringLiteral(" %1")}) {
                TestPanel p;
                setDefaultValue(QStringLiteral(".html"),
                                command.isEmpty() ? QString() : QStringLiteral("htmlfile"));
                setDefaultValue(QStringLiteral("htmlfile\\shell\\open\\command"), command);
                writeFile(p.host(QStringLiteral("Help/help.html")), "<html></html>");
                QVERIFY(p.start());
                QCOMPARE(p.main->BrowserCommand.isEmpty(), command.isEmpty());
                QString shown;
                Tinfo1F *info = p.panel->info1F();
                whenModal(info, [&] {
                    shown = info->Label1->text() + QLatin1Char('|') + info->Label2->text();
                    QTest::mouseClick(info->SpeedButton1, Qt::LeftButton);
                });
                QTest::mouseClick(p.main->SpeedButton2, Qt::LeftButton);
                QTRY_COMPARE(shown, QStringLiteral("Can not open file:|") + p.main->ProgramDir +
                                        QStringLiteral("\\Help\\help.html"));
            }
        }
    }

    void closing()
    {
        {
            // Confirmation off, unsaved changes: saved without a question, then the end.
            TestPanel p;
            p.settings().WriteBool(QStringLiteral("Kerdez"), false);
            QVERIFY(p.start());
            p.main->SettingsChanged = true;
            p.main->SpeedButton3Click();
            QCOMPARE(p.saves(), 1);
            QCOMPARE(p.terminations, 1);
        }
        {
            TestPanel p;
            QVERIFY(p.start());
            Tconfirm1F *confirm = p.panel->confirm1F();
            const QString exitQuestion = QStringLiteral("Do you want to close the Configuration Panel?");
            const QString saveQuestion = QStringLiteral("Do you want to save the settings?");
            // A delay left over from another question does not hold up this one.
            confirm->startDelay();

            // No: the panel goes on.
            p.main->SettingsChanged = true;
            answer(confirm, exitQuestion, false);
            p.main->SpeedButton3Click();
            QCOMPARE(p.terminations, 0);
            QCOMPARE(p.saves(), 0);

            // Yes, then no save.
            answer(confirm, exitQuestion, true);
            answer(confirm, saveQuestion, false);
            p.main->SpeedButton3Click();
            QCOMPARE(p.terminations, 1);
            QCOMPARE(p.saves(), 0);

            // Yes and save.
            answer(confirm, exitQuestion, true);
            answer(confirm, saveQuestion, true);
            p.main->SpeedButton3Click();
            QCOMPARE(p.terminations, 2);
            QCOMPARE(p.saves(), 1);

            // Nothing changed: no save question. The title strip's close stores the shares first.
            p.settings().WriteInteger(QStringLiteral("Arany1"), 77);
            answer(confirm, exitQuestion, true);
            QTest::mouseClick(p.main->exit_speedbutton, Qt::LeftButton);
            QCOMPARE(p.terminations, 3);
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("Arany1"), 0), 50);

            // The settings page's box counts rather than the stored choice.
            QVERIFY(p.settings().ReadBool(QStringLiteral("Kerdez"), false));
            p.main->settingsPage->CheckBox1->setChecked(false);
            p.main->SpeedButton3Click();
            QCOMPARE(p.terminations, 4);
        }
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
        // Something in the list's place that no write can replace, as a full disk would refuse it.
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkpath(file));
        QString shown;
        acknowledge(p.panel->info1F(), QStringLiteral("Can not write into file:"), &shown);
        p.main->TLarchive->treeList()->AddDir(QStringLiteral("E:\\Music"), QStringLiteral(".*"));
        p.main->SyncArchiveLists(2);
        QCOMPARE(shown, QStringLiteral("Afiles.lst"));

        Tconfirm1F *confirm = p.panel->confirm1F();
        const QString question = QStringLiteral("The archive list is not saved. Exit anyway?");
        answer(confirm, question, false);
        p.main->SpeedButton3Click();
        QCOMPARE(p.terminations, 0);
        QVERIFY(QFileInfo(file).isDir());

        // Room again: the end saves the edit, without a question.
        QVERIFY(QDir(file).removeRecursively());
        p.main->SpeedButton3Click();
        QCOMPARE(p.terminations, 1);
        QCOMPARE(readFile(file), listBytes({"C:\\Data", "E:\\Music"}));

        // Still refused: Yes leaves without it.
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkpath(file));
        acknowledge(p.panel->info1F(), QStringLiteral("Can not write into file:"));
        p.main->TLarchive->treeList()->AddDir(QStringLiteral("F:\\Photos"), QStringLiteral(".*"));
        p.main->SyncArchiveLists(2);
        answer(confirm, question, true);
        p.main->SpeedButton3Click();
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
        acknowledge(p.panel->info1F(), QStringLiteral("Can not write into file:"));
        p.main->show();
        QTRY_VERIFY(p.main->ActivatedOnce && !p.main->LoadingSettings);
        p.main->SpeedButton3Click();
        QCOMPARE(p.terminations, 1);
        QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void endingLeavesTheEventLoop()
    {
        // The real ending, not the test's counter: every window closes and the loop ends, even
        // though a close from outside would have asked first.
        TestPanel p;
        QVERIFY(p.start());
        p.main->terminateHandler = nullptr;
        p.settings().WriteBool(QStringLiteral("Kerdez"), true);
        p.main->settingsPage->CheckBox1->setChecked(false);
        // The application's own loop, as the program runs it; the ending must leave it with 0.
        QTimer::singleShot(0, p.main, [&] { p.main->SpeedButton3Click(); });
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
            QCOMPARE(p.main->TLmain->treeList()->nodeCount(), 0);
            QCOMPARE(p.main->TLarchive->treeList()->nodeCount(), 0);
            QVERIFY(!QFile::exists(p.host(QStringLiteral("afiles.lst"))));
        }
        {
            // Good: both trees hold it, the file is rewritten in the writer's form, top level open.
            TestPanel p;
            const QByteArray good = listBytes({"C:\\Data", "C:\\Work\\Projects", "D:\\"});
            QByteArray lf = good;
            lf.replace("\r\n", "\n");
            writeFile(p.host(QStringLiteral("afiles.lst")), lf);
            QVERIFY(p.start());
            TTreeList *main = p.main->TLmain->treeList();
            TTreeList *archive = p.main->TLarchive->treeList();
            QCOMPARE(main->ListFileBytes(), good);
            QCOMPARE(archive->ListFileBytes(), good);
            QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst"))), good);
            QVERIFY(main->topLevelNode(0)->expanded());
            QVERIFY(archive->topLevelNode(0)->expanded());
            QVERIFY(!main->topLevelNode(0)->child(0)->expanded());
        }
        for (const bool linked : {false, true}) {
            // Malformed: the two lines of the information window; the file stays; usable panel.
            // A list that is a link to a file elsewhere is not written through: the link gives
            // way to a plain list, and the file it named keeps its bytes.
            TestPanel p;
            const QByteArray bad("DC:\r\n DData\r\n   DDeep\r\n DWork\r\n");
            QTemporaryDir elsewhere;
            const QString named = elsewhere.filePath(QStringLiteral("notes.txt"));
            writeFile(linked ? named : p.host(QStringLiteral("afiles.lst")), bad);
            if (linked)
                QVERIFY(QFile::link(named, p.host(QStringLiteral("afiles.lst"))));
            QVERIFY(p.create());
            QString shown;
            Tinfo1F *info = p.panel->info1F();
            whenModal(info, [&] {
                shown = info->Label1->text() + QLatin1Char('|') + info->Label2->text();
                QTest::keyClick(info->Edit1, Qt::Key_Return);
            });
            p.main->show();
            QTRY_VERIFY(p.main->ActivatedOnce && !p.main->LoadingSettings);
            QCOMPARE(shown, QStringLiteral("Can not open file:|Afiles.lst"));
            QCOMPARE(p.main->TLmain->treeList()->nodeCount(), 2);
            QCOMPARE(p.main->TLarchive->treeList()->nodeCount(), 0);
            QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst"))), bad);
            QCOMPARE(p.main->CurrentExtSet, QStringLiteral(".*"));
            QTest::mouseClick(p.main->SpeedButton5, Qt::LeftButton);
            QCOMPARE(p.main->currentPage(), 2);
            // The first change of the list writes the file from the edited tree; the faulty
            // file's bytes are kept beside it rather than lost.
            p.main->TLarchive->treeList()->AddDir(QStringLiteral("E:\\Music"), QStringLiteral(".*"));
            p.main->SyncArchiveLists(2);
            QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst"))), listBytes({"E:\\Music"}));
            QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst.bad"))), bad);
            QCOMPARE(p.main->TLmain->treeList()->ListFileBytes(), listBytes({"E:\\Music"}));
            QVERIFY(!QFileInfo(p.host(QStringLiteral("afiles.lst"))).isSymLink());
            if (linked)
                QCOMPARE(readFile(named), bad);
        }
        for (const bool fifo : {true, false}) {
            // A FIFO in the list's place must not freeze the start; a list with bytes that are
            // not text is read whole, but its bytes are kept before the rewrite replaces them.
            TestPanel p;
            const QString file = p.host(QStringLiteral("afiles.lst"));
            const QByteArray undecodable("DC:\r\n DCaf\xE9\r\n");
            if (fifo)
                QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
            else
                writeFile(file, undecodable);
            QVERIFY(p.create());
            QString shown;
            Tinfo1F *info = p.panel->info1F();
            whenModal(info, [&] {
                shown = info->Label1->text() + QLatin1Char('|') + info->Label2->text();
                QTest::keyClick(info->Edit1, Qt::Key_Return);
            });
            p.main->show();
            QTRY_VERIFY(p.main->ActivatedOnce && !p.main->LoadingSettings);
            QCOMPARE(shown, QStringLiteral("Can not open file:|Afiles.lst"));
            QCOMPARE(p.main->TLmain->treeList()->nodeCount(), fifo ? 0 : 2);
            p.main->TLarchive->treeList()->AddDir(QStringLiteral("E:\\Music"), QStringLiteral(".*"));
            p.main->SyncArchiveLists(2);
            QCOMPARE(readFile(file), listBytes({"E:\\Music"}));
            const QFileInfo kept(p.host(QStringLiteral("afiles.lst.bad")));
            if (fifo)
                QVERIFY(!kept.isFile() && kept.exists());
            else
                QCOMPARE(readFile(kept.filePath()), undecodable);
        }
        {
            // Not writable: read and shown, but the write-back is refused and said so.
            TestPanel p;
            const QByteArray good = listBytes({"C:\\Data"});
            const QString file = p.host(QStringLiteral("afiles.lst"));
            writeFile(file, good);
            QVERIFY(QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
            QVERIFY(p.create());
            QString shown;
            Tinfo1F *info = p.panel->info1F();
            whenModal(info, [&] {
                shown = info->Label1->text() + QLatin1Char('|') + info->Label2->text();
                QTest::mouseClick(info->SpeedButton1, Qt::LeftButton);
            });
            p.main->show();
            QTRY_VERIFY(p.main->ActivatedOnce && !p.main->LoadingSettings);
            QCOMPARE(shown, QStringLiteral("Can not write into file:|Afiles.lst"));
            QCOMPARE(p.main->TLmain->treeList()->ListFileBytes(), good);
            QCOMPARE(p.main->TLarchive->treeList()->ListFileBytes(), good);
            QFile(file).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }

    void zoomSwitching()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const QPoint start = m->pos();
        const int exitX = m->exit_speedbutton->x();

        QTest::mouseClick(m->zoombutton, Qt::LeftButton);
        QVERIFY(m->ZoomedIn);
        QCOMPARE(p.settings().ReadBool(QStringLiteral("Max meret"), false), true);
        QCOMPARE(m->size(), QSize(800, 570));
        QCOMPARE(m->pos(), start + QPoint(-83, -85));
        for (QWidget *page : {static_cast<QWidget *>(m->oldal1), static_cast<QWidget *>(m->oldal2),
                              static_cast<QWidget *>(m->oldal3)})
            QCOMPARE(page->size(), QSize(786, 491));
        QCOMPARE(m->TLmain->size(), QSize(512, 450));
        QCOMPARE(m->exit_speedbutton->x(), exitX + 167);
        QCOMPARE(m->zoombutton->toolTip(), QStringLiteral("Zoom in"));
        QVERIFY(m->exit_speedbutton->geometry().right() < m->width());

        // The about window opens at its place for the large layout.
        QPoint aboutAt;
        TaboutF *about = p.panel->aboutF();
        whenModal(about, [&] {
            aboutAt = about->pos();
            QTest::mouseClick(about->SpeedButton1, Qt::LeftButton);
        });
        QTest::mouseClick(m->Image13, Qt::LeftButton);
        QCOMPARE(aboutAt, m->pos() + QPoint(84, 115));

        QTest::mouseClick(m->zoombutton, Qt::LeftButton);
        QVERIFY(!m->ZoomedIn);
        QCOMPARE(p.settings().ReadBool(QStringLiteral("Max meret"), true), false);
        QCOMPARE(m->size(), QSize(633, 428));
        QCOMPARE(m->pos(), start + QPoint(7, 5)); // the two directions' offsets differ
        QCOMPARE(m->oldal2->size(), QSize(619, 356));
        QCOMPARE(m->TLmain->size(), QSize(380, 318));
        QCOMPARE(m->exit_speedbutton->x(), exitX);
        QCOMPARE(m->zoombutton->toolTip(), QStringLiteral("Zoom out"));

        whenModal(about, [&] {
            aboutAt = about->pos();
            about->accept();
        });
        QTest::mouseClick(m->Image13, Qt::LeftButton);
        QCOMPARE(aboutAt, m->pos() + QPoint(18, 51));

        // The language and texture windows open at their places too.
        QPoint languageAt;
        whenModal(p.panel->languageF(), [&] {
            languageAt = p.panel->languageF()->pos();
            p.panel->languageF()->accept();
        });
        QTest::mouseClick(m->SpeedButton21, Qt::LeftButton);
        QCOMPARE(languageAt, m->pos() + QPoint(46, 73));
        m->zoombuttonClick();
        QPoint textureAt;
        whenModal(p.panel->backgroundF(), [&] {
            textureAt = p.panel->backgroundF()->pos();
            p.panel->backgroundF()->accept();
        });
        QTest::mouseClick(m->SpeedButton22, Qt::LeftButton);
        QCOMPARE(textureAt, m->pos() + QPoint(120, 151));

        // A stored large layout is used from the start.
        TestPanel large;
        large.settings().WriteBool(QStringLiteral("Max meret"), true);
        QVERIFY(large.start());
        QCOMPARE(large.main->size(), QSize(800, 570));
        QCOMPARE(large.main->exit_speedbutton->x(), 606 + 167);
    }

    void pageSwitching()
    {
        TestPanel p;
        QVERIFY(p.start());
        TApp_user_window *m = p.main;
        const auto visible = [m] {
            return QList<bool>{m->oldal1->isVisible(), m->oldal2->isVisible(), m->oldal3->isVisible()};
        };
        QCOMPARE(visible(), (QList<bool>{true, false, false}));
        QTest::mouseClick(m->SpeedButton5, Qt::LeftButton);
        QCOMPARE(visible(), (QList<bool>{false, true, false}));
        QVERIFY(m->SpeedButton5->isChecked());
        QCOMPARE(m->Label20->text(), p.programDir.left(3));
        QTest::mouseClick(m->SpeedButton6, Qt::LeftButton);
        QCOMPARE(visible(), (QList<bool>{false, false, true}));
        m->ShowPage(0);
        m->ShowPage(4);
        QCOMPARE(visible(), (QList<bool>{false, false, true}));
        QTest::mouseClick(m->SpeedButton4, Qt::LeftButton);
        QCOMPARE(visible(), (QList<bool>{true, false, false}));
        QVERIFY(m->SpeedButton4->isChecked());

        // The hover twin of the about picture, and the press positions of the buttons that
        // place the windows they open.
        QMouseEvent hover(QEvent::MouseMove, QPointF(5, 5), m->Image13->mapToGlobal(QPointF(5, 5)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m->Image13, &hover);
        QVERIFY(m->Image14->isVisible());
        QVERIFY(!m->Image13->isVisible());
        m->KovaPanel1MouseMove(Qt::NoButton, 1, 1);
        QVERIFY(m->Image13->isVisible());
        QVERIFY(!m->Image14->isVisible());
        // The click opens the manual archiving window; Back closes it.
        Tman_archF *manual = p.panel->man_archF();
        whenModal(manual, [manual] { clickControl(manual, "SpeedButton1"); });
        QTest::mousePress(m->SpeedButton1, Qt::LeftButton, {}, QPoint(11, 7));
        QTest::mouseRelease(m->SpeedButton1, Qt::LeftButton, {}, QPoint(11, 7));
        QCOMPARE(QPoint(m->PressX, m->PressY), QPoint(11, 7));
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
        QStringList shown;
        Tinfo1F *info = p.panel->info1F();
        const auto readBox = [&] {
            whenModal(info, [&] {
                shown << info->Label1->text() + QLatin1Char('|') + info->Label2->text();
                QTest::keyClick(info->Edit1, Qt::Key_Return);
            });
        };
        readBox();
        p.main->show();
        QTRY_VERIFY(p.main->ActivatedOnce && !p.main->LoadingSettings);
        QCOMPARE(shown, QStringList{QStringLiteral("Can not open file:|Afiles.lst")});
        TTreeList *main = p.main->TLmain->treeList();
        QCOMPARE(main->ListFileBytes(), sound);
        QCOMPARE(readFile(file), hostile);

        TTreeListView *view = p.main->TLmain;
        const TreeListNode *esc = main->topLevelNode(0)->child(0)->child(0);
        main->MakeNodeVisible(esc->parent());
        const QModelIndex index = view->viewIndexOf(esc);
        view->scrollTo(index);
        QVERIFY(view->isVisible() && view->visualRect(index).isValid());
        QCOMPARE(drawnText(view, index), QStringLiteral("esc<U+001B>[2J.doc"));
        QCOMPARE(esc->text(), QStringLiteral("esc\x1B[2J.doc"));

        // Taking the list as read writes what is sound, byte for byte; the damaged list is kept.
        p.main->SyncArchiveLists(1);
        QCOMPARE(readFile(file), sound);
        QCOMPARE(readFile(p.host(QStringLiteral("afiles.lst.bad"))), hostile);

        // A file named in the information window: control characters written out, no markup.
        readBox();
        p.main->ShowInfoText(QStringLiteral("CantOpenfileWarning"), QStringLiteral("C:\\esc\x1B[2J<b>x</b>"));
        QCOMPARE(shown.last(), QStringLiteral("Can not open file:|C:\\esc<U+001B>[2J<b>x</b>"));
        QCOMPARE(info->Label2->textFormat(), Qt::PlainText);
    }
};

DUNLIVO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
