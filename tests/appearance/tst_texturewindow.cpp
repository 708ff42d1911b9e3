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

// The main window's button that opens the texture window.
QToolButton *button(const TestPanel &p)
{
    return control<QToolButton>(p.main, "SpeedButton22");
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
        const QRgb plain = surface(m);

        // Opened with no texture stored: "<None>" selected. A click previews on every window;
        // Cancel with none stored clears it again and stores the empty text.
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(entries(w), QStringList({"<None>", "Red.bmp", "Stone\\Slate.BMP"}));
            QCOMPARE(selectedRow(choiceList(w)), 0);
            clickRow(choiceList(w), 1);
            QCOMPARE(surface(m), qRgb(200, 0, 0));
            QCOMPARE(control(p.panel->languageF(), "KovaPanel2")->grab().toImage().pixel(3, 3),
                     qRgb(200, 0, 0));
            clickCancel(w);
        }));
        QVERIFY(m->texture()->Empty());
        QCOMPARE(surface(m), plain);
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString());

        // The texture in the subfolder, then OK: kept and stored by its relative path.
        QVERIFY(openAndRun(button(p), w, [&] {
            clickRow(choiceList(w), 2);
            clickOk(w);
        }));
        QCOMPARE(m->texture()->Filename().section('\\', -2), QString("Stone\\Slate.BMP"));
        QCOMPARE(surface(m), qRgb(90, 90, 90));
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Stone\\Slate.BMP"));

        // At the next start the texture comes back and is selected; "<None>", then Cancel,
        // restores it and stores its name again.
        QVERIFY(restart(p));
        m = p.main;
        w = p.panel->backgroundF();
        QCOMPARE(surface(m), qRgb(90, 90, 90));
        p.settings().WriteString("Background_bmp", "stone\\slate.bmp");
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(selectedRow(choiceList(w)), 2);
            clickRow(choiceList(w), 0);
            QCOMPARE(surface(m), plain);
            clickCancel(w);
        }));
        QCOMPARE(surface(m), qRgb(90, 90, 90));
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("stone\\slate.bmp"));

        // "<None>", then OK: no texture, stored empty.
        QVERIFY(openAndRun(button(p), w, [&] {
            clickRow(choiceList(w), 0);
            clickOk(w);
        }));
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString());
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
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(selectedRow(choiceList(w)), -1);
            clickOk(w);
        }));
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Gone.bmp"));

        // A texture that vanished after the list was filled: with nothing shown before, the
        // windows stay plain; OK still stores the name.
        QVERIFY(openAndRun(button(p), w, [&] {
            QFile::remove(p.host("Background/Red.bmp"));
            clickRow(choiceList(w), 1);
            QCOMPARE(surface(m), plain);
            clickOk(w);
        }));
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Red.bmp"));

        // With a texture shown, choosing a vanished one loads again the one named before. After
        // "<None>" it leaves the windows plain, not showing the picture cleared before. Cancel
        // brings back what was stored when the window opened: Red.bmp, which is gone.
        writeBitmap(p, "Background/Red.bmp", QSize(9, 9), qRgb(200, 0, 0));
        QVERIFY(openAndRun(button(p), w, [&] {
            clickRow(choiceList(w), 2);
            clickRow(choiceList(w), 1);
            QFile::remove(p.host("Background/Red.bmp"));
            clickRow(choiceList(w), 2);
            clickRow(choiceList(w), 1);
            QCOMPARE(surface(m), qRgb(90, 90, 90));
            clickRow(choiceList(w), 0);
            clickRow(choiceList(w), 1);
            QCOMPARE(surface(m), plain);
            clickCancel(w);
        }));
        QVERIFY(m->texture()->Empty());
        QCOMPARE(p.settings().ReadString("Background_bmp", "x"), QString("Red.bmp"));

        // The stored texture is back in its folder: a click on its entry, already selected, shows it.
        writeBitmap(p, "Background/Red.bmp", QSize(9, 9), qRgb(200, 0, 0));
        QVERIFY(openAndRun(button(p), w, [&] {
            QCOMPARE(selectedRow(choiceList(w)), 1);
            clickRow(choiceList(w), 1);
            clickOk(w);
        }));
        QCOMPARE(surface(m), qRgb(200, 0, 0));
    }

    // Links that lead out of the Background folder are not listed, and a stored one is loaded
    // neither at start nor by Cancel. (Every kind of name is tried on ConfinedFile in the
    // language component's test.)
    void namesReachingOutsideAreNotLoaded()
    {
        TestPanel p;
        writeTextures(p);
        QTemporaryDir outside;
        writeBitmap(p, "Green.bmp", QSize(6, 6), qRgb(0, 200, 0));
        QVERIFY(QFile::copy(p.host("Green.bmp"), outside.path() + "/Green.bmp"));
        QVERIFY(QFile::link(outside.path() + "/Green.bmp", p.host("Background/Linked.bmp")));
        QVERIFY(QFile::link(outside.path(), p.host("Background/Away")));
        p.settings().WriteString("Background_bmp", "Away\\Green.bmp");
        QVERIFY(p.start());
        QVERIFY(p.main->texture()->Empty());
        QVERIFY(openAndRun(button(p), p.panel->backgroundF(), [&] {
            QCOMPARE(entries(p.panel->backgroundF()), QStringList({"<None>", "Red.bmp", "Stone\\Slate.BMP"}));
            clickCancel(p.panel->backgroundF());
        }));
        QVERIFY(p.main->texture()->Empty());
    }
};

DUNLIVO_TEST_MAIN(TestTextureWindow)
#include "tst_texturewindow.moc"
