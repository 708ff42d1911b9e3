// The common shape of the panel's smaller windows.
#include "panelwindow.h"

#include "kovapanel.h"
#include "kovaprovider.h"
#include "mousemove.h"
#include "windowparts.h"

#include <QToolButton>

TPanelWindow::TPanelWindow(const QString &name, QSize size, bool draggable, QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(name);
    setFixedSize(size);
    setModal(true);
    kovaProvider1 = new TkovaProvider(this);
    KovaPanel1 = makeWindowPanel(this, kovaProvider1);
    KovaPanel1->setObjectName(QStringLiteral("KovaPanel1"));
    if (draggable) {
        MouseMove1 = new TMouseMove(this);
        connect(KovaPanel1, &TKovaPanel::MouseDown, MouseMove1, &TMouseMove::MouseDown);
        connect(KovaPanel1, &TKovaPanel::MouseMove, MouseMove1, &TMouseMove::MouseMove);
        connect(KovaPanel1, &TKovaPanel::MouseUp, MouseMove1, &TMouseMove::MouseUp);
    }
}
