// The real archiv in a program folder of the test's own (so its afiles.lst is the test's), on the
// test's prefix. Header-only.
#pragma once

#include "testprefix.h"

#include "platform/messagewindow.h"
#include "platform/winmsg.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ArchiverProgram
{
public:
    ArchiverProgram()
    {
        m_exe = m_dir.path() + QStringLiteral("/archiv");
        QFile::copy(testBinDir() + QStringLiteral("/archiv"), m_exe);
        QFile::setPermissions(m_exe, QFile::permissions(m_exe) | QFileDevice::ExeOwner);
    }
    ~ArchiverProgram() { stop(); }
    ArchiverProgram(const ArchiverProgram &) = delete;
    ArchiverProgram &operator=(const ArchiverProgram &) = delete;

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
        if (!m_process.waitForStarted(60000))
            return false;
        for (int i = 0; i < 1200 && !window(); ++i)
            QTest::qWait(50);
        return window() != nullptr;
    }

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

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        if (win::HWND hwnd = window())
            win::PostMessage(hwnd, win::WM_CLOSE, 0, 0);
        if (!m_process.waitForFinished(60000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_exe;
    QProcess m_process;
};
