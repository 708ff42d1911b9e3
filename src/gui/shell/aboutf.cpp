// The about window.
#include "aboutf.h"

#include "windowplacement.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/mousemove.h"

#include <QLabel>
#include <QToolButton>

TaboutF::TaboutF(QWidget *parent) : TPanelWindow(QStringLiteral("aboutF"), QSize(300, 170), true, parent)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    Image1 = new QLabel(KovaPanel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(55, 14, 190, 60);
    Label1 = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 84, 280, 36));
    Label1->setText(QStringLiteral("Kovamark Dunlivo\nBackup configuration panel"));
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(105, 130, 90, 26));
    SpeedButton1->setText(QStringLiteral("Ok"));
    MouseMove1->watch(Image1);
    MouseMove1->watch(Label1);

    kovaProvider1->setOnNeedDefaults(
        [this](QObject *) { kovaProvider1->SetDefault(QStringLiteral("OkButton"), QStringLiteral("Ok")); });
    kovaProvider1->setOnNeedSet(
        [this](QObject *) { SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("OkButton"))); });
    connect(SpeedButton1, &QToolButton::clicked, this, &QDialog::accept);
}
