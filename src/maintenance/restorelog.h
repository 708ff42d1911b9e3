// RestoreLog: what each restore gave back, file by file, appended to restore.log in the prefix's
// log folder, so that a user can see afterwards what came back and what did not.
#pragma once

#include <QFile>
#include <QString>

class RestoreLog
{
public:
    // Opens (appending) restore.log in folder; the folder is made when missing. A log that cannot
    // be opened (or no folder) is skipped quietly: it never stops a restore.
    explicit RestoreLog(const QString &folder);

    // One line, after the local time; control characters (of a file name) are written out as
    // shownName shows them.
    void write(const QString &line);
    QString fileName() const { return m_file.fileName(); }

private:
    QFile m_file;
};
