// The Archiver's log file.
#include "archivelog.h"

#include "platform/privatefiles.h"
#include "platform/shownname.h"

#include <QDateTime>

namespace archiver {

namespace {
constexpr qint64 kMaxLogSize = 1024 * 1024;
}

ArchiveLog::ArchiveLog(const QString &folder)
    : m_fileName(folder + QStringLiteral("/archiv.log")), m_file(m_fileName)
{
    if (win::MakePrivateFolder(folder, &m_error))
        openFile();
}

void ArchiveLog::openFile()
{
    // Private whatever the umask, and never written through a link someone put in its place.
    const int fd = win::OpenPrivateFileForAppend(m_fileName, win::PrivateKind::LogFile, &m_error);
    if (fd >= 0)
        m_file.open(fd, QIODevice::Append | QIODevice::Text, QFileDevice::AutoCloseHandle);
}

void ArchiveLog::write(const QString &line)
{
    const std::lock_guard lock(m_mutex);
    if (!m_file.isOpen())
        return;
    rotateIfLarge();
    // A name with control characters in it cannot break the line or act on a terminal showing it.
    const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                            QLatin1Char(' ') + shownName(line) + QLatin1Char('\n');
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
    openFile();
}

} // namespace archiver
