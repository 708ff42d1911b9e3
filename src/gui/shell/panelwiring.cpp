// The shell's side of the panel's smaller windows.
#include "panelwiring.h"

#include "aboutf.h"
#include "app_user_window.h"
#include "archivelistpage.h"
#include "archivercommands.h"
#include "newfoldersoffer.h"
#include "pathtext.h"
#include "settingspage.h"
#include "startpage.h"

#include "core/archivelist/findfile.h"
#include "core/archivelist/listerror.h"
#include "core/archivelist/treelist.h"
#include "core/platform/attributes.h"
#include "core/platform/files.h"
#include "core/settings/config.h"
#include "gui/appearance/backgroundf.h"
#include "gui/appearance/languagef.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/archivelist/extlistf.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/destinations/dirselectf.h"
#include "gui/restore/rewritef.h"

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

void wireWindows(const PanelWindows &w, PanelDialogs &dialogs)
{
    TApp_user_window *main = w.main;
    main->archiverCommands().setWindows(w.manualArchiving, w.wait, w.status);
    StartPage *start = main->startPage();
    QObject::connect(start, &StartPage::languageRequested, main,
                     [main, w] { main->placeAndShow(w.language, QPoint(108, 135), QPoint(46, 73)); });
    QObject::connect(start, &StartPage::textureRequested, main,
                     [main, w] { main->placeAndShow(w.background, QPoint(120, 151), QPoint(60, 89)); });
    QObject::connect(start, &StartPage::aboutRequested, main,
                     [main, w] { main->placeAndShow(w.about, QPoint(84, 115), QPoint(18, 51)); });
    QObject::connect(main, &TApp_user_window::languageApplied, w.language, &TlanguageF::showFlag);
    QObject::connect(main, &TApp_user_window::aboutLogoReady, w.about, &TaboutF::setLogo);
    QObject::connect(main, &TApp_user_window::restoreListResetRequested, w.restore, &TrewriteF::ClearFileList);

    QObject::connect(main->settingsPage(), &SettingsPage::destinationRequested, main, [main, w](bool primary) {
        w.destinations->Open(primary, main->destination(primary), main->dirName(primary));
    });
    QObject::connect(
        w.destinations, &TdirselectF::destinationChosen, main,
        [main](bool primary, const QString &destination, const QString &dirName, const QString &hint) {
            main->setDestination(primary, destination, dirName, hint);
            main->settingsPage()->setDestinationHint(primary, hint);
        });
    QObject::connect(w.destinations, &TdirselectF::settingsChanged, main,
                     [main] { main->setSettingsChanged(true); });

    Tman_archF *manual = w.manualArchiving;
    QObject::connect(manual, &Tman_archF::archiveRequested, main, [main, manual](bool primary) {
        if (main->archiverCommands().archiveNow(primary, main->settingsChanged()))
            manual->accept();
    });
    QObject::connect(manual, &Tman_archF::restoreRequested, main, [main, manual, w](bool primary) {
        const QString heading = main->textOf(primary ? QStringLiteral("PrimaryRestoreButton")
                                                     : QStringLiteral("SecondaryRestoreButton"));
        // Closing the restore window closes this one behind it.
        if (w.restore->Open(primary, main->dirName(primary), heading, *main->archiveList()))
            manual->accept();
    });
    QObject::connect(w.restore, &TrewriteF::archiveListRestoreRequested, main,
                     [main, w, &dialogs](bool primary) { RestoreArchiveList(*main, *w.restore, dialogs, primary); });

    QObject::connect(main->archiveListPage(), &ArchiveListPage::extensionListRequested, main, [main, w] {
        w.extensionList->Open(main->pos() + main->pressPosition() + QPoint(0, 345), main->confirmationOn());
    });
    QObject::connect(w.extensionList, &TextlistF::extensionSetChosen, main,
                     [main](const QString &set) { main->archiveListPage()->takeExtensionSet(set); });
    QObject::connect(w.extensionList, &TextlistF::archiveListEdited, main, [main] { main->SyncArchiveLists(2); });

    // Offers the new folders the Archiver found; a child of the main window.
    new NewFoldersOffer(*main, dialogs);
}

void RestoreArchiveList(TApp_user_window &main, TrewriteF &restore, PanelDialogs &dialogs, bool primary)
{
    QString keptCopy;
    if (!main.guarded([&] {
            QString destination = main.config().Read(TextSetting::Destination, sideOf(primary));
            destination = TrimTrailingBackslash(destination);
            keptCopy = JoinPath(destination, main.dirName(primary)) + QStringLiteral("\\afiles.lst");
        }))
        return;

    if (win::GetFileAttributes(keptCopy) != win::INVALID_FILE_ATTRIBUTES) {
        // The copy is read before anything is replaced: a damaged copy must not take the place
        // of the panel's list.
        TTreeList copy;
        try {
            copy.LoadFromFile(keptCopy);
        } catch (const ListFileError &) {
            dialogs.inform(main.textOf(QStringLiteral("CantOpenfileWarning")), keptCopy);
            return;
        }
        const QString own = main.archiveListFile();
        win::SetFileAttributes(own, win::FILE_ATTRIBUTE_NORMAL);
        main.startList()->Assign(copy);
        main.SyncArchiveLists(1);
        main.startList()->ExpandTopLevel();
        main.archiveList()->ExpandTopLevel();
    }
    restore.showArchiveList(*main.archiveList());
}
