// LogFile: a log of the prefix, one line per event after the local time. The file is private
// (0600 whatever the umask, the folder 0700) and never written through a link someone put in its
// place; a folder or file of another user, or one others can write, is not used. It is started
// afresh, the old one kept beside it with ".1" appended, when it grows past a megabyte. Control
// characters in a line (of a file name) are written out as shownName shows them. Safe to use
// from several threads.
#pragma once

#include <QFile>
#include <QString>

#include <mutex>

namespace win {

class LogFile
{
public:
    // Opens (appending) folder/name; the folder is made when missing. An empty folder gives a log
    // that writes nothing. A log that cannot be used writes nothing and errorString() says why.
    LogFile(const QString &folder, const QString &name);

    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    QString fileName() const { return m_fileName; }
    void write(const QString &line);

private:
    void rotateIfLarge();
    void openFile();
    // The local time of the line, formatted once per second: a restore writes a line per file.
    const QString &stamp();

    std::mutex m_mutex;
    QString m_fileName;
    QString m_error;
    QFile m_file;
    qint64 m_stampSecond = -1;
    QString m_stamp;
};

} // namespace win
