// Tconfig: the settings store. Every setting of the panel and the Archiver lives as a value of
// the key HKEY_CLASSES_ROOT\Kovamark\Dunlivo; the store reads and writes them typed, creating a
// missing value with its default, and keeps the Archiver's autostart entry.
//
// A store caches nothing: every read goes to the registry, so values that the Archiver or another
// store wrote are seen at once. Failures raise ConfigError with the text the user is shown.
#pragma once

#include "configerror.h"
#include "registryaccess.h"
#include "settings.h"

#include "core/platform/datetime.h"

#include <QList>
#include <QString>

#include <optional>

class Tconfig
{
public:
    // Opens (creating when missing) the settings key and makes sure of every setting.
    // Raises ConfigError when the key cannot be created or opened.
    Tconfig();

    // A setting of the table on a side (Side::None for a setting of no side). A missing value is
    // created with the table's default.
    bool Read(BoolSetting setting, Side side = Side::None);
    qint32 Read(IntSetting setting, Side side = Side::None);
    QString Read(TextSetting setting, Side side = Side::None);
    win::TDateTime Read(TimeSetting setting, Side side = Side::None);
    // The whole text of a setting that holds a list, one path a line (NewFolders,
    // DeclinedFolders); Read cuts a text at 255 characters. A missing value reads as the default
    // and is not made: looking writes nothing.
    QString ReadList(TextSetting setting, Side side = Side::None);
    void Write(BoolSetting setting, bool value, Side side = Side::None);
    void Write(IntSetting setting, qint32 value, Side side = Side::None);
    void Write(TextSetting setting, const QString &value, Side side = Side::None);
    void Write(TimeSetting setting, win::TDateTime value, Side side = Side::None);

    // Any value of the settings key by its stored name, for what names values itself (tests,
    // benchmarks, fuzzing); the program goes through the table above.
    void WriteBool(const QString &name, bool value);
    void WriteInteger(const QString &name, qint32 value);
    void WriteString(const QString &name, const QString &value);
    void WriteDateTime(const QString &name, win::TDateTime value);

    bool ReadBool(const QString &name, bool defaultValue);
    qint32 ReadInteger(const QString &name, qint32 defaultValue);
    QString ReadString(const QString &name, const QString &defaultValue);
    win::TDateTime ReadDateTime(const QString &name, win::TDateTime defaultValue);

    // The shell's open command for a file extension such as ".html"; empty when there is none.
    QString ShellOpenCommand(const QString &extension);
    // Removes the Archiver's autostart entry and, when enabled, writes it anew as path + " -d".
    void SetAutostart(const QString &archiverPath, bool enable);
    // The autostart entry; empty when there is none.
    QString GetAutostart();

    // The stored text of a setting, read without opening the store: nothing is made sure of or
    // written. Empty when the settings key, the value or its hive cannot be read, or the value is
    // no text. For the panel's start, before it may change the settings.
    static QString Peek(TextSetting setting, Side side = Side::None);

    // The first setting that could not be made sure of when the store was created (its value has
    // the wrong type or cannot be read); empty when all were fine. The store works either way; the
    // window that made it shows the text.
    const QString &CreationError() const { return m_creationError; }

private:
    void openSettingsKey();
    void reopenSettingsKey();
    bool openAutostartKey();
    void ensureSettings();
    std::optional<qint32> readDword(const QString &name);
    QString readText(const QString &name, const QString &defaultValue, qsizetype maxLength, bool createMissing);
    [[noreturn]] void raiseGetData(const QString &name);
    [[noreturn]] void raiseInvalidType(const QString &name);
    void writeValue(const QString &name, win::DWORD type, const void *data, win::DWORD size);

    RegistryAccess reg;
    QString m_creationError;
};

// The hives the settings live in: the settings key's, then the one of the autostart entry and the
// code page.
QList<win::HKEY> SettingsHives();

// The first settings hive that is damaged (see win::RegCheckHive); null when none is. *why gets
// the registry's words, naming the file.
win::HKEY DamagedSettingsHive(QString *why = nullptr);

// Start-up rule for the autostart entry: when the entry does not name programDir\Archiv.exe -d
// (compared without regard to ASCII case) and the Autostart setting is on, write it anew with the
// path in capitals.
void RepairAutostart(Tconfig &config, const QString &programDir);

// ASCII-only upper-casing, as the autostart comparison uses it.
QString AsciiUpperCase(const QString &text);
