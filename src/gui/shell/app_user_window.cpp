// The main window: the frame around the pages, creation and first activation, pages, layouts,
// help and exit.
#include "app_user_window.h"

#include "archivelistfile.h"
#include "archivelistpage.h"
#include "archivercommands.h"
#include "helpviewer.h"
#include "maintexts.h"
#include "pathtext.h"
#include "question.h"
#include "settingspage.h"
#include "startpage.h"
#include "titlestrip.h"
#include "windowplacement.h"

#include "core/archiverlink/communicator.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovalanguage.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/archiverwindows/man_archf.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

namespace {

// Sizes fixed by the two layouts.
constexpr QSize kNormalWindow(633, 428);
constexpr QSize kLargeWindow(800, 570);
constexpr QSize kNormalPage(619, 356);
constexpr QSize kLargePage(786, 491);
constexpr QPoint kToLarge(-83, -85);
constexpr QPoint kToNormal(90, 90);
constexpr QPoint kPageOrigin(7, 34);

} // namespace

TApp_user_window::TApp_user_window(PanelDialogs &dialogs, const QString &programDir, int screenWidth)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_dialogs(dialogs), m_programDir(programDir),
      m_screenWidth(screenWidth)
{
    setObjectName(QStringLiteral("App_user_window"));
    setWindowTitle(QStringLiteral("Kovamark-archiváló-main"));
    setFixedSize(kNormalWindow);
    // Without a settings store the panel cannot work; the failure leaves the constructor.
    m_config = std::make_unique<Tconfig>();
    if (!m_config->CreationError().isEmpty())
        m_dialogs.registryFailed(ConfigError(m_config->CreationError()));
    m_communicator = std::make_unique<Communicator>();

    m_provider = new TkovaProvider(this);
    m_language = new TKovaLanguage(this);
    m_language->setObjectName(QStringLiteral("KovaLanguage1"));
    m_texture = new TKovaImage(this);
    m_texture->setObjectName(QStringLiteral("KovaImage1"));
    m_texture->setReslist(
        {QStringLiteral("faminta"), QStringLiteral("im1"), QStringLiteral("im2"), QStringLiteral("im3")});
    m_statusPoll = new QTimer(this);
    m_statusPoll->setObjectName(QStringLiteral("Timer1"));
    m_statusPoll->setInterval(3000);

    m_surface = makeWindowPanel(this, m_provider);
    m_surface->setObjectName(QStringLiteral("KovaPanel1"));
    m_surface->setBevelInner(TKovaPanel::Bevel::Raised);
    m_archiveList = new TTreeList(this);
    buildTitleStrip();
    // The start page is the first frame; the other pages are built after it (finishPages).
    m_startPage = new StartPage(m_surface, m_provider, m_placements);
    m_startPage->setGeometry(QRect(kPageOrigin, kNormalPage));
    m_archiverCommands = std::make_unique<ArchiverCommands>(
        *m_communicator, *m_config, [this]() -> SettingsPage & { return *settingsPage(); }, *m_startPage,
        m_dialogs, m_provider, m_programDir);
    m_listFile = std::make_unique<ArchiveListFile>(*startList(), *m_archiveList, [this](const QString &key) {
        ShowInfoText(key, QStringLiteral("Afiles.lst"));
    });
    m_placements.apply(m_zoomedIn);
    showPage(1);

    m_provider->setOnNeedDefaults([this](QObject *) {
        m_language->LoadFlagResource(QStringLiteral("defflag"));
        m_provider->SetDefaults(mainWindowTexts());
    });
    m_provider->setOnNeedSet([this](QObject *) { applyTexts(); });
    // The layout's own captions until a language is applied.
    applyTexts();

    m_helpViewer = new HelpViewer(this);
    connect(m_helpViewer, &HelpViewer::failed, this,
            [this](const QString &page) { ShowInfoText(QStringLiteral("CantOpenfileWarning"), page); });
    createComponents();

    connect(m_statusPoll, &QTimer::timeout, this, &TApp_user_window::pollArchiverStatus);
    connect(m_startPage, &StartPage::statusRequested, this, [this] {
        m_archiverCommands->showStatus(pos() + (m_zoomedIn ? QPoint(81, 152) : QPoint(18, 51)));
    });
    connect(m_startPage, &StartPage::healthRefreshDue, this, [this] { m_archiverCommands->showHealth(); });
    m_statusPoll->start();
}

