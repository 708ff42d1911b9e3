// The settings store: key opening, typed values with defaults, autostart entry, shell lookup.
#include "config.h"

#include "core/platform/codepage.h"
#include "core/platform/prefix.h"

#include <cstring>

using namespace win;

namespace {

const QString kSettingsRoot = QStringLiteral("Kovamark");
const QString kSettingsKey = QStringLiteral("Dunlivo");
const QString kAutostartValue = QStringLiteral("Kovamark-Dunlivo");
const char *const kRunPath[] = {"SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION", "RUN"};
constexpr int kMaxText = 255;

QString settingsKeyName() { return RegRootName(HKEY_CLASSES_ROOT) + QStringLiteral("\\Kovamark\\Dunlivo"); }

// The text of a REG_SZ: up to its first NUL, in the system's code page.
QString textOf(const char *data, DWORD size)
{
    const void *nul = std::memchr(data, 0, size);
    const qsizetype length = nul ? static_cast<const char *>(nul) - data : qsizetype(size);
    return AnsiCodePage::decode(data, length);
}

// The bytes and type of the value name of key, whatever their size; data is empty on failure.
LONG queryValue(HKEY key, const QString &name, QByteArray *data, DWORD *type)
{
    DWORD size = 1024;
    data->resize(size);
    LONG rc = RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE *>(data->data()), &size);
    if (rc == ERROR_MORE_DATA) {
        data->resize(qsizetype(size));
        rc = RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE *>(data->data()), &size);
    }
    data->resize(rc == ERROR_SUCCESS ? qsizetype(size) : 0);
    return rc;
}

bool isText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// The text of the value name of key; empty when it cannot be read or holds no text.
QString textValue(HKEY key, const QString &name)
{
    QByteArray data;
    DWORD type = REG_NONE;
    if (queryValue(key, name, &data, &type) != ERROR_SUCCESS || !isText(type))
        return QString();
    return textOf(data.constData(), DWORD(data.size())).left(kMaxText);
}

} // namespace

Tconfig::Tconfig()
{
    openSettingsKey();
    ensureSettings();
}

