// Whole-file reads and writes for tests, folder listings, generated contents and a file size
// limit that plays a full disk.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/xattr.h>

// The bytes of a file; "<missing>" when it cannot be read, so a comparison names the problem.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Replaces a file's bytes, making its folder when needed; fails the running test when it cannot.
inline void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// Sets the DOS attributes a file carries in its extended attribute ("0x2": hidden).
inline void setDosAttrib(const QString &path, const char *value)
{
    QCOMPARE(::setxattr(QFile::encodeName(path).constData(), "user.DOSATTRIB", value, qstrlen(value), 0), 0);
}

// Sets a file's modification time; fails the running test when it cannot.
inline void setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// Every name a folder holds, hidden ones too, sorted.
inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Every file below a folder whose name marks an unfinished write.
inline QStringList temporaries(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String(".new-")))
            found.append(path);
    }
    return found;
}

// Bytes that do not compress, the same for the same seed.
inline QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// A text of numbered lines that compresses well.
inline QByteArray textLines(int lines, int seed = 1)
{
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes += "line " + QByteArray::number(i * seed) + " of a text that compresses well\n";
    return bytes;
}

// While it lives, a write past the given size fails as on a full disk (SIGXFSZ ignored).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};
