// The manual archiving window.
#include "man_archf.h"

#include "core/archiverlink/communicator.h"
#include "datetimetext.h"
#include "mainwindowlink.h"

#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/windowparts.h"
#include "core/archivelist/listerror.h"
#include "core/archivelist/treelist.h"
#include "gui/archivelist/treelistview.h"
#include "core/settings/config.h"
#include "gui/restore/rewritef.h"

#include <QLabel>
#include <QToolButton>

namespace {

constexpr DefaultText kDefaults[] = {
    {"PleaseSaveInformation", "Please save the settings before you start the archiving!"},
    {"BackButton", "Back"},
    {"StartPrimaryArchive", "Start primary archive"},
    {"StartSecondaryArchive", "Start secondary archive"},
    {"PrimaryArchiveDate", "Primary archive's date:"},
    {"SecondaryArchiveDate", "Secondary archive's date:"},
};

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

} // namespace

Tman_archF::Tman_archF(MainWindowLink *link, QWidget *parent)
    : TPanelWindow(QStringLiteral("man_archF"), QSize(352, 158), false, parent), m_link(link)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Lowered);
    KovaPanel1->setBorderStyle(TKovaPanel::BorderStyle::Single);

    SpeedButton2 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(12, 10, 328, 28));
    Label2 = makeLabel(KovaPanel1, "Label2", QRect(14, 40, 170, 18), Qt::AlignLeft);
    Label4 = makeLabel(KovaPanel1, "Label4", QRect(184, 40, 154, 18), Qt::AlignRight);
    SpeedButton3 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton3"), QRect(12, 64, 328, 28));
    Label3 = makeLabel(KovaPanel1, "Label3", QRect(14, 94, 170, 18), Qt::AlignLeft);
    Label5 = makeLabel(KovaPanel1, "Label5", QRect(184, 94, 154, 18), Qt::AlignRight);
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(250, 122, 90, 26));
    for (QLabel *time : {Label4, Label5})
        time->setText(QStringLiteral("..."));
    // The layout's own captions until a language is applied.
    SpeedButton1->setText(QStringLiteral("Back"));
    SpeedButton2->setText(QStringLiteral("Start primary archive"));
    SpeedButton3->setText(QStringLiteral("Start secondary archive"));
    Label2->setText(QStringLiteral("Primary archive's date:"));
    Label3->setText(QStringLiteral("Secondary archive's date:"));

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefaults(kDefaults);
    });
    kovaProvider1->setOnNeedSet([this](QObject *) {
        SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("BackButton")));
        SpeedButton2->setText(kovaProvider1->GetText(QStringLiteral("StartPrimaryArchive")));
        SpeedButton3->setText(kovaProvider1->GetText(QStringLiteral("StartSecondaryArchive")));
        Label2->setText(kovaProvider1->GetText(QStringLiteral("PrimaryArchiveDate")));
        Label3->setText(kovaProvider1->GetText(QStringLiteral("SecondaryArchiveDate")));
    });

    connect(SpeedButton1, &QToolButton::clicked, this, &Tman_archF::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &Tman_archF::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &Tman_archF::SpeedButton3Click);
}

Tman_archF::~Tman_archF() = default;

Tconfig &Tman_archF::store()
{
    // The window's own store, made at its first use; a store that cannot be opened raises here,
    // inside the handler that needs it.
    if (!m_config)
        m_config = std::make_unique<Tconfig>();
    return *m_config;
}

QPoint Tman_archF::Placement(bool restoreMode) const
{
    const QPoint main = m_link->mainWindowPosition();
    const QPoint press = m_link->pressPosition();
    const bool large = m_link->zoomedIn();
    QPoint offset;
    if (restoreMode)
        offset = large ? QPoint(105, 542) : QPoint(85, 380);
    else
        offset = large ? QPoint(10, 570) : QPoint(10, 396);
    return main + press + offset - QPoint(0, height());
}

