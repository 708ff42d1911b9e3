// New folders under listed folders, and their grouping for the panel's offer.
#include "newfolders.h"

#include "treelist.h"

#include <QSet>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>

namespace newfolders {

QStringList newSubfolders(const std::vector<Subfolder> &subfolders, qint64 listChosenNs)
{
    QStringList found;
    for (const Subfolder &sub : subfolders) {
        if (sub.listed || sub.ignored)
            continue;
        if (sub.madeNs <= listChosenNs)
            return {};
        found.append(sub.name);
    }
    return found;
}

qint64 madeTimeNs(int folderFd, const char *name)
{
    struct statx status;
    if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BTIME | STATX_CTIME, &status) !=
        0)
        return -1;
    const struct statx_timestamp &made =
        (status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_ctime;
    return qint64(made.tv_sec) * 1000000000 + made.tv_nsec;
}

QStringList settingLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString path = line.trimmed();
        if (!path.isEmpty())
            lines.append(path);
    }
    return lines;
}

QString settingText(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

QString parentFolder(const QString &path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('\\'));
    if (cut < 0)
        return QString();
    // A drive's root keeps its backslash: C:\ rather than C:.
    return path.left(cut == 2 && path.at(1) == QLatin1Char(':') ? cut + 1 : cut);
}

std::vector<Offer> groupOffers(const QStringList &found, const QStringList &declined)
{
    QSet<QString> seen;
    for (const QString &path : declined)
        seen.insert(path.toUpper());
    std::vector<Offer> offers;
    for (const QString &path : found) {
        const QString key = path.toUpper();
        const QString parent = parentFolder(path);
        if (parent.isEmpty() || seen.contains(key))
            continue;
        seen.insert(key);
        auto at = std::find_if(offers.begin(), offers.end(), [&](const Offer &offer) {
            return offer.parent.compare(parent, Qt::CaseInsensitive) == 0;
        });
        if (at == offers.end())
            at = offers.insert(offers.end(), Offer{parent, {}});
        at->folders.append(path);
    }
    return offers;
}

QStringList withDeclined(const QStringList &declined, const QStringList &folders)
{
    QStringList all = declined;
    for (const QString &folder : folders) {
        if (!all.contains(folder, Qt::CaseInsensitive))
            all.append(folder);
    }
    return all.mid(std::max<qsizetype>(0, all.size() - kMaxDeclined));
}

const TreeListNode *findNode(const TTreeList &list, const QString &path)
{
    const QStringList steps = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    const TreeListNode *node = nullptr;
    for (const QString &step : steps) {
        const int count = node ? node->childCount() : list.topLevelCount();
        const TreeListNode *next = nullptr;
        for (int row = 0; row < count && !next; ++row) {
            const TreeListNode *child = node ? node->child(row) : list.topLevelNode(row);
            if (TTreeList::NodeName(child).compare(step, Qt::CaseInsensitive) == 0)
                next = child;
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

} // namespace newfolders
