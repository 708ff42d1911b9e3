// The main window: creation, first activation, pages, layouts, pane shares, help and exit.
#include "app_user_window.h"

#include "application.h"
#include "archiverhooks.h"
#include "confirm1f.h"
#include "helpviewer.h"
#include "info1f.h"
#include "pathtext.h"
#include "savef.h"
#include "settingspage.h"
#include "spinedit.h"
#include "aboutf.h"
#include "windowplacement.h"

#include "appearance/appearancesettings.h"
#include "appearance/backgroundf.h"
#include "appearance/bitmapfile.h"
#include "appearance/kovaimage.h"
#include "appearance/kovalanguage.h"
#include "appearance/kovapanel.h"
#include "appearance/kovaprovider.h"
#include "appearance/languagef.h"
#include "appearance/mousemove.h"
#include "appearance/resourcebitmap.h"
#include "archivelist/directoryviews.h"
#include "archivelist/drivetree.h"
#include "archivelist/findfile.h"
#include "archivelist/folderfiles.h"
#include "archivelist/listerror.h"
#include "archivelist/safefile.h"
#include "archivelist/treelistview.h"
#include "config/config.h"
#include "maintenance/rewritef.h"
#include "platform/paths.h"
#include "platform/shownname.h"
#include "platform/winexec.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

// Sizes fixed by the two layouts.
constexpr QSize kNormalWindow(633, 428);
constexpr QSize kLargeWindow(800, 570);
constexpr QSize kNormalPage(619, 356);
constexpr QSize kLargePage(786, 491);
constexpr QSize kNormalTLmain(380, 318);
constexpr QSize kLargeTLmain(512, 450);
constexpr int kTitleShift = 167;
constexpr QPoint kToLarge(-83, -85);
constexpr QPoint kToNormal(90, 90);
constexpr QPoint kPageOrigin(7, 34);

// The archive list page: path strip, splitter bars and the least a pane may shrink to.
constexpr int kPathStrip = 20;
constexpr int kSplitterSize = 6;
constexpr int kMinPaneWidth = 145;
constexpr int kMinPaneHeight = 65;
constexpr int kMaxNormalFileList = 468;
constexpr int kMaxNormalArchiveList = 271;
constexpr int kToolStrip = 28;

// The main window's own keys and the shared vocabulary it registers, with their English texts,
// in the order of registration.
constexpr DefaultText kDefaults[] = {
    {"Sheet1", "MainPage"},
    {"Sheet2", "Archive's list"},
    {"Sheet3", "Settings"},
    {"ManualArchiv", "Manual archiving"},
    {"ExitButton", "Close"},
    {"HelpButton", "Help"},
    {"MinButton", "Minimalize"},
    {"ZoomInButton", "Zoom in"},
    {"ZoomOutButton", "Zoom out"},
    {"LanguageButton", "Language"},
    {"BacgroundTextureButton", "Texture"},
    {"StatusButton", "Archive's state"},
    {"LogoLabel", "Your partner"},
    {"ArchivList", "Archive's list:"},
    {"ExitConfirm", "Do you want to close the Configuration Panel?"},
    {"SaveConfirm", "Do you want to save the settings?"},
    {"HelpNotFound", "Help file not found!"},
    {"CantOpenfileWarning", "Can not open file:"},
    {"CantWriteFileWarning", "Can not write into file:"},
    {"ListNotSavedExit", "The archive list is not saved. Exit anyway?"},
    // Shown by the settings page, the archive list page and the Archiver's windows.
    {"High", "High"},
    {"Normal", "Normal"},
    {"Low", "Low"},
    {"UsedCharMessage", "The directory name included reserved character(s)"},
    {"DelChildCaption", "Delete child only"},
    {"DeleteInfo", "Do you want to delete these selected items?"},
    {"Language", "Program default-English"},
    {"AfterXdaysLabel", "days periodically"},
    {"RunArchiver", "Please start the Archiver manually first!"},
    {"AutoEmptyLabel", "Auto empty:"},
    {"RestoreButton", "Restore"},
    {"ArchiveMinInterval", "minute(s) periodically"},
    {"ArchiveHourInterval", "hour(s) periodically"},
    {"DontArchive", "disabled"},
    {"ArchiverNotAvaialable", "The archiving system is busy!"},
    {"StartArchiveButton", "Start Archiver"},
    {"StopArchiveButton", "Stop Archiver"},
    {"StopArchiveConfirm", "Do you want to stop the Archiver?"},
    {"StartArchiveConfirm", "Do you want to start the Archiver?"},
    {"EmptyConfirm", "Are you sure you want to empty the archive?"},
    {"AddDirInfo", "Adding directories..."},
    {"CompressionInfo", "This operation may require a lot of time."},
    {"CompressionConfirm", "Are you sure you want to compress the archive?"},
    {"DeCompressionInfo1p", "Do you want to archive without compression?"},
    {"SubDirectoryLabel", "Subdirectories"},
    {"PrimaryCompressionLabel", "Primary archive compressed"},
    {"SecondaryCompressionLabel", "Secondary archive compressed"},
    {"PrimaryArchive", "Primary archive"},
    {"SecondaryArchive", "Secondary Archive"},
    {"PriorityLabel", "Priority:"},
    {"PrimarySettingsLabel", "Primary archive's settings:"},
    {"SecondarySettingsLabel", "Secondary archive's settings:"},
    {"OtherSettingsLabel", "Other settings:"},
    {"SaveButton", "Save settings"},
    {"PrimaryRestoreButton", "Restore from primary archive"},
    {"SecondaryRestoreButton", "Restore from secondary archive"},
    {"EmptyButton", "Empty"},
    {"ConfirmLabel", "Confirmation on modify, delete"},
    {"ShutdownModeLabel", "Shutdown modes:"},
    {"ShutdownLabel", "Archiving at shutdown"},
    {"SaveInfo", "Saving settings..."},
    {"PrimaryDestDirLabel", "Primary archive's destination"},
    {"SecondaryDestDirLabel", "Secondary archive's destination"},
    {"ExtListButton", "Extensions"},
    {"ShutDownText", "Shutdown"},
    {"RebootText", "Reboot"},
    {"LogoffText", "Logoff"},
    {"EmptyInfo", "Emptying archive..."},
    {"AutoRunLabel", "Run Archiver automatically"},
    {"ArchiverNotActive", "The archiving system is not active!"},
    {"AdddirCaption", "Add directoty(s)"},
    {"AddfileCaption", "Add file(s)"},
    {"DelitemCaption", "Delete item"},
    // The shared vocabulary of the language files; no window of the panel shows these.
    {"HitDirCaption", "First archives name equal Secondary archives name!"},
    {"NoDirnameCaption", "Archives name is empty!"},
    {"DirnameCaption", "Archives name"},
    {"HelpFilename", "Default.html"},
    {"MessageDriveBusy", "The disk is busy!"},
    {"MessageCantCreate", "Can not create one or more files!"},
    {"MessageWriteError1", "File write error!"},
    {"ExistsItemInfo1", "You can not add a file or directory more than once!"},
    {"ExistsItemInfo2", "Only the associated extensions have been modified!"},
    {"ItemExistsInfo1", "You can not add a file or directory more than once!"},
    {"ItemExistsInfo2", "Can not add these files to list!"},
    {"SelectSubdirCaption", "Select subdirectories"},
    {"ACPIDownText", "Shutdown and poweroff (ACPI)"},
    {"ArchiverNotAnswering", "The archiving system is not answering!"},
    {"ArchiverMayAnswerLater", "It may still carry the command out when it answers."},
    // Asked at start, before any window exists, and shown by the Archiver's notification.
    {"DamagedSettingsQuestion", "The settings file is damaged; it is kept. Start with default settings?"},
    {"DamagedSettingsNotice", "The settings file is damaged. Nothing is archived until it is replaced."},
};

