// The main window's side of the Archiver.
#include "archivercommands.h"

#include "maintexts.h"
#include "settingspage.h"
#include "startpage.h"

#include "core/platform/winexec.h"
#include "core/settings/config.h"
#include "core/settings/configerror.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/archiverwindows/datetimetext.h"
#include "gui/archiverwindows/healthview.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/archiverwindows/varakozf.h"

ArchiverCommands::ArchiverCommands(Communicator &communicator, Tconfig &config,
                                   std::function<SettingsPage &()> settings, StartPage &start,
                                   PanelDialogs &dialogs, TkovaProvider *provider, QString programDir)
    : m_communicator(communicator), m_config(config), m_settings(std::move(settings)), m_start(start),
      m_dialogs(dialogs), m_provider(provider), m_programDir(std::move(programDir))
{
    // The command may still be carried out: it was delivered, or waits for the Archiver to take it.
    m_communicator.setOnNotAnswering([this] {
        m_dialogs.inform(text(QStringLiteral("ArchiverNotAnswering")),
                         text(QStringLiteral("ArchiverMayAnswerLater")));
    });
    // The Archiver ended before it confirmed the command: it will not carry it out.
    m_communicator.setOnNotActive([this] {
        m_dialogs.inform(text(QStringLiteral("ArchiverNotActive")), text(QStringLiteral("RunArchiver")));
    });
}

void ArchiverCommands::setWindows(Tman_archF *manual, TvarakozF *wait, TstatusF *status)
{
    m_manual = manual;
    m_wait = wait;
    m_status = status;
}

void ArchiverCommands::StartStop()
{
    const auto confirmed = [this](const char *key) {
        return !m_settings().confirmationOn() ||
               m_dialogs.ask(m_provider->GetText(QLatin1String(key)), QString(), false);
    };
    if (!m_communicator.FindArchiver()) {
        if (confirmed("StartArchiveConfirm")) {
            // Whether it started shows in the caption once its window is there.
            win::WinExec(m_programDir + QStringLiteral("\\Archiv.exe"), win::SW_SHOWNORMAL);
            UpdateStartStopCaption();
        }
    } else if (confirmed("StopArchiveConfirm")) {
        if (m_wait)
            m_wait->exec();
        UpdateStartStopCaption();
    }
    UpdateStartStopCaption();
}

void ArchiverCommands::UpdateStartStopCaption()
{
    m_settings().showArchiverRunning(m_communicator.FindArchiver());
}

void ArchiverCommands::pollStatus()
{
    try {
        UpdateStartStopCaption();
        setStatusLight();
        if (m_status)
            m_status->RefreshStatus();
        m_reportedFailure.clear();
    } catch (const ConfigError &e) {
        // A value of the wrong type stays wrong until someone writes it anew: it is reported
        // once, and again only after it has been readable in between or the failure changed.
        const QString failure = e.text() + QLatin1Char('\n') + e.detail();
        if (failure == m_reportedFailure)
            return;
        m_reportedFailure = failure;
        m_dialogs.registryFailed(e);
    }
}

void ArchiverCommands::setStatusLight()
{
    Tconfig &store = m_config;
    const bool correct = store.Read(IntSetting::State, Side::Primary) == 0 &&
                         store.Read(IntSetting::State, Side::Secondary) == 0;
    // Drawn transparent, so that a texture shows around the round light.
    m_start.setStatusLight(
        TransparentBitmap(ResourceBitmap(correct ? QStringLiteral("yellowico") : QStringLiteral("redico"))));
}

void ArchiverCommands::showHealth()
{
    try {
        const bool running = m_communicator.FindArchiver() != nullptr;
        const archiver::TextOf texts = [this](const char *key) { return text(QLatin1String(key)); };
        const QLocale language = LanguageLocale(text(QStringLiteral("Language")));
        bool busy = false;
        for (const auto &[side, name] :
             {std::pair{Side::Primary, "PrimaryArchive"}, {Side::Secondary, "SecondaryArchive"}}) {
            const SideHealthView view = ReadSideHealth(m_config, side, running, texts, language);
            m_start.showHealth(side, text(QLatin1String(name)), view.line);
            busy = busy || view.progress.has_value();
        }
        m_start.setHealthBusy(busy);
    } catch (const ConfigError &) {
        // The status poll reports it; the lines keep what they showed.
    }
}

void ArchiverCommands::showStatus(QPoint at)
{
    if (!m_status)
        return;
    m_status->move(at);
    m_status->exec();
}

void ArchiverCommands::openManualArchiving(bool restoreMode, const OpeningPlace &place)
{
    if (m_manual)
        m_manual->Open(restoreMode, place);
}

bool ArchiverCommands::archiveNow(bool primary, bool settingsChanged)
{
    return m_dialogs.guarded([&] {
        if (settingsChanged) {
            if (m_settings().confirmationOn()) {
                m_dialogs.inform(text(QStringLiteral("PleaseSaveInformation")), QString());
                return;
            }
            m_settings().saveSettings();
        }
        if (win::HWND archiver = m_communicator.FindArchiver()) {
            if (primary)
                m_communicator.SendArchivePrimary(archiver);
            else
                m_communicator.SendArchiveSecondary(archiver);
        } else {
            m_dialogs.inform(text(QStringLiteral("ArchiverNotActive")), text(QStringLiteral("RunArchiver")));
        }
    });
}

QString ArchiverCommands::text(const QString &key) const
{
    return mainWindowText(*m_provider, key);
}
