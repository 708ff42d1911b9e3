// Reading the Run key.
#include "runkey.h"

#include "core/platform/codepage.h"
#include "core/platform/registry.h"

#include <QFileInfo>

using namespace win;

QStringList RunKeyCommands()
{
    QStringList commands;
    if (!QFileInfo::exists(RegHiveFile(HKEY_LOCAL_MACHINE)))
        return commands;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                     0, KEY_READ, &key) != ERROR_SUCCESS)
        return commands;
    for (DWORD index = 0;; ++index) {
        QString name;
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG rc = RegEnumValue(key, index, &name, &type, nullptr, &size);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
            break;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            continue;
        QByteArray data(qsizetype(size), '\0');
        rc = RegEnumValue(key, index, &name, &type, reinterpret_cast<BYTE *>(data.data()), &size);
        if (rc != ERROR_SUCCESS)
            continue;
        data.truncate(qsizetype(size));
        // The text ends at its first NUL, as Windows reads it.
        const qsizetype end = data.indexOf('\0');
        if (end >= 0)
            data.truncate(end);
        const QString command = AnsiCodePage::decode(data).trimmed();
        if (!command.isEmpty())
            commands.append(command);
    }
    RegCloseKey(key);
    return commands;
}