QString defaultText(const QString &key)
{
    return TkovaProvider::DefaultTextOf(kDefaults, key);
}

// Rounds half to even, as the shares are rounded.
int roundEven(double value)
{
    return int(std::nearbyint(value));
}

QPixmap resourcePixmap(const char *name, bool transparent)
{
    const QImage image = ResourceBitmap(QString::fromLatin1(name));
    return transparent ? TransparentBitmap(image) : QPixmap::fromImage(image);
}

// The about picture at the right edge of the start page and its lit twin under the pointer.
QPixmap aboutPicture(bool lit)
{
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.setBrush(lit ? QColor(255, 255, 160) : QColor(236, 236, 236));
    painter.drawEllipse(QRectF(1.5, 1.5, 19, 19));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("i"));
    return pixmap;
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

TKovaPanel *makePage(QWidget *parent, TkovaProvider *provider, const char *name)
{
    auto *page = new TKovaPanel(parent, provider);
    page->setObjectName(QString::fromLatin1(name));
    page->setBevelOuter(TKovaPanel::Bevel::Lowered);
    page->setGeometry(QRect(kPageOrigin, kNormalPage));
    return page;
}

} // namespace

// ---- TSplitter ----

TSplitter::TSplitter(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent), m_orientation(orientation)
{
    setCursor(orientation == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
    setMouseTracking(true);
}

void TSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    const QPoint global = event->globalPosition().toPoint();
    m_last = m_orientation == Qt::Horizontal ? global.x() : global.y();
}

void TSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const QPoint global = event->globalPosition().toPoint();
    const int now = m_orientation == Qt::Horizontal ? global.x() : global.y();
    if (now != m_last) {
        const int delta = now - m_last;
        m_last = now;
        Q_EMIT dragged(delta);
    }
}

void TSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    Q_EMIT Moved();
}

void TSplitter::paintEvent(QPaintEvent *)
{
    // The bar shows through as the page's texture, with a light and a dark line along it.
    QPainter painter(this);
    const QRect r = rect();
    if (m_orientation == Qt::Horizontal) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(r.left() + 1, r.top(), r.left() + 1, r.bottom());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(r.right() - 1, r.top(), r.right() - 1, r.bottom());
    } else {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(r.left(), r.top() + 1, r.right(), r.top() + 1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
    }
}

// ---- construction ----

TApp_user_window::TApp_user_window(DunlivoPanel *panel)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_panel(panel)
{
    setObjectName(QStringLiteral("App_user_window"));
    setWindowTitle(QStringLiteral("Kovamark-archiváló-main"));
    setFixedSize(kNormalWindow);

    kovaProvider1 = new TkovaProvider(this);
    KovaLanguage1 = new TKovaLanguage(this);
    KovaLanguage1->setObjectName(QStringLiteral("KovaLanguage1"));
    KovaImage1 = new TKovaImage(this);
    KovaImage1->setObjectName(QStringLiteral("KovaImage1"));
    KovaImage1->setReslist(
        {QStringLiteral("faminta"), QStringLiteral("im1"), QStringLiteral("im2"), QStringLiteral("im3")});
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);

    KovaPanel1 = makeWindowPanel(this, kovaProvider1);
    KovaPanel1->setObjectName(QStringLiteral("KovaPanel1"));
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    buildTitleStrip();
    buildStartPage();
    buildArchivePage();
    // Before the settings page: its compression controls speak to the Archiver through it.
    archiverHooks = std::make_unique<ArchiverHooks>(this);
    buildSettingsPage();
    applyPlacements();
    ShowPage(1);

    kovaProvider1->setOnNeedDefaults([this](QObject *) { registerDefaults(); });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    // The layout's own captions until a language is applied.
    applyTexts();

    FormCreate();

    connect(settingsPage->SpeedButton7, &QToolButton::clicked, this, &TApp_user_window::SpeedButton7Click);
    connect(settingsPage->SpeedButton19, &QToolButton::clicked, this, &TApp_user_window::SpeedButton19Click);
    connect(Timer1, &QTimer::timeout, this, &TApp_user_window::Timer1Timer);
    Timer1->start();
}

