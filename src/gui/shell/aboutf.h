// The about window: a small window of its own name and size with a string provider and a
// window-filling textured panel, like every window of the panel.
#pragma once

#include "gui/appearance/panelwindow.h"

class QLabel;
class QToolButton;

// The about window, opened from the start page: the logo, a line about the program and OK.
class TaboutF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TaboutF(QWidget *parent = nullptr);

    QLabel *Image1 = nullptr; // the built-in logo
    QLabel *Label1 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // OK
};
