// The language window on a whole panel: its list, the preview of a click on every window, OK and
// Cancel, the choice at the next start, the flag pictures, its place and dragging, and names
// that would reach outside the Language folder.
#include "testmain.h"

#include "choicewindows.h"

#include "gui/appearance/backgroundf.h"
#include "gui/appearance/kovalanguage.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/languagef.h"
#include "gui/appearance/mousemove.h"

namespace {

const QByteArray kFrench = "LanguageButton=Langue\r\n"
                           "Language=Fran\xC3\xA7"
                           "ais\r\n"
                           "OkButton=D'accord\r\n"
                           "CancelButton=Annuler\r\n"
                           "DefLanguageText=<Anglais>\r\n"
                           "LanguageListLabel=Langues :\r\n";
// Without "DefLanguageText" and without a flag.
const QByteArray kLatin = "LanguageButton=Lingua\nLanguage=Latina\nOkButton=Bene\nCancelButton=Non\n";

QString french()
{
    return QString::fromUtf8("Fran\xC3\xA7"
                             "ais");
}

} // namespace

class TestLanguageWindow : public QObject
{
    Q_OBJECT

private:
    // French in the folder with a 40 by 25 flag, Latin in a subfolder, and a file that is no
    // language file.
    static void writeLanguages(const TestPanel &p)
    {
        writeProgramFile(p, "Language/Francais.lng", kFrench);
        writeBitmap(p, "Language/Francais.flg", QSize(40, 25), qRgb(0, 0, 255));
        writeProgramFile(p, "Language/Old/Latina.LNG", kLatin);
        writeProgramFile(p, "Language/notes.txt", "LanguageButton=Notes\n");
    }

private Q_SLOTS:
    void layoutAndDragging()
    {
        TestPanel p;
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        QCOMPARE(w->size(), QSize(319, 269));
        QCOMPARE(w->ListBox1->geometry(), QRect(38, 46, 229, 147));
        QCOMPARE(w->ListBox1->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0x99));
        QCOMPARE(w->Label2->geometry().topLeft(), QPoint(38, 193));

        // Dragged by its inner panel as by its outer one.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QPoint start = w->pos();
        QTest::mousePress(w->KovaPanel2, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(w->KovaPanel2, QPoint(15, 12));
        QTest::mouseRelease(w->KovaPanel2, Qt::LeftButton, {}, QPoint(15, 12));
        QCOMPARE(w->pos(), start + QPoint(5, 2));
        QVERIFY(!w->MouseMove1->Dragging());
        w->hide();
    }

    void emptyOrMissingFolder()
    {
        TestPanel p;
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        for (bool folderExists : {false, true}) {
            if (folderExists)
                QVERIFY(QDir().mkpath(p.host("Language")));
            QStringList entries;
            int row = -2;
            QString heading, name, ok, cancel;
            QVERIFY(openAndRun(control<QToolButton>(p.main, "SpeedButton21"), w, [&] {
                entries = w->entries();
                row = selectedRow(w->ListBox1);
                heading = w->Label1->text();
                name = w->Label2->text();
                ok = w->SpeedButton1->text();
                cancel = w->SpeedButton2->text();
                QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
            }));
            QCOMPARE(entries, QStringList{"<Default - English>"});
            QCOMPARE(row, 0);
            QCOMPARE(heading, QString("List of selectable languages:"));
            // The exact key "Language" wins over "LanguageButton", registered before it.
            QCOMPARE(name, QString("Program default-English"));
            QCOMPARE(ok, QString("Ok"));
            QCOMPARE(cancel, QString("Cancel"));
            QCOMPARE(p.settings().ReadString("Language", "x"), QString());
        }
    }

    void previewOkCancelAndTheNextStart()
    {
        TestPanel p;
        writeLanguages(p);
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        TApp_user_window *m = p.main;
        QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(35, 22));

