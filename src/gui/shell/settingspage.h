// SettingsPage: the controls of the main window's settings page. It fills them from the registry,
// keeps the interval labels, the auto-empty enabling and the shutdown mode box's hint current,
// marks the settings changed, and writes every value back in SaveSettings.
#pragma once

#include <QObject>

#include <functional>
#include <tuple>
#include <utility>

class CompressionControls;
class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;
class TApp_user_window;
class TKovaPanel;
class TSpinEdit;

class SettingsPage : public QObject
{
    Q_OBJECT

public:
    // Builds the controls on the page (the main window's oldal3).
    SettingsPage(TApp_user_window *main, TKovaPanel *page);

    // Primary archive
    QLabel *Label14 = nullptr;
    QCheckBox *CheckBox3 = nullptr; // compressed
    QLabel *Label3 = nullptr;
    TSpinEdit *SpinEdit2 = nullptr; // interval in minutes
    QLabel *Label9 = nullptr;
    QToolButton *SpeedButton13 = nullptr; // destination
    QLabel *Label12 = nullptr;
    // Secondary archive
    QLabel *Label15 = nullptr;
    QCheckBox *CheckBox4 = nullptr;
    QLabel *Label4 = nullptr;
    TSpinEdit *SpinEdit3 = nullptr; // interval in hours
    QLabel *Label10 = nullptr;
    QToolButton *SpeedButton14 = nullptr;
    QLabel *Label13 = nullptr;
    // Other settings
    QLabel *Label16 = nullptr;
    QCheckBox *CheckBox1 = nullptr; // confirmations
    QLabel *Label1 = nullptr;
    QCheckBox *CheckBox2 = nullptr; // autorun
    QLabel *Label2 = nullptr;
    QCheckBox *CheckBox5 = nullptr; // auto empty
    QLabel *Label5 = nullptr;
    TSpinEdit *SpinEdit1 = nullptr; // days
    QLabel *Label6 = nullptr;
    QCheckBox *CheckBox6 = nullptr; // archive at shutdown
    QLabel *Label17 = nullptr;
    QComboBox *ComboBox1 = nullptr; // priority
    QLabel *Label11 = nullptr;
    QComboBox *ComboBox2 = nullptr; // shutdown mode
    QLabel *Label21 = nullptr;
    // Command buttons
    QToolButton *SpeedButton7 = nullptr;  // Archiver start/stop
    QToolButton *SpeedButton8 = nullptr;  // save
    QToolButton *SpeedButton11 = nullptr; // empty
    QToolButton *SpeedButton19 = nullptr; // restore
    // The compression boxes' and the Empty button's commands.
    CompressionControls *compression = nullptr;
    // The key of the start/stop button's caption, kept so that a new language keeps its meaning.
    const char *StartStopKey = "StartArchiveButton";

    // Fills the controls from the registry (the values the first activation reads, in its order).
    void Load();
    // Writes every value; the progress window shows meanwhile.
    void SaveSettings();

    // Applies the texts of the language in force; text gives the text of a key.
    void applyTexts(const std::function<QString(const char *)> &text);

    // Handlers.
    void SpeedButton8Click();
    void CheckBox5Click();
    void SpinEdit2Change();
    void SpinEdit3Change();
    void ComboBox2Change();
    void markChanged();
    // The destination buttons open the destination chooser for their side.
    void SpeedButton13Click();
    void SpeedButton14Click();

    // Mapping between the shutdown mode box's items and the stored ShutdownType setting.
    static int ShutdownTypeOfItem(int item);
    static int ItemOfShutdownType(int type);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One archive's group: caption, compression box, interval and destination, in rows.
    struct SideGroupNames
    {
        const char *caption, *compressed, *compressedLabel, *interval, *intervalLabel, *destination,
            *destinationLabel;
    };
    struct SideGroup
    {
        QLabel *caption;
        QCheckBox *compressed;
        QLabel *compressedLabel;
        TSpinEdit *interval;
        QLabel *intervalLabel;
        QToolButton *destination;
        QLabel *destinationLabel;
        auto controls() const
        {
            return std::tuple(caption, compressed, compressedLabel, interval, intervalLabel, destination,
                              destinationLabel);
        }
    };
    // shift: how far below the first group's rows this group's rows lie, normal and large.
    SideGroup buildSideGroup(TKovaPanel *page, const SideGroupNames &names, int maxInterval,
                             std::pair<int, int> shift);
    void build(TKovaPanel *page);
    void wireCompression();
    void updateIntervalLabel(TSpinEdit *spin, QLabel *label, const char *intervalKey);
    void updateAutoEmpty();
    QString text(const char *key) const;

    TApp_user_window *m_main;
    std::function<QString(const char *)> m_text;
};
