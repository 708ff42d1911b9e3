// Listing the language and texture files and selecting the stored one.
#include "choicelist.h"

#include "appearancesettings.h"

QStringList FolderEntries(FolderFiles &finder, const QString &programDir, const char *folder,
                          const QString &extension)
{
    QStringList entries;
    for (const QString &name :
         finder.files(programDir + QLatin1Char('\\') + QLatin1String(folder), extension)) {
        if (!ConfinedFile(programDir, folder, name).isEmpty())
            entries.append(name);
    }
    return entries;
}

int EntryRow(const QStringList &entries, const QString &name)
{
    if (name.isEmpty())
        return entries.isEmpty() ? -1 : 0;
    for (int row = 0; row < entries.size(); ++row) {
        if (entries.at(row).compare(name, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}