TApp_user_window::~TApp_user_window() = default;

void TApp_user_window::place(QWidget *widget, const QRect &normal, const QRect &large)
{
    m_placements.push_back({widget, normal, large});
    widget->setGeometry(normal);
}

void TApp_user_window::applyPlacements()
{
    for (const Placement &p : m_placements)
        p.widget->setGeometry(ZoomedIn ? p.large : p.normal);
}

void TApp_user_window::buildTitleStrip()
{
    const auto titleButton = [this](const char *name, int x) {
        QToolButton *button = makeSpeedButton(KovaPanel1, QString::fromLatin1(name), QRect(x, 8, 20, 20));
        button->setAutoRaise(true);
        return button;
    };
    SpeedButton2 = titleButton("SpeedButton2", 546);
    SpeedButton2->setText(QStringLiteral("?"));
    SpeedButton15 = titleButton("SpeedButton15", 566);
    SpeedButton15->setText(QStringLiteral("_"));
    zoombutton = titleButton("zoombutton", 586);
    exit_speedbutton = titleButton("exit_speedbutton", 606);
    exit_speedbutton->setText(QStringLiteral("X"));
    for (QToolButton *button : {SpeedButton2, SpeedButton15, exit_speedbutton}) {
        QFont font = button->font();
        font.setBold(true);
        button->setFont(font);
    }

    const auto pageButton = [this](const char *name, int x) {
        QToolButton *button = makeSpeedButton(KovaPanel1, QString::fromLatin1(name), QRect(x, 7, 120, 24));
        button->setCheckable(true);
        button->setAutoExclusive(true);
        return button;
    };
    SpeedButton4 = pageButton("SpeedButton4", 7);
    SpeedButton5 = pageButton("SpeedButton5", 129);
    SpeedButton6 = pageButton("SpeedButton6", 251);

    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect());
    place(SpeedButton1, QRect(7, 396, 160, 26), QRect(7, 535, 180, 28));
    SpeedButton3 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton3"), QRect());
    place(SpeedButton3, QRect(506, 396, 120, 26), QRect(673, 535, 120, 28));

    connect(SpeedButton2, &QToolButton::clicked, this, &TApp_user_window::SpeedButton2Click);
    connect(SpeedButton15, &QToolButton::clicked, this, &TApp_user_window::SpeedButton15Click);
    connect(zoombutton, &QToolButton::clicked, this, &TApp_user_window::zoombuttonClick);
    connect(exit_speedbutton, &QToolButton::clicked, this, &TApp_user_window::exit_speedbuttonClick);
    connect(SpeedButton4, &QToolButton::clicked, this, &TApp_user_window::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TApp_user_window::SpeedButton5Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TApp_user_window::SpeedButton6Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TApp_user_window::SpeedButton1Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TApp_user_window::SpeedButton3Click);
    SpeedButton1->installEventFilter(this);
}

void TApp_user_window::buildStartPage()
{
    oldal1 = makePage(KovaPanel1, kovaProvider1, "oldal1");
    Label24 = makeLabel(oldal1, "Label24");
    place(Label24, QRect(10, 6, 378, 18), QRect(10, 6, 510, 18));
    TLmain = new TTreeListView(oldal1);
    TLmain->setObjectName(QStringLiteral("TLmain"));
    TLmain->setGeometry(QRect(QPoint(8, 28), kNormalTLmain));
    TLmain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TLmain->setDragEnabled(false);

    Image1 = makePicture(oldal1, "Image1");
    place(Image1, QRect(404, 14, 200, 64), QRect(550, 20, 214, 70));

    SpeedButton21 = makeSpeedButton(oldal1, QStringLiteral("SpeedButton21"), QRect());
    place(SpeedButton21, QRect(404, 104, 150, 30), QRect(552, 130, 170, 32));
    Image2 = makePicture(oldal1, "Image2");
    place(Image2, QRect(562, 108, 35, 22), QRect(730, 135, 35, 22));

    SpeedButton22 = makeSpeedButton(oldal1, QStringLiteral("SpeedButton22"), QRect());
    place(SpeedButton22, QRect(404, 144, 150, 30), QRect(552, 176, 170, 32));
    Image4 = makePicture(oldal1, "Image4");
    Image4->setPixmap(texturePicture());
    place(Image4, QRect(562, 148, 35, 22), QRect(730, 181, 35, 22));

    statusbutton = makeSpeedButton(oldal1, QStringLiteral("statusbutton"), QRect());
    place(statusbutton, QRect(404, 184, 150, 30), QRect(552, 222, 170, 32));
    Image5 = makePicture(oldal1, "Image5");
    place(Image5, QRect(566, 185, 27, 27), QRect(734, 224, 27, 27));

    Image13 = makePicture(oldal1, "Image13");
    Image13->setPixmap(aboutPicture(false));
    place(Image13, QRect(590, 326, 22, 22), QRect(757, 461, 22, 22));
    Image14 = makePicture(oldal1, "Image14");
    Image14->setPixmap(aboutPicture(true));
    place(Image14, QRect(590, 326, 22, 22), QRect(757, 461, 22, 22));
    Image14->hide();
    for (QLabel *picture : {Image13, Image14}) {
        picture->setMouseTracking(true);
        picture->setCursor(Qt::PointingHandCursor);
        picture->installEventFilter(this);
    }

    connect(SpeedButton21, &QToolButton::clicked, this, &TApp_user_window::SpeedButton21Click);
    connect(SpeedButton22, &QToolButton::clicked, this, &TApp_user_window::SpeedButton22Click);
    connect(statusbutton, &QToolButton::clicked, this, &TApp_user_window::statusbuttonClick);
}

