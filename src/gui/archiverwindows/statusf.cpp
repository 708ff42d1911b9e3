// The archive status window.
#include "statusf.h"

#include "datetimetext.h"
#include "healthview.h"
#include "verifyf.h"

#include "core/archiveinfo/statetexts.h"
#include "core/platform/datetime.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "core/settings/configerror.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/appearance/windowparts.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

QLabel *makeHeading(QWidget *parent, const char *name, const QRect &geometry)
{
    QLabel *label = makeLabel(parent, name, geometry);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 128, 128));
    label->setPalette(palette);
    return label;
}

// A light in its lowered frame: the 27 by 27 picture stretched into the 27 by 26 box.
QLabel *makeLight(QWidget *parent, const char *name, QPoint at)
{
    auto *frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(at.x(), at.y(), 31, 30);
    QLabel *light = makeLabel(frame, name, QRect(2, 2, 27, 26));
    light->setScaledContents(true);
    return light;
}

// A side's notice: wrapped over the state line's width, hidden while it has no text.
QLabel *makeNotice(QWidget *parent, const char *name)
{
    QLabel *notice = makeLabel(parent, name, QRect(56, 0, 304, 0));
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->hide();
    return notice;
}

// The status window's height without notices, and where its rows lie in it.
constexpr int kHeight = 239;
constexpr int kPrimaryNoticeTop = 92;
constexpr int kSecondaryNoticeTop = 182;
constexpr int kOkTop = 200;
// A notice longer than this many lines is cut; its whole text is its tooltip.
constexpr int kNoticeLines = 5;
constexpr int kHealthHeight = 18;

// The height a wrapped row needs for its text; 0 without text.
int wrappedHeight(QLabel *row)
{
    if (row->text().isEmpty())
        return 0;
    return std::min(row->heightForWidth(row->width()), kNoticeLines * row->fontMetrics().lineSpacing());
}

// Lays out a side's rows under its state line from top: the health line, then the state's folder
// and the notice where they have text. Returns the room they take.
int placeSideRows(int top, QLabel *health, QLabel *folder, QLabel *notice)
{
    int at = top;
    health->setGeometry(56, at, 304, kHealthHeight);
    at += kHealthHeight + 4;
    for (QLabel *row : {folder, notice}) {
        const int height = wrappedHeight(row);
        row->setGeometry(56, at, 304, height);
        row->setVisible(height > 0);
        if (height > 0)
            at += height + 4;
    }
    return at - top;
}

// A small calendar leaf (left half) and a clock (right half), 32 by 16.
QPixmap datePicture()
{
    QPixmap picture(32, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QColor(0, 0, 128));
    painter.setBrush(Qt::white);
    painter.drawRect(1, 2, 13, 12);
    painter.fillRect(2, 3, 12, 3, QColor(192, 0, 0));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            painter.drawPoint(3 + column * 3, 8 + row * 2);
    painter.drawEllipse(17, 1, 13, 13);
    painter.drawLine(23, 7, 23, 3);
    painter.drawLine(23, 7, 27, 7);
    return picture;
}

// Calls a function each time the watched widget is shown.
class ShowWatcher : public QObject
{
public:
    ShowWatcher(QWidget *watched, std::function<void()> shown) : QObject(watched), m_shown(std::move(shown))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            m_shown();
        return false;
    }

private:
    std::function<void()> m_shown;
};

} // namespace

