// TlanguageF: the language window. It lists the built-in English and the language files (.LNG)
// in the Language folder beside the program; a click switches the whole panel to that language at
// once, flag included, OK keeps the choice in the Language setting, Cancel brings back the
// language in force when the window opened.
#pragma once

#include "choicewindow.h"

class QImage;
class QLabel;

class TlanguageF : public TChoiceWindow
{
    Q_OBJECT

public:
    explicit TlanguageF(QWidget *parent = nullptr);

    TKovaPanel *KovaPanel3 = nullptr; // holds SpeedButton2
    TKovaPanel *KovaPanel4 = nullptr; // holds SpeedButton1
    TKovaPanel *KovaPanel5 = nullptr; // the flag's lowered frame
    TKovaPanel *KovaPanel6 = nullptr; // inside it, holding Image1
    QLabel *Image1 = nullptr;         // the flag of the language in force
    QLabel *Label1 = nullptr;         // heading
    QLabel *Label2 = nullptr;         // the name of the language in force

    // Shows the flag in Image1, which takes the flag's size.
    void showFlag(const QImage &flag);

    void FormActivate() override;
    void ListBox1Click() override;
    void SpeedButton1Click() override;
    void SpeedButton2Click() override;

private:
    // Loads the language file of a name relative to the Language folder; a name whose file is
    // missing or lies outside the folder changes nothing.
    void loadLanguageFile(const QString &name);
};