void TApp_user_window::buildArchivePage()
{
    oldal2 = makePage(KovaPanel1, kovaProvider1, "oldal2");
    // The panes fill the page to its edges; their own bevels frame them.
    oldal2->setBevelOuter(TKovaPanel::Bevel::None);

    Label20 = makeLabel(oldal2, "Label20");
    Label20->setIndent(4);

    DirPanel = new TKovaPanel(oldal2, kovaProvider1);
    DirPanel->setObjectName(QStringLiteral("DirPanel"));
    DirPanel->setGetparent(true);
    LsDT = new TDirectoryTreeView(DirPanel);
    LsDT->setObjectName(QStringLiteral("LsDT"));

    FilePanel = new TKovaPanel(oldal2, kovaProvider1);
    FilePanel->setObjectName(QStringLiteral("FilePanel"));
    FilePanel->setGetparent(true);
    LFV = new TFileListView(FilePanel);
    LFV->setObjectName(QStringLiteral("LFV"));
    LsDT->setFileList(LFV);

    Splitter2 = new TSplitter(Qt::Horizontal, oldal2);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter1 = new TSplitter(Qt::Vertical, oldal2);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));

    BottomPanel = new TKovaPanel(oldal2, kovaProvider1);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setGetparent(true);
    Label8 = makeLabel(BottomPanel, "Label8");
    Label8->setGeometry(8, 5, 130, 18);
    CheckBox7 = new QCheckBox(BottomPanel);
    CheckBox7->setObjectName(QStringLiteral("CheckBox7"));
    CheckBox7->setGeometry(150, 6, 16, 16);
    Label22 = makeLabel(BottomPanel, "Label22");
    Label22->setGeometry(170, 5, 120, 18);
    SpeedButton17 = makeSpeedButton(BottomPanel, QStringLiteral("SpeedButton17"), QRect(300, 3, 24, 22));
    SpeedButton17->setText(QStringLiteral("+"));
    SpeedButton20 = makeSpeedButton(BottomPanel, QStringLiteral("SpeedButton20"), QRect(326, 3, 24, 22));
    SpeedButton20->setText(QStringLiteral("F"));
    SBdelitem = makeSpeedButton(BottomPanel, QStringLiteral("SBdelitem"), QRect(352, 3, 24, 22));
    SBdelitem->setText(QStringLiteral("-"));
    SBdelitem->setEnabled(false);
    SpeedButton16 = makeSpeedButton(BottomPanel, QStringLiteral("SpeedButton16"), QRect(382, 3, 100, 22));
    SpeedButton16->setToolTip(QStringLiteral("[.*]"));
    TLarchive = new TTreeListView(BottomPanel);
    TLarchive->setObjectName(QStringLiteral("TLarchive"));
    TLarchive->setDropFormat(TFileListModel::mimeType());
    SpeedButton16->installEventFilter(this);
    // A click on the label toggles the box.
    Label22->installEventFilter(this);
    buildArchiveMenus();

    connect(Splitter2, &TSplitter::dragged, this, &TApp_user_window::moveSplitter2);
    connect(Splitter1, &TSplitter::dragged, this, &TApp_user_window::moveSplitter1);
    connect(Splitter2, &TSplitter::Moved, this, &TApp_user_window::Splitter2Moved);
    connect(Splitter1, &TSplitter::Moved, this, &TApp_user_window::Splitter1Moved);

    layoutArchivePage(306, 175);
}

void TApp_user_window::buildSettingsPage()
{
    oldal3 = makePage(KovaPanel1, kovaProvider1, "oldal3");
    settingsPage = new SettingsPage(this, oldal3);
    settingsPage->SpeedButton19->installEventFilter(this);
}

void TApp_user_window::layoutArchivePage(int fileListWidth, int bottomHeight)
{
    const int width = oldal2->width();
    const int height = oldal2->height();
    const int dirWidth = width - kSplitterSize - fileListWidth;
    const int upperHeight = height - kSplitterSize - bottomHeight; // path strip and the panes
    const int paneHeight = upperHeight - kPathStrip;

    Label20->setGeometry(0, 0, width, kPathStrip);
    DirPanel->setGeometry(0, kPathStrip, dirWidth, paneHeight);
    Splitter2->setGeometry(dirWidth, kPathStrip, kSplitterSize, paneHeight);
    FilePanel->setGeometry(dirWidth + kSplitterSize, kPathStrip, fileListWidth, paneHeight);
    Splitter1->setGeometry(0, upperHeight, width, kSplitterSize);
    BottomPanel->setGeometry(0, upperHeight + kSplitterSize, width, bottomHeight);

    LsDT->setGeometry(DirPanel->rect().adjusted(2, 2, -2, -2));
    LFV->setGeometry(FilePanel->rect().adjusted(2, 2, -2, -2));
    TLarchive->setGeometry(QRect(2, kToolStrip, width - 4, qMax(0, bottomHeight - kToolStrip - 2)));
}

void TApp_user_window::moveSplitter2(int delta)
{
    const int total = FilePanel->width() + DirPanel->width();
    const int fileList = qBound(kMinPaneWidth, FilePanel->width() - delta, total - kMinPaneWidth);
    layoutArchivePage(fileList, BottomPanel->height());
}

void TApp_user_window::moveSplitter1(int delta)
{
    const int total = Label20->height() + DirPanel->height() + BottomPanel->height();
    const int bottom = qBound(kMinPaneHeight, BottomPanel->height() - delta, total - kMinPaneHeight);
    layoutArchivePage(FilePanel->width(), bottom);
}

// ---- texts ----

void TApp_user_window::registerDefaults()
{
    KovaLanguage1->LoadFlagResource(QStringLiteral("defflag"));
    kovaProvider1->SetDefaults(kDefaults);
}

