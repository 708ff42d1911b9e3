// The main window's side of the Archiver.
#include "archivercommands.h"

#include "app_user_window.h"
#include "application.h"
#include "info1f.h"
#include "settingspage.h"
#include "startpage.h"

#include "core/platform/winexec.h"
#include "core/settings/config.h"
#include "gui/appearance/resourcebitmap.h"
#include "gui/archivelist/treelistview.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/archiverwindows/statusf.h"
#include "gui/archiverwindows/varakozf.h"

#include <QLabel>
#include <QToolButton>

ArchiverCommands::ArchiverCommands(TApp_user_window *main) : m_main(main)
{
    // The command may still be carried out: it was delivered, or waits for the Archiver to take it.
    m_communicator.setOnNotAnswering([this] {
        showInfo(text(QStringLiteral("ArchiverNotAnswering")),
                 text(QStringLiteral("ArchiverMayAnswerLater")));
    });
    // The Archiver ended before it confirmed the command: it will not carry it out.
    m_communicator.setOnNotActive(
        [this] { showInfo(text(QStringLiteral("ArchiverNotActive")), text(QStringLiteral("RunArchiver"))); });
}

void ArchiverCommands::StartStop()
{
    if (!m_communicator.FindArchiver()) {
        if (!m_main->confirmationOn() || m_main->ask(QStringLiteral("StartArchiveConfirm"))) {
            // Whether it started shows in the caption once its window is there.
            win::WinExec(m_main->programDir() + QStringLiteral("\\Archiv.exe"), win::SW_SHOWNORMAL);
            UpdateStartStopCaption();
        }
    } else if (!m_main->confirmationOn() || m_main->ask(QStringLiteral("StopArchiveConfirm"))) {
        if (TvarakozF *wait = m_main->panel()->varakozF())
            wait->exec();
        UpdateStartStopCaption();
    }
    UpdateStartStopCaption();
}

void ArchiverCommands::UpdateStartStopCaption()
{
    m_main->settingsPage()->showArchiverRunning(m_communicator.FindArchiver());
}

void ArchiverCommands::pollStatus()
{
    try {
        UpdateStartStopCaption();
        setStatusLight();
        if (TstatusF *status = m_main->panel()->statusF())
            status->RefreshStatus();
        m_reportedFailure.clear();
    } catch (const ConfigError &e) {
        // A value of the wrong type stays wrong until someone writes it anew: it is reported
        // once, and again only after it has been readable in between or the failure changed.
        const QString failure = e.text() + QLatin1Char('\n') + e.detail();
        if (failure == m_reportedFailure)
            return;
        m_reportedFailure = failure;
        m_main->reportRegistryError(e);
    }
}

void ArchiverCommands::setStatusLight()
{
    Tconfig &store = m_main->config();
    const bool correct = store.Read(IntSetting::State, Side::Primary) == 0 &&
                         store.Read(IntSetting::State, Side::Secondary) == 0;
    // Drawn transparent, so that a texture shows around the round light.
    m_main->startPage()->setStatusLight(
        TransparentBitmap(ResourceBitmap(correct ? QStringLiteral("yellowico") : QStringLiteral("redico"))));
}

void ArchiverCommands::showStatus()
{
    TstatusF *status = m_main->panel()->statusF();
    if (!status)
        return;
    status->move(m_main->pos() + (m_main->zoomedIn() ? QPoint(81, 152) : QPoint(18, 51)));
    status->exec();
}

void ArchiverCommands::openManualArchiving(bool restoreMode)
{
    if (Tman_archF *window = m_main->panel()->man_archF())
        window->Open(restoreMode, {m_main->pos(), m_main->pressPosition(), m_main->zoomedIn()});
}

bool ArchiverCommands::archiveNow(bool primary)
{
    return m_main->guarded([&] {
        if (m_main->settingsChanged()) {
            if (m_main->confirmationOn()) {
                showInfo(text(QStringLiteral("PleaseSaveInformation")), QString());
                return;
            }
            m_main->saveSettings();
        }
        if (win::HWND archiver = m_communicator.FindArchiver()) {
            if (primary)
                m_communicator.SendArchivePrimary(archiver);
            else
                m_communicator.SendArchiveSecondary(archiver);
        } else {
            showInfo(text(QStringLiteral("ArchiverNotActive")), text(QStringLiteral("RunArchiver")));
        }
    });
}

QString ArchiverCommands::text(const QString &key) const
{
    return m_main->textOf(key);
}

void ArchiverCommands::showInfo(const QString &firstLine, const QString &secondLine)
{
    if (Tinfo1F *info = m_main->panel()->info1F())
        info->tell(firstLine, secondLine);
}
