// Renders every window of the panel to PNG files for review: a whole panel built offscreen on a
// temporary prefix and program folder, with a small archive list, the main window in both
// layouts on each page, plainly and with a texture, in English and in each shipped language.
#include "findcontrol.h"
#include "testprefix.h"

#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/archivelist/directoryviews.h"
#include "gui/archivelist/treelistview.h"
#include "gui/destinations/dirselectf.h"
#include "gui/restore/rewritef.h"
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/confirm1f.h"
#include "gui/shell/info1f.h"
#include "gui/shell/savef.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>

namespace {

bool save(QWidget *window, const QString &folder, const QString &name)
{
    QCoreApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool saved = window->grab().save(file);
    QTextStream(saved ? stdout : stderr) << (saved ? "" : "cannot write ") << file << Qt::endl;
    return saved;
}

// language: a shipped language file, empty for English.
bool renderPanel(const QString &folder, const QString &suffix, const QString &texture,
                 const QString &language)
{
    TestPrefix prefix;
    QTemporaryDir programHost;
    // The shipped data folders beside the programs, as the program folder's own.
    for (const QString &name : {QStringLiteral("Background"), QStringLiteral("Language")})
        QFile::link(testBinDir() + QLatin1Char('/') + name, programHost.path() + QLatin1Char('/') + name);
    TTreeList list;
    list.AddDir(QStringLiteral("C:\\Documents"), QStringLiteral(".doc;.xls;.odt"));
    list.AddDir(QStringLiteral("C:\\Projects\\Website"), QStringLiteral(".*"));
    list.AddFile(QStringLiteral("C:\\Projects\\notes.txt"));
    list.AddDir(QStringLiteral("D:\\Photos"), QStringLiteral(".jpg;.png"));
    list.SaveToFile(win::ToWindowsPath(programHost.path()) + QStringLiteral("\\afiles.lst"));
    Tconfig settings;
    settings.WriteString(QStringLiteral("Background_bmp"), texture);
    settings.WriteString(QStringLiteral("Language"), language);
    settings.WriteString(QStringLiteral("Celutvonal"), QStringLiteral("D:\\Backup"));

    PanelOptions options;
    options.programDir = win::ToWindowsPath(programHost.path());
    options.screenWidth = [] { return 1280; };
    DunlivoPanel panel(options);
    if (!panel.create())
        return false;
    TApp_user_window *main = panel.App_user_window();
    main->show();
    while (!main->activatedOnce())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    bool ok = true;
    for (bool large : {false, true}) {
        if (main->zoomedIn() != large)
            control<QToolButton>(main, "zoombutton")->click();
        const char *pages[] = {"start", "archivelist", "settings"};
        for (int page = 1; page <= 3; ++page) {
            main->showPage(page);
            ok &= save(main, folder,
                       QStringLiteral("main-%1-%2%3")
                           .arg(QLatin1String(large ? "large" : "normal"),
                                QString::fromLatin1(pages[page - 1]), suffix));
        }
    }
    control<QToolButton>(main, "zoombutton")->click(); // back to the normal layout

    control<QLabel>(panel.confirm1F(), "Label1")->setText(main->textOf(QStringLiteral("ExitConfirm")));
    control<QLabel>(panel.info1F(), "Label1")->setText(main->textOf(QStringLiteral("CantOpenfileWarning")));
    control<QLabel>(panel.info1F(), "Label2")->setText(QStringLiteral("Afiles.lst"));
    control<QLabel>(panel.saveF(), "Label1")->setText(main->textOf(QStringLiteral("SaveInfo")));
    // The restore window on a directory with files, the chooser on the drives; their controls
    // are reached by name.
    if (TrewriteF *rewrite = panel.rewriteF()) {
        TTreeList *tree = control<TTreeListView>(rewrite, "TLrewrite")->treeList();
        rewrite->showArchiveList(*main->archiveList());
        control<QLabel>(rewrite, "Label1")->setText(main->textOf(QStringLiteral("PrimaryRestoreButton")));
        tree->SetSelected(tree->AddDir(QStringLiteral("C:\\Documents"), QString()));
        auto *files = control<QListWidget>(rewrite, "FileListBox1");
        files->addItems({QStringLiteral("budget 2026.xls"), QStringLiteral("letter.doc"),
                         QStringLiteral("minutes.odt"), QStringLiteral("report.doc")});
        files->item(1)->setSelected(true);
    }
    if (TdirselectF *chooser = panel.dirselectF()) {
        auto *drives = control<TDirectoryTreeView>(chooser, "LsDTpath");
        drives->Rebuild();
        drives->OpenAt(QStringLiteral("C:\\"));
        control<QLabel>(chooser, "Label1")->setText(main->textOf(QStringLiteral("PrimaryDestDirText")));
        control<QLineEdit>(chooser, "Ename")->setText(QStringLiteral("Archive1"));
    }
    for (QWidget *window : panel.creationOrder()) {
        if (window == main)
            continue;
        window->show();
        ok &= save(window, folder, window->objectName() + suffix);
        window->hide();
    }
    // The windows refer to the temporary program folder; they go before it does.
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = QCoreApplication::arguments().value(1, QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    bool ok = renderPanel(folder, QString(), QString(), QString());
    ok &= renderPanel(folder, QStringLiteral("-textured"), QStringLiteral("Marble.bmp"), QString());
    // Every window in each shipped language, to see that the texts fit.
    ok &=
        renderPanel(folder, QStringLiteral("-hu"), QStringLiteral("Linen.bmp"), QStringLiteral("Magyar.lng"));
    ok &= renderPanel(folder, QStringLiteral("-de"), QString(), QStringLiteral("Deutsch.lng"));
    return ok ? 0 : 1;
}
