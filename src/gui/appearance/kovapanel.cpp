// The textured panel: tiling, bevels and caption.
#include "kovapanel.h"

#include "kovaprovider.h"
#include "texture.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// a mod m in 0 .. m-1, also for a negative a (a panel partly left of or above its parent); it
// differs from the truncated remainder by one whole period, so the texture's phase is the same.
int floorMod(int a, int m)
{
    const int r = a % m;
    return r < 0 ? r + m : r;
}

int ceilDiv(int a, int b)
{
    return a <= 0 ? 0 : (a + b - 1) / b;
}

// n passes, each drawing the top and left edges in the first colour and the bottom and right
// edges in the second, then shrinking the rectangle by one pixel on each side.
void frame3D(QPainter &painter, QRect &rect, const QColor &topLeft, const QColor &bottomRight, int width)
{
    for (int pass = 0; pass < width; ++pass) {
        if (rect.width() > 0 && rect.height() > 0) {
            painter.fillRect(rect.left(), rect.top(), rect.width() - 1, 1, topLeft);
            painter.fillRect(rect.left(), rect.top(), 1, rect.height() - 1, topLeft);
            painter.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
            painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
        }
        rect.adjust(1, 1, -1, -1);
    }
}

} // namespace

TextureTiling textureTiling(QSize panel, int offsetX, int offsetY, QSize texture)
{
    const int w = texture.width();
    const int h = texture.height();
    TextureTiling tiling;
    tiling.origin = QPoint(-offsetX, -offsetY);
    // Rounding to nearest uses the default mode, halves to the even neighbour.
    tiling.columns = static_cast<int>(std::nearbyint(double(panel.width() + offsetX) / w + 1.0));
    tiling.rows = static_cast<int>(std::nearbyint(double(panel.height() + offsetY) / h + 1.0));
    // The counts divide by the texture's size while the tiles step by one pixel less, which for a
    // small texture leaves the far side of a large panel bare; add the tiles that cover it.
    tiling.columns = std::max(tiling.columns, ceilDiv(panel.width() + offsetX, w - 1));
    tiling.rows = std::max(tiling.rows, ceilDiv(panel.height() + offsetY, h - 1));
    return tiling;
}

TKovaPanel::TKovaPanel(QWidget *parent, TkovaProvider *provider) : QWidget(parent), m_kovaProvider(provider)
{
    // Every pixel is painted in one pass (texture or fill, then frame), so nothing is erased
    // first and dragging or nested repaints do not flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    // Moves without a button end a drag, so they are needed too.
    setMouseTracking(true);
}

Texture *TKovaPanel::KovaImage() const
{
    return m_kovaImage;
}

void TKovaPanel::setKovaImage(Texture *image)
{
    m_kovaImage = image;
}

TkovaProvider *TKovaPanel::KovaProvider() const
{
    return m_kovaProvider;
}

void TKovaPanel::setKovaProvider(TkovaProvider *provider)
{
    m_kovaProvider = provider;
}

void TKovaPanel::setGetparent(bool value)
{
    m_getparent = value;
    if (m_getparent)
        applyGetparent();
}

void TKovaPanel::applyGetparent()
{
    if (auto *parentPanel = qobject_cast<TKovaPanel *>(parentWidget()))
        m_kovaProvider = parentPanel->KovaProvider();
}

int TKovaPanel::bevelsize() const
{
    int size = 0;
    if (m_bevelInner != Bevel::None)
        size += m_bevelWidth;
    if (m_bevelOuter != Bevel::None)
        size += m_bevelWidth;
    if (m_bevelInner != Bevel::None || m_bevelOuter != Bevel::None)
        size += m_borderWidth;
    if (m_borderStyle == BorderStyle::Single)
        size += 1;
    return size;
}

void TKovaPanel::setBevelOuter(Bevel bevel)
{
    m_bevelOuter = bevel;
    update();
}

void TKovaPanel::setBevelInner(Bevel bevel)
{
    m_bevelInner = bevel;
    update();
}

void TKovaPanel::setBevelWidth(int width)
{
    m_bevelWidth = std::max(1, width);
    update();
}

