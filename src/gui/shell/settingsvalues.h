// SettingsValues: the values the settings page shows, as the first activation reads them. The
// page may be built after that: it then shows what was read here.
#pragma once

class ArchiveDestinations;
class Communicator;
class PanelDialogs;
class Tconfig;

class SettingsValues
{
public:
    // A page built before the values are read: it takes them as they are read.
    class Shown
    {
    public:
        // A side's compression box as the settings load it: its change is handled as a click.
        virtual void setCompressed(bool primary, bool on) = 0;
        // Shows the values read and the destinations' hints.
        virtual void showValues(const SettingsValues &values) = 0;

    protected:
        ~Shown() = default;
    };

    // Reads the page's values in the order its controls take them, then the destinations and the
    // emptying period. Reading a side's compression has what a change of its box has while the
    // settings load (the box stands for the value read when the page is not built). A page already
    // built shows the values, also those read before a registry failure stopped the reading. A
    // failure in the compression handling is shown through dialogs, as the box's is, and the
    // reading goes on.
    void load(Tconfig &config, Communicator &communicator, PanelDialogs &dialogs,
              ArchiveDestinations &destinations, Shown *page);
    // Whether load has run.
    bool loaded() const { return m_loaded; }

    // Each value starts as its control starts.
    bool confirmation = false;
    bool autorun = false;
    bool compressed[2] = {false, false}; // primary, secondary
    bool autoEmpty = false;
    bool shutdownArchiving = false;
    int primaryPeriod = 0;
    int secondaryPeriod = 0;
    int priorityItem = 0;     // -1: an unknown stored number
    int shutdownModeItem = 0; // -1: an unknown stored type
    int keepVersionsDays = 0;
    int emptyingDays = 1;

    // Mapping between the shutdown mode box's items and the stored ShutdownType setting.
    static int ShutdownTypeOfItem(int item);
    static int ItemOfShutdownType(int type);

private:
    bool m_loaded = false;
};
