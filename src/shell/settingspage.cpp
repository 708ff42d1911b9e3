// The settings page: its controls, their registry values and the save flow.
#include "settingspage.h"

#include "app_user_window.h"
#include "application.h"
#include "archiverhooks.h"
#include "savef.h"
#include "spinedit.h"
#include "windowplacement.h"

#include "appearance/kovapanel.h"
#include "config/config.h"
#include "maintenance/compressioncontrols.h"
#include "maintenance/dirselectf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace {

// Registry strings are written as at most this many characters.
constexpr int kMaxText = 255;

// Stored "ShutDown_type" of each item of the shutdown mode box: Shutdown, Reboot, Logoff.
constexpr int kShutdownTypes[] = {1, 2, 0};

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
    explicit ProgressDone(TsaveF *progress) : m_progress(progress) {}
    ~ProgressDone()
    {
        if (m_progress)
            m_progress->done = true;
    }
    ProgressDone(const ProgressDone &) = delete;
    ProgressDone &operator=(const ProgressDone &) = delete;

private:
    TsaveF *m_progress;
};

} // namespace

SettingsPage::SettingsPage(TApp_user_window *main, TKovaPanel *page) : QObject(main), m_main(main)
{
    setObjectName(QStringLiteral("SettingsPage"));
    build(page);
}

SettingsPage::SideGroup SettingsPage::buildSideGroup(TKovaPanel *page, const SideGroupNames &names,
                                                   int maxInterval, std::pair<int, int> shift)
{
    const auto [normalShift, largeShift] = shift;
    const auto row = [&](QWidget *control, QRect normal, QRect large) {
        m_main->place(control, normal.translated(0, normalShift), large.translated(0, largeShift));
    };
    SideGroup g;
    g.caption = makeCaption(page, names.caption);
    row(g.caption, {12, 10, 292, 18}, {16, 14, 370, 20});
    g.compressed = makeCheckBox(page, names.compressed);
    row(g.compressed, {14, 36, 16, 16}, {18, 47, 16, 16});
    g.compressedLabel = makeLabel(page, names.compressedLabel);
    row(g.compressedLabel, {34, 35, 270, 18}, {40, 45, 346, 20});
    g.interval = new TSpinEdit(0, maxInterval, page);
    g.interval->setObjectName(QString::fromLatin1(names.interval));
    row(g.interval, {14, 60, 64, 22}, {18, 76, 72, 24});
    g.intervalLabel = makeLabel(page, names.intervalLabel);
    row(g.intervalLabel, {84, 62, 220, 18}, {98, 78, 288, 20});
    g.destination = makeSpeedButton(page, QString::fromLatin1(names.destination), QRect());
    g.destination->setText(QStringLiteral("..."));
    row(g.destination, {14, 88, 26, 22}, {18, 110, 28, 24});
    g.destinationLabel = makeLabel(page, names.destinationLabel);
    row(g.destinationLabel, {46, 90, 258, 18}, {54, 112, 332, 20});
    return g;
}