void TApp_user_window::applyTexts()
{
    // Before the first activation the provider has no language yet; the layout's captions are
    // the English texts.
    const bool hasLanguage = kovaProvider1->KovaLanguage() != nullptr;
    const auto text = [&](const char *key) {
        const QString name = QString::fromLatin1(key);
        return hasLanguage ? kovaProvider1->GetText(name) : defaultText(name);
    };
    SpeedButton4->setText(text("Sheet1"));
    SpeedButton5->setText(text("Sheet2"));
    SpeedButton6->setText(text("Sheet3"));
    SpeedButton1->setText(text("ManualArchiv"));
    SpeedButton3->setText(text("ExitButton"));
    exit_speedbutton->setToolTip(text("ExitButton"));
    SpeedButton2->setToolTip(text("HelpButton"));
    SpeedButton15->setToolTip(text("MinButton"));
    zoombutton->setToolTip(ZoomedIn ? text("ZoomInButton") : text("ZoomOutButton"));
    SpeedButton21->setText(text("LanguageButton"));
    SpeedButton22->setText(text("BacgroundTextureButton"));
    statusbutton->setText(text("StatusButton"));
    Image1->setToolTip(text("LogoLabel"));
    Label24->setText(text("ArchivList"));
    Label8->setText(text("ArchivList"));
    Label22->setText(text("SubDirectoryLabel"));
    SpeedButton17->setToolTip(text("AdddirCaption"));
    SpeedButton20->setToolTip(text("AddfileCaption"));
    SBdelitem->setToolTip(text("DelitemCaption"));
    SpeedButton16->setText(text("ExtListButton"));
    // The page keeps the function for the texts it changes later, so it must not refer to
    // anything of this call.
    settingsPage->applyTexts([this](const char *key) { return textOf(QString::fromLatin1(key)); });
    Adddir1->setText(text("AdddirCaption"));
    Extensions1->setText(text("ExtListButton"));
    Subdir->setText(text("SubDirectoryLabel"));
    delitem1->setText(text("DelitemCaption"));
    Delchild1->setText(text("DelChildCaption"));
    Extlist1->setText(text("ExtListButton"));
    const QImage flag = hasLanguage ? KovaLanguage1->Flag() : ResourceBitmap(QStringLiteral("defflag"));
    showFlag(flag);
    if (TlanguageF *language = m_panel->languageF(); language && hasLanguage)
        language->showFlag(flag);
}

void TApp_user_window::showFlag(const QImage &flag)
{
    if (flag.isNull())
        return;
    // The flag picture takes the size of the flag it shows, in both layouts.
    Image2->setPixmap(QPixmap::fromImage(flag));
    Image2->resize(flag.size());
    for (Placement &p : m_placements) {
        if (p.widget == Image2) {
            p.normal.setSize(flag.size());
            p.large.setSize(flag.size());
        }
    }
}

// ---- creation and activation ----

bool TApp_user_window::guarded(const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const ConfigError &e) {
        reportRegistryError(e);
        return false;
    }
}

void TApp_user_window::reportRegistryError(const ConfigError &error)
{
    if (registryErrorHandler)
        registryErrorHandler(error);
    else
        m_panel->showRegistryError(error);
}

QString TApp_user_window::defaultTextOf(const QString &key)
{
    return defaultText(key);
}

QString TApp_user_window::textOf(const QString &key) const
{
    return kovaProvider1->KovaLanguage() ? kovaProvider1->GetText(key) : defaultText(key);
}

void TApp_user_window::FormCreate()
{
    MouseMove1 = new TMouseMove(this);
    MouseMove1->setObjectName(QStringLiteral("MouseMove1"));
    for (TKovaPanel *surface : {KovaPanel1, oldal1, oldal3}) {
        connect(surface, &TKovaPanel::MouseDown, MouseMove1, &TMouseMove::MouseDown);
        connect(surface, &TKovaPanel::MouseMove, this, &TApp_user_window::KovaPanel1MouseMove);
        connect(surface, &TKovaPanel::MouseUp, MouseMove1, &TMouseMove::MouseUp);
    }
    MouseMove1->watch(Image1);
    MouseMove1->watch(Label24);
    LoadingSettings = true;

    archiverHooks->communicator().RegisterMainMessage();

    FindFile1 = std::make_unique<TFindFile>();
    // Without a settings store the panel cannot work; the failure leaves the constructor.
    config = std::make_unique<Tconfig>();
    if (!config->CreationError().isEmpty()) {
        const ConfigError creation(config->CreationError());
        if (registryErrorHandler)
            registryErrorHandler(creation);
        else
            m_panel->showRegistryError(creation);
    }

    ProgramDir = m_panel->programDir();
    OpenDirectoryTree(ProgramDir.left(3));

    guarded([this] {
        BrowserCommand = BrowserProgram(config->ShellOpenCommand(QStringLiteral(".html")));
        RepairAutostart(*config, ProgramDir);
        zoombutton->setIcon(QIcon(resourcePixmap("ZOOMIN", true)));

        ZoomedIn = config->ReadBool(QStringLiteral("Max meret"), false);
        FileListPercent = config->ReadInteger(QStringLiteral("Arany1"), 50);
        ArchiveListPercent = config->ReadInteger(QStringLiteral("Arany2"), 50);
        // A screen too narrow for the large layout keeps the normal one: it would not fit, and
        // the zoom button that leads back is not shown there. The stored choice is kept.
        const bool narrow = m_panel->screenWidth() <= 640;
        if (narrow)
            ZoomedIn = false;
        if (ZoomedIn) {
            ApplyZoomLayout();
            ApplySplitRatios(true);
        } else {
            ApplySplitRatios(false);
        }

        ActivatedOnce = false;
        updateSplitterHints();

        if (narrow) {
            zoombutton->hide();
            SpeedButton15->move(586, SpeedButton15->y());
            SpeedButton2->move(566, SpeedButton2->y());
        } else {
            zoombutton->show();
        }
    });
}

void TApp_user_window::watchProgressWindow(QWidget *progress)
{
    progress->installEventFilter(this);
}

