// The archive list file and the two trees that show it.
#include "archivelistfile.h"

#include "core/archivelist/listerror.h"
#include "core/archivelist/safefile.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"

#include <QFileInfo>

ArchiveListFile::ArchiveListFile(TTreeList &startList, TTreeList &archiveList,
                                 std::function<void(const QString &key)> warn)
    : m_startList(startList), m_archiveList(archiveList), m_warn(std::move(warn))
{
}

void ArchiveListFile::load()
{
    // Anything in the list's place that is not a readable file (a FIFO, a link that leads
    // nowhere) is a list that cannot be read, not a missing one.
    const QFileInfo entry(win::HostPath(m_path));
    if (!entry.exists() && !entry.isSymLink())
        return;
    try {
        m_startList.LoadFromFile(m_path);
    } catch (const ListFileError &) {
        // The tree keeps what was read before the fault; the file stays as it is.
        m_faulty = true;
        m_warn(QStringLiteral("CantOpenfileWarning"));
        return;
    }
    sync(1);
    m_startList.ExpandTopLevel();
    m_archiveList.ExpandTopLevel();
}

void ArchiveListFile::sync(int direction)
{
    if (direction == 1)
        m_archiveList.Assign(m_startList);
    else if (direction == 2)
        m_startList.Assign(m_archiveList);
    if (m_faulty) {
        // The list that could not be read at start is about to be replaced by what the trees
        // hold, which is at most the part before the fault: its bytes are kept beside it first.
        const QString host = win::HostPath(m_path);
        if (archivelist::keepDamagedFile(host, host + QStringLiteral(".bad")))
            m_faulty = false;
    }
    if (!m_saving.save(m_archiveList, m_path))
        m_warn(QStringLiteral("CantWriteFileWarning"));
}
