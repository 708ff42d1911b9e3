// The Archiver's log file.
#include "archivelog.h"

#include <QDateTime>
#include <QDir>

namespace archiver {

namespace {
constexpr qint64 kMaxLogSize = 1024 * 1024;
}

ArchiveLog::ArchiveLog(const QString &folder)
    : m_fileName(folder + QStringLiteral("/archiv.log")), m_file(m_fileName)
{
    QDir().mkpath(folder);
    m_file.open(QIODevice::Append | QIODevice::Text);
}

void ArchiveLog::write(const QString &line)
{
    const std::lock_guard lock(m_mutex);
    if (!m_file.isOpen())
        return;
    rotateIfLarge();
    const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                            QLatin1Char(' ') + line + QLatin1Char('\n');
    m_file.write(stamped.toUtf8());
    m_file.flush();
}

void ArchiveLog::rotateIfLarge()
{
    if (m_file.size() < kMaxLogSize)
        return;
    m_file.close();
    const QString old = m_fileName + QStringLiteral(".1");
    QFile::remove(old);
    QFile::rename(m_fileName, old);
    m_file.open(QIODevice::Append | QIODevice::Text);
}

} // namespace archiver
