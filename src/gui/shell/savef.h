// TsaveF: the progress window: one line, shown without waiting while the program works, hiding
// itself at the first 500 ms tick after the caller says the work is done.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class TKovaPanel;
class TkovaProvider;

class TsaveF : public QWidget
{
    Q_OBJECT

public:
    // The focus goes back to mainWindow when the window hides.
    explicit TsaveF(QWidget *parent = nullptr, QWidget *mainWindow = nullptr);

    TkovaProvider *kovaProvider1 = nullptr;

    // Set by the caller when its work has finished.
    bool done = false;

    void setMainWindow(QWidget *mainWindow) { m_mainWindow = mainWindow; }

    // Shows the line at once (painted before the caller's work starts), with the done flag cleared.
    void showProgress(const QString &text);
    // Changes the line while the window shows.
    void setLine(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void tick();

    TKovaPanel *m_panel = nullptr;
    QLabel *m_line = nullptr;
    QTimer *m_ticks = nullptr; // 500 ms, started when the window is shown or becomes active
    QPointer<QWidget> m_mainWindow;
};
