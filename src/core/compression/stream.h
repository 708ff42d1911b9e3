// A small byte-stream abstraction (read, write, seek, position) and a stream over a host file.
//
// Failures are raised as exceptions whose class says what failed, so that a caller can turn
// them into its own result codes by kind.
#pragma once

#include <QString>
#include <QtGlobal>

#include <stdexcept>

// Any stream failure; the classes below name the more specific ones.
class StreamError : public std::runtime_error
{
public:
    explicit StreamError(const QString &message);
};

// A file could not be created (or replaced).
class FileCreateError : public StreamError
{
public:
    FileCreateError(const QString &path, int osError);
    int osError() const { return m_osError; }

private:
    int m_osError;
};

// An existing file could not be opened.
class FileOpenError : public StreamError
{
public:
    FileOpenError(const QString &path, int osError);
};

class ReadError : public StreamError
{
public:
    ReadError();
};

class WriteError : public StreamError
{
public:
    // osError: the system's error number when the system refused the write, else 0.
    explicit WriteError(int osError = 0);
    int osError() const { return m_osError; }

private:
    int m_osError;
};

class Stream
{
public:
    enum class SeekOrigin { Beginning, Current, End };

    virtual ~Stream();

    // Reads up to count bytes; returns how many were read, 0 at the end.
    virtual qint64 read(void *buffer, qint64 count) = 0;
    // Writes up to count bytes; returns how many were written.
    virtual qint64 write(const void *buffer, qint64 count) = 0;
    // Moves the position and returns the new one.
    virtual qint64 seek(qint64 offset, SeekOrigin origin) = 0;

    qint64 position() { return seek(0, SeekOrigin::Current); }
    void setPosition(qint64 position) { seek(position, SeekOrigin::Beginning); }

    // Read or write exactly count bytes, or raise ReadError / WriteError.
    void readBuffer(void *buffer, qint64 count);
    void writeBuffer(const void *buffer, qint64 count);

protected:
    Stream() = default;
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;
};

// A stream over a host file. Reads and writes go straight to the file, without a buffer of its own.
class FileStream : public Stream
{
public:
    enum class Mode {
        OpenRead,  // an existing file, read only; others may read and write it meanwhile
        Create,    // create the file, or truncate it when it exists; read and write
        CreateNew, // create a file that must not exist yet; read and write
    };

    // Raises FileOpenError (OpenRead) or FileCreateError (Create, CreateNew).
    FileStream(const QString &hostPath, Mode mode);
    // Takes over a descriptor open for reading and writing; hostPath names the file in messages.
    FileStream(int fd, const QString &hostPath);
    ~FileStream() override;

    qint64 read(void *buffer, qint64 count) override;
    qint64 write(const void *buffer, qint64 count) override;
    qint64 seek(qint64 offset, SeekOrigin origin) override;

    const QString &fileName() const { return m_path; }
    int handle() const { return m_fd; }

private:
    QString m_path;
    int m_fd = -1;
    qint64 m_position = 0; // kept here so that asking for the position costs no system call
};
