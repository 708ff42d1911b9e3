// Tman_archF: the manual archiving window, one button per archive. Opened for manual archiving,
// its buttons ask the running Archiver to archive that side now; opened for a restore, they open
// the restore window on the archive list kept in that side's archive. It shows the time of the
// last run of each side.
#pragma once

#include "gui/appearance/panelwindow.h"

class MainWindowLink;
class QLabel;
class QToolButton;
class Tconfig;

class Tman_archF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit Tman_archF(MainWindowLink *link, QWidget *parent = nullptr);
    ~Tman_archF() override;

    QToolButton *SpeedButton2 = nullptr; // primary side
    QLabel *Label2 = nullptr;
    QLabel *Label4 = nullptr;            // time of the last primary run
    QToolButton *SpeedButton3 = nullptr; // secondary side
    QLabel *Label3 = nullptr;
    QLabel *Label5 = nullptr;            // time of the last secondary run
    QToolButton *SpeedButton1 = nullptr; // back

    // Set by the opening command: the buttons open the restore window instead of archiving.
    bool RestoreMode = false;

    // Places the window beside the pressed opening button, captions its buttons for the mode and
    // shows it modally.
    void Open(bool restoreMode);
    // Where Open places the window for the main window's position, layout and press position.
    QPoint Placement(bool restoreMode) const;

    void FormActivate();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void sideButton(int side);
    void archiveNow(int side);
    void openRestore(int side);
    Tconfig &store();

    MainWindowLink *m_link;
    std::unique_ptr<Tconfig> m_config;
};
