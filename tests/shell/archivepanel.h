// The panel for the tests of the archive list page and the extension window, with a drive T: of
// the test's own, and a sorted view of the archive list.
#pragma once

#include "testdrive.h"
#include "testfiles.h"
#include "testpanel.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "gui/archivelist/directoryviews.h"
#include "gui/archivelist/extlistf.h"
#include "gui/archivelist/treelistview.h"
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/archivelistpage.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

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

// The archive list page's controls the tests use, found by their names.
struct ArchivePage
{
    explicit ArchivePage(QWidget *main)
        : path(control<QLabel>(main, "Label20")), files(control<TFileListView>(main, "LFV")),
          tree(control<TDirectoryTreeView>(main, "LsDT")), archive(control<TTreeListView>(main, "TLarchive")),
          subdirectories(control<QCheckBox>(main, "CheckBox7")),
          remove(control<QToolButton>(main, "SBdelitem")),
          extensions(control<QToolButton>(main, "SpeedButton16"))
    {
    }
    QLabel *path;
    TFileListView *files;
    TDirectoryTreeView *tree;
    TTreeListView *archive;
    QCheckBox *subdirectories;
    QToolButton *remove;
    QToolButton *extensions;
};

// The panel of the window tests with a drive T: of the test's own.
class ArchivePanel : public TestPanel
{
public:
    // confirm: the stored choice of the settings page's confirmation box.
    explicit ArchivePanel(bool confirm = false)
    {
        mapTestDrive("t", m_driveHost.path());
        settings().WriteBool(QStringLiteral("Kerdez"), confirm);
    }

    // The folder behind the drive T:.
    QString driveHost() const { return m_driveHost.path(); }

    TTreeList *list() const { return main->archiveList(); }
    QByteArray listFile() const { return readFile(host(QStringLiteral("afiles.lst"))); }

private:
    QTemporaryDir m_driveHost;
};