TstatusF::TstatusF(Tconfig &config, PanelDialogs &dialogs, QWidget *parent)
    : TPanelWindow(QStringLiteral("statusF"), QSize(376, 239), false, parent), m_config(config),
      m_dialogs(dialogs)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Lowered);
    KovaPanel1->setBorderStyle(TKovaPanel::BorderStyle::Single);

    primaryLight = makeLight(KovaPanel1, "Image1", QPoint(16, 14));
    QLabel *primaryHeading = makeHeading(KovaPanel1, "Label1", QRect(56, 20, 300, 18));
    QLabel *primaryDate = makeLabel(KovaPanel1, "Image4", QRect(56, 50, 16, 18));
    primaryTimeLabel = makeLabel(KovaPanel1, "Label3", QRect(78, 50, 280, 18));
    primaryStateLabel = makeLabel(KovaPanel1, "Label4", QRect(56, 72, 304, 18));

    primaryNotice = makeNotice(KovaPanel1, "Label7");
    primaryHealth = makeLabel(KovaPanel1, "HealthLabel1", QRect(56, kPrimaryNoticeTop, 304, kHealthHeight));
    primaryFolder = makeNotice(KovaPanel1, "FolderLabel1");

    secondaryLight = makeLight(KovaPanel1, "Image2", QPoint(16, 104));
    QLabel *secondaryHeading = makeHeading(KovaPanel1, "Label2", QRect(56, 110, 300, 18));
    QLabel *secondaryDate = makeLabel(KovaPanel1, "Image3", QRect(56, 140, 16, 18));
    secondaryTimeLabel = makeLabel(KovaPanel1, "Label5", QRect(78, 140, 280, 18));
    secondaryStateLabel = makeLabel(KovaPanel1, "Label6", QRect(56, 162, 304, 18));
    secondaryNotice = makeNotice(KovaPanel1, "Label8");
    secondaryHealth =
        makeLabel(KovaPanel1, "HealthLabel2", QRect(56, kSecondaryNoticeTop, 304, kHealthHeight));
    secondaryFolder = makeNotice(KovaPanel1, "FolderLabel2");
    m_healthTimer = new QTimer(this);
    m_healthTimer->setInterval(kHealthIdleRefreshMs);
    connect(m_healthTimer, &QTimer::timeout, this, [this] {
        refreshHealth();
        placeNotices();
    });
    const QList<QWidget *> secondaryRows = {secondaryLight->parentWidget(), secondaryHeading, secondaryDate,
                                            secondaryTimeLabel, secondaryStateLabel};
    for (QWidget *row : secondaryRows)
        m_secondaryRows.append({row, row->y()});

    for (QLabel *state : {primaryStateLabel, secondaryStateLabel}) {
        QFont font = state->font();
        font.setBold(true);
        state->setFont(font);
    }
    for (QLabel *time : {primaryTimeLabel, secondaryTimeLabel})
        time->setText(QStringLiteral("..."));
    // The date picture is drawn unscaled from the box's top-left corner, so only its left part
    // shows; the primary line gets a copy of it.
    for (QLabel *picture : {secondaryDate, primaryDate}) {
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        picture->setPixmap(datePicture());
    }
    primaryLight->setPixmap(light(true));
    secondaryLight->setPixmap(light(true));

    auto *okButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(143, kOkTop, 90, 26));
    m_okButton = okButton;
    okButton->setText(QStringLiteral("Ok"));
    connect(okButton, &QToolButton::clicked, this, &QDialog::accept);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("NoErrorText"), QStringLiteral("Correct"));
    });
    addCheckRows();
    kovaProvider1->setOnNeedSet([=, this](QObject *) {
        setWindowTitle(kovaProvider1->GetText(QStringLiteral("StatusButton")));
        primaryHeading->setText(kovaProvider1->GetText(QStringLiteral("PrimaryArchive")));
        secondaryHeading->setText(kovaProvider1->GetText(QStringLiteral("SecondaryArchive")));
        okButton->setText(kovaProvider1->GetText(QStringLiteral("OkButton")));
    });
    // The health lines take their room from the start, so the window does not change size at its
    // first showing.
    placeNotices();
}

QPixmap TstatusF::light(bool correct)
{
    return QPixmap::fromImage(
        ResourceBitmap(correct ? QStringLiteral("yellowico") : QStringLiteral("redico")));
}

void TstatusF::showState(Side side, QLabel *stateLabel, QLabel *stateLight)
{
    const qint32 state = m_config.Read(IntSetting::State, side);
    if (state != 0) {
        const QString key = archiver::stateTextKey(state);
        stateLabel->setText(key.isEmpty() ? QString() : kovaProvider1->GetText(key));
        stateLight->setPixmap(light(false));
    } else {
        stateLabel->setText(kovaProvider1->GetText(QStringLiteral("NoErrorText")));
    }
}

// The notice is the Archiver's own text, shown as it stands. It is peeked at, so that the polls
// never write a value the Archiver has not. Once the window shows it, it is cleared in the store
// so that it is shown once; the label keeps it until the window closes.
void TstatusF::showNotice(Side side, QLabel *notice)
{
    const QString text = Tconfig::Peek(TextSetting::MassChangeNotice, side);
    if (text.isEmpty())
        return;
    notice->setText(text);
    notice->setToolTip(text);
    if (isVisible())
        m_config.Write(TextSetting::MassChangeNotice, QString(), side);
}

// The rows under a state line take the room their lines need; the rows below them move down by
// that much and the window grows by it.
void TstatusF::placeNotices()
{
    const int primaryShift = placeSideRows(kPrimaryNoticeTop, primaryHealth, primaryFolder, primaryNotice);
    for (const auto &[row, top] : std::as_const(m_secondaryRows))
        row->move(row->x(), top + primaryShift);
    const int secondaryShift =
        placeSideRows(kSecondaryNoticeTop + primaryShift, secondaryHealth, secondaryFolder, secondaryNotice);
    m_okButton->move(m_okButton->x(), kOkTop + primaryShift + secondaryShift);
    setFixedSize(width(), kHeight + primaryShift + secondaryShift);
}

void TstatusF::refreshHealth()
{
    try {
        const bool running = ArchiverIsRunning();
        bool busy = false;
        const std::pair<Side, std::pair<QLabel *, QLabel *>> sides[] = {
            {Side::Primary, {primaryHealth, primaryFolder}},
            {Side::Secondary, {secondaryHealth, secondaryFolder}}};
        for (const auto &[side, labels] : sides) {
            const SideHealthView view = ReadSideHealth(m_config, side, running, TextsOf(*kovaProvider1),
                                                       LanguageLocale(*kovaProvider1));
            ShowHealthLine(labels.first, view.line);
            busy = busy || view.progress.has_value();
            labels.second->setText(archiver::stateFolderText(m_config.Read(TextSetting::StateFolder, side),
                                                             archiver::chosenArchiveFolder(m_config, side),
                                                             TextsOf(*kovaProvider1)));
        }
        m_healthTimer->setInterval(busy ? kHealthBusyRefreshMs : kHealthIdleRefreshMs);
    } catch (const ConfigError &) {
        // The status poll reports it; the lines keep what they showed.
    }
}

