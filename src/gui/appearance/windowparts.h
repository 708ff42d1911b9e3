// Small pieces every window of the panel is built from: the window-filling textured panel,
// centred labels, flat buttons, and centring on the screen. Windows of every subsystem use them.
#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QToolButton;
class QWidget;
class TKovaPanel;
class TkovaProvider;

// A raised textured panel that fills the window and follows its size.
TKovaPanel *makeWindowPanel(QWidget *window, TkovaProvider *provider);
// A label named as its control.
QLabel *makeLabel(QWidget *parent, const char *name);
QLabel *makeCentredLabel(QWidget *parent, const QString &name, const QRect &geometry);
// A button as the panel's speed buttons are: never takes the keyboard focus.
QToolButton *makeSpeedButton(QWidget *parent, const QString &name, const QRect &geometry);
void centreOnScreen(QWidget *window);
