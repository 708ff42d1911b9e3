// Saving the archive list and keeping what a failed save could not write.
#include "listsaving.h"

#include "safefile.h"
#include "treelist.h"

#include "core/platform/paths.h"

bool ArchiveListSaving::save(const TTreeList &tree, const QString &fileName)
{
    try {
        tree.SaveToFile(fileName);
        m_pendingFile.clear();
        m_pendingBytes.clear();
        return true;
    } catch (const ListFileError &) {
        // A list that cannot be encoded is not kept: writing it later fails the same way.
        QString host;
        if (win::ToHostPath(fileName, &host)) {
            try {
                m_pendingBytes = tree.ListFileBytes();
                m_pendingFile = host;
            } catch (const ListFileError &) {
                m_pendingFile.clear();
                m_pendingBytes.clear();
            }
        }
        return false;
    }
}

bool ArchiveListSaving::flushPending()
{
    if (m_pendingFile.isEmpty())
        return true;
    QByteArray onDisk;
    QString why;
    if (archivelist::readWholeFile(m_pendingFile, &onDisk, &why) && onDisk == m_pendingBytes) {
        m_pendingFile.clear();
        return true;
    }
    if (!archivelist::replaceFileSafely(m_pendingFile, m_pendingBytes, &why))
        return false;
    m_pendingFile.clear();
    m_pendingBytes.clear();
    return true;
}
