// Listing the language and texture files and selecting the stored one.
#include "choicelist.h"

#include "appearancesettings.h"

#include "core/archivelist/findfile.h"

QStringList FolderEntries(TFindFile &finder, const QString &programDir, const char *folder,
                          const QString &extension)
{
    finder.setExtensions({extension});
    // Nothing a link leads to outside the folder could be loaded, so it is not walked either.
    finder.setStayInside(true);
    finder.Start(programDir + QLatin1Char('\\') + QLatin1String(folder));
    QStringList entries;
    for (QString name = finder.NextFile(); finder.done() == 0; name = finder.NextFile()) {
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
