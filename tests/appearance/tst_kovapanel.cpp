// Textured panels and the texture image on real widgets: tiling and its phase in nested panels,
// bevels, bevelsize and the caption (rendered and checked pixel by pixel), textures
// that cannot be shown, binding through the providers, and the stored texture at start.
#include "testmain.h"

#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"

#include <QPainter>
#include <QTemporaryDir>

namespace {

// Every pixel tells where it lies in the texture: red = x, green = y.
QImage coordinateTexture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 7));
    return image;
}

QImage render(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3)); // what shows where a panel leaves a pixel unpainted
    widget->render(&image);
    return image;
}

TKovaPanel *flatPanel(QWidget *parent, TkovaProvider *provider, QRect geometry)
{
    auto *panel = new TKovaPanel(parent, provider);
    panel->setBevelOuter(TKovaPanel::Bevel::None);
    panel->setGeometry(geometry);
    return panel;
}

// An image that holds the 65 by 33 coordinate texture.
struct CoordinateImage : TKovaImage
{
    CoordinateImage()
    {
        setImage(coordinateTexture(65, 33));
        setEmpty(false);
    }
};

// A window with its provider, registered with an image.
struct Window
{
    QWidget widget;
    TkovaProvider *provider = new TkovaProvider(&widget);
};

// Counts the paints of a widget.
struct PaintCounter : QObject
{
    int count = 0;
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class TestKovaPanel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_programHost;
    QString m_programDir;

    QString background(const QString &name) const { return m_programDir + "\\Background\\" + name; }
    QString backgroundHost(const QString &name) const { return m_programHost.path() + "/Background/" + name; }

private Q_SLOTS:
    void initTestCase()
    {
        m_programDir = win::ToWindowsPath(m_programHost.path());
        QVERIFY(QDir().mkpath(backgroundHost("Stone")));
        QVERIFY(coordinateTexture(65, 33).save(backgroundHost("Coords.bmp"), "BMP"));
        QVERIFY(coordinateTexture(17, 9).save(backgroundHost("Stone/Small.bmp"), "BMP"));
        QVERIFY(coordinateTexture(1, 5).save(backgroundHost("Line.bmp"), "BMP"));
        QVERIFY(coordinateTexture(4097, 2).save(backgroundHost("Wide.bmp"), "BMP"));
        QVERIFY(coordinateTexture(20, 20).save(backgroundHost("Png.bmp"), "PNG"));
    }

    void textureRepeatsWithoutItsLastColumnAndRow()
    {
        CoordinateImage image;
        Window w;
        w.widget.resize(300, 200);
        TKovaPanel *outer = flatPanel(&w.widget, w.provider, QRect(0, 0, 300, 200));
        TKovaPanel *middle = flatPanel(outer, w.provider, QRect(60, 5, 200, 150));
        TKovaPanel *inner = flatPanel(middle, w.provider, QRect(10, 30, 80, 60));
        TKovaPanel *partly =
            flatPanel(middle, w.provider, QRect(-20, -7, 40, 30)); // overlaps the parent's edge
        for (TKovaPanel *p : {outer, middle, inner, partly})
            p->setKovaImage(&image);

        const QImage shown = render(&w.widget);
        // One seamless texture over all panels, every 64 by 32 pixels, never column 64 or row 32.
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (shown.pixel(x, y) != qRgb(x % 64, y % 32, 7))
                    QFAIL(qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
            }
        }

