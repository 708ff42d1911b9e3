// The main window's archive list page: its panes, the events of the directory tree, the file list
// and the archive list, adding directories and files, deleting items, and opening the extension
// list window.
#include "archivelistpage.h"

#include "pathtext.h"
#include "splitter.h"
#include "windowplacement.h"

#include "core/archivelist/drivetree.h"
#include "core/archivelist/findfile.h"
#include "core/archivelist/folderfiles.h"
#include "core/archivelist/listediting.h"
#include "core/platform/shownname.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/archivelist/directoryviews.h"
#include "gui/archivelist/treelistview.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include <cmath>

namespace {

// The path strip, the splitter bars, the least a pane may shrink to, the most the normal layout
// gives the file list and the archive list, and the tool strip above the archive list.
constexpr int kPathStrip = 20;
constexpr int kSplitterSize = 6;
constexpr int kMinPaneWidth = 145;
constexpr int kMinPaneHeight = 65;
constexpr int kMaxNormalFileList = 468;
constexpr int kMaxNormalArchiveList = 271;
constexpr int kToolStrip = 28;

// Rounds half to even, as the shares are rounded.
int roundEven(double value)
{
    return int(std::nearbyint(value));
}

TKovaPanel *makePane(QWidget *parent, TkovaProvider *provider, const char *name)
{
    auto *pane = new TKovaPanel(parent, provider);
    pane->setObjectName(QString::fromLatin1(name));
    pane->setGetparent(true);
    return pane;
}

} // namespace

ArchiveListPage::ArchiveListPage(QWidget *parent, TkovaProvider *provider, const QRect &geometry,
                                 TTreeList &list, PanelDialogs &dialogs)
    : TKovaPanel(parent, provider), m_dialogs(dialogs), m_findFile(std::make_unique<TFindFile>()),
      m_extensionSet(QStringLiteral(".*"))
{
    setObjectName(QStringLiteral("oldal2"));
    // The panes fill the page to its edges; their own bevels frame them.
    setBevelOuter(Bevel::None);
    setGeometry(geometry);

    m_pathLabel = makeLabel(this, "Label20");
    m_pathLabel->setIndent(4);
    m_directoryPane = makePane(this, provider, "DirPanel");
    m_directoryTree = new TDirectoryTreeView(m_directoryPane);
    m_directoryTree->setObjectName(QStringLiteral("LsDT"));
    m_filePane = makePane(this, provider, "FilePanel");
    m_fileList = new TFileListView(m_filePane);
    m_fileList->setObjectName(QStringLiteral("LFV"));
    m_directoryTree->setFileList(m_fileList);

    m_paneSplitter = new TSplitter(Qt::Horizontal, this);
    m_paneSplitter->setObjectName(QStringLiteral("Splitter2"));
    m_listSplitter = new TSplitter(Qt::Vertical, this);
    m_listSplitter->setObjectName(QStringLiteral("Splitter1"));

    m_bottomPane = makePane(this, provider, "BottomPanel");
    buildBottomStrip();
    m_listView->setTreeList(&list);
    buildMenus();

    connect(m_paneSplitter, &TSplitter::dragged, this, &ArchiveListPage::moveFileListSplitter);
    connect(m_listSplitter, &TSplitter::dragged, this, &ArchiveListPage::moveArchiveListSplitter);
    connect(m_paneSplitter, &TSplitter::Moved, this, &ArchiveListPage::splitterMoved);
    connect(m_listSplitter, &TSplitter::Moved, this, &ArchiveListPage::splitterMoved);

    layoutPanes(306, 175);
}

ArchiveListPage::~ArchiveListPage() = default;

