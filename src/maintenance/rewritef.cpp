// The restore window.
#include "rewritef.h"

#include "appearance/kovapanel.h"
#include "appearance/kovaprovider.h"
#include "appearance/windowparts.h"
#include "archivelist/treelistview.h"

#include <QLabel>
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
};

} // namespace

TrewriteF::TrewriteF(QWidget *parent)
    : TPanelWindow(QStringLiteral("rewriteF"), QSize(600, 420), true, parent)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    Label1 = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 10, 580, 20));
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    TLrewrite = new TTreeListView(KovaPanel1);
    TLrewrite->setObjectName(QStringLiteral("TLrewrite"));
    TLrewrite->setGeometry(10, 36, 580, 336);
    TLrewrite->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TLrewrite->setDragEnabled(false);
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(490, 382, 100, 28));
    SpeedButton1->setText(QStringLiteral("Back"));

    kovaProvider1->setOnNeedDefaults([this](QObject *) { registerDefaults(); });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    connect(SpeedButton1, &QToolButton::clicked, this, &TrewriteF::SpeedButton1Click);
}

void TrewriteF::registerDefaults()
{
    kovaProvider1->SetDefaults(kDefaults);
}

void TrewriteF::applyTexts()
{
    SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("BackButton")));
}

void TrewriteF::ClearFileList()
{
    // The window has no file list yet; nothing is left over from an earlier opening.
}

void TrewriteF::SpeedButton1Click()
{
    TLrewrite->setFocus();
    accept();
}