void SettingsPage::build(TKovaPanel *page)
{
    TApp_user_window &w = *m_main;
    // Each row: a control at the left and its label beside it, in the normal and the large layout.
    const auto row = [&](QWidget *control, QRect normal, QRect large) { w.place(control, normal, large); };

    // The two archives' groups, one above the other at the left; the same rows for each side.
    const SideGroupNames primaryNames = {"Label14", "CheckBox3", "Label3", "SpinEdit2", "Label9", "SpeedButton13", "Label12"};
    const SideGroupNames secondaryNames = {"Label15", "CheckBox4", "Label4", "SpinEdit3", "Label10", "SpeedButton14", "Label13"};
    const SideGroup primary = buildSideGroup(page, primaryNames, 9999, {0, 0});
    const SideGroup secondary = buildSideGroup(page, secondaryNames, 1000, {120, 152});
    std::tie(Label14, CheckBox3, Label3, SpinEdit2, Label9, SpeedButton13, Label12) = primary.controls();
    std::tie(Label15, CheckBox4, Label4, SpinEdit3, Label10, SpeedButton14, Label13) = secondary.controls();
    // The primary interval is in minutes and steps by ten.
    SpinEdit2->setSingleStep(10);

    // Other settings, right.
    Label16 = makeCaption(page, "Label16");
    row(Label16, {318, 10, 290, 18}, {404, 14, 366, 20});
    // A check box with its label beside it, the label's top at the given heights.
    const auto checkRow = [&](const char *boxName, const char *labelName, int normalY, int largeY,
                              int normalWidth, int largeWidth) {
        QCheckBox *box = makeCheckBox(page, boxName);
        row(box, {320, normalY + 1, 16, 16}, {406, largeY + 2, 16, 16});
        QLabel *label = makeLabel(page, labelName);
        row(label, {340, normalY, normalWidth, 18}, {428, largeY, largeWidth, 20});
        return std::pair(box, label);
    };
    // A label with a drop-down box to its right.
    const auto choiceRow = [&](const char *labelName, const char *boxName, int normalY, int largeY) {
        QLabel *label = makeLabel(page, labelName);
        row(label, {320, normalY, 110, 18}, {406, largeY, 130, 20});
        auto *box = new QComboBox(page);
        box->setObjectName(QString::fromLatin1(boxName));
        row(box, {434, normalY - 2, 172, 22}, {540, largeY - 2, 226, 24});
        return std::pair(label, box);
    };
    std::tie(CheckBox1, Label1) = checkRow("CheckBox1", "Label1", 35, 45, 268, 342);
    std::tie(CheckBox2, Label2) = checkRow("CheckBox2", "Label2", 59, 77, 268, 342);
    std::tie(CheckBox5, Label5) = checkRow("CheckBox5", "Label5", 85, 109, 100, 120);
    SpinEdit1 = new TSpinEdit(1, 30, page);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    row(SpinEdit1, {444, 83, 52, 22}, {552, 107, 60, 24});
    Label6 = makeLabel(page, "Label6");
    row(Label6, {502, 85, 108, 18}, {618, 109, 152, 20});
    std::tie(CheckBox6, Label17) = checkRow("CheckBox6", "Label17", 111, 141, 268, 342);
    std::tie(Label11, ComboBox1) = choiceRow("Label11", "ComboBox1", 146, 184);
    std::tie(Label21, ComboBox2) = choiceRow("Label21", "ComboBox2", 176, 220);
    for (int i = 0; i < 3; ++i) {
        ComboBox1->addItem(QString());
        ComboBox2->addItem(QString());
    }

    // The command buttons along the bottom.
    SpeedButton7 = makeSpeedButton(page, QStringLiteral("SpeedButton7"), QRect());
    row(SpeedButton7, {12, 314, 144, 30}, {16, 442, 180, 34});
    SpeedButton8 = makeSpeedButton(page, QStringLiteral("SpeedButton8"), QRect());
    row(SpeedButton8, {162, 314, 144, 30}, {206, 442, 180, 34});
    SpeedButton19 = makeSpeedButton(page, QStringLiteral("SpeedButton19"), QRect());
    row(SpeedButton19, {318, 314, 142, 30}, {404, 442, 180, 34});
    SpeedButton11 = makeSpeedButton(page, QStringLiteral("SpeedButton11"), QRect());
    row(SpeedButton11, {466, 314, 142, 30}, {592, 442, 178, 34});

    for (QLabel *label : {Label1, Label2, Label3, Label4, Label5, Label17}) {
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox6})
        connect(box, &QCheckBox::clicked, this, &SettingsPage::markChanged);
    connect(CheckBox5, &QCheckBox::clicked, this, &SettingsPage::CheckBox5Click);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &SettingsPage::markChanged);
    connect(SpinEdit2, &QSpinBox::valueChanged, this, &SettingsPage::SpinEdit2Change);
    connect(SpinEdit3, &QSpinBox::valueChanged, this, &SettingsPage::SpinEdit3Change);
    connect(ComboBox2, &QComboBox::activated, this, &SettingsPage::markChanged);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &SettingsPage::ComboBox2Change);
    connect(SpeedButton8, &QToolButton::clicked, this, &SettingsPage::SpeedButton8Click);
    connect(SpeedButton13, &QToolButton::clicked, this, &SettingsPage::SpeedButton13Click);
    connect(SpeedButton14, &QToolButton::clicked, this, &SettingsPage::SpeedButton14Click);
    wireCompression();
}

void SettingsPage::wireCompression()
{
    compression = new CompressionControls({CheckBox3, CheckBox4, SpeedButton11, &m_main->LoadingSettings,
                                           &m_main->archiverHooks->communicator(), m_main->kovaProvider1,
                                           &m_main->panel()->dialogs()},
                                          this);
}