// Typed text a spin box commits when the closing window takes its focus must not reach this window.
TApp_user_window::~TApp_user_window()
{
    if (m_settingsPage)
        m_settingsPage->disconnect(this);
}

void TApp_user_window::buildTitleStrip()
{
    m_titleStrip = new TitleStrip(m_surface, m_placements);
    connect(m_titleStrip, &TitleStrip::helpRequested, this, &TApp_user_window::showHelp);
    connect(m_titleStrip, &TitleStrip::minimiseRequested, this, &QWidget::showMinimized);
    connect(m_titleStrip, &TitleStrip::zoomRequested, this, &TApp_user_window::toggleZoom);
    connect(m_titleStrip, &TitleStrip::closeRequested, this, [this] {
        if (guarded([this] { storeSplitRatios(); }))
            exitPanel();
    });
    connect(m_titleStrip, &TitleStrip::exitRequested, this, &TApp_user_window::exitPanel);
    connect(m_titleStrip, &TitleStrip::pageRequested, this, [this](int page) {
        if (page == 2) {
            repaint();
            archiveListPage()->rebuildDirectoryTree();
        }
        showPage(page);
        if (page == 2)
            m_archivePage->openLastFolder(m_programDir);
        else if (page == 3)
            m_archiverCommands->UpdateStartStopCaption();
    });
    connect(m_titleStrip, &TitleStrip::manualArchivingRequested, this,
            [this] { m_archiverCommands->openManualArchiving(false, openingPlace()); });
    connect(m_titleStrip, &TitleStrip::buttonPressed, this, [this](QPoint at) { m_pressPosition = at; });
}

SettingsPage *TApp_user_window::settingsPage()
{
    if (m_settingsPage)
        return m_settingsPage;
    // As the archive list page: not in the first frame, given what the start did to it when built.
    m_settingsPage = new SettingsPage(m_surface, m_provider, m_placements, *m_config, m_dialogs,
                                      *m_communicator, m_loadingSettings, m_destinations, m_programDir);
    m_settingsPage->catchUp({latePage(), QRect(kPageOrigin, kNormalPage),
                             m_settingsValues.loaded() ? &m_settingsValues : nullptr});
    letMove(m_settingsPage);
    connect(m_settingsPage, &SettingsPage::changed, this, [this] { m_settingsChanged = true; });
    connect(m_settingsPage, &SettingsPage::saved, this, [this] { m_settingsChanged = false; });
    connect(m_settingsPage, &SettingsPage::startStopRequested, this,
            [this] { m_archiverCommands->StartStop(); });
    connect(m_settingsPage, &SettingsPage::restoreRequested, this,
            [this] { m_archiverCommands->openManualArchiving(true, openingPlace()); });
    connect(m_settingsPage, &SettingsPage::buttonPressed, this, [this](QPoint at) { m_pressPosition = at; });
    return m_settingsPage;
}

ArchiveListPage *TApp_user_window::archiveListPage()
{
    if (!m_archivePage)
        buildArchivePage();
    return m_archivePage;
}

void TApp_user_window::buildArchivePage()
{
    // The page is not in the first frame. Built later, it is given what the start and the
    // activations so far did to it, in their order, and takes its place between the other pages.
    m_archivePage = new ArchiveListPage(m_surface, m_provider, QRect(kPageOrigin, kNormalPage),
                                        *m_archiveList, m_dialogs);
    m_archivePage->stackUnder(settingsPage());
    m_archivePage->catchUp({latePage(), m_programDir.left(3), m_fileListShare, m_archiveListShare,
                            m_archivePaneLaidOut, m_settingsPage->confirmationOn()});

    connect(m_archivePage, &ArchiveListPage::listEdited, this, [this] { SyncArchiveLists(2); });
    connect(m_archivePage, &ArchiveListPage::splitterMoved, this, [this] {
        guarded([this] {
            storeSplitRatios();
            m_archivePage->updateSplitterHints();
        });
    });
    connect(m_archivePage, &ArchiveListPage::buttonPressed, this,
            [this](QPoint at) { m_pressPosition = at; });
    connect(m_settingsPage, &SettingsPage::confirmationChanged, m_archivePage, &ArchiveListPage::setConfirmationOn);
}

