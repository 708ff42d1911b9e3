// A whole panel on a fresh prefix and program folder for the window tests, and the helpers that
// answer its modal windows from a timer.
#pragma once

#include "testmain.h"

#include "config/config.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "shell/app_user_window.h"
#include "shell/application.h"
#include "shell/confirm1f.h"
#include "shell/savef.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using namespace win;

inline const QString kSettings = QStringLiteral("Kovamark\\Dunlivo");

// Runs action once the window is the active modal window and, when given, shows that first line.
inline void whenModal(QWidget *window, std::function<void()> action, const QString &firstLine = QString())
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (QApplication::activeModalWidget() != window)
            return;
        if (!firstLine.isEmpty() &&
            window->findChild<QLabel *>(QStringLiteral("Label1"))->text() != firstLine)
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(10);
}

// Answers the confirmation window's question with Yes or No.
inline void answer(Tconfirm1F *confirm, const QString &question, bool yes)
{
    whenModal(
        confirm,
        [=] { QTest::mouseClick(yes ? confirm->SpeedButton1 : confirm->SpeedButton2, Qt::LeftButton); },
        question);
}

inline bool valueExists(HKEY root, const QString &path, const QString &name)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    const bool exists = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

inline void setDefaultValue(const QString &path, const QString &text)
{
    HKEY key = nullptr;
    QCOMPARE(RegCreateKeyEx(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             ERROR_SUCCESS);
    const QByteArray data = text.toUtf8() + '\0';
    QCOMPARE(RegSetValueEx(key, QString(), 0, REG_SZ, reinterpret_cast<const BYTE *>(data.constData()),
                           DWORD(data.size())),
             ERROR_SUCCESS);
    RegCloseKey(key);
}

// Counts how often a window is shown.
class ShowCounter : public QObject
{
public:
    QObject *watched = nullptr;
    int count = 0;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (object == watched && event->type() == QEvent::Show)
            ++count;
        return QObject::eventFilter(object, event);
    }
};

// A fresh prefix, a program folder, and a panel built on them.
class Panel
{
public:
    explicit Panel(int screenWidth = 1280) : m_screenWidth(screenWidth)
    {
        QDir(m_programHost.path()).mkpath(QStringLiteral("Help"));
        programDir = ToWindowsPath(m_programHost.path());
    }

    QString host(const QString &relative) const { return m_programHost.path() + QLatin1Char('/') + relative; }

    // Builds the windows; false when the settings store could not be opened.
    bool create()
    {
        PanelOptions options;
        options.programDir = programDir;
        options.screenWidth = [this] { return m_screenWidth; };
        options.registryErrorHandler = [this](const ConfigError &e) {
            errors.append(e.text());
            details.append(e.detail());
        };
        panel = std::make_unique<DunlivoPanel>(options);
        if (!panel->create())
            return false;
        main = panel->App_user_window();
        main->terminateHandler = [this] { ++terminations; };
        // Every save shows the progress window once.
        saveCounter.watched = panel->saveF();
        panel->saveF()->installEventFilter(&saveCounter);
        return true;
    }

    // Shows the main window and waits for its first activation.
    bool start()
    {
        if (!create())
            return false;
        main->show();
        return QTest::qWaitFor([this] { return main->ActivatedOnce && !main->LoadingSettings; });
    }

    // A store of the test's own, to read and write the settings.
    Tconfig &settings()
    {
        if (!m_settings)
            m_settings = std::make_unique<Tconfig>();
        return *m_settings;
    }

    TestPrefix prefix;
    QString programDir;
    std::unique_ptr<DunlivoPanel> panel;
    TApp_user_window *main = nullptr;
    QStringList errors;
    QStringList details;
    int terminations = 0;
    ShowCounter saveCounter;
    int saves() const { return saveCounter.count; }

private:
    QTemporaryDir m_programHost;
    int m_screenWidth;
    std::unique_ptr<Tconfig> m_settings;
};
