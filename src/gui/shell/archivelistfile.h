// ArchiveListFile: afiles.lst beside the program and the two trees that show it, the start
// page's and the archive list page's. It reads the file into them at start, copies one tree to the
// other and writes the file after every change, keeping a damaged file's bytes before replacing it.
#pragma once

#include "core/archivelist/listsaving.h"

#include <QString>

#include <functional>

class TTreeList;

class ArchiveListFile
{
public:
    // warn: shows the key of a failure with the file's name.
    ArchiveListFile(TTreeList &startList, TTreeList &archiveList,
                    std::function<void(const QString &key)> warn);

    // The file's Windows path; set once the program folder is known.
    QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    // Reads the file into the start page's tree and from there to the other; a missing file
    // leaves both empty, an unreadable one is said so and stays as it is.
    void load();
    // 1: the start page's tree to the other, 2: back; then writes the file.
    void sync(int direction);
    // Tries a write that failed once more; false when it fails again.
    bool flushPending() { return m_saving.flushPending(); }

private:
    TTreeList &m_startList;
    TTreeList &m_archiveList;
    std::function<void(const QString &key)> m_warn;
    QString m_path;
    ArchiveListSaving m_saving;
    bool m_faulty = false; // the file could not be read at start and is not yet replaced
};