void Tconfig::openSettingsKey()
{
    // Settings in a prefix another user could change are not read at all.
    QString unsafe;
    if (!Prefix::ensure(&unsafe))
        throw ConfigError(QStringLiteral("The settings key %1 cannot be opened.").arg(settingsKeyName()),
                          unsafe);
    reg.setRoot(HKEY_CLASSES_ROOT);
    for (const QString &level : {kSettingsRoot, kSettingsKey}) {
        if (reg.openKey(level) == ERROR_SUCCESS)
            continue;
        const QString openError = RegLastErrorText();
        // A key that is there but cannot be opened (read-only or damaged hive) is not created anew.
        HKEY probe = nullptr;
        const HKEY parent = reg.currentKey() ? reg.currentKey() : reg.root();
        if (RegOpenKeyEx(parent, level, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
            RegCloseKey(probe);
            throw ConfigError(QStringLiteral("The settings key %1 cannot be opened.").arg(settingsKeyName()),
                              openError);
        }
        if (reg.createKey(level) != ERROR_SUCCESS)
            throw ConfigError(QStringLiteral("Failed to create key %1").arg(level), RegLastErrorText());
        if (reg.openKey(level) != ERROR_SUCCESS)
            throw ConfigError(QStringLiteral("The settings key %1 cannot be opened.").arg(settingsKeyName()),
                              RegLastErrorText());
    }
}

void Tconfig::ensureSettings()
{
    // Every value in the table's order; one that cannot be made sure of does not stop the others.
    for (const SettingDef &def : SettingsTable()) {
        try {
            if (!def.ensured)
                continue;
            const QString name = def.name();
            if (def.rewritten) {
                WriteString(name, def.defaultText());
                continue;
            }
            switch (def.type) {
            case SettingDef::Type::Bool:
                ReadBool(name, def.number != 0);
                break;
            case SettingDef::Type::Integer:
                ReadInteger(name, def.number);
                break;
            case SettingDef::Type::Text:
                ReadString(name, def.defaultText());
                break;
            case SettingDef::Type::DateTime:
                ReadDateTime(name, 0.0);
                break;
            }
        } catch (const ConfigError &e) {
            if (m_creationError.isEmpty())
                m_creationError = e.text();
        }
    }
}

// ---- settings of the table ----

bool Tconfig::Read(BoolSetting setting, Side side)
{
    const SettingDef &def = settingDef(setting, side);
    return ReadBool(def.name(), def.number != 0);
}

qint32 Tconfig::Read(IntSetting setting, Side side)
{
    const SettingDef &def = settingDef(setting, side);
    return ReadInteger(def.name(), def.number);
}

QString Tconfig::Read(TextSetting setting, Side side)
{
    const SettingDef &def = settingDef(setting, side);
    return ReadString(def.name(), def.defaultText());
}

TDateTime Tconfig::Read(TimeSetting setting, Side side)
{
    return ReadDateTime(settingDef(setting, side).name(), 0.0);
}

void Tconfig::Write(BoolSetting setting, bool value, Side side)
{
    WriteBool(settingDef(setting, side).name(), value);
}

void Tconfig::Write(IntSetting setting, qint32 value, Side side)
{
    WriteInteger(settingDef(setting, side).name(), value);
}

void Tconfig::Write(TextSetting setting, const QString &value, Side side)
{
    WriteString(settingDef(setting, side).name(), value);
}

void Tconfig::Write(TimeSetting setting, TDateTime value, Side side)
{
    WriteDateTime(settingDef(setting, side).name(), value);
}

// ---- writes ----

void Tconfig::writeValue(const QString &name, DWORD type, const void *data, DWORD size)
{
    if (RegSetValueEx(reg.currentKey(), name, 0, type, static_cast<const BYTE *>(data), size) != ERROR_SUCCESS)
        throw ConfigError(QStringLiteral("Failed to set data for '%1'").arg(name), RegLastErrorText());
}

void Tconfig::WriteBool(const QString &name, bool value) { WriteInteger(name, value ? 1 : 0); }

void Tconfig::WriteInteger(const QString &name, qint32 value)
{
    const quint32 bits = quint32(value);
    const unsigned char le[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                 static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    writeValue(name, REG_DWORD, le, 4);
}

void Tconfig::WriteString(const QString &name, const QString &value)
{
    bool representable = true;
    QByteArray bytes = AnsiCodePage::encode(value, &representable);
    // A text the code page cannot hold is refused instead of being stored as something else.
    if (!representable)
        throw ConfigError(QStringLiteral("Failed to set data for '%1'").arg(name),
                          QStringLiteral("The text cannot be written in code page %1.").arg(AnsiCodePage::current()));
    bytes.append('\0');
    writeValue(name, REG_SZ, bytes.constData(), DWORD(bytes.size()));
}

void Tconfig::WriteDateTime(const QString &name, TDateTime value)
{
    static_assert(sizeof(TDateTime) == 8);
    writeValue(name, REG_BINARY, &value, 8);
}

// ---- reads ----

void Tconfig::raiseGetData(const QString &name)
{
    throw ConfigError(QStringLiteral("Failed to get data for '%1'").arg(name), RegLastErrorText());
}

void Tconfig::raiseInvalidType(const QString &name)
{
    throw ConfigError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

std::optional<qint32> Tconfig::readDword(const QString &name)
{
    // One query answers existence, type and size together.
    unsigned char data[4] = {};
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    const LONG rc = RegQueryValueEx(reg.currentKey(), name, nullptr, &type, data, &size);
    if (rc == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (rc != ERROR_SUCCESS)
        raiseGetData(name);
    // A DWORD shorter than 4 bytes holds no integer; it is refused rather than padded.
    if (type != REG_DWORD || size != 4)
        raiseInvalidType(name);
    return qint32(quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 | quint32(data[3]) << 24);
}

qint32 Tconfig::ReadInteger(const QString &name, qint32 defaultValue)
{
    if (const auto value = readDword(name))
        return *value;
    WriteInteger(name, defaultValue);
    return defaultValue;
}

bool Tconfig::ReadBool(const QString &name, bool defaultValue)
{
    if (const auto value = readDword(name))
        return *value != 0;
    WriteBool(name, defaultValue);
    return defaultValue;
}

TDateTime Tconfig::ReadDateTime(const QString &name, TDateTime defaultValue)
{
    TDateTime value = 0.0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    const LONG rc = RegQueryValueEx(reg.currentKey(), name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
    if (rc == ERROR_FILE_NOT_FOUND) {
        WriteDateTime(name, defaultValue);
        return defaultValue;
    }
    if (rc != ERROR_SUCCESS)
        raiseGetData(name);
    if (type != REG_BINARY || size != sizeof(value))
        raiseInvalidType(name);
    return value;
}

QString Tconfig::ReadString(const QString &name, const QString &defaultValue)
{
    return readText(name, defaultValue, kMaxText, true);
}

QString Tconfig::ReadList(TextSetting setting, Side side)
{
    const SettingDef &def = settingDef(setting, side);
    return readText(def.name(), def.defaultText(), -1, false);
}

QString Tconfig::readText(const QString &name, const QString &defaultValue, qsizetype maxLength,
                          bool createMissing)
{
    QByteArray data;
    DWORD type = REG_NONE;
    const LONG rc = queryValue(reg.currentKey(), name, &data, &type);
    if (rc == ERROR_FILE_NOT_FOUND) {
        if (createMissing)
            WriteString(name, defaultValue);
        return defaultValue;
    }
    if (rc != ERROR_SUCCESS)
        raiseGetData(name);
    if (!isText(type))
        raiseInvalidType(name);
    const QString text = textOf(data.constData(), DWORD(data.size()));
    return maxLength < 0 ? text : text.left(maxLength);
}

QString Tconfig::Peek(TextSetting setting, Side side)
{
    const QString name = settingDef(setting, side).name();
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, kSettingsRoot + QLatin1Char('\\') + kSettingsKey, 0, KEY_QUERY_VALUE,
                     &key) != ERROR_SUCCESS)
        return QString();
    const QString text = textValue(key, name);
    RegCloseKey(key);
    return text;
}

// ---- autostart entry and shell lookup ----

void Tconfig::reopenSettingsKey()
{
    reg.setRoot(HKEY_CLASSES_ROOT);
    if (reg.openKey(kSettingsRoot) == ERROR_SUCCESS)
        reg.openKey(kSettingsKey);
}

bool Tconfig::openAutostartKey()
{
    reg.setRoot(HKEY_LOCAL_MACHINE);
    for (const char *level : kRunPath) {
        if (reg.openKey(QLatin1String(level)) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

void Tconfig::SetAutostart(const QString &archiverPath, bool enable)
{
    if (openAutostartKey()) {
        RegDeleteValue(reg.currentKey(), kAutostartValue);
        if (enable) {
            bool representable = true;
            QByteArray bytes =
                AnsiCodePage::encode((archiverPath + QStringLiteral(" -d")).left(kMaxText), &representable);
            if (representable) {
                bytes.append('\0');
                RegSetValueEx(reg.currentKey(), kAutostartValue, 0, REG_SZ,
                              reinterpret_cast<const BYTE *>(bytes.constData()), DWORD(bytes.size()));
            }
        }
    }
    reopenSettingsKey();
}

QString Tconfig::GetAutostart()
{
    QString entry;
    if (openAutostartKey())
        entry = textValue(reg.currentKey(), kAutostartValue);
    reopenSettingsKey();
    return entry;
}

QString Tconfig::ShellOpenCommand(const QString &extension)
{
    const auto defaultValue = [this] { return textValue(reg.currentKey(), QString()); };
    QString command;
    reg.setRoot(HKEY_CLASSES_ROOT);
    if (!extension.isEmpty() && reg.openKey(extension) == ERROR_SUCCESS) {
        const QString typeName = defaultValue();
        reg.closeKey();
        if (!typeName.isEmpty() && reg.openKey(typeName) == ERROR_SUCCESS &&
            reg.openKey(QStringLiteral("shell")) == ERROR_SUCCESS &&
            reg.openKey(QStringLiteral("open")) == ERROR_SUCCESS &&
            reg.openKey(QStringLiteral("command")) == ERROR_SUCCESS)
            command = defaultValue();
    }
    reopenSettingsKey();
    return command;
}

// ---- the hives ----

QList<HKEY> SettingsHives()
{
    return {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE};
}

HKEY DamagedSettingsHive(QString *why)
{
    for (const HKEY root : SettingsHives()) {
        if (RegCheckHive(root) == ERROR_BADDB) {
            if (why)
                *why = RegLastErrorText();
            return root;
        }
    }
    return nullptr;
}

// ---- start-up rule ----

QString AsciiUpperCase(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return out;
}

void RepairAutostart(Tconfig &config, const QString &programDir)
{
    const QString archiver = programDir + QStringLiteral("\\Archiv.exe");
    if (AsciiUpperCase(config.GetAutostart()) != AsciiUpperCase(archiver + QStringLiteral(" -d")) &&
        config.Read(BoolSetting::Autostart))
        config.SetAutostart(AsciiUpperCase(archiver), true);
}