void TApp_user_window::FormActivate()
{
    if (m_activating)
        return;
    m_activating = true;
    if (!ActivatedOnce) {
        guarded([this] {
            const QList<QWidget *> windows = m_panel->registrationOrder();
            for (QWidget *window : windows)
                KovaImage1->RegisterWindow(window);
            for (QWidget *window : windows)
                KovaLanguage1->RegisterWindow(window);
            ApplyLanguageSetting(*config, *KovaLanguage1, ProgramDir);
            ApplyBackgroundSetting(*config, *KovaImage1, ProgramDir);
            LoadLogo();

            ActivatedOnce = true;
            LoadingSettings = true;
            settingsPage->Load();
            loadDestinations();
            if (TrewriteF *rewrite = m_panel->rewriteF())
                rewrite->ClearFileList();
            loadArchiveList();
            LoadingSettings = false;
            SettingsChanged = false;
            setStatusLight();
        });
    }
    CurrentExtSet = QStringLiteral(".*");
    m_activating = false;
}

void TApp_user_window::loadDestinations()
{
    const auto dirName = [this](const char *value, const char *fallback) {
        const QString stored = config->ReadString(QString::fromLatin1(value), QString::fromLatin1(fallback));
        return QLatin1Char('\\') + (stored.isEmpty() ? QString::fromLatin1(fallback) : stored);
    };
    PrimaryDirName = dirName("Celkonyvtarnev1", "Archive1");
    SecondaryDirName = dirName("Celkonyvtarnev2", "Archive2");

    const auto destination = [this](const char *value, const QString &folderName, QString *target,
                                    const char *buttonName, const char *labelName) {
        QString stored = config->ReadString(QString::fromLatin1(value), QString());
        QString hint;
        if (!stored.isEmpty()) {
            stored = TrimTrailingBackslash(stored);
            hint = JoinPath(stored, folderName);
        } else {
            hint = QStringLiteral("---");
        }
        *target = stored;
        // The settings page's destination button and label carry the full archive folder.
        if (auto *button = findChild<QWidget *>(QString::fromLatin1(buttonName)))
            button->setToolTip(hint);
        if (auto *label = findChild<QWidget *>(QString::fromLatin1(labelName)))
            label->setToolTip(hint);
        return hint;
    };
    PrimaryDestinationHint =
        destination("Celutvonal", PrimaryDirName, &PrimaryDestination, "SpeedButton13", "Label12");
    SecondaryDestinationHint =
        destination("Celutvonal2", SecondaryDirName, &SecondaryDestination, "SpeedButton14", "Label13");

    settingsPage->SpinEdit1->setValue(config->ReadInteger(QStringLiteral("Uritesido"), 1));
}

void TApp_user_window::loadArchiveList()
{
    const QString file = archiveListFile();
    // Anything in the list's place that is not a readable file (a FIFO, a link that leads
    // nowhere) is a list that cannot be read, not a missing one.
    const QFileInfo entry(win::HostPath(file));
    if (!entry.exists() && !entry.isSymLink())
        return;
    try {
        TLmain->treeList()->LoadFromFile(file);
    } catch (const ListFileError &) {
        // The tree keeps what was read before the fault; the file stays as it is.
        m_listFileFaulty = true;
        ShowInfoText(QStringLiteral("CantOpenfileWarning"), QStringLiteral("Afiles.lst"));
        return;
    }
    SyncArchiveLists(1);
    TLmain->treeList()->ExpandTopLevel();
    TLarchive->treeList()->ExpandTopLevel();
}

void TApp_user_window::setStatusLight()
{
    archiverHooks->setStatusLight();
}

QString TApp_user_window::archiveListFile() const
{
    return ProgramDir + QStringLiteral("\\afiles.lst");
}

void TApp_user_window::SyncArchiveLists(int direction)
{
    if (direction == 1)
        TLarchive->treeList()->Assign(*TLmain->treeList());
    else if (direction == 2)
        TLmain->treeList()->Assign(*TLarchive->treeList());
    if (m_listFileFaulty) {
        // The list that could not be read at start is about to be replaced by what the trees
        // hold, which is at most the part before the fault: its bytes are kept beside it first.
        const QString host = win::HostPath(archiveListFile());
        if (archivelist::keepDamagedFile(host, host + QStringLiteral(".bad")))
            m_listFileFaulty = false;
    }
    if (!m_listSaving.save(*TLarchive->treeList(), archiveListFile()))
        ShowInfoText(QStringLiteral("CantWriteFileWarning"), QStringLiteral("Afiles.lst"));
}

void TApp_user_window::OpenDirectoryTree(const QString &path)
{
    LsDT->OpenAt(path);
    Label20->setText(shownName(LsDT->Path()));
}

// ---- pages ----

void TApp_user_window::ShowPage(int page)
{
    TKovaPanel *const pages[] = {oldal1, oldal2, oldal3};
    QToolButton *const buttons[] = {SpeedButton4, SpeedButton5, SpeedButton6};
    if (page >= 1 && page <= 3) {
        for (int i = 0; i < 3; ++i)
            pages[i]->setVisible(i == page - 1);
        buttons[page - 1]->setChecked(true);
    }
    repaint();
}

int TApp_user_window::currentPage() const
{
    if (oldal1->isVisibleTo(KovaPanel1))
        return 1;
    if (oldal2->isVisibleTo(KovaPanel1))
        return 2;
    if (oldal3->isVisibleTo(KovaPanel1))
        return 3;
    return 0;
}

void TApp_user_window::SpeedButton4Click()
{
    ShowPage(1);
}

void TApp_user_window::SpeedButton5Click()
{
    repaint();
    LsDT->Rebuild();
    ShowPage(2);
    if (Label20->text() == TDriveTreeModel::rootPath())
        OpenDirectoryTree(ProgramDir.left(3));
    else
        OpenDirectoryTree(CurrentDirPath);
    if (Label20->text() != TDriveTreeModel::rootPath())
        LFV->setFolder(Label20->text());
}

void TApp_user_window::SpeedButton6Click()
{
    ShowPage(3);
    UpdateStartStopCaption();
}

// ---- messages ----

void TApp_user_window::ShowInfo(const QString &firstKey, const QString &secondKey)
{
    Tinfo1F *info = m_panel->info1F();
    if (!info)
        return;
    info->tell(kovaProvider1->GetText(firstKey), kovaProvider1->GetText(secondKey));
}