void ArchiveListPage::buildBottomStrip()
{
    m_listCaption = makeLabel(m_bottomPane, "Label8");
    m_listCaption->setGeometry(8, 5, 130, 18);
    m_subdirectoriesBox = new QCheckBox(m_bottomPane);
    m_subdirectoriesBox->setObjectName(QStringLiteral("CheckBox7"));
    m_subdirectoriesBox->setGeometry(150, 6, 16, 16);
    m_subdirectoriesLabel = makeLabel(m_bottomPane, "Label22");
    m_subdirectoriesLabel->setGeometry(170, 5, 120, 18);
    m_addDirectoryButton =
        makeSpeedButton(m_bottomPane, QStringLiteral("SpeedButton17"), QRect(300, 3, 24, 22));
    m_addDirectoryButton->setText(QStringLiteral("+"));
    m_addFilesButton = makeSpeedButton(m_bottomPane, QStringLiteral("SpeedButton20"), QRect(326, 3, 24, 22));
    m_addFilesButton->setText(QStringLiteral("F"));
    m_deleteButton = makeSpeedButton(m_bottomPane, QStringLiteral("SBdelitem"), QRect(352, 3, 24, 22));
    m_deleteButton->setText(QStringLiteral("-"));
    m_deleteButton->setEnabled(false);
    m_extensionsButton =
        makeSpeedButton(m_bottomPane, QStringLiteral("SpeedButton16"), QRect(382, 3, 100, 22));
    m_extensionsButton->setToolTip(QStringLiteral("[.*]"));
    m_listView = new TTreeListView(m_bottomPane);
    m_listView->setObjectName(QStringLiteral("TLarchive"));
    m_listView->setDropFormat(TFileListModel::mimeType());
    m_extensionsButton->installEventFilter(this);
    // A click on the label toggles the box.
    m_subdirectoriesLabel->installEventFilter(this);

    connect(m_subdirectoriesBox, &QCheckBox::toggled, this,
            [this] { m_subdirectoriesAction->setChecked(m_subdirectoriesBox->isChecked()); });
    connect(m_addDirectoryButton, &QToolButton::clicked, this, &ArchiveListPage::addDirectory);
    connect(m_addFilesButton, &QToolButton::clicked, this, &ArchiveListPage::addSelectedFiles);
    connect(m_deleteButton, &QToolButton::clicked, this, [this] { deleteSelected(false); });
    connect(m_extensionsButton, &QToolButton::clicked, this, &ArchiveListPage::extensionListRequested);
}

void ArchiveListPage::catchUp(const StartState &start)
{
    hide();
    applyTexts(start.page.text);
    if (start.page.texture)
        start.page.texture->ServeLatePart(this);
    openDirectoryTree(start.drive);
    setShares(start.fileListPercent, start.archiveListPercent);
    if (start.page.large)
        resize(start.page.largeSize);
    if (start.laidOut) {
        applyShares(start.page.large);
        updateSplitterHints();
    }
    setConfirmationOn(start.confirmationOn);
}

