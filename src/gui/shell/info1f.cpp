// The information window.
#include "info1f.h"

#include "windowplacement.h"

#include "core/platform/shownname.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

Tinfo1F::Tinfo1F(QWidget *parent, QWidget *mainWindow)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("info1F"));
    setFixedSize(487, 109);
    setModal(true);
    kovaProvider1 = new TkovaProvider(this);
    m_panel = makeWindowPanel(this, kovaProvider1);
    m_firstLine = makeCentredLabel(m_panel, QStringLiteral("Label1"), QRect(8, 14, 471, 20));
    m_secondLine = makeCentredLabel(m_panel, QStringLiteral("Label2"), QRect(8, 38, 471, 20));
    m_secondLine->setTextFormat(Qt::PlainText);
    m_okButton = makeSpeedButton(m_panel, QStringLiteral("SpeedButton1"), QRect(198, 72, 90, 26));
    // Outside the visible area: it only turns Enter into OK.
    m_focusKeeper = new QLineEdit(m_panel);
    m_focusKeeper->setObjectName(QStringLiteral("Edit1"));
    m_focusKeeper->setGeometry(-200, -200, 20, 20);

    kovaProvider1->setOnNeedDefaults(
        [this](QObject *) { kovaProvider1->SetDefault(QStringLiteral("OkButton"), QStringLiteral("Ok")); });
    kovaProvider1->setOnNeedSet(
        [this](QObject *) { m_okButton->setText(kovaProvider1->GetText(QStringLiteral("OkButton"))); });
    m_okButton->setText(QStringLiteral("Ok"));

    connect(m_okButton, &QToolButton::clicked, this, &Tinfo1F::acknowledge);
    connect(m_focusKeeper, &QLineEdit::returnPressed, this, &QDialog::accept);
}

void Tinfo1F::tell(const QString &first, const QString &second)
{
    // The second line often names a file: it is shown as plain text with its control characters
    // written out, never read as markup.
    m_firstLine->setText(shownName(first));
    m_secondLine->setText(shownName(second));
    exec();
}

void Tinfo1F::acknowledge()
{
    if (m_mainWindow)
        m_mainWindow->repaint();
    accept();
}

void Tinfo1F::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
    m_focusKeeper->setFocus();
}
