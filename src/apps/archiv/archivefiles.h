// The archived files below an archive root as a conversion sees them: listed in the order it takes
// them, their folders opened without following links, and many of them removed at once.
#pragma once

#include <QByteArray>
#include <QList>

namespace archiver {

struct ArchivedFile
{
    QByteArray folder; // below the root, "/"-separated, starting with the drive folder
    QByteArray name;
    qint64 size = 0;
    QByteArray relative() const;
};

// The archived files of a root in the order a conversion to the other form takes them: folder by
// folder, and in a folder the longer names first when compressing and the shorter first when
// decompressing, so a new name never lands on an old form still waiting (a.txt.bz2, kept plain,
// goes to a.txt.bz2.bz2 before a.txt takes the name a.txt.bz2). compressedForm: the files are in
// the compressed form now, and only names ending in ".bz2" are theirs. Only the drive folders are
// walked, without following links; temporary files of unfinished writes are left out.
QList<ArchivedFile> archivedFiles(int rootFd, bool compressedForm);

// The temporary name of an unfinished write: "." + a part of the name + ".new-" + a random number.
bool isTemporaryName(const QByteArray &name);

// Whether a file named in a conversion's list lies below a drive folder of the root, without a way
// out of it: the list lies on the archive's disk, which anyone may have written to.
bool isSafeRelative(const QByteArray &folder, const QByteArray &name);

// The folder of the last file a thread handled, kept open: the files of one folder follow each
// other, so most files reuse it. Folders are opened below the root without following links.
class RootFolders
{
public:
    explicit RootFolders(int rootFd) : m_rootFd(rootFd) {}
    ~RootFolders();
    RootFolders(const RootFolders &) = delete;
    RootFolders &operator=(const RootFolders &) = delete;

    // The open folder; -1 with errno when it can not be opened.
    int get(const QByteArray &folder);

private:
    void reset();

    int m_rootFd;
    QByteArray m_folder;
    int m_fd = -1;
};

// Removes files, many at once: a removal mostly waits for the disk, and waiting side by side is
// many times faster than one after another. Failures are left alone.
void removeFiles(int rootFd, const QList<const ArchivedFile *> &files);

} // namespace archiver