void ArchiveListPage::buildMenus()
{
    const auto action = [](QMenu *menu, const char *name) {
        QAction *item = menu->addAction(QString());
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    m_directoryMenu = new QMenu(this);
    m_directoryMenu->setObjectName(QStringLiteral("PopupMenu2"));
    m_addDirectoryAction = action(m_directoryMenu, "Adddir1");
    m_directoryMenu->addSeparator();
    m_extensionsAction = action(m_directoryMenu, "Extensions1");
    m_subdirectoriesAction = action(m_directoryMenu, "Subdir");
    m_subdirectoriesAction->setCheckable(true);

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("PopupMenu3"));
    m_deleteAction = action(m_listMenu, "delitem1");
    m_deleteChildrenAction = action(m_listMenu, "Delchild1");
    m_listMenu->addSeparator();
    m_extensionListAction = action(m_listMenu, "Extlist1");

    m_directoryTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_directoryTree, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_directoryMenu->popup(m_directoryTree->viewport()->mapToGlobal(at));
    });
    m_listView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_listMenu->popup(m_listView->viewport()->mapToGlobal(at)); });
    connect(m_listMenu, &QMenu::aboutToShow, this, &ArchiveListPage::prepareListMenu);

    connect(m_addDirectoryAction, &QAction::triggered, this, &ArchiveListPage::addDirectory);
    connect(m_extensionsAction, &QAction::triggered, this, &ArchiveListPage::extensionListRequested);
    connect(m_subdirectoriesAction, &QAction::triggered, this,
            [this] { m_subdirectoriesBox->setChecked(m_subdirectoriesAction->isChecked()); });
    connect(m_deleteAction, &QAction::triggered, this, [this] { deleteSelected(false); });
    connect(m_deleteChildrenAction, &QAction::triggered, this, [this] { deleteSelected(true); });
    connect(m_extensionListAction, &QAction::triggered, this, &ArchiveListPage::extensionListRequested);

    connect(m_directoryTree, &TDirectoryTreeView::Click, this, &ArchiveListPage::directoryTreeClicked);
    connect(m_directoryTree, &TDirectoryTreeView::Change, this, &ArchiveListPage::directoryTreeChanged);
    connect(m_directoryTree, &TDirectoryTreeView::Collapse, this, &ArchiveListPage::directoryTreeChanged);
    connect(m_directoryTree, &TDirectoryTreeView::MouseDown, this, &ArchiveListPage::directoryTreeChanged);
    connect(m_directoryTree, &TDirectoryTreeView::KeyDown, this, &ArchiveListPage::directoryTreeKey);
    connect(m_directoryTree, &TDirectoryTreeView::KeyUp, this, &ArchiveListPage::directoryTreeKey);
    connect(m_fileList, &TFileListView::Click, this, &ArchiveListPage::fileListUsed);
    connect(m_fileList, &TFileListView::Change, this, &ArchiveListPage::fileListUsed);
    connect(m_fileList, &TFileListView::MouseDown, this, &ArchiveListPage::fileListUsed);
    connect(m_listView, &TTreeListView::MouseDown, this, &ArchiveListPage::archiveListPressed);
    connect(m_listView->treeList(), &TTreeList::selectedChanged, this,
            &ArchiveListPage::archiveListSelectionChanged);
    connect(m_listView, &TTreeListView::DragDrop, this, &ArchiveListPage::archiveListDropped);
}

TTreeList *ArchiveListPage::list() const
{
    return m_listView->treeList();
}

void ArchiveListPage::applyTexts(const std::function<QString(const char *)> &text)
{
    m_text = text;
    m_listCaption->setText(text("ArchivList"));
    m_subdirectoriesLabel->setText(text("SubDirectoryLabel"));
    m_addDirectoryButton->setToolTip(text("AdddirCaption"));
    m_addFilesButton->setToolTip(text("AddfileCaption"));
    m_deleteButton->setToolTip(text("DelitemCaption"));
    m_extensionsButton->setText(text("ExtListButton"));
    m_addDirectoryAction->setText(text("AdddirCaption"));
    m_extensionsAction->setText(text("ExtListButton"));
    m_subdirectoriesAction->setText(text("SubDirectoryLabel"));
    m_deleteAction->setText(text("DelitemCaption"));
    m_deleteChildrenAction->setText(text("DelChildCaption"));
    m_extensionListAction->setText(text("ExtListButton"));
}

void ArchiveListPage::takeExtensionSet(const QString &set)
{
    m_extensionSet = set;
    window()->repaint();
    m_extensionsButton->setToolTip(QLatin1Char('[') + set + QLatin1Char(']'));
}

void ArchiveListPage::resetExtensionSet()
{
    m_extensionSet = QStringLiteral(".*");
}

// ---- the directory tree ----

void ArchiveListPage::openDirectoryTree(const QString &path)
{
    m_directoryTree->OpenAt(path);
    m_pathLabel->setText(shownName(m_directoryTree->Path()));
}

void ArchiveListPage::rebuildDirectoryTree()
{
    m_directoryTree->Rebuild();
}

void ArchiveListPage::openLastFolder(const QString &programDir)
{
    if (m_pathLabel->text() == TDriveTreeModel::rootPath())
        openDirectoryTree(programDir.left(3));
    else
        openDirectoryTree(m_currentDirPath);
    // The folder itself, not its name as the path line shows it (control characters written out).
    if (m_pathLabel->text() != TDriveTreeModel::rootPath())
        m_fileList->setFolder(m_directoryTree->Path());
}

void ArchiveListPage::updateDirectoryPath()
{
    m_currentDirPath = m_directoryTree->Path();
    m_pathLabel->setText(shownName(m_currentDirPath));
}

// ---- panes ----

void ArchiveListPage::setShares(int fileListPercent, int archiveListPercent)
{
    m_fileListPercent = fileListPercent;
    m_archiveListPercent = archiveListPercent;
}

