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
    // windows/, log/), every folder with mode 0700 whatever the umask. Hives are made by the
    // registry on first use. Returns false with a reason naming the place when the prefix cannot
    // be made, or when the prefix, one of its folders, a hive or a drive entry belongs to another
    // user or can be written by others: such a prefix is not used at all.
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
