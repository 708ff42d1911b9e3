// The language window.
#include "languagef.h"

#include "appearancesettings.h"
#include "kovalanguage.h"
#include "kovapanel.h"
#include "kovaprovider.h"
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

TlanguageF::TlanguageF(QWidget *parent)
    : TChoiceWindow(QStringLiteral("languageF"), QSize(319, 269), QRect(6, 6, 307, 257), parent)
{
    KovaPanel5 = new TKovaPanel(KovaPanel2, kovaProvider1);
    KovaPanel5->setObjectName(QStringLiteral("KovaPanel5"));
    KovaPanel5->setBevelOuter(TKovaPanel::Bevel::Lowered);
    KovaPanel5->setGeometry(39, 15, 39, 26);
    KovaPanel6 = new TKovaPanel(KovaPanel5, kovaProvider1);
    KovaPanel6->setObjectName(QStringLiteral("KovaPanel6"));
    KovaPanel6->setBevelOuter(TKovaPanel::Bevel::None);
    // Inside the frame's bevel.
    KovaPanel6->setGeometry(1, 1, 37, 24);
    Image1 = new QLabel(KovaPanel6);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, 1, 35, 22);
    showFlag(ResourceBitmap(QStringLiteral("defflag")));

    Label1 = new QLabel(KovaPanel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(82, 21);
    QFont heading = Label1->font();
    heading.setPixelSize(13);
    Label1->setFont(heading);
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(navy);

    makeList(QRect(38, 46, 229, 147));
    Label2 = new QLabel(KovaPanel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(38, 193, 258, 22);

    SpeedButton1 = makeButtonPanel("KovaPanel4", "SpeedButton1", QRect(10, 221, 118, 26));
    KovaPanel4 = qobject_cast<TKovaPanel *>(SpeedButton1->parentWidget());
    SpeedButton2 = makeButtonPanel("KovaPanel3", "SpeedButton2", QRect(179, 221, 118, 26));
    KovaPanel3 = qobject_cast<TKovaPanel *>(SpeedButton2->parentWidget());

    // The layout's own captions until a language is applied.
    Label1->setText(QString::fromUtf8(kDefaults[0].text));
    Label1->adjustSize();
    SpeedButton1->setText(QStringLiteral("Ok"));
    SpeedButton2->setText(QStringLiteral("Cancel"));

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        if (m_host.language)
            showFlag(m_host.language->Flag());
        kovaProvider1->SetDefaults(kDefaults);
    });
    kovaProvider1->setOnNeedSet([this](QObject *) {
        Label1->setText(kovaProvider1->GetText(QStringLiteral("LanguageListLabel")));
        Label1->adjustSize();
        SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("OkButton")));
        SpeedButton2->setText(kovaProvider1->GetText(QStringLiteral("CancelButton")));
        Label2->setText(kovaProvider1->GetText(QStringLiteral("Language")));
    });
    connectHandlers();
}

void TlanguageF::showFlag(const QImage &flag)
{
    if (flag.isNull())
        return;
    Image1->setPixmap(QPixmap::fromImage(flag));
    Image1->resize(flag.size());
}

void TlanguageF::FormActivate()
{
    guarded([this] {
        const QString stored = m_host.config ? m_host.config->Read(TextSetting::Language) : QString();
        PreviousName = stored;
        ChosenName = stored;
    });
    fillList(kovaProvider1->GetText(QStringLiteral("DefLanguageText")), kLanguageFolder,
             QStringLiteral(".LNG"), PreviousName);
}

void TlanguageF::loadLanguageFile(const QString &name)
{
    const QString path = ConfinedFile(m_host.programDir, kLanguageFolder, name);
    if (path.isEmpty() || !m_host.language)
        return;
    m_host.language->setFilename(path);
    m_host.language->LoadLanguage();
}

void TlanguageF::ListBox1Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // The first entry stands for English whatever it reads: a language may lack its text.
    if (row == 0) {
        if (m_host.language)
            m_host.language->LoadDefaults();
        ChosenName.clear();
        return;
    }
    const QString name = selectedText();
    loadLanguageFile(name);
    ChosenName = name;
}

void TlanguageF::SpeedButton1Click()
{
    // The texts shown are already the chosen language's; only the choice is kept.
    const bool stored = guarded([this] {
        if (m_host.config)
            m_host.config->Write(TextSetting::Language, ChosenName);
    });
    if (stored)
        done(Accepted);
}

void TlanguageF::SpeedButton2Click()
{
    if (!PreviousName.isEmpty())
        loadLanguageFile(PreviousName);
    else if (m_host.language)
        m_host.language->LoadDefaults();
    done(Rejected);
}
