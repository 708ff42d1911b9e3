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
    explicit TlanguageF(const AppearanceContext &context, QWidget *parent = nullptr);

    // Shows the flag of the language in force, at the flag's own size.
    void showFlag(const QImage &flag);

protected:
    void fill() override;
    void preview() override;
    void keepChoice() override;
    void cancelChoice() override;

private:
    // Loads the language file of a name relative to the Language folder; a name whose file is
    // missing or lies outside the folder changes nothing.
    void loadLanguageFile(const QString &name);
    void applyTexts();

    QLabel *flagImage = nullptr;
    QLabel *headingLabel = nullptr;
    QLabel *languageNameLabel = nullptr;
};
