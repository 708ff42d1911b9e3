// The texture window.
#include "backgroundf.h"

#include "appearancesettings.h"
#include "kovaimage.h"
#include "kovapanel.h"
#include "kovaprovider.h"

#include "core/settings/config.h"

#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace {

constexpr DefaultText kDefaults[] = {
    {"CancelButton", "Cancel"},
    {"NoTextureText", "<None>"},
    {"BackgoundTextureLabel", "List of selectable textures:"},
};

} // namespace

TbackgroundF::TbackgroundF(const AppearanceContext &context, QWidget *parent)
    : TChoiceWindow(QStringLiteral("backgroundF"), QSize(291, 239), QRect(6, 6, 279, 227), context, parent)
{
    auto *headingLabel = new QLabel(innerPanel);
    headingLabel->setObjectName(QStringLiteral("Label1"));
    headingLabel->setAlignment(Qt::AlignCenter);
    headingLabel->setGeometry(2, 4, 275, 18);
    QPalette navy = headingLabel->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    headingLabel->setPalette(navy);

    makeList(QRect(60, 24, 161, 149));
    okButton = makeButtonPanel("KovaPanel3", "SpeedButton1", QRect(13, 190, 119, 26));
    cancelButton = makeButtonPanel("KovaPanel4", "SpeedButton2", QRect(147, 190, 119, 26));

    // The layout's own captions until a language is applied.
    headingLabel->setText(QString::fromUtf8(kDefaults[2].text));
    okButton->setText(QStringLiteral("Ok"));
    cancelButton->setText(QString::fromUtf8(kDefaults[0].text));

    kovaProvider1->setOnNeedDefaults([this](QObject *) { kovaProvider1->SetDefaults(kDefaults); });
    kovaProvider1->setOnNeedSet([this, headingLabel](QObject *) {
        headingLabel->setText(kovaProvider1->GetText(QStringLiteral("BackgoundTextureLabel")));
        okButton->setText(kovaProvider1->GetText(QStringLiteral("OkButton")));
        cancelButton->setText(kovaProvider1->GetText(QStringLiteral("CancelButton")));
    });
    connectHandlers();
}

TbackgroundF::~TbackgroundF() = default;

Tconfig &TbackgroundF::store()
{
    // Made at first use rather than with the window: the panel's windows are all created before
    // the main window has shown whether the settings key can be opened at all.
    if (!m_config)
        m_config = std::make_unique<Tconfig>();
    return *m_config;
}

QString TbackgroundF::texturePath(const QString &name) const
{
    return ConfinedFile(m_context.programDir, kBackgroundFolder, name);
}

void TbackgroundF::fill()
{
    guarded([this] {
        const QString stored = store().Read(TextSetting::Background);
        PreviousName = stored;
        ChosenName = stored;
    });
    fillList(kovaProvider1->GetText(QStringLiteral("NoTextureText")), kBackgroundFolder,
             QStringLiteral(".BMP"), PreviousName);
}

void TbackgroundF::preview()
{
    TKovaImage *image = m_context.image;
    if (!image || selectedRow() < 0)
        return;
    const QString name = selectedText();
    // The entry for no texture is known by its text, exactly as the language in force writes it.
    if (name == kovaProvider1->GetText(QStringLiteral("NoTextureText"))) {
        image->setFilename(QString());
        image->setEmpty(true);
        ChosenName.clear();
        return;
    }
    const bool wasEmpty = image->Empty();
    image->setEmpty(false);
    const QString path = texturePath(name);
    if (!path.isEmpty())
        image->setFilename(path);
    // A file that has vanished loads again the one named before, if there is one.
    if (!image->LoadFromFile() && wasEmpty) {
        // Nothing could be loaded: the windows stay plain rather than half-textured with a
        // picture that is no longer the chosen one.
        image->setEmpty(true);
    }
    ChosenName = name;
}

void TbackgroundF::keepChoice()
{
    if (selectedRow() >= 0)
        applyTexture();
    else
        done(Accepted);
}

void TbackgroundF::cancelChoice()
{
    ChosenName = PreviousName;
    applyTexture(Rejected);
}

void TbackgroundF::applyTexture(DialogCode result)
{
    TKovaImage *image = m_context.image;
    const bool stored = guarded([&] {
        if (!ChosenName.isEmpty()) {
            const QString path = texturePath(ChosenName);
            if (image && !path.isEmpty()) {
                image->setFilename(path);
                image->LoadFromFile();
            }
        } else if (image) {
            image->setEmpty(true);
        }
        store().Write(TextSetting::Background, ChosenName);
    });
    if (stored)
        done(result);
}
