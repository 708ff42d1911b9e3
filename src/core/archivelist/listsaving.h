// Saving the archive list from the panel: a save that fails keeps what it could not write, so
// that the edit is not lost when the panel ends before a later save succeeds.
#pragma once

#include <QByteArray>
#include <QString>

class TTreeList;

class ArchiveListSaving
{
public:
    // Writes tree's list to fileName (a Windows path). False when it cannot: the bytes are then
    // kept as pending until a save succeeds.
    bool save(const TTreeList &tree, const QString &fileName);

    // True when nothing is pending, or the file already holds what is pending (a failed write of
    // the list as it was read loses nothing), or writing the pending bytes now succeeds.
    bool flushPending();

    bool hasPending() const { return !m_pendingFile.isEmpty(); }

private:
    QString m_pendingFile; // host path; empty when nothing is pending
    QByteArray m_pendingBytes;
};
