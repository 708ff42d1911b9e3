// The destination chooser.
#include "dirselectf.h"

#include "core/restore/restorepaths.h"

#include "core/archiveinfo/archivelayout.h"
#include "core/archivelist/drivetree.h"
#include "core/archivelist/treelist.h"
#include "core/platform/attributes.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/windowparts.h"
#include "gui/archivelist/directoryviews.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

constexpr DefaultText kDefaults[] = {
    {"DirExistsWarning1", "If you select an existent directory it is possible that other files"},
    {"DirexistsWarning2", "will be delete when you emptying the archive.    Continue?"},
    {"PrimaryDestDirText", "Primary archive's destination:"},
    {"SecondaryDestDirText", "Secondary archive's destination:"},
    {"MessagePathNotFound", "Path not found! "},
    {"MessagePathTooLong", "The path is longer than 255 characters:"},
    {"ArchiveInsideListed1", "The archive folder %1 lies inside the archived folder %2."},
    {"ArchiveInsideListed2", "The Archiver leaves it out, but it is safer elsewhere. Keep it?"},
};

const QChar kBackslash = QLatin1Char('\\');

// Folder and name with exactly one "\" between them.
QString joinFolder(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || name.isEmpty())
        return folder + name;
    if (folder.endsWith(kBackslash) && name.startsWith(kBackslash))
        return folder + name.mid(1);
    if (!folder.endsWith(kBackslash) && !name.startsWith(kBackslash))
        return folder + kBackslash + name;
    return folder + name;
}

bool isDirectory(const QString &path)
{
    const win::DWORD attributes = win::GetFileAttributes(path);
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

// The host folder of a Windows path, its links resolved where it exists; empty off the drives.
QString hostFolder(const QString &windowsPath)
{
    const QString host = win::HostPath(archiver::trimTrailingBackslash(windowsPath));
    if (host.isEmpty())
        return host;
    const QString canonical = QFileInfo(host).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(host) : canonical;
}

// The folder of the archive list (a listed directory or drive) that holds the archive folder name
// in the existing folder destination, or is it; the nearest one when several do. Empty for none.
QString listedFolderHolding(const TTreeList &list, const QString &destination, const QString &name)
{
    const QString destinationHost = hostFolder(destination);
    if (destinationHost.isEmpty())
        return QString();
    const QString archive = QDir::cleanPath(destinationHost + QLatin1Char('/') + name.mid(1));
    QString holder;
    qsizetype holderLength = -1;
    std::vector<const TreeListNode *> pending;
    for (int row = 0; row < list.topLevelCount(); ++row)
        pending.push_back(list.topLevelNode(row));
    while (!pending.empty()) {
        const TreeListNode *node = pending.back();
        pending.pop_back();
        for (int row = 0; row < node->childCount(); ++row)
            pending.push_back(node->child(row));
        const int kind = node->imageIndex();
        if (kind != TTreeList::ArchivedDirectoryNode && kind != TTreeList::ArchivedDriveNode)
            continue;
        const QString folder = hostFolder(TTreeList::NodePath(node));
        const bool holds =
            !folder.isEmpty() &&
            (archive == folder ||
             archive.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')));
        if (holds && folder.size() > holderLength) {
            holder = archiver::trimTrailingBackslash(TTreeList::NodePath(node));
            holderLength = folder.size();
        }
    }
    return holder;
}

} // namespace

TdirselectF::TdirselectF(const QString &programDir, const TTreeList &archiveList, PanelDialogs &dialogs,
                         QWidget *parent)
    : TPanelWindow(QStringLiteral("dirselectF"), QSize(440, 300), true, parent), m_programDir(programDir),
      m_archiveList(archiveList), m_dialogs(dialogs)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    headingLabel = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 10, 420, 20));
    QFont heading = headingLabel->font();
    heading.setBold(true);
    headingLabel->setFont(heading);
    folderTree = new TDirectoryTreeView(KovaPanel1);
    folderTree->setObjectName(QStringLiteral("LsDTpath"));
    folderTree->setGeometry(10, 36, 420, 176);
    folderEdit = new QLineEdit(KovaPanel1);
    folderEdit->setObjectName(QStringLiteral("Epath"));
    folderEdit->setReadOnly(true);
    folderEdit->setGeometry(10, 222, 262, 24);
    QLabel *separator = makeCentredLabel(KovaPanel1, QStringLiteral("Label2"), QRect(272, 222, 14, 24));
    separator->setText(QStringLiteral("\\"));
    nameEdit = new QLineEdit(KovaPanel1);
    nameEdit->setObjectName(QStringLiteral("Ename"));
    nameEdit->setGeometry(286, 222, 144, 24);
    okButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(115, 260, 100, 28));
    okButton->setText(QStringLiteral("Ok"));
    cancelButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(225, 260, 100, 28));
    cancelButton->setText(QStringLiteral("Cancel"));
    focusTaker = new QLineEdit(KovaPanel1);
    focusTaker->setObjectName(QStringLiteral("Edit1"));
    focusTaker->setGeometry(-200, -200, 20, 20);
    if (MouseMove1)
        MouseMove1->watch(headingLabel);

    kovaProvider1->setOnNeedDefaults([this](QObject *) { registerDefaults(); });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    connect(folderTree, &TDirectoryTreeView::Change, this, &TdirselectF::showSelection);
    connect(folderTree, &TDirectoryTreeView::Click, this, &TdirselectF::showSelection);
    connect(folderTree, &TDirectoryTreeView::KeyUp, this, &TdirselectF::showSelection);
    connect(folderTree, &TDirectoryTreeView::KeyDown, this, [this] { focusTaker->setFocus(); });
    connect(nameEdit, &QLineEdit::textEdited, this, &TdirselectF::settingsChanged);
    connect(okButton, &QToolButton::clicked, this, &TdirselectF::chooseDestination);
    connect(cancelButton, &QToolButton::clicked, this, &TdirselectF::cancel);
}

