// The manual archiving window.
#include "man_archf.h"

#include "datetimetext.h"
#include "healthview.h"

#include "core/settings/config.h"
#include "core/settings/configerror.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/windowparts.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
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

// A thin bar in the gap under a side's date line, hidden while the side is not being archived.
QProgressBar *makeProgressBar(QWidget *parent, const char *name, int top)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(14, top, 324, 5);
    bar->setTextVisible(false);
    bar->hide();
    return bar;
}

// How often a visible window moves its bars.
constexpr int kProgressRefreshMs = 500;

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
    primaryProgress = makeProgressBar(KovaPanel1, "ProgressBar1", 58);
    secondaryProgress = makeProgressBar(KovaPanel1, "ProgressBar2", 113);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressRefreshMs);
    connect(m_progressTimer, &QTimer::timeout, this, &Tman_archF::showProgress);
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
        ShowLastRun(store(), Side::Primary, primaryTimeLabel, LanguageLocale(*kovaProvider1));
        ShowLastRun(store(), Side::Secondary, secondaryTimeLabel, LanguageLocale(*kovaProvider1));
    });
}

void Tman_archF::showEvent(QShowEvent *event)
{
    TPanelWindow::showEvent(event);
    showTimes();
    showProgress();
    m_progressTimer->start();
}

void Tman_archF::hideEvent(QHideEvent *event)
{
    m_progressTimer->stop();
    TPanelWindow::hideEvent(event);
}

// Files done of the files to do; a bar without a range moves on its own until the total is known.
void Tman_archF::showProgress()
{
    try {
        const bool running = ArchiverIsRunning();
        for (const auto &[side, bar] :
             {std::pair{Side::Primary, primaryProgress}, {Side::Secondary, secondaryProgress}}) {
            const SideHealthView view = ReadSideHealth(store(), side, running, TextsOf(*kovaProvider1),
                                                       LanguageLocale(*kovaProvider1));
            bar->setVisible(view.progress.has_value());
            bar->setToolTip(view.line.text);
            if (!view.progress)
                continue;
            const archiver::RunProgress &p = *view.progress;
            constexpr int kSteps = 1000;
            if (p.totalsKnown() && p.filesTotal > 0) {
                bar->setRange(0, kSteps);
                bar->setValue(int(double(p.filesDone) / double(p.filesTotal) * kSteps));
            } else {
                bar->setRange(0, 0);
            }
        }
    } catch (const ConfigError &) {
        // The status poll of the main window reports it.
    }
}

void Tman_archF::sideButton(bool primary)
{
    if (m_restoreMode)
        Q_EMIT restoreRequested(primary);
    else
        Q_EMIT archiveRequested(primary);
}
