// The archive status window.
#include "statusf.h"

#include "datetimetext.h"

#include "core/archiveinfo/statetexts.h"
#include "core/settings/config.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/appearance/windowparts.h"

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

    secondaryLight = makeLight(KovaPanel1, "Image2", QPoint(16, 104));
    QLabel *secondaryHeading = makeHeading(KovaPanel1, "Label2", QRect(56, 110, 300, 18));
    QLabel *secondaryDate = makeLabel(KovaPanel1, "Image3", QRect(56, 140, 16, 18));
    secondaryTimeLabel = makeLabel(KovaPanel1, "Label5", QRect(78, 140, 280, 18));
    secondaryStateLabel = makeLabel(KovaPanel1, "Label6", QRect(56, 162, 304, 18));

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

    auto *okButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(143, 200, 90, 26));
    okButton->setText(QStringLiteral("Ok"));
    connect(okButton, &QToolButton::clicked, this, &QDialog::accept);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("NoErrorText"), QStringLiteral("Correct"));
    });
    kovaProvider1->setOnNeedSet([=, this](QObject *) {
        setWindowTitle(kovaProvider1->GetText(QStringLiteral("StatusButton")));
        primaryHeading->setText(kovaProvider1->GetText(QStringLiteral("PrimaryArchive")));
        secondaryHeading->setText(kovaProvider1->GetText(QStringLiteral("SecondaryArchive")));
        okButton->setText(kovaProvider1->GetText(QStringLiteral("OkButton")));
    });
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

void TstatusF::RefreshStatus()
{
    primaryLight->setPixmap(light(true));
    secondaryLight->setPixmap(light(true));
    showState(Side::Primary, primaryStateLabel, primaryLight);
    showState(Side::Secondary, secondaryStateLabel, secondaryLight);
    ShowLastRun(m_config, Side::Primary, primaryTimeLabel);
    ShowLastRun(m_config, Side::Secondary, secondaryTimeLabel);
}

void TstatusF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    m_dialogs.guarded([this] { RefreshStatus(); });
}
