// The placeholder windows and the about window.
#include "stubwindows.h"

#include "windowplacement.h"

#include "appearance/kovapanel.h"
#include "appearance/kovaprovider.h"
#include "appearance/mousemove.h"

#include <QLabel>
#include <QToolButton>

TPanelWindow::TPanelWindow(const QString &name, QSize size, bool draggable, QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(name);
    setFixedSize(size);
    setModal(true);
    kovaProvider1 = new TkovaProvider(this);
    KovaPanel1 = makeWindowPanel(this, kovaProvider1);
    KovaPanel1->setObjectName(QStringLiteral("KovaPanel1"));
    if (draggable) {
        MouseMove1 = new TMouseMove(this);
        connect(KovaPanel1, &TKovaPanel::MouseDown, MouseMove1, &TMouseMove::MouseDown);
        connect(KovaPanel1, &TKovaPanel::MouseMove, MouseMove1, &TMouseMove::MouseMove);
        connect(KovaPanel1, &TKovaPanel::MouseUp, MouseMove1, &TMouseMove::MouseUp);
    }
}

void TPanelWindow::setDefaultTexts(std::vector<std::pair<const char *, const char *>> texts)
{
    kovaProvider1->setOnNeedDefaults([this, texts = std::move(texts)](QObject *) {
        for (const auto &[key, text] : texts)
            kovaProvider1->SetDefault(QString::fromLatin1(key), QString::fromUtf8(text));
    });
}

void TPanelWindow::addPlaceholder(const QString &title)
{
    KovaPanel1->setCaption(title);
    QToolButton *ok = makeSpeedButton(KovaPanel1, QStringLiteral("placeholderOk"),
                                      QRect((width() - 90) / 2, height() - 34, 90, 26));
    ok->setText(QStringLiteral("Ok"));
    if (height() < 80) {
        // Too low for a button below the title: the button alone, in the middle.
        KovaPanel1->setCaption(QString());
        ok->move((width() - 90) / 2, (height() - 26) / 2);
    }
    kovaProvider1->setOnNeedSet([this, ok](QObject *) {
        const QString text = kovaProvider1->GetText(QStringLiteral("OkButton"));
        if (!text.isEmpty())
            ok->setText(text);
    });
    connect(ok, &QToolButton::clicked, this, &QDialog::accept);
}

TaboutF::TaboutF(QWidget *parent) : TPanelWindow(QStringLiteral("aboutF"), QSize(300, 170), true, parent)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    Image1 = new QLabel(KovaPanel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(55, 14, 190, 60);
    Label1 = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 84, 280, 36));
    Label1->setText(QStringLiteral("Kovamark Dunlivo\nBackup configuration panel"));
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(105, 130, 90, 26));
    SpeedButton1->setText(QStringLiteral("Ok"));
    MouseMove1->watch(Image1);
    MouseMove1->watch(Label1);

    kovaProvider1->setOnNeedDefaults(
        [this](QObject *) { kovaProvider1->SetDefault(QStringLiteral("OkButton"), QStringLiteral("Ok")); });
    kovaProvider1->setOnNeedSet(
        [this](QObject *) { SpeedButton1->setText(kovaProvider1->GetText(QStringLiteral("OkButton"))); });
    connect(SpeedButton1, &QToolButton::clicked, this, &QDialog::accept);
}

Tman_archF::Tman_archF(QWidget *parent)
    : TPanelWindow(QStringLiteral("man_archF"), QSize(352, 158), false, parent)
{
    addPlaceholder(QStringLiteral("Manual archiving"));
}

TvarakozF::TvarakozF(QWidget *parent)
    : TPanelWindow(QStringLiteral("varakozF"), QSize(355, 47), false, parent)
{
    addPlaceholder(QStringLiteral(""));
}

TdirselectF::TdirselectF(QWidget *parent)
    : TPanelWindow(QStringLiteral("dirselectF"), QSize(440, 300), true, parent)
{
    addPlaceholder(QStringLiteral("Archive destinations"));
    setDefaultTexts({
        {"DirExistsWarning1", "If you select an existent directory it is possible that other files"},
        {"DirexistsWarning2", "will be delete when you emptying the archive.    Continue?"},
        {"PrimaryDestDirText", "Primary archive's destination:"},
        {"SecondaryDestDirText", "Secondary archive's destination:"},
        {"MessagePathNotFound", "Path not found! "},
    });
}

TrewriteF::TrewriteF(QWidget *parent)
    : TPanelWindow(QStringLiteral("rewriteF"), QSize(600, 420), true, parent)
{
    addPlaceholder(QStringLiteral("Restore"));
}

TlanguageF::TlanguageF(QWidget *parent)
    : TPanelWindow(QStringLiteral("languageF"), QSize(319, 269), true, parent)
{
    addPlaceholder(QStringLiteral("Language"));
    setDefaultTexts({
        {"LanguageListLabel", "List of selectable languages:"},
        {"DefLanguageText", "<Default - English>"},
    });
}

TbackgroundF::TbackgroundF(QWidget *parent)
    : TPanelWindow(QStringLiteral("backgroundF"), QSize(291, 239), true, parent)
{
    addPlaceholder(QStringLiteral("Texture"));
    setDefaultTexts({
        {"CancelButton", "Cancel"},
        {"NoTextureText", "<None>"},
        {"BackgoundTextureLabel", "List of selectable textures:"},
    });
}

TstatusF::TstatusF(QWidget *parent) : TPanelWindow(QStringLiteral("statusF"), QSize(376, 239), false, parent)
{
    addPlaceholder(QStringLiteral("Archive's state"));
}
