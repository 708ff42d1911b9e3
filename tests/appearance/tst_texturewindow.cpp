// The texture window on a whole panel: its list, the preview of a click on every window, OK and
// Cancel with and without a stored texture, the choice at the next start, and names that would reach outside
// the Background folder.
#include "testmain.h"

#include "choicewindows.h"

#include "gui/appearance/backgroundf.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/languagef.h"

namespace {

QString pathEnd(const QString &windowsPath)
{
    return windowsPath.section('\\', -2);
}

} // namespace

class TestTextureWindow : public QObject
{
    Q_OBJECT

private:
    // Two textures in the folder, one in a subfolder, and a file that is no bitmap.
    static void writeTextures(const TestPanel &p)
    {
        writeBitmap(p, "Background/Red.bmp", QSize(9, 9), qRgb(200, 0, 0));
        writeBitmap(p, "Background/Stone/Slate.BMP", QSize(5, 5), qRgb(90, 90, 90));
        writeProgramFile(p, "Background/readme.txt", "not a texture");
    }

    // The colour of a pixel of the main window's surface.
    static QRgb surface(TApp_user_window *m)
    {
        return control<QWidget>(m, "KovaPanel1")->grab().toImage().pixel(3, 200);
    }

private Q_SLOTS:
    void previewOkCancelAndTheNextStart()
    {
        TestPanel p;
        writeTextures(p);
        QVERIFY(p.start());
        TbackgroundF *w = p.panel->backgroundF();
        TApp_user_window *m = p.main;
        TKovaImage *image = m->texture();
        const QRgb plain = surface(m);
        QVERIFY(image->Empty());

        // Opened with no texture stored: "<None>" selected. A click previews on every window;
        // Cancel with none stored clears it again and stores the empty text.
        QStringList listed;
        int row = -2;
        QRgb previewed = 0;
        QRgb languageWindowPreviewed = 0;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            listed = entries(w);
            row = selectedRow(choiceList(w));
            clickRow(choiceList(w), 1);
            previewed = surface(m);
            languageWindowPreviewed =
                control(p.panel->languageF(), "KovaPanel2")->grab().toImage().pixel(3, 3);
            clickCancel(w);
        }));
        QCOMPARE(listed, QStringList({"<None>", "Red.bmp", "Stone\\Slate.BMP"}));
        QCOMPARE(row, 0);
        QCOMPARE(previewed, qRgb(200, 0, 0));
        QCOMPARE(languageWindowPreviewed, qRgb(200, 0, 0));
        QVERIFY(image->Empty());
        QCOMPARE(surface(m), plain);
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString());

        // The texture in the subfolder, then OK: kept and stored by its relative path.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            clickRow(choiceList(w), 2);
            clickOk(w);
        }));
        QVERIFY(!image->Empty());
        QCOMPARE(pathEnd(image->Filename()), QString("Stone\\Slate.BMP"));
        QCOMPARE(surface(m), qRgb(90, 90, 90));
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Stone\\Slate.BMP"));

        // At the next start the texture comes back and is selected; "<None>", then Cancel,
        // restores it and stores its name again.
        QVERIFY(restart(p));
        m = p.main;
        w = p.panel->backgroundF();
        image = m->texture();
        QCOMPARE(surface(m), qRgb(90, 90, 90));
        p.settings().WriteString("Background_bmp", "stone\\slate.bmp");
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            row = selectedRow(choiceList(w));
            clickRow(choiceList(w), 0);
            previewed = surface(m);
            clickCancel(w);
        }));
        QCOMPARE(row, 2);
        QCOMPARE(previewed, plain);
        QCOMPARE(surface(m), qRgb(90, 90, 90));
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("stone\\slate.bmp"));

        // "<None>", then OK: no texture, stored empty.
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            clickRow(choiceList(w), 0);
            clickOk(w);
        }));
        QVERIFY(image->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString());
        QVERIFY(restart(p));
        QVERIFY(p.main->texture()->Empty());
    }

    void storedOrChosenFileGone()
    {
        TestPanel p;
        writeTextures(p);
        p.settings().WriteString("Background_bmp", "Gone.bmp");
        QVERIFY(p.start());
        TbackgroundF *w = p.panel->backgroundF();
        TApp_user_window *m = p.main;
        const QRgb plain = surface(m);

        // Nothing is selected; OK without a selection closes and stores nothing.
        int row = -2;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            row = selectedRow(choiceList(w));
            clickOk(w);
        }));
        QCOMPARE(row, -1);
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Gone.bmp"));

        // A texture that vanished after the list was filled: with nothing shown before, the
        // windows stay plain; OK still stores the name.
        QRgb previewed = 0;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            QFile::remove(p.host("Background/Red.bmp"));
            clickRow(choiceList(w), 1);
            previewed = surface(m);
            clickOk(w);
        }));
        QCOMPARE(previewed, plain);
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Red.bmp"));

        // With a texture shown, choosing a vanished one loads again the one named before. After
        // "<None>" it leaves the windows plain, not showing the picture cleared before.
        writeBitmap(p, "Background/Red.bmp", QSize(9, 9), qRgb(200, 0, 0));
        QRgb afterNone = 0;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            clickRow(choiceList(w), 2);
            clickRow(choiceList(w), 1);
            QFile::remove(p.host("Background/Red.bmp"));
            clickRow(choiceList(w), 2);
            clickRow(choiceList(w), 1);
            previewed = surface(m);
            clickRow(choiceList(w), 0);
            clickRow(choiceList(w), 1);
            afterNone = surface(m);
            clickCancel(w);
        }));
        QCOMPARE(previewed, qRgb(90, 90, 90));
        QCOMPARE(afterNone, plain);

        // Cancel brings back what was stored when the window opened: Red.bmp, which is gone.
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Red.bmp"));

        // The stored texture is back in its folder: a click on its entry, already selected, shows it.
        writeBitmap(p, "Background/Red.bmp", QSize(9, 9), qRgb(200, 0, 0));
        row = -2;
        QVERIFY(openAndRun(control<QToolButton>(m, "SpeedButton22"), w, [&] {
            row = selectedRow(choiceList(w));
            clickRow(choiceList(w), 1);
            clickOk(w);
        }));
        QCOMPARE(row, 1);
        QCOMPARE(surface(m), qRgb(200, 0, 0));
    }

    void namesReachingOutsideAreNotLoaded()
    {
        TestPanel p;
        writeTextures(p);
        QTemporaryDir outside;
        writeBitmap(p, "Green.bmp", QSize(6, 6), qRgb(0, 200, 0));
        QVERIFY(QFile::copy(p.host("Green.bmp"), outside.path() + "/Green.bmp"));
        QVERIFY(QFile::link(outside.path() + "/Green.bmp", p.host("Background/Linked.bmp")));
        QVERIFY(QFile::link(outside.path(), p.host("Background/Away")));

        // (Every kind of name is tried on ConfinedFile in the language component's test.)
        for (const QString &stored : {QString("Stone\\..\\..\\Green.bmp"), QString("Away\\Green.bmp")}) {
            p.settings().WriteString("Background_bmp", stored);
            QVERIFY(restart(p));
            QVERIFY2(p.main->texture()->Empty(), qPrintable(stored));
        }

        // Links that lead out are not listed; Cancel does not load the stored name.
        TbackgroundF *w = p.panel->backgroundF();
        QStringList listed;
        QVERIFY(openAndRun(control<QToolButton>(p.main, "SpeedButton22"), w, [&] {
            listed = entries(w);
            clickCancel(w);
        }));
        QCOMPARE(listed, QStringList({"<None>", "Red.bmp", "Stone\\Slate.BMP"}));
        QVERIFY(p.main->texture()->Empty());
    }
};

DUNLIVO_TEST_MAIN(TestTextureWindow)
#include "tst_texturewindow.moc"
