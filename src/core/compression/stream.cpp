// A small byte-stream abstraction and a stream over a host file.
#include "stream.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemMessage(int osError)
{
    return QString::fromLocal8Bit(std::strerror(osError));
}

} // namespace

StreamError::StreamError(const QString &message) : std::runtime_error(message.toStdString()) {}

FileCreateError::FileCreateError(const QString &path, int osError)
    : StreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, systemMessage(osError))),
      m_osError(osError)
{
}

FileOpenError::FileOpenError(const QString &path, int osError)
    : StreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, systemMessage(osError)))
{
}

ReadError::ReadError() : StreamError(QStringLiteral("Stream read error")) {}

WriteError::WriteError(int osError) : StreamError(QStringLiteral("Stream write error")), m_osError(osError) {}

Stream::~Stream() = default;

void Stream::readBuffer(void *buffer, qint64 count)
{
    if (count != 0 && read(buffer, count) != count)
        throw ReadError();
}

void Stream::writeBuffer(const void *buffer, qint64 count)
{
    if (count != 0 && write(buffer, count) != count)
        throw WriteError();
}

FileStream::FileStream(const QString &hostPath, Mode mode) : m_path(hostPath)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::OpenRead:
        flags |= O_RDONLY;
        break;
    case Mode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case Mode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    const QByteArray name = QFile::encodeName(hostPath);
    do
        m_fd = ::open(name.constData(), flags, 0666);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        if (mode == Mode::OpenRead)
            throw FileOpenError(hostPath, errno);
        throw FileCreateError(hostPath, errno);
    }
}

FileStream::FileStream(int fd, const QString &hostPath) : m_path(hostPath), m_fd(fd) {}

FileStream::~FileStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 FileStream::read(void *buffer, qint64 count)
{
    auto *out = static_cast<char *>(buffer);
    qint64 done = 0;
    // A regular file gives less than asked only at its end; the loop also covers interrupted
    // and partial reads of anything else.
    while (done < count) {
        const ssize_t n = ::read(m_fd, out + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_position = ::lseek(m_fd, 0, SEEK_CUR);
            throw ReadError();
        }
        if (n == 0)
            break;
        done += n;
    }
    m_position += done;
    return done;
}

qint64 FileStream::write(const void *buffer, qint64 count)
{
    const auto *in = static_cast<const char *>(buffer);
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, in + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            m_position = ::lseek(m_fd, 0, SEEK_CUR);
            throw WriteError(error);
        }
        if (n == 0) // nothing taken and no error: retrying would never end
            throw WriteError();
        done += n;
    }
    m_position += done;
    return done;
}

qint64 FileStream::seek(qint64 offset, SeekOrigin origin)
{
    if (origin == SeekOrigin::Current && offset == 0)
        return m_position;
    const int whence = origin == SeekOrigin::Beginning ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t result = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (result < 0)
        throw StreamError(QStringLiteral("Cannot seek in \"%1\". %2").arg(m_path, systemMessage(errno)));
    m_position = result;
    return m_position;
}
