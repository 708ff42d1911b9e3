// The restore window.
#include "rewritef.h"

#include "archivedfiledelegate.h"
#include "versionsf.h"

#include "core/restore/archivesearch.h"
#include "core/restore/decompressfile.h"
#include "core/restore/recordedform.h"
#include "core/restore/restorelog.h"
#include "core/restore/restorenames.h"
#include "core/restore/restorepaths.h"

#include "core/archivelist/findfile.h"
#include "core/archivelist/folderentries.h"
#include "core/archivelist/listerror.h"
#include "core/platform/attributes.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/settings/config.h"
#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/windowparts.h"
#include "gui/archivelist/shownnamedelegate.h"
#include "gui/archivelist/treelistview.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The restore window's texts, in the order of registration. The state code texts are shared
// with the status window through the one text list.
constexpr DefaultText kDefaults[] = {
    {"RewriteDirButton", "Restore directory(s)"},
    {"SelectAllCaption", "Select all"},
    {"BackAfilesConfirm", "Restore the archive's list from archivum?"},
    {"BackAfilesButton", "Restore archive's list"},
    {"PrimaryRestoreLabel", "Restore from the primary archive"},
    {"SecondaryRestoreLabel", "Restore from the secondary archive"},
    {"RewriteFileButton", "Restore file(s)"},
    {"NotSelectedInfo", "You must select least 1 file or 1 directory!"},
    {"MixedDirFileInfo", "Can not mix the files and directories!"},
    {"MustSelectOneDir", "You must select only 1 directory!"},
    {"RestoreConfirm", "Are you sure you want to restore the selected files?"},
    {"RestoreInfo", "Restoring..."},
    {"BackButton", "Back"},
    {"MessageMustSelectaFile", "Select a file!"},
    {"FileListLabel", "File list:"},
    {"MessageBrokenArchiv", "Archive is not finished yet!"},
    {"MessageUserBreak", "The user stop the archiving progress!"},
    {"MessageCantReach", "Can not access the disk!"},
    {"MessageDriveNotReady", "Drive is not ready!"},
    {"MessageDriveLocked", "The drive is locked!"},
    {"MessagePathNotFound", "Path not found!"},
    {"MessageDiskFull", "Disk is full!"},
    {"MessageFileOpenError", "Can not open file!"},
    {"MessageOutOfMemory", "Out of memory!"},
    {"MessageNoMediainDriveError", "No media in drive!"},
    {"MessageBadMediainDriveError", "Bad media in drive!"},
    {"MessageFileCreateError", "Can not create file!"},
    {"MessageFileWriteError", "Can not write file!"},
    {"MessageFileReadError", "Can not read file!"},
    {"MessageCompressionError", "Compression Error!"},
    {"MessageOtherError", "Other file error!"},
    {"MessageFileNotExistsError", "File is not exists!"},
    {"MessageRefusedName", "Not restored: the archive holds a name that is not allowed:"},
    {"MessagePathTooLong", "The path is longer than 255 characters:"},
    {"MessageArchiveConverting", "The archive is being converted to its new form."},
    {"MessageRestoreLater", "Restore from it when the Archiver has finished."},
    {"MessageForeignLink", "Not restored, the way leads through another user's linked folder"},
    {"BeforeRestore", "before restore"},
    {"ReportRestored", "Files restored:"},
    {"ReportFailed", "Not restored:"},
    {"ReportSeeLog", "see restore.log"},
    {"ReportKept", "Newer files kept:"},
    {"DeletedMark", "deleted"},
    {"VersionsButton", "Find and earlier versions..."},
    {"VersionsMenu", "Earlier versions..."},
};

const QChar kBackslash = QLatin1Char('\\');

// How often the progress line's count is brought up to date.
constexpr qint64 kProgressInterval = 100;

// Gives a button the largest font, no larger than the window's, in which its text fits inside
// its frame: the translations of some captions are longer than the English layout allows.
void fitText(QToolButton *button)
{
    QFont font = button->parentWidget()->font();
    if (font.pointSizeF() <= 0)
        return; // a font in pixels is the layout's own and fits
    const int room =
        button->width() - 2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) - 2;
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(button->text()) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (font != button->font())
        button->setFont(font);
}

