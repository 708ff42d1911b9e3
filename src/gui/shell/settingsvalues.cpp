// The settings page's values as the first activation reads them.
#include "settingsvalues.h"

#include "archivedestinations.h"

#include "core/compression/compressionchange.h"
#include "core/settings/config.h"
#include "gui/appearance/paneldialogs.h"

#include <QScopeGuard>

#include <memory>

namespace {

// The stored ShutdownType setting of each item of the shutdown mode box: Shutdown, Reboot, Logoff.
constexpr int kShutdownTypes[] = {1, 2, 0};

// A compression box that is not built yet, set to the value read while the settings load: its
// change is handled as the box's own handler does it then, with a store of its own made at its
// first use as the box's is. Nothing is asked or shown while loading, so the window parts are
// never reached.
class LoadedCompressionBox : private CompressionHost
{
public:
    LoadedCompressionBox(Communicator &communicator, PanelDialogs &dialogs)
        : m_communicator(communicator), m_dialogs(dialogs)
    {
    }

    // The box of a side (1 or 2) starts cleared: only a set value changes it.
    void read(int side, bool on)
    {
        m_on = on;
        if (on)
            m_dialogs.guarded([this, side] { CompressionChange(this).boxClicked(side); });
    }

private:
    bool isChecked(int) const override { return m_on; }
    void setChecked(int, bool checked) override { m_on = checked; }
    bool loadingSettings() const override { return true; }
    void setLoadingSettings(bool) override {}
    Tconfig &config() override
    {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        return *m_config;
    }
    Communicator &communicator() override { return m_communicator; }
    bool ask(const char *, const char *) override { return false; }
    void showInfo(const char *, const char *) override {}
    void repaintMain() override {}
    void showProgress(const char *) override {}
    void progressDone() override {}

    std::unique_ptr<Tconfig> m_config;
    Communicator &m_communicator;
    PanelDialogs &m_dialogs;
    bool m_on = false;
};

} // namespace

void SettingsValues::load(Tconfig &config, Communicator &communicator, PanelDialogs &dialogs,
                          ArchiveDestinations &destinations, Shown *page)
{
    m_loaded = true;
    const auto show = qScopeGuard([this, page] {
        if (page)
            page->showValues(*this);
    });
    LoadedCompressionBox unbuilt(communicator, dialogs);
    const auto readCompressed = [&](bool primary) {
        const bool on = config.Read(BoolSetting::Compressed, sideOf(primary));
        compressed[primary ? 0 : 1] = on;
        if (page)
            page->setCompressed(primary, on);
        else
            unbuilt.read(primary ? 1 : 2, on);
    };
    confirmation = config.Read(BoolSetting::ConfirmSave);
    autorun = config.Read(BoolSetting::Autostart);
    readCompressed(true);
    readCompressed(false);
    autoEmpty = config.Read(BoolSetting::EmptyAutomatically);
    shutdownArchiving = config.Read(BoolSetting::ArchiveAtShutdown);
    primaryPeriod = config.Read(IntSetting::PrimaryPeriod);
    secondaryPeriod = config.Read(IntSetting::SecondaryPeriod);
    const int priority = config.Read(IntSetting::Priority);
    priorityItem = priority >= 0 && priority < 3 ? priority : -1;
    shutdownModeItem = ItemOfShutdownType(config.Read(IntSetting::ShutdownType));
    keepVersionsDays = config.Read(IntSetting::KeepVersionsDays);
    destinations.load(config, [](bool, const QString &) {});
    emptyingDays = config.Read(IntSetting::EmptyingPeriod);
}

int SettingsValues::ShutdownTypeOfItem(int item)
{
    return item >= 0 && item < 3 ? kShutdownTypes[item] : -1;
}

int SettingsValues::ItemOfShutdownType(int type)
{
    for (int i = 0; i < 3; ++i)
        if (kShutdownTypes[i] == type)
            return i;
    return -1;
}
