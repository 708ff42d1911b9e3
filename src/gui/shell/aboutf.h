// The about window: a small window of its own name and size with a string provider and a
// window-filling textured panel, like every window of the panel.
#pragma once

#include "gui/appearance/panelwindow.h"

class QLabel;
class QPixmap;
class QToolButton;

// The about window, opened from the start page: the logo, a line about the program and OK.
class TaboutF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TaboutF(QWidget *parent = nullptr);

    // Shows the logo the main window shows.
    void setLogo(const QPixmap &logo);

private:
    QLabel *m_logo = nullptr;
    QLabel *m_line = nullptr;
    QToolButton *m_okButton = nullptr;
};