TdirselectF::~TdirselectF() = default;

void TdirselectF::registerDefaults()
{
    kovaProvider1->SetDefaults(kDefaults);
}

void TdirselectF::applyTexts()
{
    okButton->setText(text("OkButton"));
    cancelButton->setText(text("CancelButton"));
}

QString TdirselectF::text(const char *key) const
{
    const QString k = QString::fromLatin1(key);
    QString t = kovaProvider1->GetText(k);
    if (t.isEmpty())
        t = TkovaProvider::DefaultTextOf(kDefaults, k);
    if (t.isEmpty() && k == QLatin1String("OkButton"))
        t = QStringLiteral("Ok");
    if (t.isEmpty() && k == QLatin1String("CancelButton"))
        t = QStringLiteral("Cancel");
    return t;
}

void TdirselectF::Open(bool primary, const QString &destination, const QString &dirName)
{
    Q_EMIT settingsChanged();
    m_primary = primary;
    folderTree->Rebuild();
    headingLabel->setText(text(primary ? "PrimaryDestDirText" : "SecondaryDestDirText"));
    QString name = dirName;
    if (name.startsWith(kBackslash))
        name.remove(0, 1);
    nameEdit->setText(name);
    if (!destination.isEmpty() && isDirectory(destination))
        folderTree->OpenAt(destination);
    else
        folderTree->OpenAt(TDriveTreeModel::rootPath());
    // Every opening reads the side's stored values anew, also after one left by Escape.
    m_activated = false;
    exec();
    m_activated = false;
}

void TdirselectF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    readStoredDirectory();
}

void TdirselectF::readStoredDirectory()
{
    if (!m_activated) {
        m_dialogs.guarded([this] {
            if (!m_config)
                m_config = std::make_unique<Tconfig>();
            const QString path =
                archiver::trimTrailingBackslash(m_config->Read(TextSetting::Destination, sideOf(m_primary)));
            const QString name = m_config->Read(TextSetting::ArchiveName, sideOf(m_primary));
            m_storedDirectory = joinFolder(path, name);
        });
        m_activated = true;
    }
    showSelection();
}

void TdirselectF::showSelection()
{
    QString selected = folderTree->Path();
    if (selected == TDriveTreeModel::rootPath())
        selected.clear();
    folderEdit->setToolTip(selected);
    if (selected.endsWith(kBackslash))
        selected.chop(1);
    folderEdit->setText(selected);
}

void TdirselectF::chooseDestination()
{
    m_activated = false;
    QString path = folderEdit->text().trimmed();
    if (path.isEmpty()) {
        const QString selected = folderTree->Path();
        path = selected != TDriveTreeModel::rootPath() ? selected : m_programDir.left(2);
    }
    path = archiver::trimTrailingBackslash(path);
    QString name = nameEdit->text().trimmed();
    if (name.isEmpty())
        name = m_primary ? QStringLiteral("\\Archive1") : QStringLiteral("\\Archive2");
    else if (!name.startsWith(kBackslash))
        name.prepend(kBackslash);

    // Exactly one "\" between folder and name, so that C: and C:\ name the same archive folder.
    const QString full = joinFolder(path, name);
    if (full.size() > win::kMaxPathLength) {
        // Every later use would refuse it; it is refused here, before anything is stored.
        m_dialogs.inform(text("MessagePathTooLong"), full);
        return;
    }
    // The Archiver leaves its own archive out of a listed folder, but an archive on the disk of
    // the files it keeps goes when that disk goes: the user decides, told so.
    const QString holder = listedFolderHolding(m_archiveList, path, name);
    if (!holder.isEmpty() &&
        !m_dialogs.ask(text("ArchiveInsideListed1").arg(full, holder), text("ArchiveInsideListed2"), false))
        return;
    if (full.toUpper() == m_storedDirectory.toUpper() || !entryExists(full)) {
        if (!entryExists(full))
            EnsureDirectory(full); // a failure is not reported: the value is stored all the same
        store(path, name);
        return;
    }
    if (m_dialogs.ask(text("DirExistsWarning1"), text("DirexistsWarning2"), true))
        store(path, name);
}

void TdirselectF::store(const QString &path, const QString &name)
{
    QString folder = path;
    if (folder.endsWith(kBackslash))
        folder.chop(1);
    const QString hint = folder + kBackslash + name.mid(1);
    if (folder.size() < 3)
        folder += kBackslash;
    Q_EMIT destinationChosen(m_primary, folder, name, hint);
    Q_EMIT settingsChanged();
    accept();
}

void TdirselectF::cancel()
{
    m_activated = false;
    reject();
}
