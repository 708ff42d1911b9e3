// The restore window.
#include "rewritef.h"

#include "core/restore/decompressfile.h"
#include "core/restore/recordedform.h"
#include "core/restore/restorelog.h"
#include "core/restore/restorenames.h"
#include "core/restore/restorepaths.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/windowparts.h"
#include "core/archivelist/findfile.h"
#include "core/archivelist/folderentries.h"
#include "gui/archivelist/shownnamedelegate.h"
#include "gui/archivelist/treelistview.h"
#include "core/settings/config.h"
#include "core/platform/paths.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

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
};

const QChar kBackslash = QLatin1Char('\\');

// How often the progress line's count is brought up to date.
constexpr qint64 kProgressInterval = 100;

} // namespace

TrewriteF::TrewriteF(QWidget *parent)
    : TPanelWindow(QStringLiteral("rewriteF"), QSize(640, 440), true, parent)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    Label1 = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 10, 620, 20));
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    TLrewrite = new TTreeListView(KovaPanel1);
    TLrewrite->setObjectName(QStringLiteral("TLrewrite"));
    TLrewrite->setGeometry(10, 36, 330, 330);
    TLrewrite->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TLrewrite->setDragEnabled(false);
    Label2 = makeLabel(KovaPanel1, "Label2");
    Label2->setGeometry(350, 36, 280, 18);
    Label2->setText(QStringLiteral("File list:"));
    FileListBox1 = new QListWidget(KovaPanel1);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setGeometry(350, 56, 280, 310);
    FileListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    // An item keeps the archived name it restores; it is drawn with control characters written out.
    FileListBox1->setItemDelegate(new ShownNameDelegate(FileListBox1));
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    selectall1 = PopupMenu->addAction(QStringLiteral("Select all"));
    selectall1->setObjectName(QStringLiteral("selectall1"));

    CBsubdir = new QCheckBox(KovaPanel1);
    CBsubdir->setObjectName(QStringLiteral("CBsubdir"));
    CBsubdir->setGeometry(10, 374, 18, 20);
    CBsubdir->setFocusPolicy(Qt::NoFocus);
    Lsubdir = makeLabel(KovaPanel1, "Lsubdir");
    Lsubdir->setGeometry(30, 374, 300, 20);
    Lsubdir->setText(QStringLiteral("Subdirectories"));
    Lsubdir->setCursor(Qt::PointingHandCursor);
    Lsubdir->installEventFilter(this);

    SpeedButton2 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(10, 400, 148, 28));
    SBrewritedir = makeSpeedButton(KovaPanel1, QStringLiteral("SBrewritedir"), QRect(166, 400, 148, 28));
    B_backfiles = makeSpeedButton(KovaPanel1, QStringLiteral("B_backfiles"), QRect(322, 400, 170, 28));
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(530, 400, 100, 28));
    if (MouseMove1)
        MouseMove1->watch(Label1);
    applyTexts();

    kovaProvider1->setOnNeedDefaults([this](QObject *) { registerDefaults(); });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    connect(TLrewrite->treeList(), &TTreeList::selectedChanged, this, &TrewriteF::TLrewriteChange);
    connect(TLrewrite, &TTreeListView::MouseDown, this, &TrewriteF::TLrewriteChange);
    connect(FileListBox1, &QListWidget::itemPressed, this, &TrewriteF::FileListBox1Click);
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, &TrewriteF::SelectAll);
    connect(FileListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        selectall1->setEnabled(FileListBox1->count() > 0);
        PopupMenu->popup(FileListBox1->viewport()->mapToGlobal(at));
    });
    connect(selectall1, &QAction::triggered, this, &TrewriteF::SelectAll);
    connect(CBsubdir, &QCheckBox::clicked, this, [this] { TLrewrite->setFocus(); });
    connect(SpeedButton2, &QToolButton::clicked, this, &TrewriteF::SpeedButton2Click);
    connect(SBrewritedir, &QToolButton::clicked, this, &TrewriteF::SBrewritedirClick);
    connect(B_backfiles, &QToolButton::clicked, this, &TrewriteF::B_backfilesClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TrewriteF::SpeedButton1Click);
    ClearFileList();
}

TrewriteF::~TrewriteF() = default;

void TrewriteF::registerDefaults()
{
    kovaProvider1->SetDefaults(kDefaults);
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
    Lsubdir->setText(text("SubDirectoryLabel"));
    selectall1->setText(text("SelectAllCaption"));
    B_backfiles->setText(text("BackAfilesButton"));
    Label2->setText(text("FileListLabel"));
    SpeedButton2->setText(text("RewriteFileButton"));
    SpeedButton1->setText(text("BackButton"));
    SBrewritedir->setText(text("RewriteDirButton"));
}

