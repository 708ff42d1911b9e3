// The main window's archive list page at work: the pop-up menus, the events of the directory
// tree, the file list and the archive list, adding directories and files, deleting items, and
// opening the extension list window. Every edit ends by writing the list (SyncArchiveLists 2).
#include "app_user_window.h"

#include "application.h"
#include "info1f.h"
#include "pathtext.h"
#include "savef.h"

#include "appearance/kovaprovider.h"
#include "archivelist/directoryviews.h"
#include "archivelist/drivetree.h"
#include "archivelist/extlistf.h"
#include "archivelist/findfile.h"
#include "archivelist/listediting.h"
#include "archivelist/treelistview.h"
#include "platform/shownname.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

void TApp_user_window::buildArchiveMenus()
{
    const auto action = [](QMenu *menu, const char *name) {
        QAction *item = menu->addAction(QString());
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Adddir1 = action(PopupMenu2, "Adddir1");
    PopupMenu2->addSeparator();
    Extensions1 = action(PopupMenu2, "Extensions1");
    Subdir = action(PopupMenu2, "Subdir");
    Subdir->setCheckable(true);

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    delitem1 = action(PopupMenu3, "delitem1");
    Delchild1 = action(PopupMenu3, "Delchild1");
    PopupMenu3->addSeparator();
    Extlist1 = action(PopupMenu3, "Extlist1");

    LsDT->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LsDT, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu2->popup(LsDT->viewport()->mapToGlobal(at)); });
    TLarchive->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TLarchive, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu3->popup(TLarchive->viewport()->mapToGlobal(at)); });
    connect(PopupMenu3, &QMenu::aboutToShow, this, &TApp_user_window::PopupMenu3Popup);

    connect(Adddir1, &QAction::triggered, this, &TApp_user_window::Adddir1Click);
    connect(Extensions1, &QAction::triggered, this, &TApp_user_window::Extensions1Click);
    connect(Subdir, &QAction::triggered, this, &TApp_user_window::SubdirClick);
    connect(delitem1, &QAction::triggered, this, &TApp_user_window::delitem1Click);
    connect(Delchild1, &QAction::triggered, this, &TApp_user_window::Delchild1Click);
    connect(Extlist1, &QAction::triggered, this, &TApp_user_window::Extlist1Click);

    connect(CheckBox7, &QCheckBox::toggled, this, &TApp_user_window::CheckBox7Click);
    connect(SpeedButton17, &QToolButton::clicked, this, &TApp_user_window::SpeedButton17Click);
    connect(SpeedButton20, &QToolButton::clicked, this, &TApp_user_window::SpeedButton20Click);
    connect(SBdelitem, &QToolButton::clicked, this, &TApp_user_window::SBdelitemClick);
    connect(SpeedButton16, &QToolButton::clicked, this, &TApp_user_window::SpeedButton16Click);

    connect(LsDT, &TDirectoryTreeView::Click, this, &TApp_user_window::LsDTClick);
    connect(LsDT, &TDirectoryTreeView::Change, this, &TApp_user_window::LsDTChange);
    connect(LsDT, &TDirectoryTreeView::Collapse, this, &TApp_user_window::LsDTChange);
    connect(LsDT, &TDirectoryTreeView::MouseDown, this, &TApp_user_window::LsDTChange);
    connect(LsDT, &TDirectoryTreeView::KeyDown, this, &TApp_user_window::LsDTKey);
    connect(LsDT, &TDirectoryTreeView::KeyUp, this, &TApp_user_window::LsDTKey);
    connect(LFV, &TFileListView::Click, this, &TApp_user_window::LFVEvent);
    connect(LFV, &TFileListView::Change, this, &TApp_user_window::LFVEvent);
    connect(LFV, &TFileListView::MouseDown, this, &TApp_user_window::LFVEvent);
    connect(TLarchive, &TTreeListView::MouseDown, this, &TApp_user_window::TLarchiveMouseDown);
    connect(TLarchive->treeList(), &TTreeList::selectedChanged, this, &TApp_user_window::TLarchiveChange);
    connect(TLarchive, &TTreeListView::DragDrop, this, &TApp_user_window::TLarchiveDragDrop);
}

// ---- events of the browsing views and the archive list ----

void TApp_user_window::updateDirectoryPath()
{
    CurrentDirPath = LsDT->Path();
    Label20->setText(shownName(CurrentDirPath));
}

void TApp_user_window::LsDTClick()
{
    TLarchive->treeList()->SetSelected(nullptr);
    DragFromDirTree = true;
    updateDirectoryPath();
    SBdelitem->setEnabled(false);
    SpeedButton16->setEnabled(true);
}

void TApp_user_window::LsDTChange()
{
    DragFromDirTree = true;
    updateDirectoryPath();
    SBdelitem->setEnabled(false);
}

