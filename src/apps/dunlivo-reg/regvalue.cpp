// Reading whole keys and showing values.
#include "regvalue.h"

#include "core/platform/codepage.h"

using namespace win;

bool readValues(HKEY key, QList<RegValue> *values)
{
    for (DWORD i = 0;; ++i) {
        RegValue v;
        DWORD size = 0;
        LONG rc = RegEnumValue(key, i, &v.name, &v.type, nullptr, &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc != ERROR_SUCCESS)
            return false;
        v.data.resize(size);
        rc = RegEnumValue(key, i, &v.name, &v.type, reinterpret_cast<BYTE *>(v.data.data()), &size);
        if (rc != ERROR_SUCCESS)
            return false;
        v.data.resize(size);
        values->append(v);
    }
}

bool readKey(const KeyName &key, KeyContents *out, QString *error)
{
    HKEY h = nullptr;
    if (RegOpenKeyEx(key.root, key.path, 0, KEY_READ, &h) != ERROR_SUCCESS) {
        *error = RegLastErrorText();
        return false;
    }
    out->shown = KeyName{key.root, RegKeyPath(h)};
    const bool read = readValues(h, &out->values) && readSubkeys(h, &out->subkeys);
    if (!read)
        *error = RegLastErrorText();
    RegCloseKey(h);
    return read;
}

bool readSubkeys(HKEY key, QStringList *names)
{
    for (DWORD i = 0;; ++i) {
        QString name;
        const LONG rc = RegEnumKeyEx(key, i, &name);
        if (rc == ERROR_NO_MORE_ITEMS)
            return true;
        if (rc != ERROR_SUCCESS)
            return false;
        names->append(name);
    }
}

namespace {
struct TypeEntry
{
    DWORD type;
    const char *name;
};
constexpr TypeEntry kTypes[] = {{REG_NONE, "REG_NONE"},     {REG_SZ, "REG_SZ"},
                                {REG_EXPAND_SZ, "REG_EXPAND_SZ"}, {REG_BINARY, "REG_BINARY"},
                                {REG_DWORD, "REG_DWORD"},   {REG_MULTI_SZ, "REG_MULTI_SZ"},
                                {REG_QWORD, "REG_QWORD"}};
} // namespace

QString typeName(DWORD type)
{
    for (const TypeEntry &t : kTypes) {
        if (t.type == type)
            return QLatin1String(t.name);
    }
    return QStringLiteral("REG_0x%1").arg(type, 0, 16);
}

bool typeFromName(const QString &name, DWORD *type)
{
    for (const TypeEntry &t : kTypes) {
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) {
            *type = t.type;
            return true;
        }
    }
    return false;
}

QString stringData(const QByteArray &data)
{
    const qsizetype nul = data.indexOf('\0');
    return AnsiCodePage::decode(data.constData(), nul < 0 ? data.size() : nul);
}

QString queryData(const RegValue &value)
{
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return stringData(value.data);
    case REG_DWORD:
        if (value.data.size() == 4) {
            quint32 v = 0;
            for (int i = 3; i >= 0; --i)
                v = (v << 8) | static_cast<unsigned char>(value.data[i]);
            return QStringLiteral("0x%1").arg(v, 0, 16);
        }
        break;
    default:
        break;
    }
    return QString::fromLatin1(value.data.toHex().toUpper());
}