        // A small texture on a large panel leaves nothing unpainted.
        image.setImage(coordinateTexture(10, 3));
        const QImage small = render(&w.widget);
        QCOMPARE(small.pixel(299, 199), qRgb(299 % 9, 199 % 2, 7));
    }

    void framesAndBevelsize()
    {
        struct Case
        {
            TKovaPanel::Bevel inner, outer;
            int bevelWidth, borderWidth;
            TKovaPanel::BorderStyle style;
            int expected;
        };
        using B = TKovaPanel::Bevel;
        using S = TKovaPanel::BorderStyle;
        const QList<Case> cases{
            {B::None, B::None, 1, 5, S::None, 0},
            {B::None, B::None, 3, 5, S::Single, 1},
            {B::Raised, B::None, 2, 3, S::None, 5},
            {B::Lowered, B::Raised, 2, 1, S::Single, 6},
        };
        for (const Case &c : cases) {
            TKovaPanel panel;
            panel.setBevelInner(c.inner);
            panel.setBevelOuter(c.outer);
            panel.setBevelWidth(c.bevelWidth);
            panel.setBorderWidth(c.borderWidth);
            panel.setBorderStyle(c.style);
            QCOMPARE(panel.bevelsize(), c.expected);
        }

        // Raised outer bevel, a border of 2 in the panel's colour, lowered inner bevel, all drawn
        // over the texture without filling the inside.
        CoordinateImage image;
        TKovaPanel panel;
        panel.resize(40, 30);
        panel.setBevelOuter(B::Raised);
        panel.setBevelInner(B::Lowered);
        panel.setBorderWidth(2);
        panel.setColor(QColor(200, 0, 0));
        panel.setKovaImage(&image);
        const QRgb light = panel.palette().color(QPalette::Light).rgb();
        const QRgb dark = panel.palette().color(QPalette::Dark).rgb();
        const QImage shown = render(&panel);
        QCOMPARE(shown.pixel(5, 0), light);
        QCOMPARE(shown.pixel(39, 5), dark);
        QCOMPARE(shown.pixel(5, 2), qRgb(200, 0, 0));
        QCOMPARE(shown.pixel(5, 3), dark);   // lowered: top edge in shadow
        QCOMPARE(shown.pixel(36, 5), light); // and right edge in highlight
        QCOMPARE(shown.pixel(4, 4), qRgb(4, 4, 7));
    }

    void captionPosition()
    {
        CoordinateImage image;
        TKovaPanel panel;
        panel.setBevelInner(TKovaPanel::Bevel::Raised);
        panel.setBevelOuter(TKovaPanel::Bevel::Lowered);
        panel.setKovaImage(&image);
        const QString caption = QStringLiteral("Caption");
        const QFontMetrics metrics(panel.font());
        const int textWidth = metrics.horizontalAdvance(caption);
        // Wide enough that (width - 2 * 2 - text width) / 2 is 28.
        panel.resize(4 + textWidth + 56, 3 * metrics.height());
        const QImage bare = render(&panel);
        panel.setCaption(caption);
        const QImage shown = render(&panel);

        QImage expected = bare;
        {
            QPainter painter(&expected);
            painter.setFont(panel.font());
            painter.setPen(panel.palette().color(QPalette::WindowText));
            const int y = (panel.height() - 4 - metrics.height()) / 2;
            painter.drawText(QPoint(28, y + metrics.ascent()), caption);
        }
        QVERIFY(shown != bare);
        QCOMPARE(shown, expected);

        // A caption wider than the panel is clipped inside the frame.
        panel.setCaption(QString(60, QLatin1Char('W')));
        const QImage clipped = render(&panel);
        QCOMPARE(clipped.copy(0, 0, panel.width(), 2), bare.copy(0, 0, panel.width(), 2));
        QCOMPARE(clipped.copy(1, 0, 1, panel.height()), bare.copy(1, 0, 1, panel.height()));
    }

    void texturesThatCannotBeShown()
    {
        Window w;
        w.widget.resize(50, 40);
        TKovaPanel *panel = flatPanel(&w.widget, w.provider, QRect(0, 0, 50, 40));
        panel->setColor(QColor(10, 20, 30));
        const QRgb plain = qRgb(10, 20, 30);
        TKovaImage image;
        image.RegisterWindow(&w.widget);

        image.setFilename(background("Coords.bmp"));
        QVERIFY(image.LoadFromFile());
        QCOMPARE(render(&w.widget).pixel(25, 20), qRgb(25, 20, 7));

        // Too large, not a bitmap or a folder: everything stays.
        for (const QString &name : {QString("Wide.bmp"), QString("Png.bmp"), QString("Stone")}) {
            image.setFilename(background(name));
            QVERIFY2(!image.LoadFromFile(), qPrintable(name));
            QCOMPARE(image.Image().size(), QSize(65, 33));
            QCOMPARE(render(&w.widget).pixel(25, 20), qRgb(25, 20, 7));
        }

        // Too small to tile: loaded, but shown as no texture.
        image.setFilename(background("Line.bmp"));
        QVERIFY(image.LoadFromFile());
        QVERIFY(!image.Empty());
        QCOMPARE(render(&w.widget).pixel(25, 20), plain);

        // A panel without width or height paints nothing and does not fail.
        panel->resize(0, 40);
        panel->repaint();
    }

    void emptyAndSelected()
    {
        TKovaImage image;
        image.setEmpty(false); // no picture: stays empty
        QVERIFY(image.Empty());
        Window w;
        w.widget.resize(20, 20);
        TKovaPanel *panel = flatPanel(&w.widget, w.provider, QRect(0, 0, 20, 20));
        w.widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
        image.RegisterWindow(&w.widget);
        PaintCounter paints(panel);

        // Built-in textures come from the program's resources; a name without one changes nothing.
        image.setReslist({"faminta", "im1", "im2", "im3", "defflag"});
        image.setSelected(1);
        QCOMPARE(image.Selected(), -1);
        QCOMPARE(paints.count, 0);
        image.setSelected(4);
        QVERIFY(!image.Empty());
        QCOMPARE(paints.count, 1);
        image.setSelected(7); // out of range
        QCOMPARE(image.Selected(), 4);
        // Empty repaints every bound panel plainly and forgets the selection; again, nothing.
        image.setEmpty(true);
        QCOMPARE(image.Selected(), -1);
        QCOMPARE(paints.count, 2);
        image.setEmpty(true);
        QCOMPARE(paints.count, 2);
        image.setSelected(4);
        image.setSelected(-1);
        QVERIFY(image.Image().isNull());
        QVERIFY(image.Empty());
    }

    void providersBindTheirPanels()
    {
        Window first;
        Window otherGroup;
        otherGroup.provider->setGroupindex(1);
        TKovaPanel *outer = flatPanel(&first.widget, first.provider, QRect(0, 0, 60, 60));
        TKovaPanel *inherits = flatPanel(outer, nullptr, QRect(5, 5, 20, 20));
        inherits->setGetparent(true);
        TKovaPanel *unbound = flatPanel(outer, nullptr, QRect(30, 30, 20, 20));
        TKovaPanel *otherPanel = flatPanel(&otherGroup.widget, otherGroup.provider, QRect(0, 0, 30, 30));
        QCOMPARE(inherits->KovaProvider(), first.provider);
        first.widget.resize(60, 60);

        TKovaImage image;
        image.RegisterWindow(&first.widget);
        image.RegisterWindow(&otherGroup.widget);
        image.setFilename(background("Stone\\Small.bmp"));
        QVERIFY(image.LoadFromFile());

        QCOMPARE(outer->KovaImage(), &image);
        QCOMPARE(inherits->KovaImage(), &image);
        QVERIFY(!unbound->KovaImage());
        QVERIFY(!otherPanel->KovaImage());
        // The unbound panel stays plain inside the textured one.
        QCOMPARE(render(&first.widget).pixel(40, 40), unbound->Color().rgb());
    }

    // What is stored is found without regard to case; the windows' own tests follow the
    // setting through restarts.
    void storedTextureAtStart()
    {
        TKovaImage image;
        Tconfig config;
        config.WriteString("Background_bmp", "stone\\SMALL.bmp");
        ApplyBackgroundSetting(config, image, m_programDir);
        QCOMPARE(image.Image().size(), QSize(17, 9));
    }
};

DUNLIVO_TEST_MAIN(TestKovaPanel)
#include "tst_kovapanel.moc"