std::function<QString(const char *)> TApp_user_window::keyText() const
{
    return [this](const char *key) { return textOf(QString::fromLatin1(key)); };
}

LatePage TApp_user_window::latePage() const
{
    return {keyText(), m_texture, m_zoomedIn, kLargePage};
}

void TApp_user_window::applyTexts()
{
    // Before the first activation the provider has no language yet; the layout's captions are
    // the English texts. The settings page keeps the function for the texts it changes later.
    const bool hasLanguage = m_provider->KovaLanguage() != nullptr;
    const auto text = keyText();
    m_titleStrip->applyTexts(text, m_zoomedIn);
    m_startPage->applyTexts(text);
    if (m_archivePage)
        m_archivePage->applyTexts(text);
    if (m_settingsPage)
        m_settingsPage->applyTexts(text);
    const QImage flag = hasLanguage ? m_language->Flag() : ResourceBitmap(QStringLiteral("defflag"));
    m_startPage->showFlag(flag);
    if (hasLanguage)
        Q_EMIT languageApplied(flag);
}

QString TApp_user_window::textOf(const QString &key) const
{
    return mainWindowText(*m_provider, key);
}

bool TApp_user_window::guarded(const std::function<void()> &body)
{
    return m_dialogs.guarded(body);
}

void TApp_user_window::showRegistryErrorBox(const ConfigError &error)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kovamark-archiváló"), error.text(), QMessageBox::Ok);
    if (!error.detail().isEmpty())
        box.setInformativeText(error.detail());
    box.exec();
}

void TApp_user_window::createComponents()
{
    m_mover = new TMouseMove(this);
    m_mover->setObjectName(QStringLiteral("MouseMove1"));
    letMove(m_surface);
    letMove(m_startPage);
    m_startPage->letDrag(m_mover);
    m_loadingSettings = true;

    m_communicator->RegisterMainMessage();

    m_listFile->setPath(m_programDir + QStringLiteral("\\afiles.lst"));

    guarded([this] {
        m_browserCommand = BrowserProgram(m_config->ShellOpenCommand(QStringLiteral(".html")));
        RepairAutostart(*m_config, m_programDir);
        m_titleStrip->setLarge(false, false, QString());

        m_zoomedIn = m_config->Read(BoolSetting::LargeLayout);
        m_fileListShare = m_config->Read(IntSetting::FileListPercent);
        m_archiveListShare = m_config->Read(IntSetting::ArchiveListPercent);
        // A screen too narrow for the large layout keeps the normal one: it would not fit, and
        // the zoom button that leads back is not shown there. The stored choice is kept.
        const bool narrow = m_screenWidth <= 640;
        if (narrow)
            m_zoomedIn = false;
        if (m_zoomedIn)
            applyZoomLayout();
        // The archive list page lays its panes out by the shares when it is built.
        m_archivePaneLaidOut = true;
        m_activatedOnce = false;

        m_titleStrip->setNarrow(narrow);
    });
}

void TApp_user_window::letMove(TKovaPanel *surface)
{
    connect(surface, &TKovaPanel::MouseDown, m_mover, &TMouseMove::MouseDown);
    connect(surface, &TKovaPanel::MouseMove, this, [this](Qt::MouseButtons buttons, int x, int y) {
        m_mover->MouseMove(buttons, x, y);
        m_startPage->showAboutUnlit();
    });
    connect(surface, &TKovaPanel::MouseUp, m_mover, &TMouseMove::MouseUp);
}

