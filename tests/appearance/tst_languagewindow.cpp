// The language window on a whole panel: its list, the preview of a click on every window, OK and
// Cancel, the choice at the next start, the flag pictures, dragging, and names that would reach
// outside the Language folder.
#include "testmain.h"

#include "choicewindows.h"

#include "gui/appearance/backgroundf.h"
#include "gui/appearance/kovalanguage.h"
#include "gui/appearance/languagef.h"

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

const QStringList kListed{"<Default - English>", "Francais.lng", "Old\\Latina.LNG"};

QString label(const QWidget *window, const char *name)
{
    return control<QLabel>(window, name)->text();
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
    void draggedByItsInnerPanel()
    {
        TestPanel p;
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QPoint start = w->pos();
        QWidget *inner = control(w, "KovaPanel2");
        QTest::mousePress(inner, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(inner, QPoint(15, 12));
        QTest::mouseRelease(inner, Qt::LeftButton, {}, QPoint(15, 12));
        QCOMPARE(w->pos(), start + QPoint(5, 2));
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
            QStringList listed;
            int row = -2;
            QString name;
            QVERIFY(openAndRun(control<QToolButton>(p.main, "SpeedButton21"), w, [&] {
                listed = entries(w);
                row = selectedRow(choiceList(w));
                name = label(w, "Label2");
                clickOk(w);
            }));
            QCOMPARE(listed, QStringList{"<Default - English>"});
            QCOMPARE(row, 0);
            // The exact key "Language" wins over "LanguageButton", registered before it.
            QCOMPARE(name, QString("Program default-English"));
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

        // Listed in the walker's order, the subfolder's file by its relative path. A click
        // previews on every window, hidden ones and this one too, with the flag, and the entry
        // for English in the new language; Cancel brings English back and stores nothing.
        QStringList listed, listedAfterClick;
        QString buttonAfterClick, nameAfterClick, textureCancel;
        QSize flagAfterClick, ownFlagAfterClick;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            listed = entries(w);
            clickRow(choiceList(w), 1);
            listedAfterClick = entries(w);
            buttonAfterClick = control<QToolButton>(m, "SpeedButton21")->text();
            nameAfterClick = label(w, "Label2");
            textureCancel = control<QToolButton>(p.panel->backgroundF(), "SpeedButton2")->text();
            flagAfterClick = control<QLabel>(m, "Image2")->size();
            ownFlagAfterClick = control(w, "Image1")->size();
            clickCancel(w);
        }));
        QCOMPARE(listed, kListed);
        QCOMPARE(listedAfterClick, QStringList({"<Anglais>", "Francais.lng", "Old\\Latina.LNG"}));
        QCOMPARE(buttonAfterClick, QString("Langue"));
        QCOMPARE(nameAfterClick, QString::fromUtf8("Fran\xC3\xA7"
                                                   "ais"));
        QCOMPARE(textureCancel, QString("Annuler"));
        QCOMPARE(flagAfterClick, QSize(40, 25));
        QCOMPARE(ownFlagAfterClick, QSize(40, 25));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Language"));
        QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(35, 22));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString());

        // OK keeps the language clicked, for this run and the next start. Each click loads once,
        // also a click on the entry already selected.
        int loads = 0;
        m->language()->setOnNeedSet([&loads](QObject *) { ++loads; });
        int loadsAfterFirstClick = 0;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(choiceList(w), 1);
            loadsAfterFirstClick = loads;
            clickRow(choiceList(w), 1);
            clickOk(w);
        }));
        m->language()->setOnNeedSet(nullptr);
        QCOMPARE(loadsAfterFirstClick, 1);
        QCOMPARE(loads, 2);
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));
        QVERIFY(restart(p));
        m = p.main;
        w = p.panel->languageF();
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));
        QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(40, 25));

        // Opening selects the stored file, the entry for English in the language in force. A
        // click on another language, then Cancel: the previous language comes back, the setting
        // stays; back in French the entry for English is French again.
        int row = -2;
        QString firstAfterLatin;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            row = selectedRow(choiceList(w));
            listed = entries(w);
            clickRow(choiceList(w), 2);
            buttonAfterClick = control<QToolButton>(m, "SpeedButton21")->text();
            firstAfterLatin = entries(w).first();
            clickRow(choiceList(w), 0);
            clickRow(choiceList(w), 1);
            listedAfterClick = entries(w);
            clickCancel(w);
        }));
        QCOMPARE(row, 1);
        QCOMPARE(listed.first(), QString("<Anglais>"));
        QCOMPARE(buttonAfterClick, QString("Lingua"));
        // Latin lacks the text: the entry is empty and still stands for English.
        QCOMPARE(firstAfterLatin, QString());
        QCOMPARE(listedAfterClick.first(), QString("<Anglais>"));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));

        // Escape cancels too.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(choiceList(w), 0);
            buttonAfterClick = control<QToolButton>(m, "SpeedButton21")->text();
            QTest::keyClick(w, Qt::Key_Escape);
        }));
        QCOMPARE(buttonAfterClick, QString("Language"));
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Langue"));

        // The first entry, then OK: English, stored as the empty value; English at the next start.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            clickRow(choiceList(w), 0);
            listed = entries(w);
            clickOk(w);
        }));
        QCOMPARE(listed, kListed);
        QCOMPARE(p.settings().ReadString("Language", "x"), QString());
        QVERIFY(restart(p));
        QCOMPARE(control<QToolButton>(p.main, "SpeedButton21")->text(), QString("Language"));
    }

    void storedInAnotherCaseAndFlagless()
    {
        TestPanel p;
        writeLanguages(p);
        // Stored in other letter cases than the file's: selected all the same.
        p.settings().WriteString("Language", "old\\latina.lng");
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        TApp_user_window *m = p.main;
        QCOMPARE(control<QToolButton>(m, "SpeedButton21")->text(), QString("Lingua"));

        // Latin has no flag, so the flag before it stays.
        int row = -2;
        QSize flagAfterLatin;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            row = selectedRow(choiceList(w));
            clickRow(choiceList(w), 1);
            clickRow(choiceList(w), 2);
            flagAfterLatin = control<QLabel>(m, "Image2")->size();
            clickOk(w);
        }));
        QCOMPARE(row, 2);
        QCOMPARE(flagAfterLatin, QSize(40, 25));
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
            row = selectedRow(choiceList(w));
            clickCancel(w);
        }));
        QCOMPARE(row, -1);
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Gone.lng"));

        // A file that vanished after the list was filled: the texts stay, OK stores the name.
        QString afterClick;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton21"), w, [&] {
            QFile::remove(p.host("Language/Francais.lng"));
            clickRow(choiceList(w), 1);
            afterClick = control<QToolButton>(m, "SpeedButton21")->text();
            clickOk(w);
        }));
        QCOMPARE(afterClick, QString("Language"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));
    }

    void namesReachingOutsideAreNotLoaded()
    {
        TestPanel p;
        writeLanguages(p);
        QTemporaryDir outside;
        writeProgramFile(p, "Evil.lng", "LanguageButton=Outside\n");
        QVERIFY(QFile::copy(p.host("Evil.lng"), outside.path() + "/Evil.lng"));
        QVERIFY(QFile::link(outside.path() + "/Evil.lng", p.host("Language/Linked.lng")));
        QVERIFY(QFile::link(outside.path(), p.host("Language/Away")));

        // (Every kind of name is tried on ConfinedFile in the language component's test.)
        for (const QString &stored : {QString("..\\Evil.lng"), QString("Linked.lng")}) {
            p.settings().WriteString("Language", stored);
            QVERIFY(restart(p));
            QVERIFY2(control<QToolButton>(p.main, "SpeedButton21")->text() == "Language", qPrintable(stored));
        }

        // Links that lead out are not listed; Cancel does not load the stored one either.
        TlanguageF *w = p.panel->languageF();
        QStringList listed;
        QVERIFY(openAndRun(control<QToolButton>(p.main, "SpeedButton21"), w, [&] {
            listed = entries(w);
            clickCancel(w);
        }));
        QCOMPARE(listed, kListed);
        QCOMPARE(control<QToolButton>(p.main, "SpeedButton21")->text(), QString("Language"));
    }
};

DUNLIVO_TEST_MAIN(TestLanguageWindow)
#include "tst_languagewindow.moc"
