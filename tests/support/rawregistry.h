// Registry values as stored (type and bytes), read and written with the registry calls themselves,
// for tests that check what lands in the hives. Header-only.
#pragma once

#include "core/platform/registry.h"

#include <QByteArray>
#include <QString>
#include <QTest>

struct RawValue
{
    win::DWORD type = win::REG_NONE;
    QByteArray data; // "<no key>" or "<missing>" when there is no such value
    bool exists = false;
};

// The value name of the key path below root.
inline RawValue rawValue(win::HKEY root, const QString &path, const QString &name)
{
    using namespace win;
    RawValue r;
    HKEY key = nullptr;
    r.data = "<no key>";
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return r;
    r.data = "<missing>";
    DWORD size = 0;
    if (RegQueryValueEx(key, name, nullptr, &r.type, nullptr, &size) == ERROR_SUCCESS) {
        r.data.resize(size);
        RegQueryValueEx(key, name, nullptr, &r.type, reinterpret_cast<BYTE *>(r.data.data()), &size);
        r.exists = true;
    }
    RegCloseKey(key);
    return r;
}

// Sets a value, making its key when needed; fails the running test when it cannot.
inline void setRawValue(win::HKEY root, const QString &path, const QString &name, win::DWORD type,
                        const QByteArray &data)
{
    using namespace win;
    HKEY key = nullptr;
    QCOMPARE(RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             ERROR_SUCCESS);
    QCOMPARE(RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE *>(data.constData()),
                           DWORD(data.size())),
             ERROR_SUCCESS);
    RegCloseKey(key);
}