// The "with subdirectories" box: disabled, it shows no tick, as nothing it says applies then; its
// state is kept for when it is enabled again.
class SubdirectoriesBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        if (!isEnabled()) {
            option.state &= ~(QStyle::State_On | QStyle::State_NoChange);
            option.state |= QStyle::State_Off;
        }
        painter.drawControl(QStyle::CE_CheckBox, option);
    }
};

} // namespace

TrewriteF::TrewriteF(PanelDialogs &dialogs, QWidget *parent)
    : TPanelWindow(QStringLiteral("rewriteF"), QSize(640, 440), true, parent), m_dialogs(dialogs)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    headingLabel = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 10, 620, 20));
    QFont heading = headingLabel->font();
    heading.setBold(true);
    headingLabel->setFont(heading);
    archiveTree = new TTreeListView(KovaPanel1);
    archiveTree->setObjectName(QStringLiteral("TLrewrite"));
    archiveTree->setGeometry(10, 36, 330, 330);
    archiveTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    archiveTree->setDragEnabled(false);
    fileListLabel = makeLabel(KovaPanel1, "Label2");
    fileListLabel->setGeometry(350, 36, 280, 18);
    fileListLabel->setText(QStringLiteral("File list:"));
    fileList = new QListWidget(KovaPanel1);
    fileList->setObjectName(QStringLiteral("FileListBox1"));
    fileList->setGeometry(350, 56, 280, 310);
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    // An item keeps the archived name it restores; it is drawn with control characters written out,
    // followed by the archived copy's size and time.
    fileDelegate = new ArchivedFileDelegate(fileList);
    fileList->setItemDelegate(fileDelegate);
    fileListMenu = new QMenu(this);
    fileListMenu->setObjectName(QStringLiteral("PopupMenu"));
    selectAllAction = fileListMenu->addAction(QStringLiteral("Select all"));
    selectAllAction->setObjectName(QStringLiteral("selectall1"));
    versionsAction = fileListMenu->addAction(QStringLiteral("Earlier versions..."));
    versionsAction->setObjectName(QStringLiteral("versions1"));

    subdirectoriesBox = new SubdirectoriesBox(KovaPanel1);
    subdirectoriesBox->setObjectName(QStringLiteral("CBsubdir"));
    subdirectoriesBox->setGeometry(10, 374, 18, 20);
    subdirectoriesBox->setFocusPolicy(Qt::NoFocus);
    subdirectoriesLabel = makeLabel(KovaPanel1, "Lsubdir");
    subdirectoriesLabel->setGeometry(30, 374, 300, 20);
    subdirectoriesLabel->setText(QStringLiteral("Subdirectories"));
    subdirectoriesLabel->setCursor(Qt::PointingHandCursor);
    subdirectoriesLabel->installEventFilter(this);

    restoreFilesButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(10, 400, 148, 28));
    restoreDirectoryButton =
        makeSpeedButton(KovaPanel1, QStringLiteral("SBrewritedir"), QRect(166, 400, 148, 28));
    restoreListButton = makeSpeedButton(KovaPanel1, QStringLiteral("B_backfiles"), QRect(322, 400, 170, 28));
    backButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(530, 400, 100, 28));
    versionsButton = makeSpeedButton(KovaPanel1, QStringLiteral("SBversions"), QRect(350, 370, 280, 26));
    if (MouseMove1)
        MouseMove1->watch(headingLabel);
    applyTexts();

    kovaProvider1->setOnNeedDefaults([this](QObject *) { registerDefaults(); });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    connect(archiveTree->treeList(), &TTreeList::selectedChanged, this, &TrewriteF::showChosenItem);
    connect(archiveTree, &TTreeListView::MouseDown, this, &TrewriteF::showChosenItem);
    connect(fileList, &QListWidget::itemPressed, this, &TrewriteF::fileListClicked);
    connect(fileList, &QListWidget::itemDoubleClicked, this, &TrewriteF::selectAll);
    connect(fileList, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        selectAllAction->setEnabled(fileList->count() > 0);
        versionsAction->setEnabled(fileList->currentItem() && fileList->currentItem()->isSelected());
        fileListMenu->popup(fileList->viewport()->mapToGlobal(at));
    });
    connect(selectAllAction, &QAction::triggered, this, &TrewriteF::selectAll);
    connect(subdirectoriesBox, &QCheckBox::clicked, this, [this] { archiveTree->setFocus(); });
    connect(restoreFilesButton, &QToolButton::clicked, this, &TrewriteF::restoreFiles);
    connect(restoreDirectoryButton, &QToolButton::clicked, this, &TrewriteF::restoreDirectory);
    connect(restoreListButton, &QToolButton::clicked, this, &TrewriteF::restoreArchiveList);
    connect(backButton, &QToolButton::clicked, this, &TrewriteF::goBack);
    connect(versionsButton, &QToolButton::clicked, this, [this] { openVersions(QString()); });
    connect(versionsAction, &QAction::triggered, this, [this] {
        if (QListWidgetItem *item = fileList->currentItem())
            openVersions(restore::fileInFolder(QString(), QString(), chosenFolder(), item->text()).target);
    });
    ClearFileList();
}