bool TrewriteF::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Lsubdir && event->type() == QEvent::MouseButtonRelease && Lsubdir->isEnabled() &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        CBsubdir->toggle();
        return true;
    }
    return TPanelWindow::eventFilter(watched, event);
}

void TrewriteF::ClearFileList()
{
    // Nothing is chosen yet: an empty list, and no command that needs a choice.
    FileListBox1->clear();
    FileListBox1->show();
    Label2->show();
    for (QWidget *control : {static_cast<QWidget *>(SpeedButton2), static_cast<QWidget *>(SBrewritedir),
                             static_cast<QWidget *>(CBsubdir), static_cast<QWidget *>(Lsubdir)})
        control->setEnabled(false);
}

QString TrewriteF::ArchiveRoot()
{
    QString destination;
    if (!m_config)
        m_config = std::make_unique<Tconfig>();
    destination = m_config->Read(TextSetting::Destination, sideOf(Primary));
    if (destination.endsWith(kBackslash))
        destination.chop(1);
    QString name = m_host.dirName ? m_host.dirName(Primary ? 1 : 2) : QString();
    if (name.startsWith(kBackslash))
        name.remove(0, 1);
    return destination + kBackslash + name;
}

bool TrewriteF::Compressed()
{
    if (!m_config)
        m_config = std::make_unique<Tconfig>();
    const bool flag = m_config->Read(BoolSetting::Compressed, sideOf(Primary));
    // The archive's own record wins over the flag: the two differ from the moment the flag
    // changes until the Archiver has converted the archive, and only the record knows.
    const restore::RecordedForm form = restore::recordedForm(ArchiveRoot());
    return form.known && !form.converting ? form.compressed : flag;
}

QStringList TrewriteF::nodeChain() const
{
    QStringList chain;
    for (const TreeListNode *node = TLrewrite->treeList()->Selected(); node; node = node->parent())
        chain.prepend(TTreeList::NodeName(node));
    return chain;
}

void TrewriteF::showFolder(const QString &archiveFolder)
{
    FileListBox1->clear();
    const QStringList entries =
        archivelist::folderEntries(archiveFolder, archivelist::FolderEntryKind::Files);
    bool compressed = true;
    const auto read = [&] { compressed = Compressed(); };
    if (m_host.guarded)
        m_host.guarded(read);
    else
        read();
    FileListBox1->addItems(restore::shownNames(entries, compressed));
}

void TrewriteF::TLrewriteChange()
{
    TTreeList *tree = TLrewrite->treeList();
    if (!tree->Selected()) {
        ClearFileList();
        return;
    }
    if (!tree->Dir()) {
        FileListBox1->hide();
        Label2->hide();
        SpeedButton2->setEnabled(true);
        SBrewritedir->setEnabled(false);
        CBsubdir->setEnabled(false);
        Lsubdir->setEnabled(false);
        return;
    }
    FileListBox1->show();
    Label2->show();
    SpeedButton2->setEnabled(false);
    const bool archived = !TTreeList::NodeExt(tree->Selected()).isEmpty();
    SBrewritedir->setEnabled(archived);
    CBsubdir->setEnabled(archived);
    Lsubdir->setEnabled(archived);
    // A name that is not allowed leads out of the archive: nothing of it is read.
    if (!restore::refusedName(nodeChain()).isEmpty()) {
        FileListBox1->clear();
        return;
    }
    QString folder;
    const auto read = [&] { folder = restore::archiveFolder(ArchiveRoot(), tree->Path()); };
    if (m_host.guarded ? !m_host.guarded(read) : (read(), false))
        return;
    if (entryExists(folder))
        showFolder(folder);
    else
        FileListBox1->clear();
}

void TrewriteF::FileListBox1Click()
{
    SpeedButton2->setEnabled(FileListBox1->count() > 0 && FileListBox1->currentRow() >= 0);
    SBrewritedir->setEnabled(false);
    CBsubdir->setEnabled(false);
    Lsubdir->setEnabled(false);
}

void TrewriteF::SelectAll()
{
    FileListBox1->selectAll();
}

QStringList TrewriteF::selectedFromLast() const
{
    QStringList names;
    for (int row = FileListBox1->count() - 1; row >= 0; --row) {
        if (FileListBox1->item(row)->isSelected())
            names.append(FileListBox1->item(row)->text());
    }
    return names;
}

