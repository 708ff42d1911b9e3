// The destination chooser.
#include "dirselectf.h"

#include "core/restore/restorepaths.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/windowparts.h"
#include "core/archiveinfo/archivelayout.h"
#include "gui/archivelist/directoryviews.h"
#include "core/archivelist/drivetree.h"
#include "core/settings/config.h"
#include "core/platform/attributes.h"
#include "core/platform/paths.h"

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

} // namespace

TdirselectF::TdirselectF(QWidget *parent)
    : TPanelWindow(QStringLiteral("dirselectF"), QSize(440, 300), true, parent)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    Label1 = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 10, 420, 20));
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    LsDTpath = new TDirectoryTreeView(KovaPanel1);
    LsDTpath->setObjectName(QStringLiteral("LsDTpath"));
    LsDTpath->setGeometry(10, 36, 420, 176);
    Epath = new QLineEdit(KovaPanel1);
    Epath->setObjectName(QStringLiteral("Epath"));
    Epath->setReadOnly(true);
    Epath->setGeometry(10, 222, 262, 24);
    Label2 = makeCentredLabel(KovaPanel1, QStringLiteral("Label2"), QRect(272, 222, 14, 24));
    Label2->setText(QStringLiteral("\\"));
    Ename = new QLineEdit(KovaPanel1);
    Ename->setObjectName(QStringLiteral("Ename"));
    Ename->setGeometry(286, 222, 144, 24);
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(115, 260, 100, 28));
    SpeedButton1->setText(QStringLiteral("Ok"));
    SpeedButton2 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(225, 260, 100, 28));
    SpeedButton2->setText(QStringLiteral("Cancel"));
    Edit1 = new QLineEdit(KovaPanel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(-200, -200, 20, 20);
    if (MouseMove1)
        MouseMove1->watch(Label1);

    kovaProvider1->setOnNeedDefaults([this](QObject *) { registerDefaults(); });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    connect(LsDTpath, &TDirectoryTreeView::Change, this, &TdirselectF::ShowSelection);
    connect(LsDTpath, &TDirectoryTreeView::Click, this, &TdirselectF::ShowSelection);
    connect(LsDTpath, &TDirectoryTreeView::KeyUp, this, &TdirselectF::ShowSelection);
    connect(LsDTpath, &TDirectoryTreeView::KeyDown, this, [this] { Edit1->setFocus(); });
    connect(Ename, &QLineEdit::textEdited, this, [this] {
        if (m_host.settingsChanged)
            m_host.settingsChanged();
    });
    connect(SpeedButton1, &QToolButton::clicked, this, &TdirselectF::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TdirselectF::SpeedButton2Click);
}

TdirselectF::~TdirselectF() = default;

void TdirselectF::registerDefaults()
{
    kovaProvider1->SetDefaults(kDefaults);
}

void TdirselectF::applyTexts()
{
    SpeedButton1->setText(text("OkButton"));
    SpeedButton2->setText(text("CancelButton"));
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

void TdirselectF::Open(bool primary)
{
    if (m_host.settingsChanged)
        m_host.settingsChanged();
    Primary = primary;
    if (m_host.delayOff)
        m_host.delayOff();
    LsDTpath->Rebuild();
    Label1->setText(text(primary ? "PrimaryDestDirText" : "SecondaryDestDirText"));
    QString name = m_host.dirName ? m_host.dirName(primary) : QString();
    if (name.startsWith(kBackslash))
        name.remove(0, 1);
    Ename->setText(name);
    const QString destination = m_host.destination ? m_host.destination(primary) : QString();
    if (!destination.isEmpty() && isDirectory(destination))
        LsDTpath->OpenAt(destination);
    else
        LsDTpath->OpenAt(TDriveTreeModel::rootPath());
    // Every opening reads the side's stored values anew, also after one left by Escape.
    Activated = false;
    exec();
    Activated = false;
}

void TdirselectF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    FormActivate();
}

void TdirselectF::FormActivate()
{
    if (!Activated) {
        const auto read = [this] {
            if (!m_config)
                m_config = std::make_unique<Tconfig>();
            const QString path =
                archiver::trimTrailingBackslash(m_config->Read(TextSetting::Destination, sideOf(Primary)));
            const QString name = m_config->Read(TextSetting::ArchiveName, sideOf(Primary));
            StoredDirectory = joinFolder(path, name);
        };
        if (m_host.guarded)
            m_host.guarded(read);
        else
            read();
        Activated = true;
    }
    ShowSelection();
}

void TdirselectF::ShowSelection()
{
    QString selected = LsDTpath->Path();
    if (selected == TDriveTreeModel::rootPath())
        selected.clear();
    Epath->setToolTip(selected);
    if (selected.endsWith(kBackslash))
        selected.chop(1);
    Epath->setText(selected);
}

void TdirselectF::SpeedButton1Click()
{
    Activated = false;
    QString path = Epath->text().trimmed();
    if (path.isEmpty()) {
        const QString selected = LsDTpath->Path();
        path = selected != TDriveTreeModel::rootPath()
                   ? selected
                   : (m_host.programDir ? m_host.programDir() : QString()).left(2);
    }
    path = archiver::trimTrailingBackslash(path);
    QString name = Ename->text().trimmed();
    if (name.isEmpty())
        name = Primary ? QStringLiteral("\\Archive1") : QStringLiteral("\\Archive2");
    else if (!name.startsWith(kBackslash))
        name.prepend(kBackslash);

    // Exactly one "\" between folder and name, so that C: and C:\ name the same archive folder.
    const QString full = joinFolder(path, name);
    if (full.size() > win::kMaxPathLength) {
        // Every later use would refuse it; it is refused here, before anything is stored.
        if (m_host.inform)
            m_host.inform(text("MessagePathTooLong"), full);
        return;
    }
    if (full.toUpper() == StoredDirectory.toUpper() || !entryExists(full)) {
        if (!entryExists(full))
            EnsureDirectory(full); // a failure is not reported: the value is stored all the same
        Store(path, name);
        return;
    }
    if (m_host.askDelayed && m_host.askDelayed(text("DirExistsWarning1"), text("DirexistsWarning2")))
        Store(path, name);
}

void TdirselectF::Store(const QString &path, const QString &name)
{
    QString folder = path;
    if (folder.endsWith(kBackslash))
        folder.chop(1);
    const QString hint = folder + kBackslash + name.mid(1);
    if (folder.size() < 3)
        folder += kBackslash;
    if (m_host.store)
        m_host.store(Primary, folder, name, hint);
    if (m_host.settingsChanged)
        m_host.settingsChanged();
    accept();
}

void TdirselectF::SpeedButton2Click()
{
    Activated = false;
    reject();
}
