// The panel's windows that are still placeholders: each has its name, its size, a string provider
// and a window-filling textured panel, so that the panel is complete from the start and every
// window takes part in the language and texture registration. Their contents come later.
#pragma once

#include "appearance/panelwindow.h"

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

// The language selection window.
class TlanguageF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TlanguageF(QWidget *parent = nullptr);
};

// The texture selection window.
class TbackgroundF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TbackgroundF(QWidget *parent = nullptr);
};