TrewriteF::~TrewriteF() = default;

void TrewriteF::registerDefaults()
{
    kovaProvider1->SetDefaults(kDefaults);
    kovaProvider1->SetDefaults(TversionsF::defaults());
}

QString TrewriteF::text(const char *key) const
{
    const QString k = QString::fromLatin1(key);
    QString t = kovaProvider1->GetText(k);
    if (t.isEmpty())
        t = TkovaProvider::DefaultTextOf(kDefaults, k);
    if (t.isEmpty() && k == QLatin1String("SubDirectoryLabel"))
        t = QStringLiteral("Subdirectories");
    return t;
}

void TrewriteF::applyTexts()
{
    subdirectoriesLabel->setText(text("SubDirectoryLabel"));
    selectAllAction->setText(text("SelectAllCaption"));
    restoreListButton->setText(text("BackAfilesButton"));
    fileListLabel->setText(text("FileListLabel"));
    restoreFilesButton->setText(text("RewriteFileButton"));
    backButton->setText(text("BackButton"));
    restoreDirectoryButton->setText(text("RewriteDirButton"));
    versionsButton->setText(text("VersionsButton"));
    versionsAction->setText(text("VersionsMenu"));
    fileDelegate->setDeletedMark(text("DeletedMark"));
    for (QToolButton *button :
         {restoreFilesButton, restoreDirectoryButton, restoreListButton, backButton, versionsButton})
        fitText(button);
}

bool TrewriteF::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == subdirectoriesLabel && event->type() == QEvent::MouseButtonRelease &&
        subdirectoriesLabel->isEnabled() && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        subdirectoriesBox->toggle();
        return true;
    }
    return TPanelWindow::eventFilter(watched, event);
}

void TrewriteF::ClearFileList()
{
    // Nothing is chosen yet: an empty list, and no command that needs a choice.
    fileList->clear();
    fileList->show();
    fileListLabel->show();
    for (QWidget *control :
         {static_cast<QWidget *>(restoreFilesButton), static_cast<QWidget *>(restoreDirectoryButton),
          static_cast<QWidget *>(subdirectoriesBox), static_cast<QWidget *>(subdirectoriesLabel)})
        control->setEnabled(false);
}

QString TrewriteF::archiveRoot()
{
    QString destination = store().Read(TextSetting::Destination, sideOf(m_primary));
    if (destination.endsWith(kBackslash))
        destination.chop(1);
    QString name = m_dirName;
    if (name.startsWith(kBackslash))
        name.remove(0, 1);
    return destination + kBackslash + name;
}

bool TrewriteF::compressed()
{
    const bool flag = store().Read(BoolSetting::Compressed, sideOf(m_primary));
    // The archive's own record wins over the flag: the two differ from the moment the flag
    // changes until the Archiver has converted the archive, and only the record knows.
    const restore::RecordedForm form = restore::recordedForm(archiveRoot());
    return form.known && !form.converting ? form.compressed : flag;
}

