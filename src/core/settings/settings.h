// The table of every value the settings key holds: each setting's stored name, type, default and
// archive side, in the order a new store creates them. Stored names are written here and nowhere
// else; the store, the panel and the Archiver name a setting by its C++ name and its side.
#pragma once

#include <QString>
#include <QtGlobal>

#include <span>

// The archive a setting belongs to; None for a setting of the whole program. Primary and
// Secondary are the side numbers 1 and 2 the panel uses.
enum class Side { None = 0, Primary = 1, Secondary = 2 };

constexpr Side sideOf(bool primary)
{
    return primary ? Side::Primary : Side::Secondary;
}

// The settings by the type of their value. A setting kept once per archive is one name; the side
// picks its stored value.
enum class BoolSetting {
    ConfirmSave,        // ask before the settings page saves
    Autostart,          // the Archiver starts at log-in
    Compressed,         // per side: archive bzip2-compressed
    Progress,           // per side: the Archiver is archiving it now
    EmptyAutomatically, // empty the archives every EmptyingPeriod days
    ArchiveAtShutdown,  // archive when the session ends
    LargeLayout,        // the main window's zoomed layout
};
enum class IntSetting {
    Priority,           // the Archiver's priority: 0 high, 1 normal, 2 low
    EmptyingPeriod,     // days
    PrimaryPeriod,      // minutes between archivings of the primary side
    SecondaryPeriod,    // hours between archivings of the secondary side
    ShutdownType,       // what the session's end does: 0 log off, 1 shut down, 2 reboot
    State,              // per side: the Archiver's last state code, 0 for no error
    FileListPercent,    // the main window's split between its file and folder lists
    ArchiveListPercent, // the main window's split above its archive list
    KeepVersionsDays,   // days an earlier version of a replaced archived file is kept; 0 keeps none
};
enum class TextSetting {
    Description,      // the key's unnamed value, rewritten at every start
    Destination,      // per side: the folder that holds the archive, a Windows path
    ArchiveName,      // per side: the archive's folder name below the destination
    Background,       // the texture file, relative to the program's Background folder
    Language,         // the language file, relative to the program's Language folder
    MassChangeNotice, // per side: the Archiver's last notice of many files changed at once, until
                      // the status window has shown it; empty for none
    StateFolder,      // per side: the archive folder (destination\name) that State, LastArchived and
                      // LastGood belong to, as the Archiver last wrote them
    NewFolders,       // the folders the Archiver found under fully listed folders that the list
                      // does not name, one Windows path per line
    DeclinedFolders,  // the new folders the user chose not to add, one Windows path per line
    Conditions,       // per side: the conditions the Archiver has notified and not yet seen recover
    ListChosen,       // the digest of the archive list the Archiver last read and since when (ns)
                      // its content is as it is: a list written again unchanged keeps that time
};
enum class TimeSetting {
    LastArchived,  // per side: the end of the last archiving; 0 for never
    LastEmptied,   // the last emptying; 0 for never
    LastGood,      // per side: the end of the last run that archived everything without a failure
    LastFullCheck, // per side: the end of the last check that read every copy of the archive
};

// One stored value of the settings key.
struct SettingDef
{
    enum class Type { Bool, Integer, Text, DateTime };

    const char *storedName;
    Type type;
    int setting; // the value of the setting in the enum of its type
    Side side;
    qint32 number = 0;      // the default of a bool or an integer
    const char *text = "";  // the default of a text
    bool rewritten = false; // written with its default at every start instead of kept
    // Made at every start when missing. The values added to the key after its first layout are
    // not: they are made when first read or written, so a new key is laid out as it always was.
    bool ensured = true;

    // The unnamed value's name is the null string, as the store has always written it.
    QString name() const { return *storedName ? QString(QLatin1String(storedName)) : QString(); }
    QString defaultText() const { return QLatin1String(text); }
};

// Every stored value, in the order a new store creates them.
std::span<const SettingDef> SettingsTable();

// The stored value of a setting on a side (Side::None for a setting of no side). Raises
// ConfigError for a side the setting does not have.
const SettingDef &settingDef(BoolSetting setting, Side side = Side::None);
const SettingDef &settingDef(IntSetting setting, Side side = Side::None);
const SettingDef &settingDef(TextSetting setting, Side side = Side::None);
const SettingDef &settingDef(TimeSetting setting, Side side = Side::None);