void Tman_archF::Open(bool restoreMode)
{
    RestoreMode = restoreMode;
    move(Placement(restoreMode));
    if (restoreMode) {
        SpeedButton2->setText(m_link->text(QStringLiteral("PrimaryRestoreButton")));
        SpeedButton3->setText(m_link->text(QStringLiteral("SecondaryRestoreButton")));
    } else {
        SpeedButton2->setText(kovaProvider1->GetText(QStringLiteral("StartPrimaryArchive")));
        SpeedButton3->setText(kovaProvider1->GetText(QStringLiteral("StartSecondaryArchive")));
    }
    exec();
}

void Tman_archF::FormActivate()
{
    m_link->guarded([this] {
        // A time of 0.0 (never archived) leaves the line as it was.
        const auto showTime = [this](const char *value, QLabel *label) {
            const win::TDateTime time = store().ReadDateTime(QString::fromLatin1(value), 0.0);
            if (time != 0.0) {
                const QString text = DateTimeText(time);
                if (!text.isEmpty())
                    label->setText(text);
            }
        };
        showTime(settingDef(TimeSetting::LastArchived, Side::Primary).storedName, Label4);
        showTime(settingDef(TimeSetting::LastArchived, Side::Secondary).storedName, Label5);
    });
}

void Tman_archF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    FormActivate();
}

void Tman_archF::SpeedButton2Click()
{
    sideButton(1);
}

void Tman_archF::SpeedButton3Click()
{
    sideButton(2);
}

void Tman_archF::SpeedButton1Click()
{
    reject();
}

void Tman_archF::sideButton(int side)
{
    if (RestoreMode)
        openRestore(side);
    else
        archiveNow(side);
}

void Tman_archF::archiveNow(int side)
{
    const bool done = m_link->guarded([this, side] {
        if (m_link->settingsChanged()) {
            if (m_link->confirmationOn()) {
                m_link->showInfo(kovaProvider1->GetText(QStringLiteral("PleaseSaveInformation")), QString());
                return;
            }
            m_link->saveSettings();
        }
        Communicator &communicator = m_link->communicator();
        if (win::HWND archiver = communicator.FindArchiver()) {
            if (side == 1)
                communicator.SendArchivePrimary(archiver);
            else
                communicator.SendArchiveSecondary(archiver);
        } else {
            m_link->showInfo(m_link->text(QStringLiteral("ArchiverNotActive")),
                             m_link->text(QStringLiteral("RunArchiver")));
        }
    });
    if (done)
        accept();
}

void Tman_archF::openRestore(int side)
{
    TrewriteF *restore = m_link->restoreWindow();
    if (!restore)
        return;
    const bool primary = side == 1;
    QString listFile;
    if (!m_link->guarded([&] {
            QString destination = store().Read(TextSetting::Destination, sideOf(primary));
            // A destination kept with its trailing backslash (a drive root) takes the folder name
            // without a second one, as the archive root is formed everywhere else.
            if (destination.endsWith(QLatin1Char('\\')))
                destination.chop(1);
            listFile = destination + m_link->dirName(side) + QStringLiteral("\\afiles.lst");
        }))
        return;

    TTreeList *tree = restore->TLrewrite->treeList();
    if (WindowsFileExists(listFile)) {
        try {
            tree->LoadFromFile(listFile);
        } catch (const ListFileError &) {
            // A list that cannot be read ends the opening: a part of it would look like the whole.
            tree->Clear();
            m_link->showInfo(m_link->text(QStringLiteral("CantOpenfileWarning")), listFile);
            return;
        }
    } else {
        tree->Assign(m_link->archiveList());
    }
    restore->Label1->setText(m_link->text(primary ? QStringLiteral("PrimaryRestoreButton")
                                                  : QStringLiteral("SecondaryRestoreButton")));
    restore->Primary = primary;
    tree->ExpandTopLevel();
    restore->repaint();
    restore->exec();
    // Closing the restore window closes this one behind it.
    accept();
}
