// A whole panel whose program folder holds a copy of archiv, so the Archiver it starts reads the
// test's own afiles.lst; the timed runs are off, so only commands archive. The Archiver is
// stopped when the test ends, whatever happened.
#pragma once

#include "archiverprogram.h"
#include "testpanel.h"

#include "core/archiverlink/communicator.h"
#include "core/platform/prefix.h"
#include "gui/shell/settingspage.h"

#include <QFile>

inline win::HWND archiverWindow()
{
    return win::FindWindow(Communicator::windowClass(), Communicator::windowTitle());
}

// Any test panel (Panel derives from TestPanel) with archiv beside it.
template <typename Panel> class WithArchiver : public Panel
{
public:
    static constexpr int kLong = 60000;

    WithArchiver()
    {
        const QString exe = this->host(QStringLiteral("archiv"));
        QFile::copy(testBinDir() + QStringLiteral("/archiv"), exe);
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        this->settings().WriteInteger(QStringLiteral("Archivalas"), 0);
        this->settings().WriteInteger(QStringLiteral("Biztarchivalas"), 0);
        this->settings().WriteBool(QStringLiteral("Autourites"), false);
    }
    ~WithArchiver()
    {
        if (win::HWND window = archiverWindow())
            win::PostMessage(window, win::WM_CLOSE, 0, 0);
        if (!QTest::qWaitFor([] { return !archiverWindow() && archiverEnded(); }, kLong))
            qWarning("archiv did not end");
    }
};

class ArchiverPanel : public WithArchiver<TestPanel>
{
public:
    bool startedWithin()
    {
        return QTest::qWaitFor([] { return archiverWindow() != nullptr; }, kLong);
    }
    QString caption() const { return control<QToolButton>(main, "SpeedButton7")->text(); }
    QToolButton *startStop() const { return control<QToolButton>(main, "SpeedButton7"); }
};