void TApp_user_window::activate()
{
    if (m_activating)
        return;
    m_activating = true;
    if (!m_activatedOnce) {
        guarded([this] {
            for (QWidget *window : m_registeredWindows)
                m_texture->RegisterWindow(window);
            for (QWidget *window : m_registeredWindows)
                m_language->RegisterWindow(window);
            m_windowsRegistered = true;
            ApplyLanguageSetting(*m_config, *m_language, m_programDir);
            ApplyBackgroundSetting(*m_config, *m_texture, m_programDir);
            m_startPage->loadLogo(m_programDir);
            Q_EMIT aboutLogoReady(StartPage::builtInLogo());
            m_aboutLogoGiven = true;

            m_activatedOnce = true;
            m_loadingSettings = true;
            m_settingsValues.load(*m_config, *m_communicator, m_dialogs, m_destinations, m_settingsPage);
            Q_EMIT restoreListResetRequested();
            m_restoreListReset = true;
            m_listFile->load();
            m_loadingSettings = false;
            m_settingsChanged = false;
            m_archiverCommands->setStatusLight();
        });
    }
    if (m_archivePage)
        m_archivePage->resetExtensionSet(); // a page built later starts with every extension
    m_activating = false;
    Q_EMIT activated();
}

void TApp_user_window::registerWindows(const QList<QWidget *> &windows)
{
    m_registeredWindows += windows;
    if (!m_windowsRegistered)
        return;
    guarded([&] {
        // In the order of the first activation: this window's texts come before the others'.
        if (m_provider->KovaLanguage())
            Q_EMIT languageApplied(m_language->Flag());
        m_language->RegisterLateWindows(windows);
        m_texture->RegisterLateWindows(windows);
        if (m_aboutLogoGiven)
            Q_EMIT aboutLogoReady(StartPage::builtInLogo());
        if (m_restoreListReset)
            Q_EMIT restoreListResetRequested();
    });
}

TTreeList *TApp_user_window::startList() const
{
    return m_startPage->list();
}

TTreeList *TApp_user_window::archiveList() const
{
    return m_archiveList;
}

void TApp_user_window::showPage(int page)
{
    if (page == 2)
        archiveListPage();
    else if (page == 3)
        settingsPage();
    TKovaPanel *const pages[] = {m_startPage, m_archivePage, m_settingsPage};
    if (page >= 1 && page <= 3) {
        for (int i = 0; i < 3; ++i) {
            if (pages[i]) // a page not built yet is built hidden
                pages[i]->setVisible(i == page - 1);
        }
        m_titleStrip->setPage(page);
    }
    repaint();
}

int TApp_user_window::currentPage() const
{
    const TKovaPanel *const pages[] = {m_startPage, m_archivePage, m_settingsPage};
    for (int i = 0; i < 3; ++i) {
        if (pages[i] && pages[i]->isVisibleTo(m_surface))
            return i + 1;
    }
    return 0;
}

void TApp_user_window::pollArchiverStatus()
{
    m_archiverCommands->pollStatus();
}

void TApp_user_window::ShowInfoText(const QString &firstKey, const QString &secondText)
{
    m_dialogs.inform(m_provider->GetText(firstKey), secondText);
}

bool TApp_user_window::ask(const QString &key, const QString &secondKey)
{
    return Question::ask(m_provider->GetText(key),
                         secondKey.isEmpty() ? QString() : m_provider->GetText(secondKey),
                         Question::Delay::None);
}

void TApp_user_window::showHelp()
{
    // A page that cannot be shown (no viewer registered, or the viewer fails) is said so, with
    // its path, so the user can open it by other means.
    const QString helpFile = m_programDir + QStringLiteral("\\Help\\help.html");
    if (!WindowsFileExists(helpFile))
        ShowInfoText(QStringLiteral("HelpNotFound"), m_provider->GetText(QString()));
    else if (m_browserCommand.isEmpty())
        ShowInfoText(QStringLiteral("CantOpenfileWarning"), helpFile);
    else
        m_helpViewer->open(BrowserCommandLine(m_browserCommand, helpFile), helpFile);
}

void TApp_user_window::saveSettings()
{
    settingsPage()->saveSettings();
}

