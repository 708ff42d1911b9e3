// The shell's side of the panel's smaller windows.
#include "panelwiring.h"

#include "app_user_window.h"
#include "application.h"
#include "archivelistpage.h"
#include "archivercommands.h"
#include "confirm1f.h"
#include "info1f.h"
#include "pathtext.h"
#include "question.h"
#include "savef.h"
#include "settingspage.h"

#include "core/archivelist/findfile.h"
#include "core/archivelist/listerror.h"
#include "core/archivelist/treelist.h"
#include "core/platform/attributes.h"
#include "core/platform/files.h"
#include "core/settings/config.h"
#include "core/settings/configerror.h"
#include "gui/archivelist/extlistf.h"
#include "gui/archivelist/treelistview.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/destinations/dirselectf.h"
#include "gui/restore/rewritef.h"

#include <QLabel>
#include <QToolButton>

bool ShellDialogs::ask(const QString &first, const QString &second, bool delayedYes)
{
    return Question::ask(first, second, delayedYes ? Question::Delay::DelayedYes : Question::Delay::None);
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
        progress->setLine(line);
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

void wireWindows(DunlivoPanel &panel)
{
    TApp_user_window *main = panel.App_user_window();
    QObject::connect(
        panel.dirselectF(), &TdirselectF::destinationChosen, main,
        [main](bool primary, const QString &destination, const QString &dirName, const QString &hint) {
            main->setDestination(primary, destination, dirName, hint);
            main->settingsPage()->setDestinationHint(primary, hint);
        });
    QObject::connect(panel.dirselectF(), &TdirselectF::settingsChanged, main,
                     [main] { main->setSettingsChanged(true); });

    Tman_archF *manual = panel.man_archF();
    QObject::connect(manual, &Tman_archF::archiveRequested, main, [main, manual](bool primary) {
        if (main->archiverCommands().archiveNow(primary))
            manual->accept();
    });
    QObject::connect(manual, &Tman_archF::restoreRequested, main, [main, manual, &panel](bool primary) {
        const QString heading = main->textOf(primary ? QStringLiteral("PrimaryRestoreButton")
                                                     : QStringLiteral("SecondaryRestoreButton"));
        // Closing the restore window closes this one behind it.
        if (panel.rewriteF()->Open(primary, main->dirName(primary), heading, *main->archiveList()))
            manual->accept();
    });
    QObject::connect(panel.rewriteF(), &TrewriteF::archiveListRestoreRequested, main,
                     [main](bool primary) { RestoreArchiveList(main, primary); });

    QObject::connect(panel.extlistF(), &TextlistF::extensionSetChosen, main,
                     [main](const QString &set) { main->archiveListPage()->takeExtensionSet(set); });
    QObject::connect(panel.extlistF(), &TextlistF::archiveListEdited, main,
                     [main] { main->SyncArchiveLists(2); });
}

void RestoreArchiveList(TApp_user_window *main, bool primary)
{
    QString keptCopy;
    if (!main->guarded([&] {
            QString destination = main->config().Read(TextSetting::Destination, sideOf(primary));
            destination = TrimTrailingBackslash(destination);
            keptCopy = JoinPath(destination, main->dirName(primary)) + QStringLiteral("\\afiles.lst");
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
        main->startList()->Assign(copy);
        main->SyncArchiveLists(1);
        main->startList()->ExpandTopLevel();
        main->archiveList()->ExpandTopLevel();
    }
    if (TrewriteF *rewrite = main->panel()->rewriteF())
        rewrite->showArchiveList(*main->archiveList());
}
