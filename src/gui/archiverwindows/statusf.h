// TstatusF: the archive status window. For each archive it shows the time of the last run, the
// text of the state code the Archiver reported and a light (yellow when the code is 0, red
// otherwise). Under a side's state line it shows the side's health line (the age of the last good
// archive, or a run's progress), the archive folder the state belongs to, and the Archiver's notice
// of many files changed at once, when there is one, clearing that once shown. Everything is read
// anew at each refresh; the health lines also on a timer of their own while the window is visible.
#pragma once

#include "core/settings/settings.h"
#include "gui/appearance/panelwindow.h"

class PanelDialogs;
class QLabel;
class QTimer;
class QToolButton;
class Tconfig;

class TstatusF : public TPanelWindow
{
    Q_OBJECT

public:
    // config: the main window's settings store, where the Archiver reports.
    TstatusF(Tconfig &config, PanelDialogs &dialogs, QWidget *parent = nullptr);

    // Fills the window from the settings store. Raises the store's error when a value cannot be
    // read; what was set before it stays.
    void RefreshStatus();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showState(Side side, QLabel *stateLabel, QLabel *light);
    void showNotice(Side side, QLabel *notice);
    void placeNotices();
    // The health lines and the state folders; a setting that cannot be read leaves them as they
    // were (the status poll reports it).
    void refreshHealth();
    static QPixmap light(bool correct);
    // Beside each side's rows: "Check archive", which opens the check of that side (TverifyF), and
    // the time of the side's last full check.
    void addCheckRows();

    Tconfig &m_config;
    PanelDialogs &m_dialogs;
    QLabel *primaryLight = nullptr;
    QLabel *primaryTimeLabel = nullptr;
    QLabel *primaryStateLabel = nullptr;
    QLabel *secondaryLight = nullptr;
    QLabel *secondaryTimeLabel = nullptr;
    QLabel *secondaryStateLabel = nullptr;
    QLabel *primaryNotice = nullptr;
    QLabel *secondaryNotice = nullptr;
    QLabel *primaryHealth = nullptr;
    QLabel *secondaryHealth = nullptr;
    QLabel *primaryFolder = nullptr;
    QLabel *secondaryFolder = nullptr;
    QTimer *m_healthTimer = nullptr;
    // The secondary side's rows with their tops without notices: the primary notice moves them.
    QList<std::pair<QWidget *, int>> m_secondaryRows;
    QToolButton *m_okButton = nullptr;
};
