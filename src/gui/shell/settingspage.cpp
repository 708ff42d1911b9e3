// The main window's settings page: its controls, their registry values and the save flow.
#include "settingspage.h"

#include "archivedestinations.h"
#include "spinedit.h"
#include "windowplacement.h"
#include "zoomplacements.h"

#include "core/settings/config.h"
#include "gui/appearance/kovaimage.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/compression/compressioncontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QToolButton>

namespace {

// Registry strings are written as at most this many characters.
constexpr int kMaxText = 255;

QCheckBox *makeCheckBox(QWidget *parent, const char *name)
{
    auto *box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLabel *makeCaption(QWidget *parent, const char *name)
{
    QLabel *label = makeLabel(parent, name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// Hides the progress window at its next tick whatever way the save ends, so that a failing
// registry write does not leave it on the screen.
class ProgressDone
{
public:
    explicit ProgressDone(PanelDialogs &dialogs) : m_dialogs(dialogs) {}
    ~ProgressDone() { m_dialogs.progressDone(); }
    ProgressDone(const ProgressDone &) = delete;
    ProgressDone &operator=(const ProgressDone &) = delete;

private:
    PanelDialogs &m_dialogs;
};

} // namespace

SettingsPage::SettingsPage(QWidget *parent, TkovaProvider *provider, ZoomPlacements &placements,
                           Tconfig &config, PanelDialogs &dialogs, Communicator &communicator,
                           bool &loadingSettings, const ArchiveDestinations &destinations, QString programDir)
    : TKovaPanel(parent, provider), m_placements(placements), m_config(config), m_dialogs(dialogs),
      m_destinations(destinations), m_programDir(std::move(programDir))
{
    setObjectName(QStringLiteral("oldal3"));
    setBevelOuter(Bevel::Lowered);

    // The two archives' groups, one above the other at the left; the same rows for each side.
    m_primary = buildSideGroup(
        {"Label14", "CheckBox3", "Label3", "SpinEdit2", "Label9", "SpeedButton13", "Label12"}, 9999, {0, 0});
    m_secondary =
        buildSideGroup({"Label15", "CheckBox4", "Label4", "SpinEdit3", "Label10", "SpeedButton14", "Label13"},
                       1000, {120, 152});
    // The primary interval is in minutes and steps by ten.
    m_primary.interval->setSingleStep(10);
    buildOtherSettings();
    buildCommandButtons();

    for (QLabel *label : {m_confirmationLabel, m_autorunLabel, m_primary.compressedLabel,
                          m_secondary.compressedLabel, m_autoEmptyLabel, m_shutdownArchivingLabel}) {
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    for (QCheckBox *box : {m_confirmationBox, m_autorunBox, m_shutdownArchivingBox})
        connect(box, &QCheckBox::clicked, this, &SettingsPage::changed);
    connect(m_confirmationBox, &QCheckBox::toggled, this, &SettingsPage::confirmationChanged);
    connect(m_autoEmptyBox, &QCheckBox::clicked, this, &SettingsPage::toggleAutoEmpty);
    connect(m_emptyingDays, &QSpinBox::valueChanged, this, &SettingsPage::changed);
    connect(m_keepVersionsDays, &QSpinBox::valueChanged, this, &SettingsPage::changed);
    connect(m_primary.interval, &QSpinBox::valueChanged, this, [this] {
        updateIntervalLabel(m_primary, "ArchiveMinInterval");
        Q_EMIT changed();
    });
    connect(m_secondary.interval, &QSpinBox::valueChanged, this, [this] {
        updateIntervalLabel(m_secondary, "ArchiveHourInterval");
        Q_EMIT changed();
    });
    connect(m_shutdownModeBox, &QComboBox::activated, this, &SettingsPage::changed);
    connect(m_shutdownModeBox, &QComboBox::currentIndexChanged, this, &SettingsPage::updateShutdownModeHint);
    connect(m_saveButton, &QToolButton::clicked, this, &SettingsPage::askAndSave);
    connect(m_primary.destination, &QToolButton::clicked, this, [this] { Q_EMIT destinationRequested(true); });
    connect(m_secondary.destination, &QToolButton::clicked, this,
            [this] { Q_EMIT destinationRequested(false); });
    connect(m_startStopButton, &QToolButton::clicked, this, &SettingsPage::startStopRequested);
    connect(m_restoreButton, &QToolButton::clicked, this, &SettingsPage::restoreRequested);
    m_restoreButton->installEventFilter(this);
    // The compression boxes' and the Empty button's commands.
    m_compression = new CompressionControls({m_primary.compressed, m_secondary.compressed, m_emptyButton,
                                             &loadingSettings, &communicator, provider, &dialogs},
                                            this);
}

SettingsPage::SideGroup SettingsPage::buildSideGroup(const SideGroupNames &names, int maxInterval,
                                                     std::pair<int, int> shift)
{
    const auto [normalShift, largeShift] = shift;
    const auto row = [&](QWidget *control, QRect normal, QRect large) {
        m_placements.place(control, normal.translated(0, normalShift), large.translated(0, largeShift));
    };
    SideGroup g;
    g.caption = makeCaption(this, names.caption);
    row(g.caption, {12, 10, 292, 18}, {16, 14, 370, 20});
    g.compressed = makeCheckBox(this, names.compressed);
    row(g.compressed, {14, 36, 16, 16}, {18, 47, 16, 16});
    g.compressedLabel = makeLabel(this, names.compressedLabel);
    row(g.compressedLabel, {34, 35, 270, 18}, {40, 45, 346, 20});
    g.interval = new TSpinEdit(0, maxInterval, this);
    g.interval->setObjectName(QString::fromLatin1(names.interval));
    row(g.interval, {14, 60, 64, 22}, {18, 76, 72, 24});
    g.intervalLabel = makeLabel(this, names.intervalLabel);
    row(g.intervalLabel, {84, 62, 220, 18}, {98, 78, 288, 20});
    g.destination = makeSpeedButton(this, QString::fromLatin1(names.destination), QRect());
    g.destination->setText(QStringLiteral("..."));
    row(g.destination, {14, 88, 26, 22}, {18, 110, 28, 24});
    g.destinationLabel = makeLabel(this, names.destinationLabel);
    row(g.destinationLabel, {46, 90, 258, 18}, {54, 112, 332, 20});
    return g;
}

void SettingsPage::buildOtherSettings()
{
    const auto row = [this](QWidget *control, QRect normal, QRect large) {
        m_placements.place(control, normal, large);
    };
    m_otherCaption = makeCaption(this, "Label16");
    row(m_otherCaption, {318, 10, 290, 18}, {404, 14, 366, 20});
    // A check box with its label beside it, the label's top at the given heights.
    const auto checkRow = [&](const char *boxName, const char *labelName, int normalY, int largeY,
                              int normalWidth, int largeWidth) {
        QCheckBox *box = makeCheckBox(this, boxName);
        row(box, {320, normalY + 1, 16, 16}, {406, largeY + 2, 16, 16});
        QLabel *label = makeLabel(this, labelName);
        row(label, {340, normalY, normalWidth, 18}, {428, largeY, largeWidth, 20});
        return std::pair(box, label);
    };
    // A label with a drop-down box to its right.
    const auto choiceRow = [&](const char *labelName, const char *boxName, int normalY, int largeY) {
        QLabel *label = makeLabel(this, labelName);
        row(label, {320, normalY, 110, 18}, {406, largeY, 130, 20});
        auto *box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(boxName));
        row(box, {434, normalY - 2, 172, 22}, {540, largeY - 2, 226, 24});
        return std::pair(label, box);
    };
    std::tie(m_confirmationBox, m_confirmationLabel) = checkRow("CheckBox1", "Label1", 35, 45, 268, 342);
    std::tie(m_autorunBox, m_autorunLabel) = checkRow("CheckBox2", "Label2", 59, 77, 268, 342);
    std::tie(m_autoEmptyBox, m_autoEmptyLabel) = checkRow("CheckBox5", "Label5", 85, 109, 100, 120);
    m_emptyingDays = new TSpinEdit(1, 30, this);
    m_emptyingDays->setObjectName(QStringLiteral("SpinEdit1"));
    row(m_emptyingDays, {444, 83, 52, 22}, {552, 107, 60, 24});
    m_emptyingDaysLabel = makeLabel(this, "Label6");
    row(m_emptyingDaysLabel, {502, 85, 108, 18}, {618, 109, 152, 20});
    std::tie(m_shutdownArchivingBox, m_shutdownArchivingLabel) =
        checkRow("CheckBox6", "Label17", 111, 141, 268, 342);
    std::tie(m_priorityLabel, m_priorityBox) = choiceRow("Label11", "ComboBox1", 146, 184);
    std::tie(m_shutdownModeLabel, m_shutdownModeBox) = choiceRow("Label21", "ComboBox2", 176, 220);
    // Below the drop-down boxes, where the column has room: a wide label, so that its translations
    // fit, then the day count and its unit as the emptying period has them.
    m_keepVersionsLabel = makeLabel(this, "Label25");
    row(m_keepVersionsLabel, {320, 206, 180, 18}, {406, 256, 208, 20});
    m_keepVersionsDays = new TSpinEdit(0, 3650, this);
    m_keepVersionsDays->setObjectName(QStringLiteral("SpinEdit4"));
    row(m_keepVersionsDays, {504, 204, 64, 22}, {618, 254, 72, 24});
    m_keepVersionsUnit = makeLabel(this, "Label26");
    row(m_keepVersionsUnit, {574, 206, 34, 18}, {696, 256, 74, 20});
    for (int i = 0; i < 3; ++i) {
        m_priorityBox->addItem(QString());
        m_shutdownModeBox->addItem(QString());
    }
}

void SettingsPage::buildCommandButtons()
{
    // Along the bottom.
    const auto button = [this](const char *name, QRect normal, QRect large) {
        QToolButton *made = makeSpeedButton(this, QString::fromLatin1(name), QRect());
        m_placements.place(made, normal, large);
        return made;
    };
    m_startStopButton = button("SpeedButton7", {12, 314, 144, 30}, {16, 442, 180, 34});
    m_saveButton = button("SpeedButton8", {162, 314, 144, 30}, {206, 442, 180, 34});
    m_restoreButton = button("SpeedButton19", {318, 314, 142, 30}, {404, 442, 180, 34});
    m_emptyButton = button("SpeedButton11", {466, 314, 142, 30}, {592, 442, 178, 34});
}

QString SettingsPage::text(const char *key) const
{
    return m_text ? m_text(key) : QString();
}

void SettingsPage::applyTexts(const std::function<QString(const char *)> &textOf)
{
    m_text = textOf;
    m_primary.caption->setText(text("PrimarySettingsLabel"));
    m_secondary.caption->setText(text("SecondarySettingsLabel"));
    m_otherCaption->setText(text("OtherSettingsLabel"));
    m_confirmationLabel->setText(text("ConfirmLabel"));
    m_autorunLabel->setText(text("AutoRunLabel"));
    m_primary.compressedLabel->setText(text("PrimaryCompressionLabel"));
    m_secondary.compressedLabel->setText(text("SecondaryCompressionLabel"));
    m_autoEmptyLabel->setText(text("AutoEmptyLabel"));
    m_emptyingDaysLabel->setText(text("AfterXdaysLabel"));
    m_shutdownArchivingLabel->setText(text("ShutdownLabel"));
    m_priorityLabel->setText(text("PriorityLabel"));
    m_shutdownModeLabel->setText(text("ShutdownModeLabel"));
    m_keepVersionsLabel->setText(text("KeepVersionsLabel"));
    m_keepVersionsUnit->setText(text("KeepVersionsUnit"));
    m_primary.destinationLabel->setText(text("PrimaryDestDirLabel"));
    m_secondary.destinationLabel->setText(text("SecondaryDestDirLabel"));
    m_saveButton->setText(text("SaveButton"));
    m_emptyButton->setText(text("EmptyButton"));
    m_restoreButton->setText(text("RestoreButton"));
    m_startStopButton->setText(text(m_startStopKey));

    // The boxes keep their selection; only the item texts change.
    const char *const priorities[] = {"High", "Normal", "Low"};
    const char *const modes[] = {"ShutDownText", "RebootText", "LogoffText"};
    for (int i = 0; i < 3; ++i) {
        m_priorityBox->setItemText(i, text(priorities[i]));
        m_shutdownModeBox->setItemText(i, text(modes[i]));
    }
    updateShutdownModeHint();
    // The interval labels say what the numbers mean in the new language: "disabled" stays for 0.
    updateIntervalLabel(m_primary, "ArchiveMinInterval");
    updateIntervalLabel(m_secondary, "ArchiveHourInterval");
}

bool SettingsPage::confirmationOn() const
{
    return m_confirmationBox->isChecked();
}

void SettingsPage::showArchiverRunning(bool running)
{
    m_startStopKey = running ? "StopArchiveButton" : "StartArchiveButton";
    m_startStopButton->setText(text(m_startStopKey));
}

void SettingsPage::setDestinationHint(bool primary, const QString &hint)
{
    const SideGroup &side = primary ? m_primary : m_secondary;
    side.destination->setToolTip(hint);
    side.destinationLabel->setToolTip(hint);
}

QList<QCheckBox *> SettingsPage::hideShownBoxes()
{
    QList<QCheckBox *> hidden;
    for (QCheckBox *box : findChildren<QCheckBox *>()) {
        if (box->isVisibleTo(this)) {
            box->hide();
            hidden.append(box);
        }
    }
    return hidden;
}

// ---- loading ----

void SettingsPage::setCompressed(bool primary, bool on)
{
    (primary ? m_primary : m_secondary).compressed->setChecked(on);
}

void SettingsPage::showValues(const SettingsValues &values)
{
    {
        // The boxes' changes were handled when their values were read.
        const QSignalBlocker primaryBox(m_primary.compressed), secondaryBox(m_secondary.compressed);
        m_primary.compressed->setChecked(values.compressed[0]);
        m_secondary.compressed->setChecked(values.compressed[1]);
    }
    m_confirmationBox->setChecked(values.confirmation);
    m_autorunBox->setChecked(values.autorun);
    m_autoEmptyBox->setChecked(values.autoEmpty);
    updateAutoEmpty();
    m_shutdownArchivingBox->setChecked(values.shutdownArchiving);
    m_primary.interval->setValue(values.primaryPeriod);
    updateIntervalLabel(m_primary, "ArchiveMinInterval");
    m_secondary.interval->setValue(values.secondaryPeriod);
    updateIntervalLabel(m_secondary, "ArchiveHourInterval");
    m_priorityBox->setCurrentIndex(values.priorityItem);
    m_shutdownModeBox->setCurrentIndex(values.shutdownModeItem);
    updateShutdownModeHint();
    m_keepVersionsDays->setValue(values.keepVersionsDays);
    for (const bool primary : {true, false})
        setDestinationHint(primary, m_destinations.side(primary).hint);
    m_emptyingDays->setValue(values.emptyingDays);
}

void SettingsPage::catchUp(const StartState &start)
{
    hide();
    setGeometry(start.geometry);
    if (start.page.large) {
        resize(start.page.largeSize);
        m_placements.apply(true, this);
    }
    applyTexts(start.page.text);
    if (start.page.texture)
        start.page.texture->ServeLatePart(this);
    if (start.values)
        showValues(*start.values);
}

// ---- handlers ----

void SettingsPage::toggleAutoEmpty()
{
    updateAutoEmpty();
    Q_EMIT changed();
}

void SettingsPage::updateAutoEmpty()
{
    const bool on = m_autoEmptyBox->isChecked();
    m_emptyingDaysLabel->setEnabled(on);
    m_emptyingDays->setEnabled(on);
}

void SettingsPage::updateShutdownModeHint()
{
    m_shutdownModeBox->setToolTip(m_shutdownModeBox->currentText());
}

void SettingsPage::updateIntervalLabel(const SideGroup &side, const char *intervalKey)
{
    const bool disabled = side.interval->Value() == 0;
    QPalette palette = side.intervalLabel->palette();
    palette.setColor(QPalette::WindowText, disabled ? Qt::red : Qt::black);
    side.intervalLabel->setPalette(palette);
    side.intervalLabel->setText(text(disabled ? "DontArchive" : intervalKey));
}

bool SettingsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_restoreButton && event->type() == QEvent::MouseButtonPress) {
        Q_EMIT buttonPressed(static_cast<QMouseEvent *>(event)->position().toPoint());
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // A label toggles its box exactly as a click on the box does.
        const std::pair<QLabel *, QCheckBox *> pairs[] = {
            {m_confirmationLabel, m_confirmationBox},
            {m_autorunLabel, m_autorunBox},
            {m_primary.compressedLabel, m_primary.compressed},
            {m_secondary.compressedLabel, m_secondary.compressed},
            {m_autoEmptyLabel, m_autoEmptyBox},
            {m_shutdownArchivingLabel, m_shutdownArchivingBox}};
        for (const auto &[label, box] : pairs) {
            if (watched == label) {
                if (box->isEnabled())
                    box->click();
                return true;
            }
        }
    }
    return TKovaPanel::eventFilter(watched, event);
}

// ---- saving ----

void SettingsPage::askAndSave()
{
    m_dialogs.guarded([this] {
        // The stored choice decides, not the box: a box checked but not yet saved does not ask.
        if (m_config.Read(BoolSetting::ConfirmSave)) {
            if (m_dialogs.ask(KovaProvider()->GetText(QStringLiteral("SaveConfirm")), QString(), false))
                saveSettings();
        } else {
            saveSettings();
        }
    });
}

void SettingsPage::saveSettings()
{
    window()->repaint();
    m_dialogs.showProgress(text("SaveInfo"));
    const ProgressDone finish(m_dialogs);

    Tconfig &config = m_config;
    const auto writeText = [&config](const char *name, const QString &value) {
        config.WriteString(QString::fromLatin1(name), value.left(kMaxText));
    };
    config.Write(BoolSetting::ConfirmSave, m_confirmationBox->isChecked());
    config.Write(BoolSetting::Autostart, m_autorunBox->isChecked());
    config.SetAutostart(m_programDir + QStringLiteral("\\Archiv.exe"), m_autorunBox->isChecked());
    config.Write(BoolSetting::Compressed, m_primary.compressed->isChecked(), Side::Primary);
    config.Write(BoolSetting::Compressed, m_secondary.compressed->isChecked(), Side::Secondary);
    config.Write(BoolSetting::EmptyAutomatically, m_autoEmptyBox->isChecked());
    config.Write(BoolSetting::ArchiveAtShutdown, m_shutdownArchivingBox->isChecked());
    config.Write(IntSetting::PrimaryPeriod, m_primary.interval->Value());
    config.Write(IntSetting::SecondaryPeriod, m_secondary.interval->Value());
    // A box without a selection (an unknown stored number) leaves its value as it is.
    if (m_priorityBox->currentIndex() >= 0)
        config.Write(IntSetting::Priority, m_priorityBox->currentIndex());
    if (m_shutdownModeBox->currentIndex() >= 0)
        config.Write(IntSetting::ShutdownType,
                     SettingsValues::ShutdownTypeOfItem(m_shutdownModeBox->currentIndex()));
    writeText(settingDef(TextSetting::Destination, Side::Primary).storedName, m_destinations.side(true).destination);
    writeText(settingDef(TextSetting::Destination, Side::Secondary).storedName, m_destinations.side(false).destination);
    config.Write(IntSetting::EmptyingPeriod, m_emptyingDays->Value());
    config.Write(IntSetting::KeepVersionsDays, m_keepVersionsDays->Value());
    writeText(settingDef(TextSetting::ArchiveName, Side::Primary).storedName, m_destinations.side(true).dirName.mid(1));
    writeText(settingDef(TextSetting::ArchiveName, Side::Secondary).storedName,
              m_destinations.side(false).dirName.mid(1));

    Q_EMIT saved();
}
