// SettingsPage: the main window's settings page. It shows the values the first activation read
// (SettingsValues), keeps the interval labels, the auto-empty enabling and the shutdown mode box's
// hint current, says when a setting changed, and writes every value back in saveSettings.
#pragma once

#include "latepage.h"
#include "settingsvalues.h"

#include "gui/appearance/kovapanel.h"

#include <functional>
#include <utility>

class ArchiveDestinations;
class Communicator;
class CompressionControls;
class PanelDialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;
class TSpinEdit;
class Tconfig;
class ZoomPlacements;

class SettingsPage : public TKovaPanel, public SettingsValues::Shown
{
    Q_OBJECT

public:
    // The page reads and writes config, asks and reports through dialogs, and saves the
    // destinations as they stand; the compression boxes speak to the Archiver through communicator
    // and set loadingSettings while they put a box back.
    SettingsPage(QWidget *parent, TkovaProvider *provider, ZoomPlacements &placements, Tconfig &config,
                 PanelDialogs &dialogs, Communicator &communicator, bool &loadingSettings,
                 const ArchiveDestinations &destinations, QString programDir);

    // What the main window's start has done to its pages so far, for a page built after it.
    struct StartState
    {
        LatePage page;
        QRect geometry;                         // the page's place in the normal layout
        const SettingsValues *values = nullptr; // what the first activation read, once it has
    };
    // Gives a page built after the start, hidden, what the start gave it, in the start's order.
    void catchUp(const StartState &start);
    // SettingsValues::Shown
    void setCompressed(bool primary, bool on) override;
    void showValues(const SettingsValues &values) override;
    // Writes every value; the progress window shows meanwhile.
    void saveSettings();
    // Applies the texts of the language in force; text gives the text of a key, and is kept for
    // the texts the page changes later.
    void applyTexts(const std::function<QString(const char *)> &text);

    // Whether exit and deletions ask first: the confirmation box.
    bool confirmationOn() const;
    // The start/stop button's caption for an Archiver that runs or not; kept across languages.
    void showArchiverRunning(bool running);
    // The full archive folder of a side, as the hint of its destination button and label.
    void setDestinationHint(bool primary, const QString &hint);
    // Hides the check boxes shown, while the controls move; returns them.
    QList<QCheckBox *> hideShownBoxes();

Q_SIGNALS:
    // The user changed a setting.
    void changed();
    // The confirmation box was checked or cleared, by the user or from the registry.
    void confirmationChanged(bool on);
    // Every value was written.
    void saved();
    void startStopRequested();
    // A side's destination button was pressed: the destination chooser is to open.
    void destinationRequested(bool primary);
    void restoreRequested();
    // The restore button was pressed at this point of it (the window it opens is placed by it).
    void buttonPressed(QPoint at);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One archive's group: caption, compression box, interval and destination, in rows.
    struct SideGroup
    {
        QLabel *caption;
        QCheckBox *compressed;
        QLabel *compressedLabel;
        TSpinEdit *interval;
        QLabel *intervalLabel;
        QToolButton *destination;
        QLabel *destinationLabel;
    };
    struct SideGroupNames
    {
        const char *caption, *compressed, *compressedLabel, *interval, *intervalLabel, *destination,
            *destinationLabel;
    };
    // shift: how far below the first group's rows this group's rows lie, normal and large.
    SideGroup buildSideGroup(const SideGroupNames &names, int maxInterval, std::pair<int, int> shift);
    void buildOtherSettings();
    void buildCommandButtons();
    void askAndSave();
    void toggleAutoEmpty();
    void updateIntervalLabel(const SideGroup &side, const char *intervalKey);
    void updateAutoEmpty();
    void updateShutdownModeHint();
    QString text(const char *key) const;

    ZoomPlacements &m_placements;
    Tconfig &m_config;
    PanelDialogs &m_dialogs;
    const ArchiveDestinations &m_destinations;
    QString m_programDir;
    std::function<QString(const char *)> m_text;
    // The key of the start/stop button's caption, kept so that a new language keeps its meaning.
    const char *m_startStopKey = "StartArchiveButton";

    SideGroup m_primary{};
    SideGroup m_secondary{};
    QLabel *m_otherCaption = nullptr;
    QCheckBox *m_confirmationBox = nullptr;
    QLabel *m_confirmationLabel = nullptr;
    QCheckBox *m_autorunBox = nullptr;
    QLabel *m_autorunLabel = nullptr;
    QCheckBox *m_autoEmptyBox = nullptr;
    QLabel *m_autoEmptyLabel = nullptr;
    TSpinEdit *m_emptyingDays = nullptr;
    QLabel *m_emptyingDaysLabel = nullptr;
    QCheckBox *m_shutdownArchivingBox = nullptr;
    QLabel *m_shutdownArchivingLabel = nullptr;
    QLabel *m_priorityLabel = nullptr;
    QComboBox *m_priorityBox = nullptr;
    QLabel *m_shutdownModeLabel = nullptr;
    QComboBox *m_shutdownModeBox = nullptr;
    QLabel *m_keepVersionsLabel = nullptr;
    TSpinEdit *m_keepVersionsDays = nullptr;
    QLabel *m_keepVersionsUnit = nullptr;
    QToolButton *m_startStopButton = nullptr;
    QToolButton *m_saveButton = nullptr;
    QToolButton *m_restoreButton = nullptr;
    QToolButton *m_emptyButton = nullptr;
    // The compression boxes' and the Empty button's commands.
    CompressionControls *m_compression = nullptr;
};
