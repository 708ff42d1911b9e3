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
    m_logo = new QLabel(KovaPanel1);
    m_logo->setObjectName(QStringLiteral("Image1"));
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setGeometry(55, 14, 190, 60);
    m_line = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 84, 280, 36));
    m_line->setText(QStringLiteral("Kovamark Dunlivo\nBackup configuration panel"));
    m_okButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(105, 130, 90, 26));
    m_okButton->setText(QStringLiteral("Ok"));
    MouseMove1->watch(m_logo);
    MouseMove1->watch(m_line);

    kovaProvider1->setOnNeedDefaults(
        [this](QObject *) { kovaProvider1->SetDefault(QStringLiteral("OkButton"), QStringLiteral("Ok")); });
    kovaProvider1->setOnNeedSet(
        [this](QObject *) { m_okButton->setText(kovaProvider1->GetText(QStringLiteral("OkButton"))); });
    connect(m_okButton, &QToolButton::clicked, this, &QDialog::accept);
}

void TaboutF::setLogo(const QPixmap &logo)
{
    m_logo->setPixmap(logo);
}