void TstatusF::RefreshStatus()
{
    primaryLight->setPixmap(light(true));
    secondaryLight->setPixmap(light(true));
    showState(Side::Primary, primaryStateLabel, primaryLight);
    showState(Side::Secondary, secondaryStateLabel, secondaryLight);
    ShowLastRun(m_config, Side::Primary, primaryTimeLabel, LanguageLocale(*kovaProvider1));
    ShowLastRun(m_config, Side::Secondary, secondaryTimeLabel, LanguageLocale(*kovaProvider1));
    showNotice(Side::Primary, primaryNotice);
    showNotice(Side::Secondary, secondaryNotice);
    refreshHealth();
    placeNotices();
}

void TstatusF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    // A notice shown at an earlier opening is not shown again.
    primaryNotice->clear();
    secondaryNotice->clear();
    m_dialogs.guarded([this] { RefreshStatus(); });
    placeNotices();
    m_healthTimer->start();
}

void TstatusF::hideEvent(QHideEvent *event)
{
    m_healthTimer->stop();
    TPanelWindow::hideEvent(event);
}

void TstatusF::addCheckRows()
{
    constexpr int kColumn = 376;
    constexpr int kColumnWidth = 150;
    setFixedSize(width() + kColumnWidth, height());
    // The OK button stays in the middle of the wider window.
    m_okButton->move(m_okButton->x() + kColumnWidth / 2, m_okButton->y());
    // A provider of its own registers the check's texts after the window's own.
    auto *texts = new TkovaProvider(this);
    texts->setObjectName(QStringLiteral("kovaProvider2"));
    struct Row
    {
        Side side;
        QToolButton *button;
        QLabel *line;
    };
    QList<Row> rows;
    // Filled in once the rows are made: the buttons' texts and the lines of the last full checks.
    const auto refresh = std::make_shared<std::function<void()>>();
    for (const auto &[side, top, name] : {std::tuple{Side::Primary, 14, "CheckPrimary"},
                                          std::tuple{Side::Secondary, 104, "CheckSecondary"}}) {
        Row row{side,
                makeSpeedButton(KovaPanel1, QLatin1String(name) + QStringLiteral("Button"),
                                QRect(kColumn, top + 2, 132, 26)),
                makeLabel(KovaPanel1, "", QRect(kColumn, top + 36, 140, 36))};
        row.line->setObjectName(QLatin1String(name) + QStringLiteral("Label"));
        row.line->setWordWrap(true);
        row.line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (side == Side::Secondary) {
            m_secondaryRows.append({row.button, row.button->y()});
            m_secondaryRows.append({row.line, row.line->y()});
        }
        connect(row.button, &QToolButton::clicked, this, [this, texts, refresh, side = row.side] {
            // The panel's program folder, where it finds archiv to start it; beside the panel by default.
            const QString folder = property("programDir").toString();
            TverifyF check(side, folder.isEmpty() ? win::ProgramDir() : folder, *texts, this);
            check.exec();
            (*refresh)();
        });
        rows.append(row);
    }
    *refresh = [this, texts, rows] {
        for (const Row &row : rows) {
            row.button->setText(texts->GetText(QStringLiteral("CheckArchiveButton")));
            QString when = texts->GetText(QStringLiteral("NeverChecked"));
            m_dialogs.guarded([&] {
                const win::TDateTime time = m_config.Read(TimeSetting::LastFullCheck, row.side);
                if (time != 0.0)
                    when = DateTimeText(time);
            });
            row.line->setText(texts->GetText(QStringLiteral("LastFullCheckText")) + QLatin1Char(' ') + when);
        }
    };
    texts->setOnNeedDefaults([texts](QObject *) {
        texts->SetDefault(QStringLiteral("CheckArchiveButton"), QStringLiteral("Check archive"));
        texts->SetDefault(QStringLiteral("LastFullCheckText"), QStringLiteral("Last full check:"));
        texts->SetDefault(QStringLiteral("NeverChecked"), QStringLiteral("never"));
        texts->SetDefault(QStringLiteral("VerifyBusy"), QStringLiteral("Checking the archive..."));
        texts->SetDefault(QStringLiteral("VerifyClean"), QStringLiteral("No damage found in %1 files."));
        texts->SetDefault(QStringLiteral("VerifyDamaged"),
                          QStringLiteral("%1 damaged copies: they are archived afresh at the next run."));
        texts->SetDefault(QStringLiteral("VerifyUnreachable"),
                          QStringLiteral("The archive can not be reached."));
    });
    texts->setOnNeedSet([refresh](QObject *) { (*refresh)(); });
    new ShowWatcher(this, [refresh] { (*refresh)(); });
}
