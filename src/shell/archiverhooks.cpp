// The main window's side of the Archiver.
#include "archiverhooks.h"

#include "app_user_window.h"
#include "application.h"
#include "info1f.h"
#include "panelwiring.h"
#include "settingspage.h"

#include "appearance/resourcebitmap.h"
#include "archivelist/treelistview.h"
#include "archiver/man_archf.h"
#include "archiver/statusf.h"
#include "archiver/varakozf.h"
#include "config/config.h"
#include "platform/winexec.h"

#include <QLabel>
#include <QToolButton>

ArchiverHooks::ArchiverHooks(TApp_user_window *main) : m_main(main)
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

void ArchiverHooks::StartStop()
{
    if (!m_communicator.FindArchiver()) {
        if (!m_main->confirmationOn() ||
            askQuestion(*m_main->panel(), text(QStringLiteral("StartArchiveConfirm")), QString(), false)) {
            // Whether it started shows in the caption once its window is there.
            win::WinExec(m_main->ProgramDir + QStringLiteral("\\Archiv.exe"), win::SW_SHOWNORMAL);
            UpdateStartStopCaption();
        }
    } else if (!m_main->confirmationOn() ||
               askQuestion(*m_main->panel(), text(QStringLiteral("StopArchiveConfirm")), QString(), false)) {
        if (TvarakozF *wait = m_main->panel()->varakozF())
            wait->exec();
        UpdateStartStopCaption();
    }
    UpdateStartStopCaption();
}

void ArchiverHooks::UpdateStartStopCaption()
{
    SettingsPage *page = m_main->settingsPage;
    page->StartStopKey = m_communicator.FindArchiver() ? "StopArchiveButton" : "StartArchiveButton";
    page->SpeedButton7->setText(text(QString::fromLatin1(page->StartStopKey)));
}

void ArchiverHooks::Timer1Timer()
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

void ArchiverHooks::setStatusLight()
{
    Tconfig &store = *m_main->config;
    const bool correct = store.ReadInteger(QStringLiteral("Archstate"), 0) == 0 &&
                         store.ReadInteger(QStringLiteral("Safestate"), 0) == 0;
    // Drawn transparent, so that a texture shows around the round light.
    m_main->Image5->setPixmap(
        TransparentBitmap(ResourceBitmap(correct ? QStringLiteral("yellowico") : QStringLiteral("redico"))));
}

void ArchiverHooks::showStatus()
{
    TstatusF *status = m_main->panel()->statusF();
    if (!status)
        return;
    status->move(m_main->pos() + (m_main->ZoomedIn ? QPoint(81, 152) : QPoint(18, 51)));
    status->exec();
}

void ArchiverHooks::openManualArchiving(bool restoreMode)
{
    if (Tman_archF *window = m_main->panel()->man_archF())
        window->Open(restoreMode, {m_main->pos(), QPoint(m_main->PressX, m_main->PressY), m_main->ZoomedIn});
}

bool ArchiverHooks::archiveNow(bool primary)
{
    return m_main->guarded([&] {
        if (m_main->SettingsChanged) {
            if (m_main->confirmationOn()) {
                showInfo(text(QStringLiteral("PleaseSaveInformation")), QString());
                return;
            }
            m_main->SaveSettings();
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

QString ArchiverHooks::text(const QString &key) const
{
    return m_main->textOf(key);
}

void ArchiverHooks::showInfo(const QString &firstLine, const QString &secondLine)
{
    if (Tinfo1F *info = m_main->panel()->info1F())
        info->tell(firstLine, secondLine);
}
