// The prefix: the folder that holds what Windows would keep system-wide (registry hives,
// drive letters, message-window sockets, logs).
#pragma once

#include <QString>

namespace win {

class Prefix
{
public:
    // The prefix folder: $DUNLIVO_PREFIX, else $XDG_DATA_HOME/dunlivo, else ~/.local/share/dunlivo.
    // Read once per process and kept; tests that switch prefixes call reset().
    static QString path();

    // Creates the folder layout when it is missing (registry/, dosdevices/ with c: and z:,
    // windows/ private to the user, log/). Hives are made by the registry on first use.
    // Returns false with a reason when the prefix cannot be made.
    static bool ensure(QString *error = nullptr);

    static QString registryDir() { return path() + QStringLiteral("/registry"); }
    static QString dosdevicesDir() { return path() + QStringLiteral("/dosdevices"); }
    static QString windowsDir() { return path() + QStringLiteral("/windows"); }
    static QString logDir() { return path() + QStringLiteral("/log"); }

    // Forgets the cached prefix, so the next call reads the environment again. Open registry
    // handles stay bound to the hive they were opened on.
    static void reset();
};

} // namespace win
