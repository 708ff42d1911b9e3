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

// The main window's button that opens the language window and shows the language in force.
QToolButton *button(const TestPanel &p)
{
    return control<QToolButton>(p.main, "SpeedButton21");
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
            QVERIFY(openAndRun(button(p), w, [&] {
                QCOMPARE(entries(w), QStringList{"<Default - English>"});
                QCOMPARE(selectedRow(choiceList(w)), 0);
                // The exact key "Language" wins over "LanguageButton", registered before it.
                QCOMPARE(label(w, "Label2"), QString("Program default-English"));
                clickOk(w);
            }));
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
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(entries(w), kListed);
            clickRow(choiceList(w), 1);
            QCOMPARE(entries(w), QStringList({"<Anglais>", "Francais.lng", "Old\\Latina.LNG"}));
            QCOMPARE(button(p)->text(), QString("Langue"));
            QCOMPARE(label(w, "Label2"), QString::fromUtf8("Fran\xC3\xA7"
                                                           "ais"));
            QCOMPARE(control<QToolButton>(p.panel->backgroundF(), "SpeedButton2")->text(),
                     QString("Annuler"));
            QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(40, 25));
            QCOMPARE(control(w, "Image1")->size(), QSize(40, 25));
            clickCancel(w);
        }));
        QCOMPARE(button(p)->text(), QString("Language"));
        QCOMPARE(control<QLabel>(m, "Image2")->size(), QSize(35, 22));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString());

        // OK keeps the language clicked, for this run and the next start. Each click loads once,
        // also a click on the entry already selected.
        int loads = 0;
        m->language()->setOnNeedSet([&loads](QObject *) { ++loads; });
        QVERIFY(openAndRun(button(p), w, [&] {
            clickRow(choiceList(w), 1);
            QCOMPARE(loads, 1);
            clickRow(choiceList(w), 1);
            clickOk(w);
        }));
        m->language()->setOnNeedSet(nullptr);
        QCOMPARE(loads, 2);
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));
        QVERIFY(restart(p));
        w = p.panel->languageF();
        QCOMPARE(button(p)->text(), QString("Langue"));
        QCOMPARE(control<QLabel>(p.main, "Image2")->size(), QSize(40, 25));

        // Opening selects the stored file, the entry for English in the language in force. A
        // click on another language, then Cancel: the previous language comes back, the setting
        // stays; back in French the entry for English is French again.
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(selectedRow(choiceList(w)), 1);
            QCOMPARE(entries(w).first(), QString("<Anglais>"));
            clickRow(choiceList(w), 2);
            QCOMPARE(button(p)->text(), QString("Lingua"));
            // Latin lacks the text: the entry is empty and still stands for English.
            QCOMPARE(entries(w).first(), QString());
            clickRow(choiceList(w), 0);
            clickRow(choiceList(w), 1);
            QCOMPARE(entries(w).first(), QString("<Anglais>"));
            clickCancel(w);
        }));
        QCOMPARE(button(p)->text(), QString("Langue"));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));

        // Escape cancels too.
        QVERIFY(openAndRun(button(p), w, [&] {
            clickRow(choiceList(w), 0);
            QCOMPARE(button(p)->text(), QString("Language"));
            QTest::keyClick(w, Qt::Key_Escape);
        }));
        QCOMPARE(button(p)->text(), QString("Langue"));

        // The first entry, then OK: English, stored as the empty value; English at the next start.
        QVERIFY(openAndRun(button(p), w, [&] {
            clickRow(choiceList(w), 0);
            QCOMPARE(entries(w), kListed);
            clickOk(w);
        }));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString());
        QVERIFY(restart(p));
        QCOMPARE(button(p)->text(), QString("Language"));

        // Stored in other letter cases than the file's: selected all the same. Latin has no
        // flag, so the flag before it stays.
        p.settings().WriteString("Language", "old\\latina.lng");
        QVERIFY(restart(p));
        w = p.panel->languageF();
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(selectedRow(choiceList(w)), 2);
            clickRow(choiceList(w), 1);
            clickRow(choiceList(w), 2);
            QCOMPARE(control<QLabel>(p.main, "Image2")->size(), QSize(40, 25));
            clickOk(w);
        }));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Old\\Latina.LNG"));
    }

    void storedOrChosenFileGone()
    {
        TestPanel p;
        writeLanguages(p);
        p.settings().WriteString("Language", "Gone.lng");
        QVERIFY(p.start());
        TlanguageF *w = p.panel->languageF();
        QCOMPARE(button(p)->text(), QString("Language"));

        // Nothing is selected; Cancel leaves the texts as they are and stores nothing.
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(selectedRow(choiceList(w)), -1);
            clickCancel(w);
        }));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Gone.lng"));

        // A file that vanished after the list was filled: the texts stay, OK stores the name.
        QVERIFY(openAndRun(button(p), w, [&] {
            QFile::remove(p.host("Language/Francais.lng"));
            clickRow(choiceList(w), 1);
            QCOMPARE(button(p)->text(), QString("Language"));
            clickOk(w);
        }));
        QCOMPARE(p.settings().ReadString("Language", "x"), QString("Francais.lng"));
    }

    // Links that lead out of the Language folder are not listed, and a stored one is loaded
    // neither at start nor by Cancel. (Every kind of name is tried on ConfinedFile, and at start,
    // in the language component's test.)
    void namesReachingOutsideAreNotLoaded()
    {
        TestPanel p;
        writeLanguages(p);
        QTemporaryDir outside;
        writeFile(outside.path() + "/Evil.lng", "LanguageButton=Outside\n");
        QVERIFY(QFile::link(outside.path() + "/Evil.lng", p.host("Language/Linked.lng")));
        QVERIFY(QFile::link(outside.path(), p.host("Language/Away")));
        p.settings().WriteString("Language", "Linked.lng");
        QVERIFY(p.start());
        QCOMPARE(button(p)->text(), QString("Language"));
        TlanguageF *w = p.panel->languageF();
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(entries(w), kListed);
            clickCancel(w);
        }));
        QCOMPARE(button(p)->text(), QString("Language"));
    }
};

DUNLIVO_TEST_MAIN(TestLanguageWindow)
#include "tst_languagewindow.moc"
