// The Archiver's log: one line per event, with the local time, in the prefix's log folder. Safe
// to use from the run's worker threads. The file is started afresh (the old one kept as
// archiv.log.1) when it grows past a megabyte. Control characters in a line (of a file name) are
// written out as shownName shows them.
#pragma once

#include <QFile>
#include <QString>

#include <mutex>

namespace archiver {

class ArchiveLog
{
public:
    // Opens (appending) folder/archiv.log, mode 0600; the folder is made (0700) when missing. A
    // folder or file of another user, or one others can write, is not used: nothing is logged
    // and errorString() says why.
    explicit ArchiveLog(const QString &folder);
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    void write(const QString &line);
    QString fileName() const { return m_fileName; }

private:
    void rotateIfLarge();
    void openFile();

    std::mutex m_mutex;
    QString m_fileName;
    QString m_error;
    QFile m_file;
};

} // namespace archiver
