// A whole panel whose program folder holds a copy of archiv, so the Archiver it starts reads the
// test's own afiles.lst; the timed runs are off, so only commands archive. The Archiver is
// stopped when the test ends, whatever happened.
#pragma once

#include "testpanel.h"

#include "archiver/communicator.h"
#include "platform/prefix.h"
#include "shell/settingspage.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

inline win::HWND archiverWindow()
{
    return win::FindWindow(Communicator::windowClass(), Communicator::windowTitle());
}

// True once no archiv holds the prefix's instance lock, that is once its process has ended.
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

class ArchiverPanel : public TestPanel
{
public:
    static constexpr int kLong = 60000;

    ArchiverPanel()
    {
        const QString exe = host(QStringLiteral("archiv"));
        QFile::copy(testBinDir() + QStringLiteral("/archiv"), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        settings().WriteInteger(QStringLiteral("Archivalas"), 0);
        settings().WriteInteger(QStringLiteral("Biztarchivalas"), 0);
        settings().WriteBool(QStringLiteral("Autourites"), false);
    }
    ~ArchiverPanel()
    {
        if (win::HWND window = archiverWindow())
            win::PostMessage(window, win::WM_CLOSE, 0, 0);
        if (!QTest::qWaitFor([] { return !archiverWindow() && archiverEnded(); }, kLong))
            qWarning("archiv did not end");
    }

    bool startedWithin()
    {
        return QTest::qWaitFor([] { return archiverWindow() != nullptr; }, kLong);
    }
    QString caption() const { return main->settingsPage->SpeedButton7->text(); }
    QToolButton *startStop() const { return main->settingsPage->SpeedButton7; }
};
