// TChoiceWindow: what the language window and the texture window share. Both are small draggable
// windows with an inner panel, a pale yellow list filled anew at every opening, and an OK and a
// Cancel button, each on a small raised panel. A click on an entry previews the choice in every
// window at once; OK keeps it, Cancel (also Escape or closing the window) brings back what was in
// force when the window opened.
#pragma once

#include "panelwindow.h"

#include <QString>

#include <functional>

class FolderFiles;
class PanelDialogs;
class QListWidget;
class QToolButton;
class TKovaImage;
class TKovaLanguage;
class TKovaPanel;
class Tconfig;

// What the two windows work on; the panel gives it when it creates them.
struct AppearanceContext
{
    // The program folder (Windows form), where the Language and Background folders lie.
    QString programDir;
    TKovaLanguage *language = nullptr;
    TKovaImage *image = nullptr;
    // The main window's settings store (the language window reads and writes through it).
    Tconfig *config = nullptr;
    PanelDialogs *dialogs = nullptr;
    FolderFiles *folderFiles = nullptr;
};

class TChoiceWindow : public TPanelWindow
{
    Q_OBJECT

public:
    ~TChoiceWindow() override;

public Q_SLOTS:
    // Escape and closing the window cancel, as the Cancel button does.
    void reject() override;

protected:
    // innerPanel: where the inner panel lies in the window.
    TChoiceWindow(const QString &name, QSize size, const QRect &innerPanel, const AppearanceContext &context,
                  QWidget *parent);

    // Fills the list and selects the stored entry; run at every opening.
    virtual void fill() = 0;
    // Previews the selected entry.
    virtual void preview() = 0;
    // OK and Cancel; both close the window.
    virtual void keepChoice() = 0;
    virtual void cancelChoice() = 0;

    // The list with its pale yellow background, single selection, on the inner panel.
    void makeList(const QRect &geometry);
    // A small raised panel on the inner panel holding a flat bold button that fills it.
    QToolButton *makeButtonPanel(const char *panelName, const char *buttonName, const QRect &geometry);
    // Connects the list and both buttons to the handlers; call once the controls exist.
    void connectHandlers();

    // Clears the list and fills it with firstEntry and the files of the extension in the folder,
    // then selects the entry that the stored name selects, without previewing it.
    void fillList(const QString &firstEntry, const char *folder, const QString &extension,
                  const QString &storedName);
    // The selected row (-1 for none) and its text without leading and trailing spaces.
    int selectedRow() const;
    QString selectedText() const;
    // Runs a handler's body; a registry failure is shown and abandons it. False then.
    bool guarded(const std::function<void()> &body) const;

    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    AppearanceContext m_context;
    TKovaPanel *innerPanel = nullptr; // a drag surface as the window's own panel
    QListWidget *choiceList = nullptr;
    QToolButton *okButton = nullptr;
    QToolButton *cancelButton = nullptr;

    // The setting's value when the window opened, and the entry last chosen (both relative to
    // the window's folder; empty for English or no texture).
    QString PreviousName;
    QString ChosenName;

private:
    bool m_filling = false;
    // Previews made by a change of the selection, and their count when the mouse last went down.
    int m_selectionPreviews = 0;
    int m_previewsAtPress = 0;
};
