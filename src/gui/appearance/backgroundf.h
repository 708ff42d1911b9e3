// TbackgroundF: the texture window. It lists "no texture" and the texture bitmaps (.BMP) in the
// Background folder beside the program; a click shows that texture on every window at once, OK
// keeps the choice in the Background setting, Cancel brings back the texture in force when
// the window opened.
#pragma once

#include "choicewindow.h"

class QLabel;

class TbackgroundF : public TChoiceWindow
{
    Q_OBJECT

public:
    explicit TbackgroundF(QWidget *parent = nullptr);
    ~TbackgroundF() override;

    TKovaPanel *KovaPanel3 = nullptr; // holds SpeedButton1
    TKovaPanel *KovaPanel4 = nullptr; // holds SpeedButton2
    QLabel *Label1 = nullptr;         // heading

    void FormActivate() override;
    void ListBox1Click() override;
    void SpeedButton1Click() override;
    void SpeedButton2Click() override;
    // Loads (or clears) the texture of ChosenName, stores it as the Background setting and closes the
    // window with that result.
    void ApplyTexture(DialogCode result = Accepted);

    // The window's own settings store, made at its first use.
    Tconfig &store();

private:
    // The Windows path of a texture name, when its file lies inside the Background folder.
    QString texturePath(const QString &name) const;

    std::unique_ptr<Tconfig> m_config;
};
