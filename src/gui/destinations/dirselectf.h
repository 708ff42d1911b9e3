// TdirselectF: the destination chooser of an archive side. The user picks the destination folder
// in a tree of the drives and types the archive's folder name; OK warns (with the delayed Yes)
// before another existing folder is taken over, makes the folder when it is missing and hands
// path and name to the main window, which keeps them until the settings are saved.
#pragma once

#include "gui/appearance/panelwindow.h"

#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QToolButton;
class TDirectoryTreeView;
class Tconfig;

// What the chooser needs of the main window.
struct DirselectHost
{
    // The panel's own folder (its drive is the destination when none is chosen).
    std::function<QString()> programDir;
    // The destination folder and the archive folder name (with its leading "\") of a side.
    std::function<QString(bool primary)> destination;
    std::function<QString(bool primary)> dirName;
    // Takes a chosen destination: the main window's values and the hint of the side's
    // destination button and label.
    std::function<void(bool primary, const QString &destination, const QString &dirName, const QString &hint)>
        store;
    // Marks the settings changed.
    std::function<void()> settingsChanged;
    // The confirmation window: its delayed Yes switched off, and a question asked with it.
    std::function<void()> delayOff;
    std::function<bool(const QString &first, const QString &second)> askDelayed;
    // Shows two lines in the information window.
    std::function<void(const QString &first, const QString &second)> inform;
    // Runs a body that reads the registry; a failure is shown and abandons it (false then).
    std::function<bool(const std::function<void()> &body)> guarded;
};

class TdirselectF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TdirselectF(QWidget *parent = nullptr);
    ~TdirselectF() override;

    void setHost(DirselectHost host) { m_host = std::move(host); }

    QLabel *Label1 = nullptr;               // heading: which side's destination
    TDirectoryTreeView *LsDTpath = nullptr; // the drives and their folders, "Drives" on top
    QLineEdit *Epath = nullptr;             // the chosen folder, read-only
    QLabel *Label2 = nullptr;               // the "\" between folder and name
    QLineEdit *Ename = nullptr;             // the archive folder's name
    QToolButton *SpeedButton1 = nullptr;    // OK
    QToolButton *SpeedButton2 = nullptr;    // Cancel
    QLineEdit *Edit1 = nullptr;             // out of sight; takes the focus from the tree

    // The side shown: true for the primary archive.
    bool Primary = true;
    // Set once the side's stored values have been read for the current opening.
    bool Activated = false;
    // The side's full archive folder as stored when the chooser was activated.
    QString StoredDirectory;

    // Opens the chooser for a side (the destination buttons of the settings page) and shows it
    // modally.
    void Open(bool primary);

    void FormActivate();
    void ShowSelection();
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Store(const QString &path, const QString &name);
    QString text(const char *key) const;
    void registerDefaults();
    void applyTexts();

    DirselectHost m_host;
    std::unique_ptr<Tconfig> m_config;
};
