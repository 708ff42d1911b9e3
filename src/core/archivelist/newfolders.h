// New folders under listed folders: the subfolders of a listed folder that the list does not name
// and that were made after the list was chosen, when the user took that folder's whole tree; and
// how the panel groups the folders found into one offer per parent folder.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class TTreeList;
class TreeListNode;

namespace newfolders {

// At most this many new folders are noted per run, and this many declined ones kept.
inline constexpr int kMaxNoted = 100;
inline constexpr int kMaxDeclined = 1000;

// One subfolder of a listed folder, as the read of that folder found it.
struct Subfolder
{
    QString name;
    bool listed = false;  // the list names it
    bool ignored = false; // a folder the list's walk passes over, an archive folder, or one declined
    qint64 madeNs = 0;    // when it was made, nanoseconds since the epoch
};

// The unlisted subfolders made after listChosenNs. None at all when an unlisted one was made
// before: the folder is partly listed, and the user left that one out on purpose.
QStringList newSubfolders(const std::vector<Subfolder> &subfolders, qint64 listChosenNs);

// When the entry name of the folder open in folderFd was made: its birth time where the file
// system keeps one, else the last change of its status; a link's own time. -1 when it cannot be read.
qint64 madeTimeNs(int folderFd, const char *name);

// The lines of a setting that holds one Windows path a line, and the setting's text of them.
QStringList settingLines(const QString &text);
QString settingText(const QStringList &lines);

// The folder a Windows path lies in: C:\Docs for C:\Docs\New, C:\ for C:\New.
QString parentFolder(const QString &path);

// The folders found, without the declined ones and repeats (compared without regard to case),
// grouped by the folder they lie in, in the order found.
struct Offer
{
    QString parent;
    QStringList folders; // full Windows paths
};
std::vector<Offer> groupOffers(const QStringList &found, const QStringList &declined);

// The declined folders with folders added; the newest kMaxDeclined are kept.
QStringList withDeclined(const QStringList &declined, const QStringList &folders);

// The node of a Windows path in the list (C:\Docs, C:\ or C: for a drive), or none.
const TreeListNode *findNode(const TTreeList &list, const QString &path);

} // namespace newfolders
