// TKovaPanel: a panel that tiles the shared texture over its whole area and draws raised or
// lowered bevels and its caption on top. Nested panels continue their parent's texture without
// a seam; without a texture the panel paints as a plain panel in its colour.
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

class Texture;
class TkovaProvider;

// Where the tiles of a texture go on a panel: the first tile's top-left corner and how many
// columns and rows follow, each tile (texture size - 1) to the right of or below the previous.
struct TextureTiling
{
    QPoint origin;
    int columns = 0;
    int rows = 0;
};

// The tiles for a panel of the given size with the texture phase (offsetX, offsetY) and a texture
// of at least 2 by 2 pixels. The counts are (size + offset) / texture size + 1, rounded half to
// even, raised where needed so that the tiles cover the whole panel.
TextureTiling textureTiling(QSize panel, int offsetX, int offsetY, QSize texture);

class TKovaPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Bevel { None, Lowered, Raised };
    enum class BorderStyle { None, Single };

    // A plain panel as a standard one starts: raised outer bevel, no inner bevel, bevel width 1,
    // border width 0, no caption. The provider, when given, is the one that binds the panel.
    explicit TKovaPanel(QWidget *parent = nullptr, TkovaProvider *provider = nullptr);

    // Accepted and ignored; always reads empty.
    QString Resname() const { return QString(); }
    void setResname(const QString &) {}

    // When true, the panel takes its KovaProvider from its parent panel, again at every paint.
    bool Getparent() const { return m_getparent; }
    void setGetparent(bool value);

    // The texture the panel draws; set by the texture image for the panel's provider. Storing it does not
    // repaint.
    Texture *KovaImage() const;
    void setKovaImage(Texture *image);

    // The provider that binds this panel: the window's kovaProvider1.
    TkovaProvider *KovaProvider() const;
    void setKovaProvider(TkovaProvider *provider);

    // The phase of the texture within the panel, worked out at each textured paint from the
    // parent panel's phase and this panel's position.
    int TextureOffsetX() const { return m_textureOffsetX; }
    int TextureOffsetY() const { return m_textureOffsetY; }

    // The width of the frame: the bevel width for each bevel that is not none, plus the border
    // width when at least one is not none, plus 1 for a single-line border.
    int bevelsize() const;

    Bevel bevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(Bevel bevel);
    Bevel bevelInner() const { return m_bevelInner; }
    void setBevelInner(Bevel bevel);
    int bevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    BorderStyle borderStyle() const { return m_borderStyle; }
    void setBorderStyle(BorderStyle style);
    const QString &caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // The fill of a plain panel and of the border between the bevels; the palette's window
    // colour unless set.
    QColor Color() const;
    void setColor(const QColor &color);

Q_SIGNALS:
    // The panel's mouse events, in its own coordinates, with the buttons held (for a press,
    // including the one pressed; for a release, without the one released). A window wires them
    // to its TMouseMove to be dragged by the panel. Presses on a child widget, and the moves and
    // release that follow them, are the child's and are not signalled here; moves without a
    // button always are.
    void MouseDown(Qt::MouseButtons buttons, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, int x, int y);
    void MouseUp(Qt::MouseButtons buttons, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void applyGetparent();
    QRect drawFrame(QPainter &painter, bool fillInside);

    bool m_getparent = false;
    bool m_ownPress = false;
    QPointer<Texture> m_kovaImage;
    QPointer<TkovaProvider> m_kovaProvider;
    int m_textureOffsetX = 0;
    int m_textureOffsetY = 0;
    Bevel m_bevelOuter = Bevel::Raised;
    Bevel m_bevelInner = Bevel::None;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    BorderStyle m_borderStyle = BorderStyle::None;
    QString m_caption;
    QColor m_color;
};
