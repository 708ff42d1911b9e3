// The shell's side of the panel's smaller windows.
#include "panelwiring.h"

#include "app_user_window.h"
#include "application.h"
#include "archiverhooks.h"
#include "confirm1f.h"
#include "info1f.h"
#include "pathtext.h"
#include "savef.h"

#include "archivelist/extlistf.h"
#include "archivelist/findfile.h"
#include "archivelist/listerror.h"
#include "archivelist/treelist.h"
#include "archivelist/treelistview.h"
#include "archiver/man_archf.h"
#include "config/config.h"
#include "config/configerror.h"
#include "maintenance/dirselectf.h"
#include "maintenance/rewritef.h"
#include "platform/attributes.h"
#include "platform/files.h"

#include <QLabel>
#include <QToolButton>

bool askQuestion(DunlivoPanel &panel, const QString &first, const QString &second, bool delayedYes)
{
    Tconfirm1F *confirm = panel.confirm1F();
    if (!confirm)
        return false;
    if (delayedYes) {
        confirm->startDelay();
    } else {
        confirm->Timer1->stop();
        confirm->delayMode = false;
        confirm->SpeedButton1->setEnabled(true);
    }
    return confirm->ask(first, second);
}

bool ShellDialogs::ask(const QString &first, const QString &second, bool delayedYes)
{
    return askQuestion(m_panel, first, second, delayedYes);
}

void ShellDialogs::inform(const QString &first, const QString &second)
{
    if (Tinfo1F *info = m_panel.info1F())
        info->tell(first, second);
}

void ShellDialogs::showProgress(const QString &line)
{
    TsaveF *progress = m_panel.saveF();
    if (!progress)
        return;
    if (progress->isVisible() && !progress->done) {
        progress->Label1->setText(line);
        progress->repaint();
    } else {
        progress->showProgress(line);
    }
}

void ShellDialogs::progressDone()
{
    if (TsaveF *progress = m_panel.saveF())
        progress->done = true;
}

void ShellDialogs::registryFailed(const ConfigError &error)
{
    if (TApp_user_window *main = m_panel.App_user_window())
        main->reportRegistryError(error);
    else
        m_panel.showRegistryError(error);
}

QStringList WalkedFolderFiles::files(const QString &folder, const QString &extension)
{
    TFindFile finder;
    finder.setExtensions({extension});
    // Nothing a link leads to outside the folder could be loaded, so it is not walked either.
    finder.setStayInside(true);
    finder.Start(folder);
    QStringList names;
    for (QString name = finder.NextFile(); finder.done() == 0; name = finder.NextFile())
        names.append(name);
    return names;
}

namespace {

// Takes a chosen destination: the main window keeps it until the settings are saved, and the
// side's destination button and label show it as their hint.
void takeDestination(TApp_user_window *main, bool primary, const QString &destination, const QString &dirName,
                     const QString &hint)
{
    (primary ? main->PrimaryDestination : main->SecondaryDestination) = destination;
    (primary ? main->PrimaryDirName : main->SecondaryDirName) = dirName;
    (primary ? main->PrimaryDestinationHint : main->SecondaryDestinationHint) = hint;
    for (const char *name : {primary ? "SpeedButton13" : "SpeedButton14", primary ? "Label12" : "Label13"}) {
        if (auto *widget = main->findChild<QWidget *>(QString::fromLatin1(name)))
            widget->setToolTip(hint);
    }
}

} // namespace

void wireWindows(DunlivoPanel &panel)
{
    TApp_user_window *main = panel.App_user_window();
    QObject::connect(
        panel.dirselectF(), &TdirselectF::destinationChosen, main,
        [main](bool primary, const QString &destination, const QString &dirName, const QString &hint) {
            takeDestination(main, primary, destination, dirName, hint);
        });
    QObject::connect(panel.dirselectF(), &TdirselectF::settingsChanged, main,
                     [main] { main->SettingsChanged = true; });

    Tman_archF *manual = panel.man_archF();
    QObject::connect(manual, &Tman_archF::archiveRequested, main, [main, manual](bool primary) {
        if (main->archiverHooks->archiveNow(primary))
            manual->accept();
    });
    QObject::connect(manual, &Tman_archF::restoreRequested, main, [main, manual, &panel](bool primary) {
        const QString heading = main->textOf(primary ? QStringLiteral("PrimaryRestoreButton")
                                                     : QStringLiteral("SecondaryRestoreButton"));
        // Closing the restore window closes this one behind it.
        if (panel.rewriteF()->Open(primary, primary ? main->PrimaryDirName : main->SecondaryDirName, heading,
                                   *main->TLarchive->treeList()))
            manual->accept();
    });
    QObject::connect(panel.rewriteF(), &TrewriteF::archiveListRestoreRequested, main,
                     [main](bool primary) { RestoreArchiveList(main, primary); });

    QObject::connect(panel.extlistF(), &TextlistF::extensionSetChosen, main, [main](const QString &set) {
        main->CurrentExtSet = set;
        main->repaint();
        main->SpeedButton16->setToolTip(QLatin1Char('[') + set + QLatin1Char(']'));
    });
    QObject::connect(panel.extlistF(), &TextlistF::archiveListEdited, main,
                     [main] { main->SyncArchiveLists(2); });
}

void RestoreArchiveList(TApp_user_window *main, bool primary)
{
    QString keptCopy;
    if (!main->guarded([&] {
            QString destination = main->config->ReadString(
                primary ? QStringLiteral("Celutvonal") : QStringLiteral("Celutvonal2"), QString());
            destination = TrimTrailingBackslash(destination);
            keptCopy = JoinPath(destination, primary ? main->PrimaryDirName : main->SecondaryDirName) +
                       QStringLiteral("\\afiles.lst");
        }))
        return;

    if (win::GetFileAttributes(keptCopy) != win::INVALID_FILE_ATTRIBUTES) {
        // The copy is read before anything is replaced: a damaged copy must not take the place
        // of the panel's list.
        TTreeList copy;
        try {
            copy.LoadFromFile(keptCopy);
        } catch (const ListFileError &) {
            if (Tinfo1F *info = main->panel()->info1F())
                info->tell(main->textOf(QStringLiteral("CantOpenfileWarning")), keptCopy);
            return;
        }
        const QString own = main->archiveListFile();
        win::SetFileAttributes(own, win::FILE_ATTRIBUTE_NORMAL);
        main->TLmain->treeList()->Assign(copy);
        main->SyncArchiveLists(1);
        main->TLmain->treeList()->ExpandTopLevel();
        main->TLarchive->treeList()->ExpandTopLevel();
    }
    if (TrewriteF *rewrite = main->panel()->rewriteF())
        rewrite->showArchiveList(*main->TLarchive->treeList());
}
