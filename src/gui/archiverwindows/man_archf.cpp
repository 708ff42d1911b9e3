// The manual archiving window.
#include "man_archf.h"

#include "datetimetext.h"

#include "core/settings/config.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/windowparts.h"

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

Tman_archF::Tman_archF(PanelDialogs &dialogs, QWidget *parent)
    : TPanelWindow(QStringLiteral("man_archF"), QSize(352, 158), false, parent), m_dialogs(dialogs)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Lowered);
    KovaPanel1->setBorderStyle(TKovaPanel::BorderStyle::Single);

    primaryButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(12, 10, 328, 28));
    QLabel *primaryDate = makeLabel(KovaPanel1, "Label2", QRect(14, 40, 170, 18), Qt::AlignLeft);
    primaryTimeLabel = makeLabel(KovaPanel1, "Label4", QRect(184, 40, 154, 18), Qt::AlignRight);
    secondaryButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton3"), QRect(12, 64, 328, 28));
    QLabel *secondaryDate = makeLabel(KovaPanel1, "Label3", QRect(14, 94, 170, 18), Qt::AlignLeft);
    secondaryTimeLabel = makeLabel(KovaPanel1, "Label5", QRect(184, 94, 154, 18), Qt::AlignRight);
    QToolButton *backButton =
        makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(250, 122, 90, 26));
    for (QLabel *time : {primaryTimeLabel, secondaryTimeLabel})
        time->setText(QStringLiteral("..."));
    // The layout's own captions until a language is applied.
    backButton->setText(QStringLiteral("Back"));
    primaryButton->setText(QStringLiteral("Start primary archive"));
    secondaryButton->setText(QStringLiteral("Start secondary archive"));
    primaryDate->setText(QStringLiteral("Primary archive's date:"));
    secondaryDate->setText(QStringLiteral("Secondary archive's date:"));

    kovaProvider1->setOnNeedDefaults([this](QObject *) { kovaProvider1->SetDefaults(kDefaults); });
    kovaProvider1->setOnNeedSet([=, this](QObject *) {
        backButton->setText(kovaProvider1->GetText(QStringLiteral("BackButton")));
        primaryButton->setText(kovaProvider1->GetText(QStringLiteral("StartPrimaryArchive")));
        secondaryButton->setText(kovaProvider1->GetText(QStringLiteral("StartSecondaryArchive")));
        primaryDate->setText(kovaProvider1->GetText(QStringLiteral("PrimaryArchiveDate")));
        secondaryDate->setText(kovaProvider1->GetText(QStringLiteral("SecondaryArchiveDate")));
    });

    connect(backButton, &QToolButton::clicked, this, &QDialog::reject);
    connect(primaryButton, &QToolButton::clicked, this, [this] { sideButton(true); });
    connect(secondaryButton, &QToolButton::clicked, this, [this] { sideButton(false); });
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

void Tman_archF::Open(bool restoreMode, const OpeningPlace &place)
{
    m_restoreMode = restoreMode;
    QPoint offset;
    if (restoreMode)
        offset = place.zoomedIn ? QPoint(105, 542) : QPoint(85, 380);
    else
        offset = place.zoomedIn ? QPoint(10, 570) : QPoint(10, 396);
    move(place.mainWindow + place.press + offset - QPoint(0, height()));
    const char *primaryKey = restoreMode ? "PrimaryRestoreButton" : "StartPrimaryArchive";
    const char *secondaryKey = restoreMode ? "SecondaryRestoreButton" : "StartSecondaryArchive";
    primaryButton->setText(kovaProvider1->GetText(QString::fromLatin1(primaryKey)));
    secondaryButton->setText(kovaProvider1->GetText(QString::fromLatin1(secondaryKey)));
    exec();
}

void Tman_archF::showTimes()
{
    m_dialogs.guarded([this] {
        ShowLastRun(store(), Side::Primary, primaryTimeLabel);
        ShowLastRun(store(), Side::Secondary, secondaryTimeLabel);
    });
}

void Tman_archF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    showTimes();
}

void Tman_archF::sideButton(bool primary)
{
    if (m_restoreMode)
        Q_EMIT restoreRequested(primary);
    else
        Q_EMIT archiveRequested(primary);
}