        // Listed in the finder's order, the subfolder's file by its relative path; nothing
        // selected is previewed. A click previews on every window, hidden ones and this one too,
        // with the flag; Cancel brings English back and stores nothing.
        QStringList entries;
        QString buttonAfterClick, okAfterClick, nameAfterClick, textureCancel, chosen;
        QSize flagAfterClick, ownFlagAfterClick;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            entries = w->entries();
            clickRow(w->ListBox1, 1);
            buttonAfterClick = control<QToolButton>(m, "SpeedButton21")->text();
            okAfterClick = w->SpeedButton1->text();
            nameAfterClick = w->Label2->text();
            textureCancel = p.panel->backgroundF()->SpeedButton2->text();
            flagAfterClick = control<QLabel>(m, "Image2")->size();
            ownFlagAfterClick = w->Image1->size();
            chosen = w->ChosenName;
            QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        }));
        QCOMPARE(entries, QStringList({"<Default - English>", "Francais.lng", "Old\\Latina.LNG"}));
        QCOMPARE(buttonAfterClick, QString("Langue"));
        QCOMPARE(okAfterClick, QString("D'accord"));
        QCOMPARE(nameAfterClick, french());
        QCOMPARE(textureCancel, QString("Annuler"));
        QCOMPARE(flagAfterClick, QSize(40, 25));
        QCOMPARE(ownFlagAfterClick, QSize(40, 25));
        QCOMPARE(chosen, QString("Francais.lng"));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Language"));
        QCOMPARE(w->Label2->text(), QString("Program default-English"));
        QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(35, 22));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString());

        // OK keeps the language clicked, for this run and the next start. Each click loads once,
        // also a click on the entry already selected.
        int loads = 0;
        m->language()->setOnNeedSet([&loads](QObject *) { ++loads; });
        int loadsAfterFirstClick = 0;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(w->ListBox1, 1);
            loadsAfterFirstClick = loads;
            clickRow(w->ListBox1, 1);
            QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        }));
        m->language()->setOnNeedSet(nullptr);
        QCOMPARE(loadsAfterFirstClick, 1);
        QCOMPARE(loads, 2);
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));
        QVERIFY(restart(p));
        m = p.main;
        w = p.panel->languageF();
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));
        QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(40, 25));

        // Opening selects the stored file; OK without a click stores it unchanged. The first
        // entry comes from the language in force.
        int row = -2;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            row = selectedRow(w->ListBox1);
            entries = w->entries();
            QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        }));
        QCOMPARE(row, 1);
        QCOMPARE(entries.first(), QString("<Anglais>"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));

        // A click on another language, then Cancel: the previous language comes back, the
        // setting stays.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(w->ListBox1, 2);
            buttonAfterClick = control<QToolButton>(m, "SpeedButton21")->text();
            QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        }));
        QCOMPARE(buttonAfterClick, QString("Lingua"));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));

        // Escape cancels too.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(w->ListBox1, 0);
            buttonAfterClick = control<QToolButton>(m, "SpeedButton21")->text();
            QTest::keyClick(w, Qt::Key_Escape);
        }));
        QCOMPARE(buttonAfterClick, QString("Language"));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));

        // The first entry, then OK: English, stored as the empty value; English at the next start.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(w->ListBox1, 0);
            QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        }));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Language"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString());
        QVERIFY(restart(p));
        QCOMPARE(control<QToolButton>(p.main, "SpeedButton21")->text(), QString("Language"));
        QCOMPARE(control<QLabel>(p.main, "Image2")->size(), QSize(35, 22));
    }

    void subfolderAndMissingTexts()
    {
        TestPanel p;
        writeLanguages(p);
        // Stored in other letter cases than the file's: selected all the same.
        p.settings().WriteString("Language", "old\\latina.lng");
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        TApp_user_window *m = p.main;
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Lingua"));

        // The language in force lacks "DefLanguageText": the first entry is empty and still
        // stands for English. Latin has no flag, so the flag before it stays.
        QStringList entries;
        int row = -2;
        QString afterFirst;
        QSize flagAfterFrench, flagAfterLatin;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            entries = w->entries();
            row = selectedRow(w->ListBox1);
            clickRow(w->ListBox1, 0);
            afterFirst = control<QToolButton>(m, "SpeedButton21")->text();
            clickRow(w->ListBox1, 1);
            flagAfterFrench = control<QLabel>(m, "Image2")->size();
            clickRow(w->ListBox1, 2);
            flagAfterLatin = control<QLabel>(m, "Image2")->size();
            QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        }));
        QCOMPARE(entries.first(), QString());
        QCOMPARE(row, 2);
        QCOMPARE(afterFirst, QString("Language"));
        QCOMPARE(flagAfterFrench, QSize(40, 25));
        QCOMPARE(flagAfterLatin, QSize(40, 25));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Lingua"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Old\\Latina.LNG"));
    }

    void storedOrChosenFileGone()
    {
        TestPanel p;
        writeLanguages(p);
        p.settings().WriteString("Language", "Gone.lng");
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        TApp_user_window *m = p.main;
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Language"));

        // Nothing is selected; Cancel leaves the texts as they are and stores nothing.
        int row = -2;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            row = selectedRow(w->ListBox1);
            QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        }));
        QCOMPARE(row, -1);
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Language"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Gone.lng"));

        // A file that vanished after the list was filled: the texts stay, OK stores the name.
        QString afterClick;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            QFile::remove(p.host("Language/Francais.lng"));
            clickRow(w->ListBox1, 1);
            afterClick = control<QToolButton>(m, "SpeedButton21")->text();
            QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        }));
        QCOMPARE(afterClick, QString("Language"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));
        QVERIFY(restart(p));
        QCOMPARE(control<QToolButton>(p.main, "SpeedButton21")->text(), QString("Language"));
    }

    void namesReachingOutsideAreNotLoaded()
    {
        TestPanel p;
        writeLanguages(p);
        QTemporaryDir outside;
        QFile evil(outside.path() + "/Evil.lng");
        QVERIFY(evil.open(QIODevice::WriteOnly));
        evil.write("LanguageButton=Outside\n");
        evil.close();
        writeProgramFile(p, "Evil.lng", "LanguageButton=Outside\n");
        QVERIFY(QFile::link(evil.fileName(), p.host("Language/Linked.lng")));
        QVERIFY(QFile::link(outside.path(), p.host("Language/Away")));

        // (Every kind of name is tried on ConfinedFile in the language component's test.)
        for (const QString &stored : {QString("..\\Evil.lng"), QString("Linked.lng")}) {
            p.settings().WriteString("Language", stored);
            QVERIFY(restart(p));
            QVERIFY2(control<QToolButton>(p.main, "SpeedButton21")->text() == "Language", qPrintable(stored));
        }

        // Links that lead out are not listed; Cancel does not load the stored one either.
        TlanguageF *w = p.panel->languageF();
        QStringList entries;
        QVERIFY(openAndRun(control<QToolButton>(p.main, "SpeedButton21"), w, [&] {
            entries = w->entries();
            QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        }));
        QCOMPARE(entries, QStringList({"<Default - English>", "Francais.lng", "Old\\Latina.LNG"}));
        QCOMPARE(control<QToolButton>(p.main, "SpeedButton21")->text(), QString("Language"));
    }
};

DUNLIVO_TEST_MAIN(TestLanguageWindow)
#include "tst_languagewindow.moc"
