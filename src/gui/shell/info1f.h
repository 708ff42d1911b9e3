// Tinfo1F: the information window: two centred lines and an OK button. Enter closes it too.
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QToolButton;
class TKovaPanel;
class TkovaProvider;

class Tinfo1F : public QDialog
{
    Q_OBJECT

public:
    // mainWindow is repainted when the window is closed with OK.
    explicit Tinfo1F(QWidget *parent = nullptr, QWidget *mainWindow = nullptr);

    TkovaProvider *kovaProvider1 = nullptr;

    void setMainWindow(QWidget *mainWindow) { m_mainWindow = mainWindow; }

    // Sets both lines and shows the window modally.
    void tell(const QString &first, const QString &second = QString());

protected:
    void showEvent(QShowEvent *event) override;

private:
    void acknowledge();

    TKovaPanel *m_panel = nullptr;
    QLabel *m_firstLine = nullptr;
    QLabel *m_secondLine = nullptr;
    QToolButton *m_okButton = nullptr;
    QLineEdit *m_focusKeeper = nullptr; // out of sight; holds the focus so that Enter closes
    QPointer<QWidget> m_mainWindow;
};
