// A registry value as the command line and .reg files show it.
#pragma once

#include "keyname.h"

#include "core/platform/registry.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct RegValue
{
    QString name; // empty for the key's default value
    win::DWORD type = win::REG_NONE;
    QByteArray data;
};

// One key as it is stored: its name in stored case, its values and its subkeys, in order.
struct KeyContents
{
    KeyName shown;
    QList<RegValue> values;
    QStringList subkeys;
};
// False with the registry's reason when the key cannot be opened or read.
bool readKey(const KeyName &key, KeyContents *out, QString *error);

// Every value of an open key, in order.
bool readValues(win::HKEY key, QList<RegValue> *values);
// Every subkey name of an open key, in order.
bool readSubkeys(win::HKEY key, QStringList *names);

QString typeName(win::DWORD type);
// "REG_DWORD" -> REG_DWORD; false for a type the tool does not know.
bool typeFromName(const QString &name, win::DWORD *type);

// The text of a REG_SZ / REG_EXPAND_SZ: up to the first NUL, in the system's code page.
QString stringData(const QByteArray &data);
// The data of a query line: text, 0x1e, or hex digits.
QString queryData(const RegValue &value);
