// The panel's application object.
#include "application.h"

#include "aboutf.h"
#include "app_user_window.h"
#include "archivercommands.h"
#include "confirm1f.h"
#include "info1f.h"
#include "panelwiring.h"
#include "question.h"
#include "savef.h"
#include "settingsrecovery.h"
#include "startpage.h"

#include "gui/appearance/backgroundf.h"
#include "gui/appearance/languagef.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/archivelist/extlistf.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/archiverwindows/varakozf.h"
#include "gui/destinations/dirselectf.h"
#include "gui/restore/rewritef.h"

#include "core/platform/paths.h"
#include "core/settings/configerror.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace {

// Posted to the panel to build the windows after the main window.
const QEvent::Type kBuildOthersEvent = QEvent::Type(QEvent::User + 1);

} // namespace

// The panel's confirmation, information and progress windows and the main window's report of a
// registry failure.
class ShellDialogs : public PanelDialogs
{
public:
    explicit ShellDialogs(DunlivoPanel &panel) : m_panel(panel) {}

    bool ask(const QString &first, const QString &second, bool delayedYes) override;
    void inform(const QString &first, const QString &second) override;
    void showProgress(const QString &line) override;
    void progressDone() override;
    void registryFailed(const ConfigError &error) override;

private:
    DunlivoPanel &m_panel;
};

bool ShellDialogs::ask(const QString &first, const QString &second, bool delayedYes)
{
    m_panel.confirm1F(); // the questions are asked in it
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
    m_panel.showRegistryError(error);
}


DunlivoPanel::DunlivoPanel(PanelOptions options)
    : m_options(std::move(options)), m_dialogs(std::make_unique<ShellDialogs>(*this)),
      m_folderFiles(std::make_unique<WalkedFolderFiles>())
{
    // Reading the system's font configuration is the longest single step of a start; it runs
    // beside the building of the windows, which first needs a font when the main window is shown.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        m_fontWarmUp = std::thread([] { QFontDatabase::families(); });
}

DunlivoPanel::~DunlivoPanel()
{
    // The main window last: the others refer to it.
    m_status.reset();
    m_background.reset();
    m_language.reset();
    m_rewrite.reset();
    m_dirselect.reset();
    m_extlist.reset();
    m_save.reset();
    m_varakoz.reset();
    m_manArch.reset();
    m_info.reset();
    m_about.reset();
    m_confirm.reset();
    m_main.reset();
    if (m_fontWarmUp.joinable())
        m_fontWarmUp.join();
}

bool DunlivoPanel::create()
{
    // A damaged settings file is offered for replacing before anything reads it; kept, the panel
    // cannot work.
    SettingsRecovery recovery(programDir());
    if (!recovery.run()) {
        showRegistryError(recovery.failure());
        return false;
    }
    try {
        m_main = std::make_unique<TApp_user_window>(*m_dialogs, programDir(), screenWidth());
    } catch (const ConfigError &e) {
        // The settings store could not be opened: the panel cannot work, and the hive is left
        // as it is.
        showRegistryError(e);
        return false;
    }
    m_main->registerWindows({m_main.get()});
    // The other windows are not shown at start: they are built right after the main window's
    // first paint. The event is posted once the first activation is over, behind the update
    // request the window posted when it was shown; posted events all come before input.
    connect(
        m_main.get(), &TApp_user_window::activated, this,
        [this] { QCoreApplication::postEvent(this, new QEvent(kBuildOthersEvent), Qt::LowEventPriority); },
        Qt::SingleShotConnection);
    return true;
}

void DunlivoPanel::customEvent(QEvent *event)
{
    if (event->type() == kBuildOthersEvent)
        buildOtherWindows();
}

void DunlivoPanel::buildOtherWindows()
{
    // While they are built, a window that asks for another finds it as creation left it so far.
    if (m_othersBuilt || m_buildingOthers || !m_main)
        return;
    m_buildingOthers = true;
    // The main window's hidden pages first: they were built before the other windows.
    m_main->finishPages();
    QWidget *main = m_main.get();
    Communicator &communicator = m_main->archiverCommands().communicator();
    m_confirm = std::make_unique<Tconfirm1F>();
    Question::setWindow(m_confirm.get());
    m_about = std::make_unique<TaboutF>();
    m_info = std::make_unique<Tinfo1F>(nullptr, main);
    m_manArch = std::make_unique<Tman_archF>(*m_dialogs);
    m_varakoz = std::make_unique<TvarakozF>(communicator, *m_dialogs);
    m_save = std::make_unique<TsaveF>(nullptr, main);
    m_main->watchProgressWindow(m_save.get());
    m_extlist = std::make_unique<TextlistF>(programDir(), *m_main->archiveList(), *m_dialogs);
    m_dirselect = std::make_unique<TdirselectF>(programDir(), *m_main->archiveList(), *m_dialogs);
    m_rewrite = std::make_unique<TrewriteF>(*m_dialogs);
    const AppearanceContext appearance{programDir(),      m_main->language(), m_main->texture(),
                                       &m_main->config(), m_dialogs.get(),    m_folderFiles.get()};
    m_language = std::make_unique<TlanguageF>(appearance);
    m_background = std::make_unique<TbackgroundF>(appearance);
    m_status = std::make_unique<TstatusF>(m_main->config(), *m_dialogs);
    m_status->setProperty("programDir", programDir()); // the check runs the archiv found there
    wireWindows({m_main.get(), m_about.get(), m_manArch.get(), m_varakoz.get(), m_extlist.get(), m_dirselect.get(),
                 m_rewrite.get(), m_language.get(), m_background.get(), m_status.get()},
                *m_dialogs);
    m_buildingOthers = false;
    m_othersBuilt = true;
    // After the wiring, so that what the first activation gave already reaches them.
    m_main->registerWindows(registrationOrder().mid(1));
}

int DunlivoPanel::run()
{
    if (!m_main)
        return 1;
    m_main->show();
    return QApplication::exec();
}

void DunlivoPanel::showStatusWindow()
{
    buildOtherWindows();
    if (m_main && !QApplication::activeModalWidget())
        Q_EMIT m_main->startPage()->statusRequested();
}

QString DunlivoPanel::programDir() const
{
    return m_options.programDir.isEmpty() ? win::ProgramDir() : m_options.programDir;
}

int DunlivoPanel::screenWidth() const
{
    if (m_options.screenWidth)
        return m_options.screenWidth();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

void DunlivoPanel::showRegistryError(const ConfigError &error) const
{
    if (m_options.registryErrorHandler)
        m_options.registryErrorHandler(error);
    else
        TApp_user_window::showRegistryErrorBox(error);
}

QList<QWidget *> DunlivoPanel::registrationOrder()
{
    buildOtherWindows();
    return {m_main.get(),    m_about.get(),   m_background.get(), m_confirm.get(), m_dirselect.get(),
            m_extlist.get(), m_info.get(),    m_language.get(),   m_manArch.get(), m_rewrite.get(),
            m_save.get(),    m_varakoz.get(), m_status.get()};
}

PanelDialogs &DunlivoPanel::dialogs() const
{
    return *m_dialogs;
}

QList<QWidget *> DunlivoPanel::creationOrder()
{
    buildOtherWindows();
    return {m_main.get(),     m_confirm.get(),    m_about.get(),   m_info.get(),      m_manArch.get(),
            m_varakoz.get(),  m_save.get(),       m_extlist.get(), m_dirselect.get(), m_rewrite.get(),
            m_language.get(), m_background.get(), m_status.get()};
}