bool TrewriteF::readSide(Side *side)
{
    const auto read = [&] {
        if (!m_config)
            m_config = std::make_unique<Tconfig>();
        side->folderName = m_host.dirName ? m_host.dirName(Primary ? 1 : 2) : QString();
        if (side->folderName.startsWith(kBackslash))
            side->folderName.remove(0, 1);
        side->compressed = Compressed();
        side->converting = restore::recordedForm(ArchiveRoot()).converting;
        side->destination = m_config->Read(TextSetting::Destination, sideOf(Primary));
        if (side->destination.endsWith(kBackslash))
            side->destination.chop(1);
    };
    if (m_host.guarded)
        return m_host.guarded(read);
    read();
    return true;
}

bool TrewriteF::refusedWhileConverting(const Side &side)
{
    // Mid-way, some files are in the old form and some in the new, and a name alone cannot
    // tell which file is which (a plain "x.bz2" of the user's beside the compressed "x"): the
    // restore waits rather than give back a wrong file.
    if (!side.converting)
        return false;
    if (m_host.inform)
        m_host.inform(text("MessageArchiveConverting"), text("MessageRestoreLater"));
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
    if (TLrewrite->treeList()->Dir()) {
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

void TrewriteF::SpeedButton2Click()
{
    if (!m_host.ask || !m_host.ask(text("RestoreConfirm"), QString()))
        return;
    Side side;
    if (!readSide(&side) || refusedWhileConverting(side))
        return;
    Plan plan;
    planWorker(plan, side, TLrewrite->treeList()->Path(), selectedFromLast());
    execute(plan, side);
}

void TrewriteF::SBrewritedirClick()
{
    TTreeList *tree = TLrewrite->treeList();
    const QString P = tree->Path();
    if (!tree->Dir())
        return;
    Side side;
    if (!readSide(&side) || refusedWhileConverting(side))
        return;
    const bool refused = !restore::refusedName(nodeChain()).isEmpty();
    QString folder = restore::archiveFolder(side.destination + kBackslash + side.folderName, P);
    if (!refused && !entryExists(folder))
        return;
    if (!m_host.ask || !m_host.ask(text("RestoreConfirm"), QString()))
        return;
    const bool withSubdirectories = CBsubdir->isChecked();
    Plan plan;
    SelectAll();
    planWorker(plan, side, P, selectedFromLast());
    if (withSubdirectories && !refused) {
        if (folder.endsWith(kBackslash))
            folder.chop(1);
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
            showFolder(folder + kBackslash + relative);
            SelectAll();
            planWorker(plan, side, P + relative, selectedFromLast());
        }
    }
    execute(plan, side);
}

void TrewriteF::B_backfilesClick()
{
    if (!m_host.ask || !m_host.ask(text("BackAfilesConfirm"), QString()))
        return;
    if (m_host.restoreArchiveList)
        m_host.restoreArchiveList(Primary ? 1 : 2);
    TLrewriteChange();
}

void TrewriteF::SpeedButton1Click()
{
    TLrewrite->setFocus();
    accept();
}

void TrewriteF::execute(const Plan &plan, const Side &side)
{
    if (plan.steps.empty())
        return;
    RestoreRun run(plan.items, side.compressed, Threads);
    RestoreLog log(m_host.logFolder ? m_host.logFolder() : QString());
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
        if (m_host.showProgress)
            m_host.showProgress(progressLine());
        sinceUpdate.restart();
    };
    const auto inform = [&](const QString &first, const QString &second) {
        // The progress window goes before any box, and comes back after it.
        if (m_host.progressDone)
            m_host.progressDone();
        if (m_host.inform)
            m_host.inform(first, second);
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
            inform(text("MessageRefusedName"), step.name);
            break;
        case Step::Kind::TooLong:
            log.write(QStringLiteral("refused, path too long: %1").arg(step.name));
            inform(text("MessagePathTooLong"), step.name);
            break;
        case Step::Kind::File:
            putInPlace(plan.items[step.item], run.take(step.item, idle), log, inform);
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
    if (m_host.progressDone)
        m_host.progressDone();
}

void TrewriteF::putInPlace(const RestoreRun::Item &item, RestoreRun::Prepared prepared, RestoreLog &log,
                           const Inform &inform)
{
    const restore::FileOrigin &origin = item.origin;
    const bool copied = prepared.file && prepared.file->kind() == PendingFile::Kind::Copied;
    const QString member = prepared.member;
    const RestoreRun::Placed placed = RestoreRun::putInPlace(std::move(prepared));
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
