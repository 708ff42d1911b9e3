// The main window's side of the destination chooser and the restore window.
#include "maintenancehooks.h"

#include "app_user_window.h"
#include "application.h"
#include "confirm1f.h"
#include "info1f.h"
#include "pathtext.h"
#include "savef.h"

#include "core/archivelist/listerror.h"
#include "core/archivelist/treelist.h"
#include "gui/archivelist/treelistview.h"
#include "core/settings/config.h"
#include "gui/destinations/dirselectf.h"
#include "gui/restore/rewritef.h"
#include "core/platform/attributes.h"
#include "core/platform/files.h"
#include "core/platform/prefix.h"

#include <QLabel>
#include <QToolButton>

namespace {

void inform(TApp_user_window *main, const QString &first, const QString &second)
{
    if (Tinfo1F *info = main->panel()->info1F())
        info->tell(first, second);
}

} // namespace

DirselectHost dirselectHost(TApp_user_window *main)
{
    DirselectHost host;
    host.programDir = [main] { return main->programDir(); };
    host.destination = [main](bool primary) { return main->destination(primary); };
    host.dirName = [main](bool primary) { return main->dirName(primary); };
    host.store = [main](bool primary, const QString &destination, const QString &dirName,
                        const QString &hint) {
        main->setDestination(primary, destination, dirName, hint);
        const char *button = primary ? "SpeedButton13" : "SpeedButton14";
        const char *label = primary ? "Label12" : "Label13";
        for (const char *name : {button, label}) {
            if (auto *widget = main->findChild<QWidget *>(QString::fromLatin1(name)))
                widget->setToolTip(hint);
        }
    };
    host.settingsChanged = [main] { main->setSettingsChanged(true); };
    host.delayOff = [main] {
        if (Tconfirm1F *confirm = main->panel()->confirm1F()) {
            confirm->Timer1->stop();
            confirm->delayMode = false;
            confirm->SpeedButton1->setEnabled(true);
        }
    };
    host.askDelayed = [main](const QString &first, const QString &second) {
        Tconfirm1F *confirm = main->panel()->confirm1F();
        if (!confirm)
            return false;
        confirm->startDelay();
        return confirm->ask(first, second);
    };
    host.inform = [main](const QString &first, const QString &second) { inform(main, first, second); };
    host.guarded = [main](const std::function<void()> &body) { return main->guarded(body); };
    return host;
}

RewriteHost rewriteHost(TApp_user_window *main)
{
    RewriteHost host;
    host.dirName = [main](int side) { return main->dirName(side == 1); };
    host.ask = [main](const QString &first, const QString &second) {
        Tconfirm1F *confirm = main->panel()->confirm1F();
        if (!confirm)
            return false;
        confirm->Timer1->stop();
        confirm->delayMode = false;
        confirm->SpeedButton1->setEnabled(true);
        return confirm->ask(first, second);
    };
    host.inform = [main](const QString &first, const QString &second) { inform(main, first, second); };
    host.showProgress = [main](const QString &line) {
        if (TsaveF *progress = main->panel()->saveF()) {
            if (progress->isVisible() && !progress->done) {
                progress->Label1->setText(line);
                progress->repaint();
            } else {
                progress->showProgress(line);
            }
        }
    };
    host.progressDone = [main] {
        if (TsaveF *progress = main->panel()->saveF())
            progress->done = true;
    };
    host.restoreArchiveList = [main](int side) { RestoreArchiveList(main, side); };
    host.guarded = [main](const std::function<void()> &body) { return main->guarded(body); };
    host.logFolder = [] { return win::Prefix::logDir(); };
    return host;
}

void RestoreArchiveList(TApp_user_window *main, int side)
{
    QString keptCopy;
    if (!main->guarded([&] {
            QString destination = main->config().Read(TextSetting::Destination, sideOf(side == 1));
            destination = TrimTrailingBackslash(destination);
            keptCopy = JoinPath(destination, main->dirName(side == 1)) + QStringLiteral("\\afiles.lst");
        }))
        return;

    if (win::GetFileAttributes(keptCopy) != win::INVALID_FILE_ATTRIBUTES) {
        // The copy is read before anything is replaced: a damaged copy must not take the place
        // of the panel's list.
        TTreeList copy;
        try {
            copy.LoadFromFile(keptCopy);
        } catch (const ListFileError &) {
            inform(main, main->textOf(QStringLiteral("CantOpenfileWarning")), keptCopy);
            return;
        }
        const QString own = main->archiveListFile();
        win::SetFileAttributes(own, win::FILE_ATTRIBUTE_NORMAL);
        main->startList()->Assign(copy);
        main->SyncArchiveLists(1);
        main->startList()->ExpandTopLevel();
        main->archiveList()->ExpandTopLevel();
    }
    if (TrewriteF *rewrite = main->panel()->rewriteF()) {
        rewrite->TLrewrite->treeList()->Assign(*main->archiveList());
        rewrite->TLrewrite->treeList()->ExpandTopLevel();
    }
}