void ArchiveListPage::measureFileListShare()
{
    const int w1 = m_filePane->width();
    const int w2 = m_directoryPane->width();
    if (w1 + w2 > 0)
        m_fileListPercent = roundEven(w1 / ((w1 + w2) * 0.01));
}

void ArchiveListPage::measureArchiveListShare()
{
    const int h1 = m_pathLabel->height();
    const int h2 = m_directoryPane->height();
    const int h3 = m_bottomPane->height();
    if (h1 + h2 + h3 > 0)
        m_archiveListPercent = roundEven(h3 / ((h1 + h2 + h3) * 0.01));
}

void ArchiveListPage::applyShares(bool large)
{
    const int totalWidth = width() - kSplitterSize;
    int w = roundEven(m_fileListPercent * 0.01 * totalWidth);
    const int totalHeight = height() - kSplitterSize;
    int h = roundEven(m_archiveListPercent * 0.01 * totalHeight);
    if (large) {
        // The large layout takes the share as it is, but no pane is pushed below the least its
        // splitter lets it have: a stored share of 0 or 100 would hide a pane for good.
        w = qBound(kMinPaneWidth, w, totalWidth - kMinPaneWidth);
        h = qBound(kMinPaneHeight, h, totalHeight - kMinPaneHeight);
    } else {
        w = qBound(kMinPaneWidth, w, kMaxNormalFileList);
        h = qBound(kMinPaneHeight, h, kMaxNormalArchiveList);
    }
    layoutPanes(w, h);
}

void ArchiveListPage::updateSplitterHints()
{
    m_listSplitter->setToolTip(QString::number(m_archiveListPercent) + QLatin1Char('%'));
    m_paneSplitter->setToolTip(QString::number(m_fileListPercent) + QLatin1Char('%'));
}

void ArchiveListPage::layoutPanes(int fileListWidth, int bottomHeight)
{
    const int dirWidth = width() - kSplitterSize - fileListWidth;
    const int upperHeight = height() - kSplitterSize - bottomHeight; // path strip and the panes
    const int paneHeight = upperHeight - kPathStrip;

    m_pathLabel->setGeometry(0, 0, width(), kPathStrip);
    m_directoryPane->setGeometry(0, kPathStrip, dirWidth, paneHeight);
    m_paneSplitter->setGeometry(dirWidth, kPathStrip, kSplitterSize, paneHeight);
    m_filePane->setGeometry(dirWidth + kSplitterSize, kPathStrip, fileListWidth, paneHeight);
    m_listSplitter->setGeometry(0, upperHeight, width(), kSplitterSize);
    m_bottomPane->setGeometry(0, upperHeight + kSplitterSize, width(), bottomHeight);

    m_directoryTree->setGeometry(m_directoryPane->rect().adjusted(2, 2, -2, -2));
    m_fileList->setGeometry(m_filePane->rect().adjusted(2, 2, -2, -2));
    m_listView->setGeometry(QRect(2, kToolStrip, width() - 4, qMax(0, bottomHeight - kToolStrip - 2)));
}

void ArchiveListPage::moveFileListSplitter(int delta)
{
    const int total = m_filePane->width() + m_directoryPane->width();
    const int fileList = qBound(kMinPaneWidth, m_filePane->width() - delta, total - kMinPaneWidth);
    layoutPanes(fileList, m_bottomPane->height());
}

void ArchiveListPage::moveArchiveListSplitter(int delta)
{
    const int total = m_pathLabel->height() + m_directoryPane->height() + m_bottomPane->height();
    const int bottom = qBound(kMinPaneHeight, m_bottomPane->height() - delta, total - kMinPaneHeight);
    layoutPanes(m_filePane->width(), bottom);
}

// ---- events of the browsing views and the archive list ----

void ArchiveListPage::directoryTreeClicked()
{
    list()->SetSelected(nullptr);
    m_dragFromDirectoryTree = true;
    updateDirectoryPath();
    m_deleteButton->setEnabled(false);
    m_extensionsButton->setEnabled(true);
}

