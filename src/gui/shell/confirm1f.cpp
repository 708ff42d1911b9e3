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
    Panel1 = makeWindowPanel(this, kovaProvider1);
    Label1 = makeCentredLabel(Panel1, QStringLiteral("Label1"), QRect(8, 14, 485, 20));
    Label2 = makeCentredLabel(Panel1, QStringLiteral("Label2"), QRect(8, 38, 485, 20));
    Label2->setTextFormat(Qt::PlainText);
    SpeedButton1 = makeSpeedButton(Panel1, QStringLiteral("SpeedButton1"), QRect(150, 72, 90, 26));
    SpeedButton2 = makeSpeedButton(Panel1, QStringLiteral("SpeedButton2"), QRect(261, 72, 90, 26));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);
    Timer1->setSingleShot(false);

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefault(QStringLiteral("YesButtonText"), QStringLiteral("Yes"));
        kovaProvider1->SetDefault(QStringLiteral("NoButtonText"), QStringLiteral("No"));
    });
    kovaProvider1->setOnNeedSet([this](QObject *) {
        SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("YesButtonText")));
        SpeedButton2->setText(kovaProvider1->GetText(QStringLiteral("NoButtonText")));
    });
    SpeedButton1->setText(QStringLiteral("Yes"));
    SpeedButton2->setText(QStringLiteral("No"));

    connect(SpeedButton1, &QToolButton::clicked, this, &Tconfirm1F::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &Tconfirm1F::SpeedButton2Click);
    connect(Timer1, &QTimer::timeout, this, &Tconfirm1F::Timer1Timer);
}

void Tconfirm1F::startDelay()
{
    delayMode = true;
    delayElapsed = false;
    SpeedButton1->setEnabled(false);
    Timer1->start();
}

bool Tconfirm1F::ask(const QString &first, const QString &second)
{
    // The second line often names a file: it is shown as plain text with its control characters
    // written out, never read as markup.
    Label1->setText(shownName(first));
    Label2->setText(shownName(second));
    return exec() == QDialog::Accepted;
}

void Tconfirm1F::SpeedButton1Click()
{
    if (!delayMode || delayElapsed)
        accept();
}

void Tconfirm1F::SpeedButton2Click() { reject(); }

void Tconfirm1F::Timer1Timer()
{
    delayElapsed = true;
    Timer1->stop();
    delayMode = false;
    SpeedButton1->setEnabled(true);
}

void Tconfirm1F::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
}
