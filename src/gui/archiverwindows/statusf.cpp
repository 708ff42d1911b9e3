// The archive status window.
#include "statusf.h"

#include "datetimetext.h"
#include "mainwindowlink.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/appearance/windowparts.h"
#include "core/archiveinfo/statetexts.h"
#include "core/settings/config.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QToolButton>

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

} // namespace

TstatusF::TstatusF(MainWindowLink *link, QWidget *parent)
    : TPanelWindow(QStringLiteral("statusF"), QSize(376, 239), false, parent), m_link(link)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Lowered);
    KovaPanel1->setBorderStyle(TKovaPanel::BorderStyle::Single);

    Image1 = makeLight(KovaPanel1, "Image1", QPoint(16, 14));
    Label1 = makeHeading(KovaPanel1, "Label1", QRect(56, 20, 300, 18));
    Image4 = makeLabel(KovaPanel1, "Image4", QRect(56, 50, 16, 18));
    Label3 = makeLabel(KovaPanel1, "Label3", QRect(78, 50, 280, 18));
    Label4 = makeLabel(KovaPanel1, "Label4", QRect(56, 72, 304, 18));

    Image2 = makeLight(KovaPanel1, "Image2", QPoint(16, 104));
    Label2 = makeHeading(KovaPanel1, "Label2", QRect(56, 110, 300, 18));
    Image3 = makeLabel(KovaPanel1, "Image3", QRect(56, 140, 16, 18));
    Label5 = makeLabel(KovaPanel1, "Label5", QRect(78, 140, 280, 18));
    Label6 = makeLabel(KovaPanel1, "Label6", QRect(56, 162, 304, 18));

    for (QLabel *state : {Label4, Label6}) {
        QFont font = state->font();
        font.setBold(true);
        state->setFont(font);
    }
    for (QLabel *time : {Label3, Label5})
        time->setText(QStringLiteral("..."));
    // The date picture is drawn unscaled from the box's top-left corner, so only its left part
    // shows; the primary line gets a copy of it.
    for (QLabel *picture : {Image3, Image4}) {
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        picture->setPixmap(DatePicture());
    }
    Image1->setPixmap(Light(true));
    Image2->setPixmap(Light(true));

    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(143, 200, 90, 26));
    SpeedButton1->setText(QStringLiteral("Ok"));
    connect(SpeedButton1, &QToolButton::clicked, this, &QDialog::accept);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("NoErrorText"), QStringLiteral("Correct"));
    });
    kovaProvider1->setOnNeedSet([this](QObject *) {
        setWindowTitle(kovaProvider1->GetText(QStringLiteral("StatusButton")));
        Label1->setText(kovaProvider1->GetText(QStringLiteral("PrimaryArchive")));
        Label2->setText(kovaProvider1->GetText(QStringLiteral("SecondaryArchive")));
        SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("OkButton")));
    });
}

QString TstatusF::StateKey(qint32 code)
{
    return archiver::stateTextKey(code);
}

QString TstatusF::StateText(const TkovaProvider &provider, qint32 code)
{
    const QString key = StateKey(code);
    return key.isEmpty() ? QString() : provider.GetText(key);
}

QPixmap TstatusF::Light(bool correct)
{
    return QPixmap::fromImage(
        ResourceBitmap(correct ? QStringLiteral("yellowico") : QStringLiteral("redico")));
}

QPixmap TstatusF::DatePicture()
{
    // A small calendar leaf (left half) and a clock (right half), 32 by 16.
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

void TstatusF::showState(const char *stateValue, QLabel *stateLabel, QLabel *light)
{
    const qint32 state = m_link->config().ReadInteger(QString::fromLatin1(stateValue), 0);
    if (state != 0) {
        stateLabel->setText(StateText(*kovaProvider1, state));
        light->setPixmap(Light(false));
    } else {
        stateLabel->setText(kovaProvider1->GetText(QStringLiteral("NoErrorText")));
    }
}

void TstatusF::RefreshStatus()
{
    Image1->setPixmap(Light(true));
    Image2->setPixmap(Light(true));
    showState(settingDef(IntSetting::State, Side::Primary).storedName, Label4, Image1);
    showState(settingDef(IntSetting::State, Side::Secondary).storedName, Label6, Image2);
    // A time of 0.0 (never archived) leaves the line as it was.
    const auto showTime = [this](const char *value, QLabel *label) {
        const win::TDateTime time = m_link->config().ReadDateTime(QString::fromLatin1(value), 0.0);
        if (time != 0.0) {
            const QString text = DateTimeText(time);
            if (!text.isEmpty())
                label->setText(text);
        }
    };
    showTime(settingDef(TimeSetting::LastArchived, Side::Primary).storedName, Label3);
    showTime(settingDef(TimeSetting::LastArchived, Side::Secondary).storedName, Label5);
}

void TstatusF::FormActivate()
{
    m_link->guarded([this] { RefreshStatus(); });
}

void TstatusF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    FormActivate();
}
