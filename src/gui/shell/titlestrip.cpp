// The main window's own buttons.
#include "titlestrip.h"

#include "windowplacement.h"
#include "zoomplacements.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/resourcebitmap.h"

#include <QMouseEvent>
#include <QToolButton>

namespace {

// How far the top right buttons move in the large layout.
constexpr int kTitleShift = 167;

} // namespace

TitleStrip::TitleStrip(TKovaPanel *surface, ZoomPlacements &placements) : QObject(surface)
{
    const auto titleButton = [surface](const char *name, int x, const char *text) {
        QToolButton *button = makeSpeedButton(surface, QString::fromLatin1(name), QRect(x, 8, 20, 20));
        button->setAutoRaise(true);
        if (*text) {
            button->setText(QString::fromLatin1(text));
            QFont font = button->font();
            font.setBold(true);
            button->setFont(font);
        }
        return button;
    };
    m_helpButton = titleButton("SpeedButton2", 546, "?");
    m_minimiseButton = titleButton("SpeedButton15", 566, "_");
    m_zoomButton = titleButton("zoombutton", 586, "");
    m_closeTitleButton = titleButton("exit_speedbutton", 606, "X");

    const char *const pageNames[] = {"SpeedButton4", "SpeedButton5", "SpeedButton6"};
    for (int i = 0; i < 3; ++i) {
        QToolButton *button =
            makeSpeedButton(surface, QString::fromLatin1(pageNames[i]), QRect(7 + i * 122, 7, 120, 24));
        button->setCheckable(true);
        button->setAutoExclusive(true);
        connect(button, &QToolButton::clicked, this, [this, i] { Q_EMIT pageRequested(i + 1); });
        m_pageButtons[i] = button;
    }

    m_manualArchivingButton = makeSpeedButton(surface, QStringLiteral("SpeedButton1"), QRect());
    placements.place(m_manualArchivingButton, QRect(7, 396, 160, 26), QRect(7, 535, 180, 28));
    m_closeButton = makeSpeedButton(surface, QStringLiteral("SpeedButton3"), QRect());
    placements.place(m_closeButton, QRect(506, 396, 120, 26), QRect(673, 535, 120, 28));

    connect(m_helpButton, &QToolButton::clicked, this, &TitleStrip::helpRequested);
    connect(m_minimiseButton, &QToolButton::clicked, this, &TitleStrip::minimiseRequested);
    connect(m_zoomButton, &QToolButton::clicked, this, &TitleStrip::zoomRequested);
    connect(m_closeTitleButton, &QToolButton::clicked, this, &TitleStrip::closeRequested);
    connect(m_manualArchivingButton, &QToolButton::clicked, this, &TitleStrip::manualArchivingRequested);
    connect(m_closeButton, &QToolButton::clicked, this, &TitleStrip::exitRequested);
    m_manualArchivingButton->installEventFilter(this);
}

void TitleStrip::applyTexts(const std::function<QString(const char *)> &text, bool large)
{
    m_pageButtons[0]->setText(text("Sheet1"));
    m_pageButtons[1]->setText(text("Sheet2"));
    m_pageButtons[2]->setText(text("Sheet3"));
    m_manualArchivingButton->setText(text("ManualArchiv"));
    m_closeButton->setText(text("ExitButton"));
    m_closeTitleButton->setToolTip(text("ExitButton"));
    m_helpButton->setToolTip(text("HelpButton"));
    m_minimiseButton->setToolTip(text("MinButton"));
    m_zoomButton->setToolTip(large ? text("ZoomInButton") : text("ZoomOutButton"));
}

void TitleStrip::setPage(int page)
{
    m_pageButtons[page - 1]->setChecked(true);
}

void TitleStrip::setLarge(bool large, bool moved, const QString &zoomHint)
{
    m_zoomButton->setIcon(QIcon(
        TransparentBitmap(ResourceBitmap(large ? QStringLiteral("ZOOMOUT") : QStringLiteral("ZOOMIN")))));
    if (!moved)
        return;
    const int shift = large ? kTitleShift : -kTitleShift;
    for (QToolButton *button : {m_helpButton, m_minimiseButton, m_zoomButton, m_closeTitleButton})
        button->move(button->pos() + QPoint(shift, 0));
    m_zoomButton->setToolTip(zoomHint);
}

void TitleStrip::setNarrow(bool narrow)
{
    if (narrow) {
        m_zoomButton->hide();
        m_minimiseButton->move(586, m_minimiseButton->y());
        m_helpButton->move(566, m_helpButton->y());
    } else {
        m_zoomButton->show();
    }
}

bool TitleStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_manualArchivingButton && event->type() == QEvent::MouseButtonPress)
        Q_EMIT buttonPressed(static_cast<QMouseEvent *>(event)->position().toPoint());
    return QObject::eventFilter(watched, event);
}
