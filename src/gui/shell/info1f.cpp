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
    Panel1 = makeWindowPanel(this, kovaProvider1);
    Label1 = makeCentredLabel(Panel1, QStringLiteral("Label1"), QRect(8, 14, 471, 20));
    Label2 = makeCentredLabel(Panel1, QStringLiteral("Label2"), QRect(8, 38, 471, 20));
    Label2->setTextFormat(Qt::PlainText);
    SpeedButton1 = makeSpeedButton(Panel1, QStringLiteral("SpeedButton1"), QRect(198, 72, 90, 26));
    // Outside the visible area: it only turns Enter into OK.
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(-200, -200, 20, 20);

    kovaProvider1->setOnNeedDefaults(
        [this](QObject *) { kovaProvider1->SetDefault(QStringLiteral("OkButton"), QStringLiteral("Ok")); });
    kovaProvider1->setOnNeedSet(
        [this](QObject *) { SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("OkButton"))); });
    SpeedButton1->setText(QStringLiteral("Ok"));

    connect(SpeedButton1, &QToolButton::clicked, this, &Tinfo1F::SpeedButton1Click);
    connect(Edit1, &QLineEdit::returnPressed, this, &QDialog::accept);
}

void Tinfo1F::tell(const QString &first, const QString &second)
{
    // The second line often names a file: it is shown as plain text with its control characters
    // written out, never read as markup.
    Label1->setText(shownName(first));
    Label2->setText(shownName(second));
    exec();
}

void Tinfo1F::SpeedButton1Click()
{
    if (m_mainWindow)
        m_mainWindow->repaint();
    accept();
}

void Tinfo1F::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    QDialog::showEvent(event);
    Edit1->setFocus();
}
