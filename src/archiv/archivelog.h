// The Archiver's log: one line per event, with the local time, in the prefix's log folder. Safe
// to use from the run's worker threads. The file is started afresh (the old one kept as
// archiv.log.1) when it grows past a megabyte.
#pragma once

#include <QFile>
#include <QString>

#include <mutex>

namespace archiver {

class ArchiveLog
{
public:
    // Opens (appending) folder/archiv.log; the folder is made when missing.
    explicit ArchiveLog(const QString &folder);
    void write(const QString &line);
    QString fileName() const { return m_fileName; }

private:
    void rotateIfLarge();

    std::mutex m_mutex;
    QString m_fileName;
    QFile m_file;
};

} // namespace archiver
