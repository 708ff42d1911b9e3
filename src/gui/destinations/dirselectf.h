// TdirselectF: the destination chooser of an archive side. The user picks the destination folder
// in a tree of the drives and types the archive's folder name; OK warns (with the delayed Yes)
// before another existing folder is taken over, makes the folder when it is missing and hands
// path and name to the main window, which keeps them until the settings are saved. An archive
// folder inside a folder of the archive list is kept only when the user says so.
#pragma once

#include "gui/appearance/panelwindow.h"

#include <QString>

#include <memory>

class PanelDialogs;
class QLabel;
class QLineEdit;
class QToolButton;
class TDirectoryTreeView;
class TTreeList;
class Tconfig;

class TdirselectF : public TPanelWindow
{
    Q_OBJECT

public:
    // programDir: the panel's own folder (its drive is the destination when none is chosen);
    // archiveList: the archive list the panel shows.
    TdirselectF(const QString &programDir, const TTreeList &archiveList, PanelDialogs &dialogs,
                QWidget *parent = nullptr);
    ~TdirselectF() override;

    // Opens the chooser for a side (primary true for the first archive) on the side's current
    // destination folder and archive folder name (with its leading "\") and shows it modally.
    void Open(bool primary, const QString &destination, const QString &dirName);

Q_SIGNALS:
    // A destination was chosen: the folder (a drive root with its "\"), the archive folder name
    // with its leading "\", and the hint the side's destination controls show.
    void destinationChosen(bool primary, const QString &destination, const QString &dirName,
                           const QString &hint);
    // The chooser was opened or its name edited: the settings count as changed.
    void settingsChanged();

protected:
    void showEvent(QShowEvent *event) override;

private Q_SLOTS:
    void showSelection();
    void chooseDestination();
    void cancel();

private:
    void readStoredDirectory();
    void store(const QString &path, const QString &name);
    QString text(const char *key) const;
    void registerDefaults();
    void applyTexts();

    QString m_programDir;
    const TTreeList &m_archiveList;
    PanelDialogs &m_dialogs;
    std::unique_ptr<Tconfig> m_config;
    // The side shown.
    bool m_primary = true;
    // Set once the side's stored values have been read for the current opening.
    bool m_activated = false;
    // The side's full archive folder as stored when the chooser was activated.
    QString m_storedDirectory;

    QLabel *headingLabel = nullptr;
    TDirectoryTreeView *folderTree = nullptr; // the drives and their folders, "Drives" on top
    QLineEdit *folderEdit = nullptr;          // the chosen folder, read-only
    QLineEdit *nameEdit = nullptr;            // the archive folder's name
    QToolButton *okButton = nullptr;
    QToolButton *cancelButton = nullptr;
    QLineEdit *focusTaker = nullptr; // out of sight; takes the focus from the tree
};
