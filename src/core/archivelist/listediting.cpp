// Adding directories and files to the archive list.
#include "listediting.h"

#include "findfile.h"
#include "treelist.h"

bool IsValidItemName(const QString &text)
{
    return !text.contains(QLatin1String(" [")) && !text.contains(QLatin1Char(']')) &&
           !text.contains(QLatin1Char(';'));
}

bool CanHoldItem(const QString &text)
{
    return IsValidItemName(text) && TTreeList::CanStoreText(text);
}

TreeListNode *AddDirectoryItems(TTreeList &list, TFindFile &walker, const QString &path,
                                const QString &extSet, bool withSubdirectories, const RefusedItem &refused)
{
    if (!CanHoldItem(path)) {
        refused(path);
        return nullptr;
    }
    TreeListNode *added = list.AddDir(path, extSet);
    if (!withSubdirectories)
        return added;

    QString base = path;
    if (base.size() >= 3 && base.endsWith(QLatin1Char('\\')))
        base.chop(1); // C:\ walks as C:, so that its subdirectories join with one backslash
    walker.setExtensions({});
    walker.Start(base);
    for (;;) {
        const QString sub = walker.NextDir();
        if (walker.done())
            break;
        const QString full = base + QLatin1Char('\\') + sub;
        if (CanHoldItem(sub))
            list.AddDir(full, extSet);
        else
            refused(full);
    }
    return added;
}

TreeListNode *AddFileItems(TTreeList &list, const QString &folder, const QStringList &names,
                           const RefusedItem &refused)
{
    TreeListNode *last = nullptr;
    for (const QString &name : names) {
        // The whole path is checked: the folders on the way become nodes as well.
        const QString full = folder + name;
        if (CanHoldItem(full))
            last = list.AddFile(full);
        else
            refused(full);
    }
    return last;
}
