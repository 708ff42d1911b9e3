// TPanelWindow: the common shape of the panel's smaller windows: a borderless modal window filled
// by a textured panel, with its own string provider and, when it is dragged, a window dragger.
#pragma once

#include "kovaprovider.h"

#include <QDialog>

#include <vector>

class TKovaPanel;
class TMouseMove;

class TPanelWindow : public QDialog
{
    Q_OBJECT

public:
    // draggable: the window is moved by its surface (TMouseMove wired to KovaPanel1).
    TPanelWindow(const QString &name, QSize size, bool draggable, QWidget *parent = nullptr);

    TkovaProvider *kovaProvider1 = nullptr;

protected:
    TKovaPanel *KovaPanel1 = nullptr;
    TMouseMove *MouseMove1 = nullptr; // none for a window that is not dragged
};