void TKovaPanel::setBorderWidth(int width)
{
    m_borderWidth = std::max(0, width);
    update();
}

void TKovaPanel::setBorderStyle(BorderStyle style)
{
    m_borderStyle = style;
    update();
}

void TKovaPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

QColor TKovaPanel::Color() const
{
    return m_color.isValid() ? m_color : palette().color(QPalette::Window);
}

void TKovaPanel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

QRect TKovaPanel::drawFrame(QPainter &painter, bool fillInside)
{
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor fill = Color();
    QRect r = rect();
    if (m_borderStyle == BorderStyle::Single) {
        const QColor line = palette().color(QPalette::WindowText);
        frame3D(painter, r, line, line, 1);
    }
    if (m_bevelOuter != Bevel::None) {
        const bool raised = m_bevelOuter == Bevel::Raised;
        frame3D(painter, r, raised ? highlight : shadow, raised ? shadow : highlight, m_bevelWidth);
    }
    frame3D(painter, r, fill, fill, m_borderWidth);
    if (m_bevelInner != Bevel::None) {
        const bool raised = m_bevelInner == Bevel::Raised;
        frame3D(painter, r, raised ? highlight : shadow, raised ? shadow : highlight, m_bevelWidth);
    }
    if (fillInside && r.width() > 0 && r.height() > 0)
        painter.fillRect(r, fill);
    return r;
}

void TKovaPanel::paintEvent(QPaintEvent *)
{
    if (m_getparent)
        applyGetparent();
    Texture *image = m_kovaImage;
    const bool usable = image && image->textureUsable();
    if (usable) {
        // A parent paints before its children, so its phase is already current here.
        if (auto *parentPanel = qobject_cast<TKovaPanel *>(parentWidget())) {
            const QSize texture = image->Image().size();
            m_textureOffsetX = floorMod(parentPanel->m_textureOffsetX + x(), texture.width() - 1);
            m_textureOffsetY = floorMod(parentPanel->m_textureOffsetY + y(), texture.height() - 1);
        }
    }

    QPainter painter(this);
    if (!usable || width() < 1 || height() < 1) {
        const QRect inside = drawFrame(painter, true);
        if (!m_caption.isEmpty() && inside.isValid()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inside, Qt::AlignCenter, m_caption);
        }
        return;
    }

    const QPixmap tile = image->tilePixmap();
    const TextureTiling tiling =
        textureTiling(size(), m_textureOffsetX, m_textureOffsetY, image->Image().size());
    painter.drawTiledPixmap(
        QRect(tiling.origin, QSize(tiling.columns * tile.width(), tiling.rows * tile.height())), tile);
    drawFrame(painter, false);

    if (!m_caption.isEmpty()) {
        const int b = bevelsize();
        const QFontMetrics metrics(font());
        const int x = (width() - 2 * b - metrics.horizontalAdvance(m_caption)) / 2;
        const int y = (height() - 2 * b - metrics.height()) / 2;
        painter.setClipRect(QRect(b, b, width() - 2 * b, height() - 2 * b));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPoint(x, y + metrics.ascent()), m_caption);
    }
}

void TKovaPanel::mousePressEvent(QMouseEvent *event)
{
    // Taking the press makes this panel receive the moves and the release, in its own
    // coordinates, as a dragged surface needs. A press that a child (a label) left to its parent
    // is the child's: its moves go on arriving at the child, in the child's coordinates.
    event->accept();
    const QPoint p = event->position().toPoint();
    m_ownPress = childAt(p) == nullptr;
    if (m_ownPress)
        Q_EMIT MouseDown(event->buttons(), p.x(), p.y());
}

void TKovaPanel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (event->buttons() != Qt::NoButton && !m_ownPress)
        return;
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseMove(event->buttons(), p.x(), p.y());
}

void TKovaPanel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool own = m_ownPress;
    if (event->buttons() == Qt::NoButton)
        m_ownPress = false;
    if (!own)
        return;
    const QPoint p = event->position().toPoint();
    Q_EMIT MouseUp(event->buttons(), p.x(), p.y());
}
