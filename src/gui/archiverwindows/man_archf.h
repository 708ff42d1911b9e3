// Tman_archF: the manual archiving window, one button per archive. Opened for manual archiving,
// its buttons ask for that side to be archived now; opened for a restore, they ask for the
// restore window on that side's archive. It shows the time of the last run of each side and, while a
// side is being archived, a progress bar under its line fed from the run's published progress. The
// shell carries out the request and closes the window when it is done.
#pragma once

#include "gui/appearance/panelwindow.h"

#include <memory>

class PanelDialogs;
class QLabel;
class QProgressBar;
class QTimer;
class QToolButton;
class Tconfig;

// Where the main window stands when it opens the window: its top-left corner, the press
// position inside the opening button, and whether the large layout is active.
struct OpeningPlace
{
    QPoint mainWindow;
    QPoint press;
    bool zoomedIn = false;
};

class Tman_archF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit Tman_archF(PanelDialogs &dialogs, QWidget *parent = nullptr);
    ~Tman_archF() override;

    // Places the window beside the pressed opening button, captions its buttons for the mode and
    // shows it modally.
    void Open(bool restoreMode, const OpeningPlace &place);

Q_SIGNALS:
    // A side's button in each mode (primary true for the first archive).
    void archiveRequested(bool primary);
    void restoreRequested(bool primary);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void sideButton(bool primary);
    void showTimes();
    void showProgress();
    Tconfig &store();

    PanelDialogs &m_dialogs;
    std::unique_ptr<Tconfig> m_config;
    bool m_restoreMode = false;
    QToolButton *primaryButton = nullptr;
    QToolButton *secondaryButton = nullptr;
    QLabel *primaryTimeLabel = nullptr;
    QLabel *secondaryTimeLabel = nullptr;
    QProgressBar *primaryProgress = nullptr;
    QProgressBar *secondaryProgress = nullptr;
    QTimer *m_progressTimer = nullptr;
};