void TApp_user_window::ShowInfoText(const QString &firstKey, const QString &secondText)
{
    Tinfo1F *info = m_panel->info1F();
    if (!info)
        return;
    info->tell(kovaProvider1->GetText(firstKey), secondText);
}

bool TApp_user_window::ask(const QString &key, const QString &secondKey)
{
    return askText(kovaProvider1->GetText(key), secondKey.isEmpty() ? QString() : kovaProvider1->GetText(secondKey));
}

bool TApp_user_window::askText(const QString &first, const QString &second)
{
    Tconfirm1F *confirm = m_panel->confirm1F();
    if (!confirm)
        return false;
    // A question without the delayed Yes: whatever an earlier delay left is cleared.
    confirm->Timer1->stop();
    confirm->delayMode = false;
    confirm->SpeedButton1->setEnabled(true);
    return confirm->ask(first, second);
}

// ---- help, save and exit ----

void TApp_user_window::ShowHelp()
{
    const QString helpFile = ProgramDir + QStringLiteral("\\Help\\help.html");
    if (!WindowsFileExists(helpFile)) {
        ShowInfo(QStringLiteral("HelpNotFound"), QString());
        return;
    }
    // A page that cannot be shown (no viewer registered, or the viewer fails) is said so, with
    // its path, so the user can open it by other means.
    if (!m_helpViewer) {
        m_helpViewer = new HelpViewer(this);
        connect(m_helpViewer, &HelpViewer::failed, this,
                [this](const QString &page) { ShowInfoText(QStringLiteral("CantOpenfileWarning"), page); });
    }
    if (BrowserCommand.isEmpty())
        ShowInfoText(QStringLiteral("CantOpenfileWarning"), helpFile);
    else
        m_helpViewer->open(helpCommandLine(), helpFile);
}

QString TApp_user_window::helpCommandLine() const
{
    return BrowserCommandLine(BrowserCommand, ProgramDir + QStringLiteral("\\Help\\help.html"));
}

void TApp_user_window::SaveSettings()
{
    settingsPage->SaveSettings();
}

bool TApp_user_window::confirmationOn() const
{
    return settingsPage->CheckBox1->isChecked();
}

void TApp_user_window::ExitPanel()
{
    guarded([this] {
        // A list edit that could not be saved is tried once more; leaving without it is the
        // user's choice, whether confirmations are on or not.
        if (!m_listSaving.flushPending() &&
            !askText(kovaProvider1->GetText(QStringLiteral("ListNotSavedExit")), QStringLiteral("Afiles.lst")))
            return;
        if (confirmationOn()) {
            if (!ask(QStringLiteral("ExitConfirm")))
                return;
            if (SettingsChanged && ask(QStringLiteral("SaveConfirm"))) {
                repaint();
                SaveSettings();
            }
        } else if (SettingsChanged) {
            SaveSettings();
        }
        terminate();
    });
}

void TApp_user_window::terminate()
{
    m_closing = true;
    if (terminateHandler) {
        terminateHandler();
        return;
    }
    close();
    QApplication::quit();
}

void TApp_user_window::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // A close from outside (the window manager) leaves the way a close button does.
    event->ignore();
    ExitPanel();
}

void TApp_user_window::SpeedButton2Click()
{
    ShowHelp();
}

void TApp_user_window::SpeedButton15Click()
{
    showMinimized();
}

void TApp_user_window::exit_speedbuttonClick()
{
    if (guarded([this] { StoreSplitRatios(); }))
        ExitPanel();
}

void TApp_user_window::SpeedButton3Click()
{
    ExitPanel();
}

// ---- layouts ----

void TApp_user_window::zoombuttonClick()
{
    guarded([this] {
        StoreSplitRatios();
        ZoomedIn = !ZoomedIn;
        config->WriteBool(QStringLiteral("Max meret"), ZoomedIn);
        ApplyZoomLayout();
    });
}

void TApp_user_window::ApplyZoomLayout()
{
    // The settings page's check boxes are hidden while the controls move.
    const QList<QCheckBox *> boxes = oldal3->findChildren<QCheckBox *>();
    QList<QCheckBox *> hidden;
    for (QCheckBox *box : boxes) {
        if (box->isVisibleTo(oldal3)) {
            box->hide();
            hidden.append(box);
        }
    }
    const bool hasLanguage = kovaProvider1->KovaLanguage() != nullptr;
    const auto text = [&](const char *key) {
        const QString name = QString::fromLatin1(key);
        return hasLanguage ? kovaProvider1->GetText(name) : defaultText(name);
    };
    const QList<QToolButton *> titleButtons = {SpeedButton2, SpeedButton15, zoombutton, exit_speedbutton};
    if (ZoomedIn) {
        repaint();
        zoombutton->setIcon(QIcon(resourcePixmap("ZOOMOUT", true)));
        setFixedSize(kLargeWindow);
        move(pos() + kToLarge);
        for (TKovaPanel *page : {oldal1, oldal2, oldal3})
            page->resize(kLargePage);
        for (QToolButton *button : titleButtons)
            button->move(button->pos() + QPoint(kTitleShift, 0));
        zoombutton->setToolTip(text("ZoomInButton"));
        TLmain->resize(kLargeTLmain);
    } else {
        zoombutton->setIcon(QIcon(resourcePixmap("ZOOMIN", true)));
        setFixedSize(kNormalWindow);
        move(pos() + kToNormal);
        for (TKovaPanel *page : {oldal1, oldal2, oldal3})
            page->resize(kNormalPage);
        for (QToolButton *button : titleButtons)
            button->move(button->pos() - QPoint(kTitleShift, 0));
        zoombutton->setToolTip(text("ZoomOutButton"));
        TLmain->resize(kNormalTLmain);
    }
    applyPlacements();
    ApplySplitRatios(ZoomedIn);
    for (QCheckBox *box : hidden)
        box->show();
    repaint();
}

