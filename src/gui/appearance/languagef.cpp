// The language window.
#include "languagef.h"

#include "appearancesettings.h"
#include "kovalanguage.h"
#include "kovapanel.h"
#include "kovaprovider.h"
#include "paneldialogs.h"
#include "resourcebitmap.h"

#include "core/settings/config.h"

#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace {

constexpr DefaultText kDefaults[] = {
    {"LanguageListLabel", "List of selectable languages:"},
    {"DefLanguageText", "<Default - English>"},
};

} // namespace

TlanguageF::TlanguageF(const AppearanceContext &context, QWidget *parent)
    : TChoiceWindow(QStringLiteral("languageF"), QSize(319, 269), QRect(6, 6, 307, 257), context, parent)
{
    auto *flagFrame = new TKovaPanel(innerPanel, kovaProvider1);
    flagFrame->setObjectName(QStringLiteral("KovaPanel5"));
    flagFrame->setBevelOuter(TKovaPanel::Bevel::Lowered);
    flagFrame->setGeometry(39, 15, 39, 26);
    auto *flagPanel = new TKovaPanel(flagFrame, kovaProvider1);
    flagPanel->setObjectName(QStringLiteral("KovaPanel6"));
    flagPanel->setBevelOuter(TKovaPanel::Bevel::None);
    // Inside the frame's bevel.
    flagPanel->setGeometry(1, 1, 37, 24);
    flagImage = new QLabel(flagPanel);
    flagImage->setObjectName(QStringLiteral("Image1"));
    flagImage->setGeometry(1, 1, 35, 22);
    showFlag(ResourceBitmap(QStringLiteral("defflag")));

    headingLabel = new QLabel(innerPanel);
    headingLabel->setObjectName(QStringLiteral("Label1"));
    headingLabel->move(82, 21);
    QFont heading = headingLabel->font();
    heading.setPixelSize(13);
    headingLabel->setFont(heading);
    QPalette navy = headingLabel->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    headingLabel->setPalette(navy);

    makeList(QRect(38, 46, 229, 147));
    languageNameLabel = new QLabel(innerPanel);
    languageNameLabel->setObjectName(QStringLiteral("Label2"));
    languageNameLabel->setGeometry(38, 193, 258, 22);

    okButton = makeButtonPanel("KovaPanel4", "SpeedButton1", QRect(10, 221, 118, 26));
    cancelButton = makeButtonPanel("KovaPanel3", "SpeedButton2", QRect(179, 221, 118, 26));

    // The layout's own captions until a language is applied.
    // The heading takes its size at each show: measuring its text loads a font of its own.
    headingLabel->setText(QString::fromUtf8(kDefaults[0].text));
    okButton->setText(QStringLiteral("Ok"));
    cancelButton->setText(QStringLiteral("Cancel"));

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        if (m_context.language)
            showFlag(m_context.language->Flag());
        kovaProvider1->SetDefaults(kDefaults);
    });
    kovaProvider1->setOnNeedSet([this](QObject *) { applyTexts(); });
    connectHandlers();
}

void TlanguageF::applyTexts()
{
    headingLabel->setText(kovaProvider1->GetText(QStringLiteral("LanguageListLabel")));
    if (isVisible())
        headingLabel->adjustSize();
    okButton->setText(kovaProvider1->GetText(QStringLiteral("OkButton")));
    cancelButton->setText(kovaProvider1->GetText(QStringLiteral("CancelButton")));
    languageNameLabel->setText(kovaProvider1->GetText(QStringLiteral("Language")));
    // The entry for English is written in the language just chosen, as the rest of the window.
    if (choiceList->count() > 0)
        choiceList->item(0)->setText(kovaProvider1->GetText(QStringLiteral("DefLanguageText")));
}

void TlanguageF::showFlag(const QImage &flag)
{
    if (flag.isNull())
        return;
    flagImage->setPixmap(QPixmap::fromImage(flag));
    flagImage->resize(flag.size());
}

void TlanguageF::fill()
{
    headingLabel->adjustSize();
    guarded([this] {
        const QString stored = m_context.config ? m_context.config->Read(TextSetting::Language) : QString();
        PreviousName = stored;
        ChosenName = stored;
    });
    fillList(kovaProvider1->GetText(QStringLiteral("DefLanguageText")), kLanguageFolder,
             QStringLiteral(".LNG"), PreviousName);
}

void TlanguageF::loadLanguageFile(const QString &name)
{
    const QString path = ConfinedFile(m_context.programDir, kLanguageFolder, name);
    if (path.isEmpty() || !m_context.language)
        return;
    m_context.language->setFilename(path);
    m_context.language->LoadLanguage();
}

void TlanguageF::preview()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // The first entry stands for English whatever it reads: a language may lack its text.
    if (row == 0) {
        if (m_context.language)
            m_context.language->LoadDefaults();
        ChosenName.clear();
        return;
    }
    const QString name = selectedText();
    loadLanguageFile(name);
    ChosenName = name;
}

void TlanguageF::keepChoice()
{
    // The texts shown are already the chosen language's; only the choice is kept.
    const bool stored = guarded([this] {
        if (m_context.config)
            m_context.config->Write(TextSetting::Language, ChosenName);
    });
    if (stored)
        done(Accepted);
}

void TlanguageF::cancelChoice()
{
    if (!PreviousName.isEmpty())
        loadLanguageFile(PreviousName);
    else if (m_context.language)
        m_context.language->LoadDefaults();
    done(Rejected);
}
