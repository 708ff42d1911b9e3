// Full key names as the command line writes them: a root (long or short) and a path below it.
#pragma once

#include "core/platform/registry.h"

#include <QString>

struct KeyName
{
    win::HKEY root = nullptr;
    QString path; // below the root, without leading or trailing backslashes

    // "HKLM\SOFTWARE\X", "HKEY_CLASSES_ROOT\.html", "hkcr" ...; root null when the root is unknown.
    static KeyName parse(const QString &text);
    // The long form: "HKEY_LOCAL_MACHINE\SOFTWARE\X".
    QString text() const;
    KeyName child(const QString &name) const;
};