void TApp_user_window::LsDTKey()
{
    DragFromDirTree = true;
    TLarchive->setFocus();
}

void TApp_user_window::LFVEvent()
{
    DragFromDirTree = false;
    SBdelitem->setEnabled(false);
}

void TApp_user_window::TLarchiveMouseDown()
{
    if (TLarchive->treeList()->Selected())
        SBdelitem->setEnabled(true);
}

void TApp_user_window::TLarchiveChange()
{
    const TreeListNode *selected = TLarchive->treeList()->Selected();
    if (selected)
        SpeedButton16->setEnabled(!TTreeList::NodeExt(selected).isEmpty());
    else
        SBdelitem->setEnabled(false);
}

void TApp_user_window::TLarchiveDragDrop()
{
    // Only a drag that started in the file list adds what it selects.
    if (!DragFromDirTree)
        AddSelectedFiles();
}

void TApp_user_window::PopupMenu3Popup()
{
    const TTreeList *list = TLarchive->treeList();
    const TreeListNode *selected = list->Selected();
    const bool directory = list->Dir();
    delitem1->setEnabled(selected != nullptr);
    Delchild1->setEnabled(directory && selected->childCount() > 0);
    Extlist1->setEnabled(directory && !TTreeList::NodeExt(selected).isEmpty());
}

void TApp_user_window::CheckBox7Click()
{
    Subdir->setChecked(CheckBox7->isChecked());
}

void TApp_user_window::SubdirClick()
{
    CheckBox7->setChecked(Subdir->isChecked());
}

// ---- buttons and menu items ----

void TApp_user_window::SpeedButton17Click()
{
    DragFromDirTree = true;
    Label20->setText(shownName(LsDT->Path()));
    AddSelectedDirectory();
}

void TApp_user_window::Adddir1Click()
{
    SpeedButton17Click();
}

void TApp_user_window::SpeedButton20Click()
{
    AddSelectedFiles();
}

void TApp_user_window::SBdelitemClick()
{
    DeleteSelected(false);
}

void TApp_user_window::delitem1Click()
{
    DeleteSelected(false);
}

void TApp_user_window::Delchild1Click()
{
    DeleteSelected(true);
}

void TApp_user_window::SpeedButton16Click()
{
    ShowExtensionList();
}

void TApp_user_window::Extensions1Click()
{
    ShowExtensionList();
}

void TApp_user_window::Extlist1Click()
{
    ShowExtensionList();
}

// ---- editing ----

void TApp_user_window::RefuseItem(const QString &path)
{
    ShowInfoText(QStringLiteral("UsedCharMessage"), path);
}

void TApp_user_window::showAddedNode(TreeListNode *node)
{
    TLarchive->setFocus();
    SBdelitem->setEnabled(true);
    TTreeList *list = TLarchive->treeList();
    list->MakeNodeVisible(node);
    list->SetSelected(node);
}

void TApp_user_window::AddSelectedDirectory()
{
    const QString path = TrimTrailingBackslash(LsDT->Path());
    TreeListNode *added = nullptr;
    if (path != TDriveTreeModel::rootPath()) {
        const auto refuse = [this](const QString &refused) { RefuseItem(refused); };
        TTreeList &list = *TLarchive->treeList();
        if (CheckBox7->isChecked()) {
            TsaveF *progress = m_panel->saveF();
            if (progress)
                progress->showProgress(kovaProvider1->GetText(QStringLiteral("AddDirInfo")));
            added = AddDirectoryItems(list, *FindFile1, path, CurrentExtSet, true, refuse);
            if (progress)
                progress->done = true;
        } else {
            added = AddDirectoryItems(list, *FindFile1, path, CurrentExtSet, false, refuse);
        }
    }
    if (added)
        showAddedNode(added);
    SyncArchiveLists(2);
}

void TApp_user_window::AddSelectedFiles()
{
    TreeListNode *added = AddFileItems(*TLarchive->treeList(), LFV->Folder(), LFV->SelectedNames(),
                                       [this](const QString &refused) { RefuseItem(refused); });
    if (added)
        showAddedNode(added);
    SyncArchiveLists(2);
}

void TApp_user_window::DeleteSelected(bool childOnly)
{
    guarded([&] {
        if (confirmationOn() && !ask(QStringLiteral("DeleteInfo")))
            return;
        TTreeList *list = TLarchive->treeList();
        if (TreeListNode *selected = list->Selected())
            list->DeleteNode(selected, childOnly);
        SyncArchiveLists(2);
    });
}

void TApp_user_window::ShowExtensionList()
{
    if (TextlistF *window = m_panel->extlistF())
        window->Open(pos() + QPoint(PressX, PressY + 345), confirmationOn());
}
