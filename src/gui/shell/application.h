// DunlivoPanel: the application object of the panel. It creates the thirteen windows once, in
// their fixed order (the main window first), owns them until it is destroyed, and runs the panel
// until the main window closes. Nothing of it is global, so a test builds a whole panel on a
// fresh prefix and throws it away.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <thread>

class ConfigError;
class PanelDialogs;
class ShellDialogs;
class WalkedFolderFiles;
class QWidget;
class TApp_user_window;
class TaboutF;
class TbackgroundF;
class Tconfirm1F;
class TdirselectF;
class TextlistF;
class Tinfo1F;
class TlanguageF;
class Tman_archF;
class TrewriteF;
class TsaveF;
class TstatusF;
class TvarakozF;

struct PanelOptions
{
    // The program folder in Windows form; empty: the folder of the running executable.
    QString programDir;
    // The width of the screen in pixels; empty: the primary screen's.
    std::function<int()> screenWidth;
    // How a registry failure is shown; empty: a message box.
    std::function<void(const ConfigError &)> registryErrorHandler;
};

class DunlivoPanel : public QObject
{
    Q_OBJECT

public:
    explicit DunlivoPanel(PanelOptions options = {});
    ~DunlivoPanel() override;

    // Creates the windows in their order. A damaged settings file is first offered for
    // replacing by default settings (see SettingsRecovery). False when the settings store could
    // not be opened; the failure has been shown and no window exists.
    bool create();
    // Shows the main window and runs the event loop until it closes; the program's exit code.
    int run();
    // Opens the status window over the main window, as the start page's status button does; not
    // while a modal window (the status window itself, a question) is open.
    void showStatusWindow();

    QString programDir() const;
    int screenWidth() const;
    void showRegistryError(const ConfigError &error) const;

    // The windows, in the order of their creation; null before create(). The main window is
    // built by create(); the others once it has painted, or as soon as one of them is asked for.
    TApp_user_window *App_user_window() const { return m_main.get(); }
    Tconfirm1F *confirm1F() { return built(m_confirm); }
    TaboutF *aboutF() { return built(m_about); }
    Tinfo1F *info1F() { return built(m_info); }
    Tman_archF *man_archF() { return built(m_manArch); }
    TvarakozF *varakozF() { return built(m_varakoz); }
    TsaveF *saveF() { return built(m_save); }
    TextlistF *extlistF() { return built(m_extlist); }
    TdirselectF *dirselectF() { return built(m_dirselect); }
    TrewriteF *rewriteF() { return built(m_rewrite); }
    TlanguageF *languageF() { return built(m_language); }
    TbackgroundF *backgroundF() { return built(m_background); }
    TstatusF *statusF() { return built(m_status); }

    // Every window in the order in which the main window registers them with the language
    // component and the texture image: main, about, texture, confirmation, destinations,
    // extension list, information, language, manual archiving, restore, progress, wait, status.
    QList<QWidget *> registrationOrder();
    // Every window in creation order.
    QList<QWidget *> creationOrder();

    // The common dialogs as the windows use them.
    PanelDialogs &dialogs() const;

protected:
    void customEvent(QEvent *event) override;

private:
    // Builds the windows after the main window, wires them and registers them; once, and only
    // after create() has built the main window.
    void buildOtherWindows();
    template <typename Window> Window *built(const std::unique_ptr<Window> &window)
    {
        buildOtherWindows();
        return window.get();
    }

    PanelOptions m_options;
    // Made before the windows and gone after them.
    std::unique_ptr<ShellDialogs> m_dialogs;
    std::unique_ptr<WalkedFolderFiles> m_folderFiles;
    // Declared in creation order, so they are destroyed in the reverse order.
    std::unique_ptr<TApp_user_window> m_main;
    std::unique_ptr<Tconfirm1F> m_confirm;
    std::unique_ptr<TaboutF> m_about;
    std::unique_ptr<Tinfo1F> m_info;
    std::unique_ptr<Tman_archF> m_manArch;
    std::unique_ptr<TvarakozF> m_varakoz;
    std::unique_ptr<TsaveF> m_save;
    std::unique_ptr<TextlistF> m_extlist;
    std::unique_ptr<TdirselectF> m_dirselect;
    std::unique_ptr<TrewriteF> m_rewrite;
    std::unique_ptr<TlanguageF> m_language;
    std::unique_ptr<TbackgroundF> m_background;
    std::unique_ptr<TstatusF> m_status;
    std::thread m_fontWarmUp;
    bool m_othersBuilt = false;
    bool m_buildingOthers = false;
};
