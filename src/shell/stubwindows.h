// The panel's windows that are still placeholders: each has its name, its size, a string provider
// and a window-filling textured panel, so that the panel is complete from the start and every
// window takes part in the language and texture registration. Their contents come later.
#pragma once

#include <QDialog>

#include <utility>
#include <vector>

class QLabel;
class QToolButton;
class TKovaPanel;
class TMouseMove;
class TkovaProvider;

// The common shape of the placeholder windows: a borderless modal window filled by KovaPanel1.
class TPanelWindow : public QDialog
{
    Q_OBJECT

public:
    // draggable: the window is moved by its surface (TMouseMove wired to KovaPanel1).
    TPanelWindow(const QString &name, QSize size, bool draggable, QWidget *parent = nullptr);

    TkovaProvider *kovaProvider1 = nullptr;
    TKovaPanel *KovaPanel1 = nullptr;
    TMouseMove *MouseMove1 = nullptr; // none for a window that is not dragged

protected:
    // The window's English texts, registered in this order whenever the language component asks.
    // A placeholder registers its texts already, so that the shared text list is complete.
    void setDefaultTexts(std::vector<std::pair<const char *, const char *>> texts);

    // Until the window has its content: its title in the middle and an OK button that closes it,
    // so that opening it never leaves the user without a way back.
    void addPlaceholder(const QString &title);
};

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

// The manual archiving window.
class Tman_archF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit Tman_archF(QWidget *parent = nullptr);
};

// The wait window shown while the Archiver stops.
class TvarakozF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TvarakozF(QWidget *parent = nullptr);
};

// The archive destination window.
class TdirselectF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TdirselectF(QWidget *parent = nullptr);
};

// The restore window.
class TrewriteF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TrewriteF(QWidget *parent = nullptr);
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

// The archive status window.
class TstatusF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TstatusF(QWidget *parent = nullptr);
};
