// A whole panel for the tests of the archive list page and the extension window: a fresh prefix, a
// program folder, and a drive T: of the test's own holding a small folder tree; plus the answering
// of modal windows from a timer and a sorted view of the archive list.
#pragma once

#include "testdrive.h"
#include "testfiles.h"
#include "testprefix.h"

#include "archivelist/treelist.h"
#include "archivelist/treelistview.h"
#include "config/config.h"
#include "platform/paths.h"
#include "shell/app_user_window.h"
#include "shell/application.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

// Runs action once window is the active modal window.
inline void whenModal(QWidget *window, std::function<void()> action)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (QApplication::activeModalWidget() != window)
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(10);
}

// Every node of a list as "path|kind", the set following the path where there is one, sorted: the
// list's content without the file system's order.
inline QStringList listItems(const TTreeList &list)
{
    QStringList items;
    std::vector<const TreeListNode *> pending;
    for (int i = 0; i < list.topLevelCount(); ++i)
        pending.push_back(list.topLevelNode(i));
    while (!pending.empty()) {
        const TreeListNode *node = pending.back();
        pending.pop_back();
        const QString set = TTreeList::NodeExt(node);
        items.append(TTreeList::NodePath(node) +
                     (set.isEmpty() ? QString() : QStringLiteral(" [") + set + QLatin1Char(']')) +
                     QLatin1Char('|') + QString::number(node->imageIndex()));
        for (int i = 0; i < node->childCount(); ++i)
            pending.push_back(node->child(i));
    }
    items.sort();
    return items;
}

class ArchivePanel
{
public:
    // confirm: the stored choice of the settings page's confirmation box.
    explicit ArchivePanel(bool confirm = false)
    {
        programDir = win::ToWindowsPath(m_programHost.path());
        mapTestDrive("t", m_driveHost.path());
        Tconfig().WriteBool(QStringLiteral("Kerdez"), confirm);
    }

    // A path below the program folder or the drive T:, on the host.
    QString programFile(const QString &relative) const
    {
        return m_programHost.path() + QLatin1Char('/') + relative;
    }
    QString driveHost() const { return m_driveHost.path(); }

    // Builds the panel, shows it and waits for its first activation.
    bool start()
    {
        PanelOptions options;
        options.programDir = programDir;
        options.screenWidth = [] { return 1280; };
        options.registryErrorHandler = [this](const ConfigError &) { ++registryErrors; };
        panel = std::make_unique<DunlivoPanel>(options);
        if (!panel->create())
            return false;
        main = panel->App_user_window();
        main->terminateHandler = [] {};
        main->show();
        return QTest::qWaitFor([this] { return main->ActivatedOnce && !main->LoadingSettings; });
    }

    TTreeList *list() const { return main->TLarchive->treeList(); }
    QByteArray listFile() const { return readFile(programFile(QStringLiteral("afiles.lst"))); }

    TestPrefix prefix;
    QString programDir;
    std::unique_ptr<DunlivoPanel> panel;
    TApp_user_window *main = nullptr;
    int registryErrors = 0;

private:
    QTemporaryDir m_programHost;
    QTemporaryDir m_driveHost;
};
