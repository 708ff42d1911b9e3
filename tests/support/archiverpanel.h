// A whole panel whose program folder holds a copy of archiv, so the Archiver it starts reads the
// test's own afiles.lst; the timed runs are off, so only commands archive. The Archiver is
// stopped when the test ends, whatever happened.
#pragma once

#include "archiverprogram.h"
#include "testpanel.h"

#include "archiver/communicator.h"
#include "platform/prefix.h"
#include "shell/settingspage.h"

#include <QFile>

inline win::HWND archiverWindow()
{
    return win::FindWindow(Communicator::windowClass(), Communicator::windowTitle());
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
    QString caption() const { return control<QToolButton>(main, "SpeedButton7")->text(); }
    QToolButton *startStop() const { return control<QToolButton>(main, "SpeedButton7"); }
};