void ArchiveListPage::directoryTreeChanged()
{
    m_dragFromDirectoryTree = true;
    updateDirectoryPath();
    m_deleteButton->setEnabled(false);
}

void ArchiveListPage::directoryTreeKey()
{
    m_dragFromDirectoryTree = true;
    m_listView->setFocus();
}

void ArchiveListPage::fileListUsed()
{
    m_dragFromDirectoryTree = false;
    m_deleteButton->setEnabled(false);
}

void ArchiveListPage::archiveListPressed()
{
    if (list()->Selected())
        m_deleteButton->setEnabled(true);
}

void ArchiveListPage::archiveListSelectionChanged()
{
    const TreeListNode *selected = list()->Selected();
    if (selected)
        m_extensionsButton->setEnabled(!TTreeList::NodeExt(selected).isEmpty());
    else
        m_deleteButton->setEnabled(false);
}

void ArchiveListPage::archiveListDropped()
{
    // Only a drag that started in the file list adds what it selects.
    if (!m_dragFromDirectoryTree)
        addSelectedFiles();
}

void ArchiveListPage::prepareListMenu()
{
    const TTreeList *archive = list();
    const TreeListNode *selected = archive->Selected();
    const bool directory = archive->Dir();
    m_deleteAction->setEnabled(selected != nullptr);
    m_deleteChildrenAction->setEnabled(directory && selected->childCount() > 0);
    m_extensionListAction->setEnabled(directory && !TTreeList::NodeExt(selected).isEmpty());
}

bool ArchiveListPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_extensionsButton && event->type() == QEvent::MouseButtonPress) {
        Q_EMIT buttonPressed(static_cast<QMouseEvent *>(event)->position().toPoint());
    } else if (watched == m_subdirectoriesLabel && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event); // only once the type says it is one
        if (mouse->button() == Qt::LeftButton &&
            m_subdirectoriesLabel->rect().contains(mouse->position().toPoint())) {
            m_subdirectoriesBox->click();
            return true;
        }
    }
    return TKovaPanel::eventFilter(watched, event);
}

// ---- editing ----

void ArchiveListPage::refuseItem(const QString &path)
{
    m_dialogs.inform(KovaProvider()->GetText(QStringLiteral("UsedCharMessage")), path);
}

void ArchiveListPage::showAddedNode(TreeListNode *node)
{
    m_listView->setFocus();
    m_deleteButton->setEnabled(true);
    list()->MakeNodeVisible(node);
    list()->SetSelected(node);
}

void ArchiveListPage::addDirectory()
{
    m_dragFromDirectoryTree = true;
    m_pathLabel->setText(shownName(m_directoryTree->Path()));
    addSelectedDirectory();
}

void ArchiveListPage::addSelectedDirectory()
{
    const QString path = TrimTrailingBackslash(m_directoryTree->Path());
    TreeListNode *added = nullptr;
    if (path != TDriveTreeModel::rootPath()) {
        const auto refuse = [this](const QString &refused) { refuseItem(refused); };
        if (m_subdirectoriesBox->isChecked()) {
            m_dialogs.showProgress(m_text("AddDirInfo"));
            added = AddDirectoryItems(*list(), *m_findFile, path, m_extensionSet, true, refuse);
            m_dialogs.progressDone();
        } else {
            added = AddDirectoryItems(*list(), *m_findFile, path, m_extensionSet, false, refuse);
        }
    }
    if (added)
        showAddedNode(added);
    Q_EMIT listEdited();
}

void ArchiveListPage::addSelectedFiles()
{
    TreeListNode *added = AddFileItems(*list(), m_fileList->Folder(), m_fileList->SelectedNames(),
                                       [this](const QString &refused) { refuseItem(refused); });
    if (added)
        showAddedNode(added);
    Q_EMIT listEdited();
}

void ArchiveListPage::deleteSelected(bool childOnly)
{
    m_dialogs.guarded([&] {
        if (m_confirmationOn &&
            !m_dialogs.ask(KovaProvider()->GetText(QStringLiteral("DeleteInfo")), QString(), false))
            return;
        if (TreeListNode *selected = list()->Selected())
            list()->DeleteNode(selected, childOnly);
        Q_EMIT listEdited();
    });
}