void SettingsPage::SpeedButton13Click()
{
    if (TdirselectF *chooser = m_main->panel()->dirselectF())
        chooser->Open(true, m_main->PrimaryDestination, m_main->PrimaryDirName);
}

void SettingsPage::SpeedButton14Click()
{
    if (TdirselectF *chooser = m_main->panel()->dirselectF())
        chooser->Open(false, m_main->SecondaryDestination, m_main->SecondaryDirName);
}

QString SettingsPage::text(const char *key) const
{
    return m_text ? m_text(key) : QString();
}

void SettingsPage::applyTexts(const std::function<QString(const char *)> &textOf)
{
    m_text = textOf;
    Label14->setText(text("PrimarySettingsLabel"));
    Label15->setText(text("SecondarySettingsLabel"));
    Label16->setText(text("OtherSettingsLabel"));
    Label1->setText(text("ConfirmLabel"));
    Label2->setText(text("AutoRunLabel"));
    Label3->setText(text("PrimaryCompressionLabel"));
    Label4->setText(text("SecondaryCompressionLabel"));
    Label5->setText(text("AutoEmptyLabel"));
    Label6->setText(text("AfterXdaysLabel"));
    Label17->setText(text("ShutdownLabel"));
    Label11->setText(text("PriorityLabel"));
    Label21->setText(text("ShutdownModeLabel"));
    Label12->setText(text("PrimaryDestDirLabel"));
    Label13->setText(text("SecondaryDestDirLabel"));
    SpeedButton8->setText(text("SaveButton"));
    SpeedButton11->setText(text("EmptyButton"));
    SpeedButton19->setText(text("RestoreButton"));
    SpeedButton7->setText(text(StartStopKey));

    // The boxes keep their selection; only the item texts change.
    const char *const priorities[] = {"High", "Normal", "Low"};
    const char *const modes[] = {"ShutDownText", "RebootText", "LogoffText"};
    for (int i = 0; i < 3; ++i) {
        ComboBox1->setItemText(i, text(priorities[i]));
        ComboBox2->setItemText(i, text(modes[i]));
    }
    ComboBox2->setToolTip(ComboBox2->currentText());
    // The interval labels say what the numbers mean in the new language: "disabled" stays for 0.
    updateIntervalLabel(SpinEdit2, Label9, "ArchiveMinInterval");
    updateIntervalLabel(SpinEdit3, Label10, "ArchiveHourInterval");
}

// ---- loading ----

int SettingsPage::ShutdownTypeOfItem(int item)
{
    return item >= 0 && item < 3 ? kShutdownTypes[item] : -1;
}

int SettingsPage::ItemOfShutdownType(int type)
{
    for (int i = 0; i < 3; ++i)
        if (kShutdownTypes[i] == type)
            return i;
    return -1;
}

void SettingsPage::Load()
{
    Tconfig &config = *m_main->config;
    CheckBox1->setChecked(config.ReadBool(QStringLiteral("Kerdez"), true));
    CheckBox2->setChecked(config.ReadBool(QStringLiteral("Auto"), true));
    CheckBox3->setChecked(config.ReadBool(QStringLiteral("Bzip2_ok_1"), true));
    CheckBox4->setChecked(config.ReadBool(QStringLiteral("Bzip2_ok_2"), true));
    CheckBox5->setChecked(config.ReadBool(QStringLiteral("Autourites"), false));
    updateAutoEmpty();
    CheckBox6->setChecked(config.ReadBool(QStringLiteral("Archive_atshutdown"), false));
    SpinEdit2->setValue(config.ReadInteger(QStringLiteral("Archivalas"), 30));
    updateIntervalLabel(SpinEdit2, Label9, "ArchiveMinInterval");
    SpinEdit3->setValue(config.ReadInteger(QStringLiteral("Biztarchivalas"), 72));
    updateIntervalLabel(SpinEdit3, Label10, "ArchiveHourInterval");
    const int priority = config.ReadInteger(QStringLiteral("Prioritas"), 1);
    ComboBox1->setCurrentIndex(priority >= 0 && priority < 3 ? priority : -1);
    ComboBox2->setCurrentIndex(ItemOfShutdownType(config.ReadInteger(QStringLiteral("ShutDown_type"), 1)));
    ComboBox2->setToolTip(ComboBox2->currentText());
}

