// Listing one folder for the browsing views.
#include "folderentries.h"

#include "core/platform/attributes.h"
#include "core/platform/enumeration.h"

#include <algorithm>

namespace archivelist {

QString childPath(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('\\')) ? folder + name : folder + QLatin1Char('\\') + name;
}

QStringList folderEntries(const QString &folder, FolderEntryKind kind)
{
    QStringList names;
    win::WIN32_FIND_DATA data;
    win::HANDLE search = win::FindFirstFile(childPath(folder, QStringLiteral("*.*")), &data);
    if (search == win::INVALID_HANDLE_VALUE)
        return names;
    do {
        const bool isFolder = data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY;
        if (kind == FolderEntryKind::Files) {
            if (!isFolder)
                names.append(data.cFileName);
            continue;
        }
        const bool hidden = data.dwFileAttributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM);
        if (isFolder && !hidden && data.cFileName != QLatin1String(".") &&
            data.cFileName != QLatin1String(".."))
            names.append(data.cFileName);
    } while (win::FindNextFile(search, &data));
    win::FindClose(search);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

} // namespace archivelist