Tconfig &TrewriteF::store()
{
    // Made at first use: a store that cannot be opened raises inside the handler that needs it.
    if (!m_config)
        m_config = std::make_unique<Tconfig>();
    return *m_config;
}

bool TrewriteF::Open(bool primary, const QString &dirName, const QString &heading,
                     const TTreeList &archiveList)
{
    m_primary = primary;
    m_dirName = dirName;
    QString listFile;
    if (!m_dialogs.guarded([&] {
            QString destination = store().Read(TextSetting::Destination, sideOf(primary));
            // A destination kept with its trailing backslash (a drive root) takes the folder name
            // without a second one, as the archive root is formed everywhere else.
            if (destination.endsWith(kBackslash))
                destination.chop(1);
            listFile = destination + dirName + QStringLiteral("\\afiles.lst");
        }))
        return false;

    TTreeList *tree = archiveTree->treeList();
    if (WindowsFileExists(listFile)) {
        try {
            tree->LoadFromFile(listFile);
        } catch (const ListFileError &) {
            // A list that cannot be read ends the opening: a part of it would look like the whole.
            tree->Clear();
            m_dialogs.inform(kovaProvider1->GetText(QStringLiteral("CantOpenfileWarning")), listFile);
            return false;
        }
    } else {
        tree->Assign(archiveList);
    }
    headingLabel->setText(heading);
    tree->ExpandTopLevel();
    repaint();
    exec();
    return true;
}

void TrewriteF::showArchiveList(const TTreeList &list)
{
    archiveTree->treeList()->Assign(list);
    archiveTree->treeList()->ExpandTopLevel();
}

QStringList TrewriteF::nodeChain() const
{
    QStringList chain;
    for (const TreeListNode *node = archiveTree->treeList()->Selected(); node; node = node->parent())
        chain.prepend(TTreeList::NodeName(node));
    return chain;
}

void TrewriteF::showFolder(const QString &archiveFolder, bool describe)
{
    fileList->clear();
    const QStringList entries =
        archivelist::folderEntries(archiveFolder, archivelist::FolderEntryKind::Files);
    bool isCompressed = true;
    m_dialogs.guarded([&] { isCompressed = compressed(); });
    fileList->addItems(restore::shownNames(entries, isCompressed));
    if (describe)
        describeFiles(archiveFolder, isCompressed);
}

QString TrewriteF::chosenFolder() const
{
    QString folder = archiveTree->treeList()->Path();
    if (folder.endsWith(kBackslash))
        folder.chop(1);
    return folder;
}

