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

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // OK
    QLineEdit *Edit1 = nullptr;          // out of sight; holds the focus so that Enter closes
    TkovaProvider *kovaProvider1 = nullptr;
    TKovaPanel *Panel1 = nullptr;

    void setMainWindow(QWidget *mainWindow) { m_mainWindow = mainWindow; }

    // Sets both lines and shows the window modally.
    void tell(const QString &first, const QString &second = QString());

    void SpeedButton1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWidget> m_mainWindow;
};