bool TApp_user_window::confirmationOn()
{
    return settingsPage()->confirmationOn();
}

OpeningPlace TApp_user_window::openingPlace() const
{
    return {pos(), m_pressPosition, m_zoomedIn};
}

void TApp_user_window::exitPanel()
{
    guarded([this] {
        // A list edit that could not be saved is tried once more; leaving without it is the
        // user's choice, whether confirmations are on or not.
        if (!m_listFile->flushPending() &&
            !Question::ask(m_provider->GetText(QStringLiteral("ListNotSavedExit")),
                           QStringLiteral("Afiles.lst"), Question::Delay::None))
            return;
        if (confirmationOn()) {
            if (!ask(QStringLiteral("ExitConfirm")))
                return;
            if (m_settingsChanged && ask(QStringLiteral("SaveConfirm"))) {
                repaint();
                saveSettings();
            }
        } else if (m_settingsChanged) {
            saveSettings();
        }
        terminate();
    });
}

void TApp_user_window::terminate()
{
    m_closing = true;
    if (terminateHandler) {
        terminateHandler();
        return;
    }
    close();
    QApplication::quit();
}

void TApp_user_window::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // A close from outside (the window manager) leaves the way a close button does.
    event->ignore();
    exitPanel();
}

void TApp_user_window::toggleZoom()
{
    guarded([this] {
        storeSplitRatios();
        m_zoomedIn = !m_zoomedIn;
        m_config->Write(BoolSetting::LargeLayout, m_zoomedIn);
        applyZoomLayout();
    });
}

void TApp_user_window::applyZoomLayout()
{
    // The settings page's check boxes are hidden while the controls move.
    const QList<QCheckBox *> hidden =
        m_settingsPage ? m_settingsPage->hideShownBoxes() : QList<QCheckBox *>();
    if (m_zoomedIn)
        repaint();
    setFixedSize(m_zoomedIn ? kLargeWindow : kNormalWindow);
    move(pos() + (m_zoomedIn ? kToLarge : kToNormal));
    for (QWidget *page : {static_cast<QWidget *>(m_startPage), static_cast<QWidget *>(m_archivePage),
                          static_cast<QWidget *>(m_settingsPage)}) {
        if (page) // a page built later takes the layout's size then
            page->resize(m_zoomedIn ? kLargePage : kNormalPage);
    }
    m_titleStrip->setLarge(m_zoomedIn, true,
                           textOf(QLatin1String(m_zoomedIn ? "ZoomInButton" : "ZoomOutButton")));
    m_startPage->setLarge(m_zoomedIn);
    m_placements.apply(m_zoomedIn);
    if (m_archivePage)
        m_archivePage->applyShares(m_zoomedIn);
    for (QCheckBox *box : hidden)
        box->show();
    repaint();
}

void TApp_user_window::storeSplitRatios()
{
    archiveListPage()->measureFileListShare();
    m_config->Write(IntSetting::FileListPercent, m_archivePage->fileListPercent());
    m_archivePage->measureArchiveListShare();
    m_config->Write(IntSetting::ArchiveListPercent, m_archivePage->archiveListPercent());
}

void TApp_user_window::placeAndShow(QWidget *window, QPoint large, QPoint normal)
{
    if (!window)
        return;
    window->move(pos() + (m_zoomedIn ? large : normal));
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->exec();
}

bool TApp_user_window::event(QEvent *e)
{
    if (e->type() == QEvent::Show && !m_shownOnce) {
        m_shownOnce = true;
        centreOnScreen(this);
        // The first activation runs once the window is on the screen, from the event loop, so
        // that the messages it may show have a main window behind them.
        QTimer::singleShot(0, this, [this] {
            if (!m_activatedOnce)
                activate();
        });
    }
    return QWidget::event(e);
}

bool TApp_user_window::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_progress && e->type() == QEvent::Hide) {
        // The progress window hands the focus back to this window: that is an activation.
        QTimer::singleShot(0, this, &TApp_user_window::activate);
    }
    return QWidget::eventFilter(watched, e);
}
