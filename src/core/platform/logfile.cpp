// A private log file of the prefix.
#include "logfile.h"

#include "privatefiles.h"
#include "shownname.h"

#include <QDateTime>

namespace win {

namespace {
constexpr qint64 kMaxLogSize = 1024 * 1024;
}

LogFile::LogFile(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return;
    m_fileName = folder + QLatin1Char('/') + name;
    if (MakePrivateFolder(folder, &m_error))
        openFile();
}

void LogFile::openFile()
{
    const int fd = OpenPrivateFileForAppend(m_fileName, PrivateKind::LogFile, &m_error);
    if (fd >= 0)
        m_file.open(fd, QIODevice::Append | QIODevice::Text, QFileDevice::AutoCloseHandle);
}

void LogFile::write(const QString &line)
{
    const std::lock_guard lock(m_mutex);
    if (!m_file.isOpen())
        return;
    rotateIfLarge();
    // A name with control characters in it cannot break the line or act on a terminal showing it.
    const QString stamped = stamp() + QLatin1Char(' ') + shownName(line) + QLatin1Char('\n');
    m_file.write(stamped.toUtf8());
    m_file.flush();
}

const QString &LogFile::stamp()
{
    // Whole seconds since the epoch: the same second is the same local time, whatever the zone.
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != m_stampSecond) {
        m_stamp = QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        m_stampSecond = second;
    }
    return m_stamp;
}

void LogFile::rotateIfLarge()
{
    if (m_file.size() < kMaxLogSize)
        return;
    m_file.close();
    const QString old = m_fileName + QStringLiteral(".1");
    QFile::remove(old);
    QFile::rename(m_fileName, old);
    openFile();
}

} // namespace win
