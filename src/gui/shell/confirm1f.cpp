// The confirmation window.
#include "confirm1f.h"

#include "windowplacement.h"

#include "core/platform/shownname.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"

#include <QLabel>
#include <QToolButton>

Tconfirm1F::Tconfirm1F(QWidget *parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(QStringLiteral("confirm1F"));
    setFixedSize(501, 111);
    setModal(true);
    kovaProvider1 = new TkovaProvider(this);
    m_panel = makeWindowPanel(this, kovaProvider1);
    m_firstLine = makeCentredLabel(m_panel, QStringLiteral("Label1"), QRect(8, 14, 485, 20));
    m_secondLine = makeCentredLabel(m_panel, QStringLiteral("Label2"), QRect(8, 38, 485, 20));
    m_secondLine->setTextFormat(Qt::PlainText);
    m_yesButton = makeSpeedButton(m_panel, QStringLiteral("SpeedButton1"), QRect(150, 72, 90, 26));
    m_noButton = makeSpeedButton(m_panel, QStringLiteral("SpeedButton2"), QRect(261, 72, 90, 26));
    m_delay = new QTimer(this);
    m_delay->setObjectName(QStringLiteral("Timer1"));
    m_delay->setInterval(5000);
    m_delay->setSingleShot(false);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("YesButtonText"), QStringLiteral("Yes"));
        kovaProvider1->SetDefault(QStringLiteral("NoButtonText"), QStringLiteral("No"));
    });
    kovaProvider1->setOnNeedSet([this](QObject *) {
        m_yesButton->setText(kovaProvider1->GetText(QStringLiteral("YesButtonText")));
        m_noButton->setText(kovaProvider1->GetText(QStringLiteral("NoButtonText")));
    });
    m_yesButton->setText(QStringLiteral("Yes"));
    m_noButton->setText(QStringLiteral("No"));

    connect(m_yesButton, &QToolButton::clicked, this, &Tconfirm1F::answerYes);
    connect(m_noButton, &QToolButton::clicked, this, &QDialog::reject);
    connect(m_delay, &QTimer::timeout, this, &Tconfirm1F::delayOver);
}

void Tconfirm1F::clearDelay()
{
    m_delay->stop();
    m_delayMode = false;
    m_yesButton->setEnabled(true);
}

void Tconfirm1F::startDelay()
{
    m_delayMode = true;
    m_delayElapsed = false;
    m_yesButton->setEnabled(false);
    m_delay->start();
}

bool Tconfirm1F::ask(const QString &first, const QString &second)
{
    // The second line often names a file: it is shown as plain text with its control characters
    // written out, never read as markup.
    m_firstLine->setText(shownName(first));
    m_secondLine->setText(shownName(second));
    return exec() == QDialog::Accepted;
}

void Tconfirm1F::answerYes()
{
    if (!m_delayMode || m_delayElapsed)
        accept();
}

void Tconfirm1F::delayOver()
{
    m_delayElapsed = true;
    m_delay->stop();
    m_delayMode = false;
    m_yesButton->setEnabled(true);
}

void Tconfirm1F::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
}
