// The settings table and its look-up by setting and side.
#include "settings.h"

#include "configerror.h"

namespace {

using Type = SettingDef::Type;

constexpr SettingDef value(BoolSetting setting, Side side, const char *name, bool byDefault)
{
    return {name, Type::Bool, int(setting), side, byDefault ? 1 : 0};
}

constexpr SettingDef value(IntSetting setting, Side side, const char *name, qint32 byDefault)
{
    return {name, Type::Integer, int(setting), side, byDefault};
}

constexpr SettingDef value(TextSetting setting, Side side, const char *name, const char *byDefault = "")
{
    return {name, Type::Text, int(setting), side, 0, byDefault};
}

constexpr SettingDef value(TimeSetting setting, Side side, const char *name)
{
    return {name, Type::DateTime, int(setting), side};
}

constexpr SettingDef rewritten(TextSetting setting, const char *name, const char *text)
{
    return {name, Type::Text, int(setting), Side::None, 0, text, true};
}

// A value added after the key's first layout (see SettingDef::ensured).
constexpr SettingDef added(SettingDef def)
{
    def.ensured = false;
    return def;
}

constexpr Side None = Side::None;
constexpr Side Primary = Side::Primary;
constexpr Side Secondary = Side::Secondary;

constexpr SettingDef kTable[] = {
    value(IntSetting::Priority, None, "Prioritas", 1),
    value(TextSetting::Destination, Primary, "Celutvonal"),
    value(BoolSetting::EmptyAutomatically, None, "Autourites", false),
    value(IntSetting::EmptyingPeriod, None, "Uritesido", 1),
    value(BoolSetting::ConfirmSave, None, "Kerdez", true),
    value(IntSetting::PrimaryPeriod, None, "Archivalas", 30),
    value(IntSetting::SecondaryPeriod, None, "Biztarchivalas", 72),
    value(TimeSetting::LastArchived, Primary, "Archutolso"),
    value(TimeSetting::LastArchived, Secondary, "Archutolso2"),
    value(TimeSetting::LastEmptied, None, "Uritesutolso"),
    rewritten(TextSetting::Description, "", "Kovamark Dunlivo program"),
    value(BoolSetting::Autostart, None, "Auto", true),
    value(TextSetting::Destination, Secondary, "Celutvonal2"),
    value(BoolSetting::Compressed, Primary, "Bzip2_ok_1", true),
    value(BoolSetting::Compressed, Secondary, "Bzip2_ok_2", true),
    value(BoolSetting::Progress, Primary, "Progress_1", false),
    value(BoolSetting::Progress, Secondary, "Progress_2", false),
    value(IntSetting::ShutdownType, None, "ShutDown_type", 1),
    value(BoolSetting::ArchiveAtShutdown, None, "Archive_atshutdown", false),
    value(TextSetting::Background, None, "Background_bmp"),
    value(TextSetting::Language, None, "Language"),
    value(IntSetting::State, Primary, "Archstate", 0),
    value(IntSetting::State, Secondary, "Safestate", 0),
    value(BoolSetting::LargeLayout, None, "Max meret", false),
    value(IntSetting::FileListPercent, None, "Arany1", 50),
    value(IntSetting::ArchiveListPercent, None, "Arany2", 50),
    value(TextSetting::ArchiveName, Primary, "Celkonyvtarnev1", "Archive1"),
    value(TextSetting::ArchiveName, Secondary, "Celkonyvtarnev2", "Archive2"),
    added(value(IntSetting::KeepVersionsDays, None, "Versions_days", 180)),
    added(value(TextSetting::MassChangeNotice, Primary, "Versions_notice_1")),
    added(value(TextSetting::MassChangeNotice, Secondary, "Versions_notice_2")),
    added(value(TimeSetting::LastGood, Primary, "LastGood_1")),
    added(value(TimeSetting::LastGood, Secondary, "LastGood_2")),
    added(value(TextSetting::StateFolder, Primary, "StateFolder_1")),
    added(value(TextSetting::StateFolder, Secondary, "StateFolder_2")),
    added(value(TimeSetting::LastFullCheck, Primary, "LastFullCheck_1")),
    added(value(TimeSetting::LastFullCheck, Secondary, "LastFullCheck_2")),
    added(value(TextSetting::NewFolders, None, "NewFolders")),
    added(value(TextSetting::DeclinedFolders, None, "NewFolders_declined")),
    added(value(TextSetting::Conditions, Primary, "Conditions_1")),
    added(value(TextSetting::Conditions, Secondary, "Conditions_2")),
    added(value(TextSetting::ListChosen, None, "NewFolders_list")),
};

constexpr bool sameName(const char *a, const char *b)
{
    // Stored names are ASCII and, as the registry's names, compared without regard to case.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(*a) != lower(*b))
            return false;
    }
    return *a == *b;
}

// Every setting and side has one stored value, and no two values share a name; a setting kept
// per archive has both sides and no Side::None value.
constexpr bool tableIsSound()
{
    for (const SettingDef &a : kTable) {
        bool otherSide = a.side == Side::None;
        for (const SettingDef &b : kTable) {
            if (&a == &b)
                continue;
            if (sameName(a.storedName, b.storedName))
                return false;
            if (a.type == b.type && a.setting == b.setting) {
                if (a.side == b.side || a.side == Side::None || b.side == Side::None)
                    return false;
                otherSide = true;
            }
        }
        if (!otherSide)
            return false;
    }
    return true;
}
static_assert(tableIsSound());

const SettingDef &find(Type type, int setting, Side side)
{
    for (const SettingDef &def : kTable) {
        if (def.type == type && def.setting == setting && def.side == side)
            return def;
    }
    throw ConfigError(QStringLiteral("No setting %1 of type %2 is kept for side %3.")
                          .arg(setting)
                          .arg(int(type))
                          .arg(int(side)));
}

} // namespace

std::span<const SettingDef> SettingsTable()
{
    return kTable;
}

const SettingDef &settingDef(BoolSetting setting, Side side)
{
    return find(Type::Bool, int(setting), side);
}

const SettingDef &settingDef(IntSetting setting, Side side)
{
    return find(Type::Integer, int(setting), side);
}

const SettingDef &settingDef(TextSetting setting, Side side)
{
    return find(Type::Text, int(setting), side);
}

const SettingDef &settingDef(TimeSetting setting, Side side)
{
    return find(Type::DateTime, int(setting), side);
}