void TApp_user_window::StoreSplitRatios()
{
    const int w1 = FilePanel->width();
    const int w2 = DirPanel->width();
    if (w1 + w2 > 0)
        FileListPercent = roundEven(w1 / ((w1 + w2) * 0.01));
    config->WriteInteger(QStringLiteral("Arany1"), FileListPercent);

    const int h1 = Label20->height();
    const int h2 = DirPanel->height();
    const int h3 = BottomPanel->height();
    if (h1 + h2 + h3 > 0)
        ArchiveListPercent = roundEven(h3 / ((h1 + h2 + h3) * 0.01));
    config->WriteInteger(QStringLiteral("Arany2"), ArchiveListPercent);
}

void TApp_user_window::ApplySplitRatios(bool large)
{
    const int totalWidth = oldal2->width() - kSplitterSize;
    int w = roundEven(FileListPercent * 0.01 * totalWidth);
    const int totalHeight = oldal2->height() - kSplitterSize;
    int h = roundEven(ArchiveListPercent * 0.01 * totalHeight);
    if (large) {
        // The large layout takes the share as it is, but no pane is pushed below the least its
        // splitter lets it have: a stored share of 0 or 100 would hide a pane for good.
        w = qBound(kMinPaneWidth, w, totalWidth - kMinPaneWidth);
        h = qBound(kMinPaneHeight, h, totalHeight - kMinPaneHeight);
    } else {
        w = qBound(kMinPaneWidth, w, kMaxNormalFileList);
        h = qBound(kMinPaneHeight, h, kMaxNormalArchiveList);
    }
    layoutArchivePage(w, h);
}

void TApp_user_window::updateSplitterHints()
{
    Splitter1->setToolTip(QString::number(ArchiveListPercent) + QLatin1Char('%'));
    Splitter2->setToolTip(QString::number(FileListPercent) + QLatin1Char('%'));
}

void TApp_user_window::Splitter1Moved()
{
    guarded([this] {
        StoreSplitRatios();
        updateSplitterHints();
    });
}

void TApp_user_window::Splitter2Moved()
{
    Splitter1Moved();
}

void TApp_user_window::LoadLogo()
{
    const QString logoFile = ProgramDir + QStringLiteral("\\archiv.dat");
    QPixmap logo;
    if (WindowsFileExists(logoFile)) {
        // A file that is not a readable bitmap (or a damaged one) gives the built-in logo.
        const QImage own = ReadBitmapFile(win::HostPath(logoFile), TKovaImage::kMaxTextureSide);
        if (!own.isNull())
            logo = QPixmap::fromImage(own);
    }
    Image1->setPixmap(logo.isNull() ? resourcePixmap("logo", true) : logo);
    if (TaboutF *about = m_panel->aboutF())
        about->Image1->setPixmap(resourcePixmap("logo", true));
}

// ---- other windows ----

void TApp_user_window::placeAndShow(QWidget *window, QPoint large, QPoint normal)
{
    if (!window)
        return;
    window->move(pos() + (ZoomedIn ? large : normal));
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->exec();
}

void TApp_user_window::Image13Click()
{
    placeAndShow(m_panel->aboutF(), QPoint(84, 115), QPoint(18, 51));
}

void TApp_user_window::SpeedButton21Click()
{
    placeAndShow(m_panel->languageF(), QPoint(108, 135), QPoint(46, 73));
}

void TApp_user_window::SpeedButton22Click()
{
    placeAndShow(m_panel->backgroundF(), QPoint(120, 151), QPoint(60, 89));
}

void TApp_user_window::statusbuttonClick()
{
    archiverHooks->showStatus();
}

void TApp_user_window::SpeedButton1Click()
{
    archiverHooks->openManualArchiving(false);
}

void TApp_user_window::SpeedButton19Click()
{
    archiverHooks->openManualArchiving(true);
}

void TApp_user_window::SpeedButton7Click()
{
    archiverHooks->StartStop();
}

void TApp_user_window::UpdateStartStopCaption()
{
    archiverHooks->UpdateStartStopCaption();
}

void TApp_user_window::Timer1Timer()
{
    archiverHooks->Timer1Timer();
}

void TApp_user_window::KovaPanel1MouseMove(Qt::MouseButtons buttons, int x, int y)
{
    MouseMove1->MouseMove(buttons, x, y);
    Image13->show();
    Image14->hide();
}

// ---- events ----

bool TApp_user_window::event(QEvent *e)
{
    if (e->type() == QEvent::Show && !m_shownOnce) {
        m_shownOnce = true;
        centreOnScreen(this);
        // The first activation runs once the window is on the screen, from the event loop, so
        // that the messages it may show have a main window behind them.
        QTimer::singleShot(0, this, [this] {
            if (!ActivatedOnce)
                FormActivate();
        });
    }
    return QWidget::event(e);
}

bool TApp_user_window::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == Image13 || watched == Image14) {
        if (e->type() == QEvent::MouseMove) {
            // A move over the picture is its own: the surface below would put the unlit one back.
            if (watched == Image13) {
                Image14->show();
                Image13->hide();
            }
            return true;
        }
        if (e->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
            Image13Click();
            return true;
        }
    } else if (watched == SpeedButton1 || watched == SpeedButton16 || watched == settingsPage->SpeedButton19) {
        if (e->type() == QEvent::MouseButtonPress) {
            const QPoint p = static_cast<QMouseEvent *>(e)->position().toPoint();
            PressX = p.x();
            PressY = p.y();
        }
    } else if (watched == Label22 && e->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(e); // only once the type says it is one
        if (mouse->button() == Qt::LeftButton && Label22->rect().contains(mouse->position().toPoint())) {
            CheckBox7->click();
            return true;
        }
    } else if (watched == m_panel->saveF() && e->type() == QEvent::Hide) {
        // The progress window hands the focus back to this window: that is an activation.
        QTimer::singleShot(0, this, &TApp_user_window::FormActivate);
    }
    return QWidget::eventFilter(watched, e);
}
