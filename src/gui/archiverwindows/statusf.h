// TstatusF: the archive status window. For each archive it shows the time of the last run, the
// text of the state code the Archiver reported and a light (yellow when the code is 0, red
// otherwise). Everything is read anew at each refresh.
#pragma once

#include "gui/appearance/panelwindow.h"

class MainWindowLink;
class QLabel;
class QToolButton;
class TkovaProvider;

class TstatusF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TstatusF(MainWindowLink *link, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;            // primary heading
    QLabel *Image1 = nullptr;            // primary light
    QLabel *Image4 = nullptr;            // date picture of the primary time
    QLabel *Label3 = nullptr;            // primary time
    QLabel *Label4 = nullptr;            // primary state
    QLabel *Label2 = nullptr;            // secondary heading
    QLabel *Image2 = nullptr;            // secondary light
    QLabel *Image3 = nullptr;            // date picture of the secondary time
    QLabel *Label5 = nullptr;            // secondary time
    QLabel *Label6 = nullptr;            // secondary state
    QToolButton *SpeedButton1 = nullptr; // OK

    // Fills the window from the main window's settings store. Raises the store's error when a
    // value cannot be read; what was set before it stays.
    void RefreshStatus();
    // The text of a state code; empty for a code the table does not know.
    static QString StateText(const TkovaProvider &provider, qint32 code);
    // The key of a state code's text; empty for a code without one.
    static QString StateKey(qint32 code);

    // The light of a state: "yellowico" for 0, "redico" for any other code.
    static QPixmap Light(bool correct);
    // The small date picture beside the time lines.
    static QPixmap DatePicture();

    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showState(const char *stateValue, QLabel *stateLabel, QLabel *light);

    MainWindowLink *m_link;
};
