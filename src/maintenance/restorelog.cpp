// The restore's log.
#include "restorelog.h"

#include "platform/shownname.h"

#include <QDateTime>
#include <QDir>

namespace {

constexpr qint64 kMaxLogSize = 1 << 20;

} // namespace

RestoreLog::RestoreLog(const QString &folder)
{
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QString name = folder + QStringLiteral("/restore.log");
    // A log grown past a megabyte starts afresh; the previous one is kept beside it.
    if (QFile(name).size() > kMaxLogSize) {
        QFile::remove(name + QStringLiteral(".1"));
        QFile::rename(name, name + QStringLiteral(".1"));
    }
    m_file.setFileName(name);
    (void)m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void RestoreLog::write(const QString &line)
{
    if (!m_file.isOpen())
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // A name with control characters in it cannot break the line or act on a terminal showing it.
    m_file.write((stamp + QLatin1Char(' ') + shownName(line) + QLatin1Char('\n')).toUtf8());
    m_file.flush();
}
