// The main window's start page.
#include "startpage.h"

#include "windowplacement.h"
#include "zoomplacements.h"

#include "core/platform/paths.h"
#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/bitmapfile.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/archivelist/treelistview.h"
#include "gui/archiverwindows/healthview.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <array>
#include <system_error>

namespace {

constexpr QSize kNormalList(380, 318);
constexpr QSize kLargeList(512, 450);

// The about picture at the right edge of the page and its lit twin under the pointer. Drawn on
// an image, so that a worker thread can draw it while the windows are built: its bold letter
// needs a font of its own, and loading a font is slow.
QImage aboutPicture(bool lit)
{
    QImage image(22, 22, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.setBrush(lit ? QColor(255, 255, 160) : QColor(236, 236, 236));
    painter.drawEllipse(QRectF(1.5, 1.5, 19, 19));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("i"));
    painter.end();
    return image;
}

// The about picture and its lit twin.
std::array<QImage, 2> aboutPictures()
{
    return {aboutPicture(false), aboutPicture(true)};
}

// The small picture beside the texture button: three tiles of colour.
QPixmap texturePicture()
{
    QPixmap pixmap(35, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor colours[] = {QColor(181, 160, 120), QColor(150, 160, 170), QColor(205, 195, 175)};
    for (int i = 0; i < 3; ++i) {
        painter.fillRect(QRect(1 + i * 11, 1, 11, 20), colours[i]);
    }
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(QRect(0, 0, 34, 21));
    return pixmap;
}

QLabel *makePicture(QWidget *parent, const char *name)
{
    QLabel *picture = makeLabel(parent, name);
    picture->setAlignment(Qt::AlignCenter);
    return picture;
}

} // namespace

StartPage::StartPage(QWidget *parent, TkovaProvider *provider, ZoomPlacements &placements)
    : TKovaPanel(parent, provider), m_placements(placements)
{
    setObjectName(QStringLiteral("oldal1"));
    setBevelOuter(Bevel::Lowered);

    m_listCaption = makeLabel(this, "Label24");
    placements.place(m_listCaption, QRect(10, 6, 378, 18), QRect(10, 6, 510, 18));
    m_listView = new TTreeListView(this);
    m_listView->setObjectName(QStringLiteral("TLmain"));
    m_listView->setGeometry(QRect(QPoint(8, 28), kNormalList));
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setDragEnabled(false);

    m_logo = makePicture(this, "Image1");
    placements.place(m_logo, QRect(404, 14, 200, 64), QRect(550, 20, 214, 70));

    m_languageButton = makeSpeedButton(this, QStringLiteral("SpeedButton21"), QRect());
    placements.place(m_languageButton, QRect(404, 104, 150, 30), QRect(552, 130, 170, 32));
    m_flag = makePicture(this, "Image2");
    placements.place(m_flag, QRect(562, 108, 35, 22), QRect(730, 135, 35, 22));

    m_textureButton = makeSpeedButton(this, QStringLiteral("SpeedButton22"), QRect());
    placements.place(m_textureButton, QRect(404, 144, 150, 30), QRect(552, 176, 170, 32));
    m_texturePicture = makePicture(this, "Image4");
    m_texturePicture->setPixmap(texturePicture());
    placements.place(m_texturePicture, QRect(562, 148, 35, 22), QRect(730, 181, 35, 22));

    m_statusButton = makeSpeedButton(this, QStringLiteral("statusbutton"), QRect());
    placements.place(m_statusButton, QRect(404, 184, 150, 30), QRect(552, 222, 170, 32));
    m_statusLight = makePicture(this, "Image5");
    placements.place(m_statusLight, QRect(566, 185, 27, 27), QRect(734, 224, 27, 27));
    // The health lines fill the free room under the status button: per side its name, and under
    // it the side's line.
    m_primaryHealth = makeLabel(this, "HealthLabel1");
    placements.place(m_primaryHealth, QRect(404, 222, 208, 34), QRect(552, 264, 226, 38));
    m_secondaryHealth = makeLabel(this, "HealthLabel2");
    placements.place(m_secondaryHealth, QRect(404, 262, 208, 34), QRect(552, 310, 226, 38));
    m_healthTimer = new QTimer(this);
    m_healthTimer->setInterval(kHealthIdleRefreshMs);
    connect(m_healthTimer, &QTimer::timeout, this, &StartPage::healthRefreshDue);

    // The about pictures are drawn beside the building of the windows and shown at the first show;
    // without a thread for them, they are drawn at the first show.
    try {
        m_aboutPictures = std::async(std::launch::async, aboutPictures);
    } catch (const std::system_error &) {
    }
    m_about = makePicture(this, "Image13");
    placements.place(m_about, QRect(590, 326, 22, 22), QRect(757, 461, 22, 22));
    m_litAbout = makePicture(this, "Image14");
    placements.place(m_litAbout, QRect(590, 326, 22, 22), QRect(757, 461, 22, 22));
    m_litAbout->hide();
    for (QLabel *picture : {m_about, m_litAbout}) {
        picture->setMouseTracking(true);
        picture->setCursor(Qt::PointingHandCursor);
        picture->installEventFilter(this);
    }

    connect(m_languageButton, &QToolButton::clicked, this, &StartPage::languageRequested);
    connect(m_textureButton, &QToolButton::clicked, this, &StartPage::textureRequested);
    connect(m_statusButton, &QToolButton::clicked, this, &StartPage::statusRequested);
}

TTreeList *StartPage::list() const
{
    return m_listView->treeList();
}

void StartPage::applyTexts(const std::function<QString(const char *)> &text)
{
    m_languageButton->setText(text("LanguageButton"));
    m_textureButton->setText(text("BacgroundTextureButton"));
    m_statusButton->setText(text("StatusButton"));
    m_logo->setToolTip(text("LogoLabel"));
    m_listCaption->setText(text("ArchivList"));
    // The health lines are in the language's words too.
    Q_EMIT healthRefreshDue();
}

void StartPage::showFlag(const QImage &flag)
{
    if (flag.isNull())
        return;
    m_flag->setPixmap(QPixmap::fromImage(flag));
    m_placements.resize(m_flag, flag.size());
}

QPixmap StartPage::builtInLogo()
{
    // Decoded once per process: the start page and the about window both show it.
    static const QImage logo = TransparentBitmap(ResourceBitmap(QStringLiteral("logo"))).toImage();
    return QPixmap::fromImage(logo);
}

void StartPage::loadLogo(const QString &programDir)
{
    const QString logoFile = programDir + QStringLiteral("\\archiv.dat");
    QPixmap logo;
    if (WindowsFileExists(logoFile)) {
        // A file that is not a readable bitmap (or a damaged one) gives the built-in logo.
        const QImage own = ReadBitmapFile(win::HostPath(logoFile), TKovaImage::kMaxTextureSide);
        if (!own.isNull())
            logo = QPixmap::fromImage(own);
    }
    m_logo->setPixmap(logo.isNull() ? builtInLogo() : logo);
}

void StartPage::setStatusLight(const QPixmap &light)
{
    m_statusLight->setPixmap(light);
}

void StartPage::showHealth(Side side, const QString &sideName, const archiver::HealthLine &line)
{
    QLabel *label = side == Side::Primary ? m_primaryHealth : m_secondaryHealth;
    ShowHealthLine(label, line);
    // The side's name above its line: two lines of the same height, whichever is which.
    label->setText(sideName + QLatin1Char('\n') + label->text());
    label->setToolTip(sideName + QStringLiteral(": ") + line.text);
}

void StartPage::setHealthBusy(bool busy)
{
    m_healthTimer->setInterval(busy ? kHealthBusyRefreshMs : kHealthIdleRefreshMs);
}

void StartPage::showEvent(QShowEvent *event)
{
    TKovaPanel::showEvent(event);
    if (m_about->pixmap().isNull()) {
        const std::array<QImage, 2> pictures =
            m_aboutPictures.valid() ? m_aboutPictures.get() : aboutPictures();
        m_about->setPixmap(QPixmap::fromImage(pictures[0]));
        m_litAbout->setPixmap(QPixmap::fromImage(pictures[1]));
    }
    m_healthTimer->start();
    Q_EMIT healthRefreshDue();
}

void StartPage::hideEvent(QHideEvent *event)
{
    m_healthTimer->stop();
    TKovaPanel::hideEvent(event);
}

void StartPage::setLarge(bool large)
{
    m_listView->resize(large ? kLargeList : kNormalList);
}

void StartPage::showAboutUnlit()
{
    m_about->show();
    m_litAbout->hide();
}

void StartPage::letDrag(TMouseMove *mover)
{
    mover->watch(m_logo);
    mover->watch(m_listCaption);
}

bool StartPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_about || watched == m_litAbout) {
        if (event->type() == QEvent::MouseMove) {
            // A move over the picture is its own: the surface below would put the unlit one back.
            if (watched == m_about) {
                m_litAbout->show();
                m_about->hide();
            }
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            Q_EMIT aboutRequested();
            return true;
        }
    }
    return TKovaPanel::eventFilter(watched, event);
}
