// A whole panel on a fresh prefix and program folder for tests, and the answering of its modal
// windows from a timer. Header-only: only tests that link the panel's windows include it.
#pragma once

#include "testprefix.h"

#include "findcontrol.h"

#include "core/platform/paths.h"
#include "core/platform/registry.h"
#include "core/settings/config.h"
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/confirm1f.h"
#include "gui/shell/info1f.h"
#include "gui/shell/question.h"
#include "gui/shell/savef.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPair>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

// The text a view draws for an item: what its delegate makes of the item's data.
inline QString drawnText(const QAbstractItemView *view, const QModelIndex &index)
{
    const auto *delegate = qobject_cast<const QStyledItemDelegate *>(view->itemDelegateForIndex(index));
    return delegate ? delegate->displayText(index.data(), view->locale()) : QStringLiteral("(no delegate)");
}

// Runs action once the window is the active modal window and, when given, shows that first line
// in its Label1.
inline void whenModal(QWidget *window, std::function<void()> action, const QString &firstLine = QString())
{
    auto *poll = new QTimer(window); // goes with the window when it never becomes modal
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (QApplication::activeModalWidget() != window)
            return;
        if (!firstLine.isEmpty()) {
            auto *label = window->findChild<QLabel *>(QStringLiteral("Label1"));
            if (!label || label->text() != firstLine)
                return;
        }
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
        [=] {
            QTest::mouseClick(yes ? control<QToolButton>(confirm, "SpeedButton1")
                                  : control<QToolButton>(confirm, "SpeedButton2"),
                              Qt::LeftButton);
        },
        question);
}

// Closes the information window once it shows this first line; the second line it showed is
// kept in *second when given.
inline void acknowledge(Tinfo1F *info, const QString &firstLine, QString *second = nullptr)
{
    whenModal(
        info,
        [=] {
            if (second)
                *second = control<QLabel>(info, "Label2")->text();
            QTest::mouseClick(control<QToolButton>(info, "SpeedButton1"), Qt::LeftButton);
        },
        firstLine);
}

// Answers every information box while it lives, keeping their lines in order.
class InfoLog : public QObject
{
public:
    explicit InfoLog(Tinfo1F *info) : m_info(info)
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (QApplication::activeModalWidget() != m_info || !m_info->isVisible())
                return;
            boxes.append(
                {control<QLabel>(m_info, "Label1")->text(), control<QLabel>(m_info, "Label2")->text()});
            QTest::mouseClick(control<QToolButton>(m_info, "SpeedButton1"), Qt::LeftButton);
        });
        m_poll.start(5);
    }
    QList<QPair<QString, QString>> boxes;
    QStringList firstLines() const { return lines(&QPair<QString, QString>::first); }
    QStringList secondLines() const { return lines(&QPair<QString, QString>::second); }
    // Each box as "first|second".
    QStringList shown() const
    {
        QStringList found;
        for (const auto &box : boxes)
            found.append(box.first + QLatin1Char('|') + box.second);
        return found;
    }

private:
    QStringList lines(QString QPair<QString, QString>::*line) const
    {
        QStringList found;
        for (const auto &box : boxes)
            found.append(box.*line);
        return found;
    }
    Tinfo1F *m_info;
    QTimer m_poll;
};

// The questions asked through the answers queued since the last call ("first" or "first\nsecond");
// answers still queued are dropped.
inline QStringList takeQuestions()
{
    const QStringList asked = Question::askedQuestions();
    Question::clearAskedQuestions();
    Question::setNextAnswers({});
    return asked;
}

// The settings key.
inline const QString kSettings = QStringLiteral("Kovamark\\Dunlivo");

// Whether a registry value exists.
inline bool valueExists(win::HKEY root, const QString &path, const QString &name)
{
    using namespace win;
    HKEY key = nullptr;
    if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    const bool exists = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

// Sets the unnamed value of a key below HKEY_CLASSES_ROOT.
inline void setDefaultValue(const QString &path, const QString &text)
{
    using namespace win;
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

// A fresh prefix, a program folder with an empty Help folder, and a panel built on them.
class TestPanel
{
public:
    explicit TestPanel(int screenWidth = 1280) : m_screenWidth(screenWidth)
    {
        QDir(m_programHost.path()).mkpath(QStringLiteral("Help"));
        programDir = win::ToWindowsPath(m_programHost.path());
    }

    // A host path in the program folder.
    QString host(const QString &relative) const { return m_programHost.path() + QLatin1Char('/') + relative; }

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
        // The program's ending is counted instead.
        main->terminateHandler = [this] { ++terminations; };
        // Every save shows the progress window once.
        saveCounter.watched = panel->saveF();
        panel->saveF()->installEventFilter(&saveCounter);
        return true;
    }

    bool start() { return create() && show(); }

    // Shows the main window built by create and waits for its first activation.
    bool show()
    {
        main->show();
        return QTest::qWaitFor([this] { return main->activatedOnce() && !main->loadingSettings(); });
    }

    // A store of the test's own, to read and write the settings as the Archiver does.
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
