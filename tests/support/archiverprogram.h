// The real archiv for tests: a program folder of its own (so its afiles.lst is the test's) on the
// test's prefix, started and stopped as a process, commanded as the panel does; and the files of
// its archives. Header-only.
#pragma once

#include "testprefix.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/platform/messagewindow.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/winmsg.h"
#include "core/settings/config.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// True once no archiv holds the prefix's instance lock, that is once its process has ended (also
// one that is not a child of the test).
inline bool archiverEnded()
{
    const QByteArray path = QFile::encodeName(win::Prefix::path() + QStringLiteral("/archiv.lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

class ArchiverProgram
{
public:
    ArchiverProgram()
    {
        QFile::copy(testBinDir() + QStringLiteral("/archiv"), m_exe);
        QFile::setPermissions(m_exe, QFile::permissions(m_exe) | QFileDevice::ExeOwner);
    }
    ~ArchiverProgram() { stop(); }

    QString folder() const { return m_dir.path(); }
    QString listFile() const { return m_dir.path() + QStringLiteral("/afiles.lst"); }
    QProcess &process() { return m_process; }

    // Starts it (by default with its timers an hour away) and waits for its window.
    bool start(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
               const QStringList &arguments = {QStringLiteral("--start-delay-ms"), QStringLiteral("3600000")})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.setProcessEnvironment(environment);
        m_process.start(m_exe, arguments);
        return m_process.waitForStarted(kLong) && QTest::qWaitFor([] { return window() != nullptr; }, kLong);
    }
    bool start(const QStringList &arguments) { return start(QProcessEnvironment::systemEnvironment(), arguments); }

    static win::HWND window()
    {
        return win::FindWindow(QStringLiteral("APP_USER_WINDOW"),
                               QString::fromUtf8("Kovamark-archiv\xc3\xa1l\xc3\xb3"));
    }

    // Sends command 1, 2 or 3 and returns when the Archiver has handled it.
    static void command(int code)
    {
        const win::UINT message = win::RegisterWindowMessage(QStringLiteral("Kovamark-main-message"));
        win::SendMessage(window(), message, win::WPARAM(code), win::LPARAM(code));
    }

    // Archives a side (1 or 2) and waits for the end of the run; its state then.
    static int archive(int side)
    {
        command(side + 1);
        waitIdle(side);
        return Tconfig().ReadInteger(side == 1 ? QStringLiteral("Archstate") : QStringLiteral("Safestate"),
                                     -1);
    }
    // Waits until the side (1 or 2) is no longer busy.
    static bool waitIdle(int side)
    {
        Tconfig config;
        const QString progress = side == 1 ? QStringLiteral("Progress_1") : QStringLiteral("Progress_2");
        return QTest::qWaitFor([&] { return !config.ReadBool(progress, false); }, kLong);
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        if (win::HWND hwnd = window())
            win::PostMessage(hwnd, win::WM_CLOSE, 0, 0);
        if (!m_process.waitForFinished(kLong)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    static constexpr int kLong = 120000;

private:
    QTemporaryDir m_dir;
    QString m_exe = m_dir.path() + QStringLiteral("/archiv");
    QProcess m_process;
};

// Points a side (1 or 2) at a destination (host path) under its default archive name, in the form
// given: never archived, not busy, with no failure and no condition notified; timed archiving and
// emptying off.
inline void setArchiveSide(int side, const QString &destination, bool compressed)
{
    Tconfig config;
    const QString n = QString::number(side);
    config.WriteString(side == 1 ? QStringLiteral("Celutvonal") : QStringLiteral("Celutvonal2"),
                       win::ToWindowsPath(destination));
    config.WriteString(QStringLiteral("Celkonyvtarnev") + n, QStringLiteral("Archive") + n);
    config.WriteBool(QStringLiteral("Bzip2_ok_") + n, compressed);
    config.WriteBool(QStringLiteral("Progress_") + n, false);
    config.WriteInteger(side == 1 ? QStringLiteral("Archstate") : QStringLiteral("Safestate"), 0);
    config.WriteDateTime(side == 1 ? QStringLiteral("Archutolso") : QStringLiteral("Archutolso2"), 0.0);
    config.WriteDateTime(QStringLiteral("LastGood_") + n, 0.0);
    config.WriteString(QStringLiteral("Conditions_") + n, QString());
    for (const char *off : {"Archivalas", "Biztarchivalas", "Autourites"})
        config.WriteInteger(QLatin1String(off), 0);
}

// Where a source file (host path) lies in an archive root (host path), in one form or the other.
inline QString archivedPath(const QString &root, const QString &hostSource, bool compressed)
{
    archiver::ArchivedLocation location;
    if (!archiver::archivedLocation(win::ToWindowsPath(hostSource), compressed, &location))
        return QString();
    return root + QLatin1Char('/') + location.relativePath().replace(QLatin1Char('\\'), QLatin1Char('/'));
}

inline qint64 modificationNs(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

// What the bzip2 program writes, given the arguments and input; "<bzip2 failed>" when it fails.
inline QByteArray runBzip2(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess bzip2;
    bzip2.start(QStringLiteral("bzip2"), arguments);
    bzip2.write(input);
    bzip2.closeWriteChannel();
    if (!bzip2.waitForFinished(ArchiverProgram::kLong) || bzip2.exitStatus() != QProcess::NormalExit ||
        bzip2.exitCode() != 0)
        return QByteArray("<bzip2 failed>");
    return bzip2.readAllStandardOutput();
}

// The content of a bzip2 file, and bytes compressed.
inline QByteArray bunzipped(const QString &path)
{
    return runBzip2({QStringLiteral("-dc"), path});
}
inline QByteArray bzipped(const QByteArray &bytes)
{
    return runBzip2({QStringLiteral("-c")}, bytes);
}