void TrewriteF::describeFiles(const QString &archiveFolder, bool isCompressed)
{
    const int fd = ::open(QFile::encodeName(win::HostPath(archiveFolder)).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const QString origin = chosenFolder();
    for (int row = 0; row < fileList->count(); ++row) {
        QListWidgetItem *item = fileList->item(row);
        const QByteArray name = QFile::encodeName(item->text());
        // The member the restore would take: on a compressed side the ".bz2" one when it is there.
        struct stat st;
        const bool found =
            (isCompressed && ::fstatat(fd, (name + ".bz2").constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) ||
            ::fstatat(fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (!found || !S_ISREG(st.st_mode))
            continue;
        item->setData(ArchivedFileDelegate::SizeRole, qint64(st.st_size));
        item->setData(ArchivedFileDelegate::ModifiedRole,
                      QDateTime::fromSecsSinceEpoch(qint64(st.st_mtim.tv_sec)));
        const QString target = restore::fileInFolder(QString(), QString(), origin, item->text()).target;
        item->setData(ArchivedFileDelegate::DeletedRole,
                      win::GetFileAttributes(target) == win::INVALID_FILE_ATTRIBUTES);
    }
    ::close(fd);
}

void TrewriteF::openVersions(const QString &origin)
{
    Side side;
    if (!readSide(&side) || refusedUnreachable(side))
        return;
    if (!m_versions) {
        m_versions = new TversionsF(
            [this](const char *key) { return text(key); },
            [this](const std::vector<TversionsF::Chosen> &copies) { restoreCopies(copies); }, this);
    }
    m_versions->Open(win::HostPath(side.destination + kBackslash + side.folderName), side.compressed, origin);
}

void TrewriteF::restoreCopies(const std::vector<TversionsF::Chosen> &copies)
{
    Side side;
    if (!confirmedRestore(&side))
        return;
    Plan plan;
    for (const auto &[copy, target] : copies) {
        if (const QString refused = restore::refusedName(target.split(kBackslash)); !refused.isEmpty()) {
            plan.steps.push_back({Step::Kind::Refused, refused});
            continue;
        }
        restore::FileOrigin origin;
        origin.source = side.destination + kBackslash + side.folderName + kBackslash + copy.relative;
        origin.target = target;
        origin.targetDir = target.left(target.lastIndexOf(kBackslash) + 1);
        const size_t items = plan.items.size();
        addFile(plan, side, origin);
        // Each copy is in the form the record of its own part of the archive gave it.
        if (plan.items.size() > items)
            plan.items.back().form = copy.compressed ? 1 : 0;
    }
    execute(plan, side);
}

void TrewriteF::showChosenItem()
{
    TTreeList *tree = archiveTree->treeList();
    if (!tree->Selected()) {
        ClearFileList();
        return;
    }
    if (!tree->Dir()) {
        fileList->hide();
        fileListLabel->hide();
        restoreFilesButton->setEnabled(true);
        restoreDirectoryButton->setEnabled(false);
        subdirectoriesBox->setEnabled(false);
        subdirectoriesLabel->setEnabled(false);
        return;
    }
    fileList->show();
    fileListLabel->show();
    restoreFilesButton->setEnabled(false);
    const bool archived = !TTreeList::NodeExt(tree->Selected()).isEmpty();
    restoreDirectoryButton->setEnabled(archived);
    subdirectoriesBox->setEnabled(archived);
    subdirectoriesLabel->setEnabled(archived);
    // A name that is not allowed leads out of the archive: nothing of it is read.
    if (!restore::refusedName(nodeChain()).isEmpty()) {
        fileList->clear();
        return;
    }
    QString folder;
    const auto read = [&] { folder = restore::archiveFolder(archiveRoot(), tree->Path()); };
    if (!m_dialogs.guarded(read))
        return;
    if (entryExists(folder))
        showFolder(folder, true);
    else
        fileList->clear();
}

void TrewriteF::fileListClicked()
{
    restoreFilesButton->setEnabled(fileList->count() > 0 && fileList->currentRow() >= 0);
    restoreDirectoryButton->setEnabled(false);
    subdirectoriesBox->setEnabled(false);
    subdirectoriesLabel->setEnabled(false);
}

void TrewriteF::selectAll()
{
    fileList->selectAll();
}

QStringList TrewriteF::selectedFromLast() const
{
    QStringList names;
    for (int row = fileList->count() - 1; row >= 0; --row) {
        if (fileList->item(row)->isSelected())
            names.append(fileList->item(row)->text());
    }
    return names;
}

bool TrewriteF::readSide(Side *side)
{
    return m_dialogs.guarded([&] {
        side->folderName = m_dirName;
        if (side->folderName.startsWith(kBackslash))
            side->folderName.remove(0, 1);
        side->compressed = compressed();
        side->converting = restore::recordedForm(archiveRoot()).converting;
        side->destination = store().Read(TextSetting::Destination, sideOf(m_primary));
        if (side->destination.endsWith(kBackslash))
            side->destination.chop(1);
    });
}

bool TrewriteF::refusedWhileConverting(const Side &side)
{
    // Mid-way, some files are in the old form and some in the new, and a name alone cannot
    // tell which file is which (a plain "x.bz2" of the user's beside the compressed "x"): the
    // restore waits rather than give back a wrong file.
    if (!side.converting)
        return false;
    m_dialogs.inform(text("MessageArchiveConverting"), text("MessageRestoreLater"));
    return true;
}

bool TrewriteF::refusedUnreachable(const Side &side)
{
    const QString root =
        side.destination.isEmpty() ? QString() : side.destination + kBackslash + side.folderName;
    const win::DWORD attributes =
        root.isEmpty() ? win::INVALID_FILE_ATTRIBUTES : win::GetFileAttributes(root);
    if (attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY))
        return false;
    RestoreLog(win::Prefix::logDir()).write(QStringLiteral("cannot reach the archive %1").arg(root));
    m_dialogs.inform(text("MessageCantReach"), root);
    return true;
}

void TrewriteF::addFile(Plan &plan, const Side &side, const restore::FileOrigin &origin)
{
    // Paths are at most 255 characters; a longer one is refused, never cut short.
    if (origin.target.size() > win::kMaxPathLength || origin.source.size() + 4 > win::kMaxPathLength) {
        plan.steps.push_back({Step::Kind::TooLong,
                              origin.target.size() > win::kMaxPathLength ? origin.target : origin.source});
        return;
    }
    plan.items.push_back({origin, false, side.destination + kBackslash + side.folderName});
    plan.steps.push_back({Step::Kind::File, QString(), plan.items.size() - 1});
}

void TrewriteF::planWorker(Plan &plan, const Side &side, const QString &P, const QStringList &selectedNames)
{
    if (const QString refused = restore::refusedName(nodeChain()); !refused.isEmpty()) {
        plan.steps.push_back({Step::Kind::Refused, refused});
        return;
    }
    if (archiveTree->treeList()->Dir()) {
        if (selectedNames.isEmpty()) {
            plan.steps.push_back({Step::Kind::NoFileSelected, QString()});
            return;
        }
        QString dirP = P;
        if (dirP.endsWith(kBackslash))
            dirP.chop(1);
        for (const QString &entry : selectedNames) {
            if (!restore::nameAllowed(entry))
                plan.steps.push_back({Step::Kind::Refused, entry});
            else
                addFile(plan, side, restore::fileInFolder(side.destination, side.folderName, dirP, entry));
        }
    } else if (!P.isEmpty()) {
        addFile(plan, side, restore::fileAt(side.destination, side.folderName, P));
    }
}

bool TrewriteF::confirmedRestore(Side *side)
{
    return readSide(side) && !refusedUnreachable(*side) &&
           m_dialogs.ask(text("RestoreConfirm"), QString(), false) && !refusedWhileConverting(*side);
}

void TrewriteF::restoreFiles()
{
    Side side;
    if (!confirmedRestore(&side))
        return;
    Plan plan;
    planWorker(plan, side, archiveTree->treeList()->Path(), selectedFromLast());
    execute(plan, side);
}

void TrewriteF::restoreDirectory()
{
    TTreeList *tree = archiveTree->treeList();
    const QString P = tree->Path();
    if (!tree->Dir())
        return;
    Side side;
    if (!readSide(&side) || refusedUnreachable(side) || refusedWhileConverting(side))
        return;
    const bool refused = !restore::refusedName(nodeChain()).isEmpty();
    QString folder = restore::archiveFolder(side.destination + kBackslash + side.folderName, P);
    if (!refused && !entryExists(folder))
        return;
    if (!m_dialogs.ask(text("RestoreConfirm"), QString(), false))
        return;
    const bool withSubdirectories = subdirectoriesBox->isChecked();
    Plan plan;
    selectAll();
    planWorker(plan, side, P, selectedFromLast());
    if (withSubdirectories && !refused) {
        if (folder.endsWith(kBackslash))
            folder.chop(1);
        // The folders below are read straight from the archive, not through the file list: the
        // list would lay out, select and repaint each folder in turn. It is left showing the last
        // folder with all its files selected, as a walk through it would leave it.
        bool isCompressed = true;
        m_dialogs.guarded([&] { isCompressed = compressed(); });
        QString lastWalked;
        TFindFile walker;
        walker.Start(folder);
        for (;;) {
            const QString relative = walker.NextDir();
            if (walker.done() != 0)
                break;
            // Each folder before its own subfolders, as the walker hands them out.
            const QStringList parts = relative.split(kBackslash);
            const auto bad = std::find_if(parts.begin(), parts.end(),
                                          [](const QString &part) { return !restore::nameAllowed(part); });
            if (bad != parts.end()) {
                plan.steps.push_back({Step::Kind::Refused, *bad});
                continue;
            }
            lastWalked = folder + kBackslash + relative;
            QStringList names = restore::shownNames(
                archivelist::folderEntries(lastWalked, archivelist::FolderEntryKind::Files), isCompressed);
            // The selection is taken from the last row up.
            std::reverse(names.begin(), names.end());
            planWorker(plan, side, P + relative, names);
        }
        if (!lastWalked.isEmpty()) {
            showFolder(lastWalked);
            selectAll();
        }
    }
    execute(plan, side);
}

void TrewriteF::restoreArchiveList()
{
    if (!m_dialogs.ask(text("BackAfilesConfirm"), QString(), false))
        return;
    Q_EMIT archiveListRestoreRequested(m_primary);
    showChosenItem();
}

void TrewriteF::goBack()
{
    archiveTree->setFocus();
    accept();
}

void TrewriteF::execute(const Plan &plan, const Side &side)
{
    if (plan.steps.empty())
        return;
    // The disk may have gone since the command was given: nothing is made at the targets then.
    if (refusedUnreachable(side))
        return;
    Outcome outcome;
    outcome.keepNewer = QStringLiteral(" (%1 %2)")
                            .arg(text("BeforeRestore"),
                                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm")));
    RestoreLog log(win::Prefix::logDir());
    // A file after a window is put in place only once the GUI thread has shown that window.
    std::vector<RestoreRun::Item> items = plan.items;
    bool window = false;
    for (const Step &step : plan.steps) {
        if (step.kind == Step::Kind::File)
            items[step.item].afterWindow = std::exchange(window, false);
        else
            window = true;
    }
    // One worker thread per core. The files that come back without a failure are logged by the
    // thread that puts them in place, in the command's order.
    RestoreRun run(std::move(items), side.compressed, 0, outcome.keepNewer,
                   [&](size_t index, const RestoreRun::Placed &placed) {
                       logRestored(log, plan.items[index].origin.target, placed.kept);
                   });
    const size_t total = plan.items.size();
    size_t done = 0;
    QElapsedTimer sinceUpdate;
    sinceUpdate.start();
    const auto progressLine = [&] {
        QString line = text("RestoreInfo");
        if (total > 1)
            line += QStringLiteral("  %1 / %2").arg(done).arg(total);
        return line;
    };
    const auto showProgress = [&] {
        m_dialogs.showProgress(progressLine());
        sinceUpdate.restart();
    };
    const auto inform = [&](const QString &first, const QString &second) {
        // The progress window goes before any box, and comes back after it.
        m_dialogs.progressDone();
        m_dialogs.inform(first, second);
        showProgress();
    };
    // The GUI thread waits for the workers with the progress window kept painted; what the user
    // types meanwhile waits until the restore is over, as it would in a busy window.
    const auto idle = [&] {
        if (sinceUpdate.elapsed() >= kProgressInterval)
            showProgress();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };

    repaint();
    log.write(QStringLiteral("restore from %1").arg(side.destination + kBackslash + side.folderName));
    showProgress();
    for (const Step &step : plan.steps) {
        switch (step.kind) {
        case Step::Kind::NoFileSelected:
            inform(text("MessageMustSelectaFile"), QString());
            break;
        case Step::Kind::Refused:
            log.write(QStringLiteral("refused name %1").arg(step.name));
            ++outcome.failed;
            inform(text("MessageRefusedName"), step.name);
            break;
        case Step::Kind::TooLong:
            log.write(QStringLiteral("refused, path too long: %1").arg(step.name));
            ++outcome.failed;
            inform(text("MessagePathTooLong"), step.name);
            break;
        case Step::Kind::File:
            putInPlace(plan.items[step.item], run.take(step.item, idle), log, inform, outcome);
            ++done;
            // Workers that keep ahead leave nothing to wait for: the count and the painting are
            // brought up to date here then.
            if (sinceUpdate.elapsed() >= kProgressInterval) {
                showProgress();
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            }
            break;
        }
    }
    m_dialogs.progressDone();
    report(outcome);
}

void TrewriteF::report(const Outcome &outcome)
{
    QString first = text("ReportRestored") + QLatin1Char(' ') + QString::number(outcome.restored);
    if (outcome.failed > 0)
        first += QStringLiteral("   %1 %2, %3")
                     .arg(text("ReportFailed"), QString::number(outcome.failed), text("ReportSeeLog"));
    QString second;
    if (outcome.kept > 0)
        second = QStringLiteral("%1 %2: %3")
                     .arg(text("ReportKept"), QString::number(outcome.kept), outcome.firstKept);
    m_dialogs.inform(first, second);
}

QString TrewriteF::keptPath(const QString &target, const QString &kept)
{
    return target.left(target.lastIndexOf(kBackslash) + 1) + kept;
}

void TrewriteF::logKept(RestoreLog &log, const QString &target, const QString &kept)
{
    if (!kept.isEmpty())
        log.write(QStringLiteral("kept newer %1 as %2").arg(target, keptPath(target, kept)));
}

void TrewriteF::logRestored(RestoreLog &log, const QString &target, const QString &kept)
{
    logKept(log, target, kept);
    log.write(QStringLiteral("restored %1").arg(target));
}

void TrewriteF::putInPlace(const RestoreRun::Item &item, const RestoreRun::Taken &taken, RestoreLog &log,
                           const Inform &inform, Outcome &outcome)
{
    const restore::FileOrigin &origin = item.origin;
    const bool copied = taken.copied;
    const QString &member = taken.member;
    const RestoreRun::Placed &placed = taken.placed;
    if (!placed.kept.isEmpty() && outcome.kept++ == 0)
        outcome.firstKept = keptPath(origin.target, placed.kept);
    if (placed.result == DecompressOk && placed.foreignLink.isEmpty())
        ++outcome.restored;
    else
        ++outcome.failed;
    if (taken.reported)
        return; // logged where it was put in place
    logKept(log, origin.target, placed.kept);
    // Another user's link could send the file anywhere this user may write: the file is refused,
    // and the box names the link and the file.
    if (!placed.foreignLink.isEmpty()) {
        log.write(QStringLiteral("refused %1: linked folder %2 of another user")
                      .arg(origin.target, placed.foreignLink));
        inform(text("MessageForeignLink") + QLatin1Char(' ') + placed.foreignLink, origin.target);
        return;
    }
    if (placed.folderNotMade)
        inform(text("MessageFileCreateError"), QString());
    const int code = placed.result;
    if (code == DecompressOk) {
        log.write(QStringLiteral("restored %1").arg(origin.target));
        return;
    }
    log.write(QStringLiteral("failed %1 from %2: %3")
                  .arg(origin.target, member.isEmpty() ? origin.source : member,
                       copied ? text("MessageOtherError") : failureText(code)));
    if (copied) {
        inform(text("MessageFileNotExistsError") + QStringLiteral("  /  ") + text("MessageOtherError"),
               origin.source);
        repaint();
    } else {
        inform(failureText(code), failureNamesTarget(code) ? origin.target : origin.source);
    }
}

// The failure box of a code: its text, and whether its second line names the target (else the
// archive-side source without ".bz2").
QString TrewriteF::failureText(int code) const
{
    switch (code) {
    case DecompressOutOfMemory:
        return text("MessageOutOfMemory");
    case DecompressLibraryError:
    case DecompressStreamMisused:
        return text("MessageCompressionError");
    case DecompressCannotCreateTarget:
        return text("MessageFileCreateError");
    case DecompressCannotOpenSource:
        return text("MessageFileOpenError");
    case DecompressReadFailure:
        return text("MessageFileReadError");
    case DecompressWriteFailure:
        return text("MessageFileWriteError");
    case DecompressSourceMissing:
        return text("MessageFileNotExistsError");
    case DecompressDiskFull:
        return text("MessageDiskFull");
    default:
        return text("MessageOtherError");
    }
}

bool TrewriteF::failureNamesTarget(int code)
{
    return code == DecompressCannotCreateTarget || code == DecompressWriteFailure ||
           code == DecompressDiskFull || code == DecompressOtherFailure;
}