// ---- handlers ----

void SettingsPage::markChanged()
{
    m_main->SettingsChanged = true;
}

void SettingsPage::CheckBox5Click()
{
    updateAutoEmpty();
    markChanged();
}

void SettingsPage::updateAutoEmpty()
{
    const bool on = CheckBox5->isChecked();
    Label6->setEnabled(on);
    SpinEdit1->setEnabled(on);
}

void SettingsPage::SpinEdit2Change()
{
    updateIntervalLabel(SpinEdit2, Label9, "ArchiveMinInterval");
    markChanged();
}

void SettingsPage::SpinEdit3Change()
{
    updateIntervalLabel(SpinEdit3, Label10, "ArchiveHourInterval");
    markChanged();
}

void SettingsPage::ComboBox2Change()
{
    ComboBox2->setToolTip(ComboBox2->currentText());
}

void SettingsPage::updateIntervalLabel(TSpinEdit *spin, QLabel *label, const char *intervalKey)
{
    const bool disabled = spin->Value() == 0;
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, disabled ? Qt::red : Qt::black);
    label->setPalette(palette);
    label->setText(text(disabled ? "DontArchive" : intervalKey));
}

bool SettingsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // A label toggles its box exactly as a click on the box does.
        const std::pair<QLabel *, QCheckBox *> pairs[] = {{Label1, CheckBox1}, {Label2, CheckBox2},
                                                          {Label3, CheckBox3}, {Label4, CheckBox4},
                                                          {Label5, CheckBox5}, {Label17, CheckBox6}};
        for (const auto &[label, box] : pairs) {
            if (watched == label) {
                if (box->isEnabled())
                    box->click();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

// ---- saving ----

void SettingsPage::SpeedButton8Click()
{
    m_main->guarded([this] {
        // The stored choice decides, not the box: a box checked but not yet saved does not ask.
        if (m_main->config->ReadBool(QStringLiteral("Kerdez"), true)) {
            if (m_main->ask(QStringLiteral("SaveConfirm")))
                SaveSettings();
        } else {
            SaveSettings();
        }
    });
}

void SettingsPage::SaveSettings()
{
    m_main->repaint();
    TsaveF *progress = m_main->panel()->saveF();
    if (progress)
        progress->showProgress(text("SaveInfo"));
    const ProgressDone finish(progress);

    Tconfig &config = *m_main->config;
    const auto writeText = [&config](const char *name, const QString &value) {
        config.WriteString(QString::fromLatin1(name), value.left(kMaxText));
    };
    config.WriteBool(QStringLiteral("Kerdez"), CheckBox1->isChecked());
    config.WriteBool(QStringLiteral("Auto"), CheckBox2->isChecked());
    config.SetAutostart(m_main->ProgramDir + QStringLiteral("\\Archiv.exe"), CheckBox2->isChecked());
    config.WriteBool(QStringLiteral("Bzip2_ok_1"), CheckBox3->isChecked());
    config.WriteBool(QStringLiteral("Bzip2_ok_2"), CheckBox4->isChecked());
    config.WriteBool(QStringLiteral("Autourites"), CheckBox5->isChecked());
    config.WriteBool(QStringLiteral("Archive_atshutdown"), CheckBox6->isChecked());
    config.WriteInteger(QStringLiteral("Archivalas"), SpinEdit2->Value());
    config.WriteInteger(QStringLiteral("Biztarchivalas"), SpinEdit3->Value());
    // A box without a selection (an unknown stored number) leaves its value as it is.
    if (ComboBox1->currentIndex() >= 0)
        config.WriteInteger(QStringLiteral("Prioritas"), ComboBox1->currentIndex());
    if (ComboBox2->currentIndex() >= 0)
        config.WriteInteger(QStringLiteral("ShutDown_type"), ShutdownTypeOfItem(ComboBox2->currentIndex()));
    writeText("Celutvonal", m_main->PrimaryDestination);
    writeText("Celutvonal2", m_main->SecondaryDestination);
    config.WriteInteger(QStringLiteral("Uritesido"), SpinEdit1->Value());
    writeText("Celkonyvtarnev1", m_main->PrimaryDirName.mid(1));
    writeText("Celkonyvtarnev2", m_main->SecondaryDirName.mid(1));

    m_main->SettingsChanged = false;
}
