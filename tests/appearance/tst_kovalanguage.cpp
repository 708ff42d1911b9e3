// The language component and the string providers on real windows: the order in which windows
// register and are re-texted, language files and their flags, failures that change nothing, and
// the stored language at start.
#include "testfiles.h"
#include "testmain.h"

#include "core/platform/paths.h"
#include "core/settings/config.h"
#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/kovalanguage.h"
#include "gui/appearance/resourcebitmap.h"

#include <QLabel>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

// A window with a provider that registers its defaults and shows one text, writing down each
// call of its handlers.
class TextWindow : public QWidget
{
public:
    TextWindow(const QString &name, QList<QPair<QString, QString>> defaults, QString shownKey,
               QStringList *log, QWidget *parent = nullptr)
        : QWidget(parent, parent ? Qt::Dialog : Qt::Widget), m_defaults(std::move(defaults)),
          m_shownKey(std::move(shownKey)), m_log(log)
    {
        setObjectName(name);
        kovaProvider1 = new TkovaProvider(this);
        label = new QLabel(QStringLiteral("layout caption"), this);
        kovaProvider1->setOnNeedDefaults([this](QObject *) {
            m_log->append(objectName() + QStringLiteral(".defaults"));
            if (onDefaults)
                onDefaults();
            for (const auto &d : m_defaults)
                kovaProvider1->SetDefault(d.first, d.second);
        });
        kovaProvider1->setOnNeedSet([this](QObject *) {
            m_log->append(objectName() + QStringLiteral(".set"));
            if (failOnSet)
                throw std::runtime_error("handler failed");
            label->setText(kovaProvider1->GetText(m_shownKey));
        });
    }

    TkovaProvider *kovaProvider1;
    QLabel *label;
    bool failOnSet = false;
    std::function<void()> onDefaults;

private:
    QList<QPair<QString, QString>> m_defaults;
    QString m_shownKey;
    QStringList *m_log;
};

QImage flagImage(QRgb colour)
{
    QImage image(35, 22, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestKovaLanguage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_programHost;
    QString m_programDir; // Windows form
    QStringList m_log;

    QString languagePath(const QString &name) const { return m_programDir + "\\Language\\" + name; }
    QString languageHost(const QString &name) const { return m_programHost.path() + "/Language/" + name; }

    // What a fresh window shows once the stored language is applied at start; the setting stays.
    QString shownAtStart(const QString &stored)
    {
        Tconfig config;
        config.WriteString("Language", stored);
        TextWindow main("Main", {{"OkButton", "Ok"}}, "OkButton", &m_log);
        TKovaLanguage language;
        language.RegisterWindow(&main);
        ApplyLanguageSetting(config, language, m_programDir);
        return config.ReadString("Language", "x") == stored ? main.label->text() : QString("setting changed");
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_programDir = win::ToWindowsPath(m_programHost.path());
        writeFile(languageHost("French.lng"),
                  "Ok=D'accord\r\nSaveButton = Enregistrer \r\nOkButton=Bien\r\n");
        QVERIFY(flagImage(qRgb(0, 0, 255)).save(languageHost("French.flg"), "BMP"));
        writeFile(languageHost("Old/Magyar.lng"), "OkButton=Rendben\rLanguage=Magyar\r");
        QDir().mkpath(languageHost("Folder.lng"));
    }

    void init() { m_log.clear(); }

    void defaultsFollowRegistrationOrder()
    {
        TextWindow main("Main", {{"OkButton", "Ok"}, {"Sheet1", "MainPage"}}, "Sheet1", &m_log);
        TextWindow about("About", {{"OkButton", "Fine"}, {"AboutText", "About"}}, "OkButton", &m_log);
        TKovaLanguage language;
        language.setOnNeedDefaults([this](QObject *) { m_log.append("language.defaults"); });
        language.setOnNeedSet([this](QObject *) { m_log.append("language.set"); });
        language.RegisterWindow(&main);
        language.RegisterWindow(&about);
        language.LoadDefaults();

        QCOMPARE(language.Items(),
                 QStringList({"OkButton=Ok", "Sheet1=MainPage", "OkButton=Fine", "AboutText=About"}));
        QCOMPARE(m_log, QStringList({"Main.defaults", "About.defaults", "Main.set", "About.set",
                                     "language.defaults", "language.set"}));
        // The first window registered wins a key that several register, in every window.
        QCOMPARE(about.label->text(), QString("Ok"));
        QCOMPARE(main.label->text(), QString("MainPage"));

        // A second run starts afresh.
        language.LoadDefaults();
        QCOMPARE(language.Items().size(), 4);
    }

    void providersAreFoundInComponentOrder()
    {
        // A provider deeper in the window is its own
        // component after the window's; a window below the window (a dialog) is not its component.
        TextWindow first("First", {{"A", "1"}}, "A", &m_log);
        auto *inner = new QWidget(&first);
        auto *innerProvider = new TkovaProvider(inner);
        innerProvider->setOnNeedDefaults([this](QObject *) { m_log.append("First.inner.defaults"); });
        TextWindow dialog("Dialog", {{"D", "4"}}, "D", &m_log, &first);
        TKovaLanguage language;
        language.RegisterWindow(&first);
        language.LoadDefaults();
        QCOMPARE(m_log, QStringList({"First.defaults", "First.inner.defaults", "First.set"}));
        QCOMPARE(language.Items(), QStringList({"A=1"}));
        QVERIFY(!dialog.kovaProvider1->KovaLanguage());
    }

    void languageFileReplacesTheList()
    {
        TextWindow main("Main", {{"OkButton", "Ok"}, {"SaveButton", "Save settings"}}, "SaveButton", &m_log);
        TextWindow about("About", {{"AboutText", "About"}}, "AboutText", &m_log);
        TKovaLanguage language;
        // The main window resets the flag to the built-in one.
        main.onDefaults = [&] { language.LoadFlagResource("defflag"); };
        language.RegisterWindow(&main);
        language.RegisterWindow(&about);
        language.LoadDefaults();
        const QImage defflag = language.Flag();

        language.setFilename(languagePath("French.lng"));
        QVERIFY(language.LoadLanguage());
        QCOMPARE(language.Items(),
                 QStringList({"Ok=D'accord", "SaveButton = Enregistrer ", "OkButton=Bien"}));
        QCOMPARE(main.label->text(), QString("Enregistrer"));
        QCOMPARE(about.label->text(), QString()); // no English fallback
        QCOMPARE(language.Flag().pixel(5, 5), qRgb(0, 0, 255));

        // A flag just within the bound is taken (the bitmap tests refuse larger and damaged ones).
        QImage big(TKovaLanguage::kMaxFlagSide, 10, QImage::Format_RGB32);
        big.fill(qRgb(9, 9, 9));
        QVERIFY(big.save(languageHost("Big.flg"), "BMP"));
        writeFile(languageHost("Big.lng"), "OkButton=Big\n");
        language.setFilename(languagePath("Big.lng"));
        QVERIFY(language.LoadLanguage());
        QCOMPARE(language.Flag().width(), TKovaLanguage::kMaxFlagSide);

        // English again, from scratch, with the built-in flag.
        language.LoadDefaults();
        QCOMPARE(language.Items(),
                 QStringList({"OkButton=Ok", "SaveButton=Save settings", "AboutText=About"}));
        QCOMPARE(language.Flag(), defflag);
        QCOMPARE(main.label->text(), QString("Save settings"));
    }

    // A translation holding format directives is shown as it stands: no text of a language file
    // is ever used as a format.
    void directivesInTranslationsAreText()
    {
        TextWindow main("Main", {{"OkButton", "Ok"}}, "OkButton", &m_log);
        TKovaLanguage language;
        language.RegisterWindow(&main);
        language.LoadDefaults();
        const QByteArray directives = "%s%s%s%s%n %1$s %s %99999999d %1 %2 %L1 %%";
        writeFile(languageHost("Formats.lng"), "OkButton=" + directives + "\r\n");
        language.setFilename(languagePath("Formats.lng"));
        QVERIFY(language.LoadLanguage());
        QCOMPARE(main.label->text(), QString::fromLatin1(directives));
    }

    void failingLoadChangesNothing()
    {
        TextWindow main("Main", {{"OkButton", "Ok"}}, "OkButton", &m_log);
        TKovaLanguage language;
        language.RegisterWindow(&main);
        // Before any load (the language window's tests fail loads after one): nothing is re-texted, the
        // provider still has no language.
        language.setFilename(languagePath("Folder.lng"));
        QVERIFY(!language.LoadLanguage());
        language.setFilename(QString());
        QVERIFY(!language.LoadLanguage());
        QVERIFY(m_log.isEmpty());
        QVERIFY(!main.kovaProvider1->KovaLanguage());
        QCOMPARE(main.label->text(), QString("layout caption"));
    }

    void failingHandler()
    {
        TextWindow a("A", {{"OkButton", "Ok"}}, "OkButton", &m_log);
        TextWindow b("B", {}, "OkButton", &m_log);
        TextWindow c("C", {}, "OkButton", &m_log);
        TKovaLanguage language;
        for (TextWindow *w : {&a, &b, &c})
            language.RegisterWindow(w);
        language.LoadDefaults();
        m_log.clear();

        // Re-texting to a language ends quietly at the failing window; later ones keep their texts.
        b.failOnSet = true;
        language.setFilename(languagePath("French.lng"));
        QVERIFY(language.LoadLanguage());
        QCOMPARE(m_log, QStringList({"A.set", "B.set"}));
        QCOMPARE(a.label->text(), QString("Bien"));
        QCOMPARE(c.label->text(), QString("Ok"));

        // Back to English the failure reaches the caller.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, language.LoadDefaults());
    }

    // Stored names are found without regard to case, but only inside the Language folder: not by
    // a parent step, an absolute or a drive path, nor by links inside the folder that lead out.
    void storedLanguageAtStart()
    {
        QTemporaryDir outside;
        writeFile(m_programHost.path() + "/Evil.lng", "OkButton=Outside\n");
        writeFile(outside.path() + "/Far.lng", "OkButton=Outside\n");
        QVERIFY(QFile::link(outside.path() + "/Far.lng", languageHost("Link.lng")));
        QVERIFY(QFile::link(outside.path(), languageHost("Away")));
        QVERIFY(QFile::link(languageHost("French.lng"), languageHost("Alias.lng")));
        // Folder.lng is there, but is no readable file.
        for (const auto &[stored, okText] :
             {std::pair<QString, QString>{"old\\MAGYAR.lng", "Rendben"}, {"Alias.lng", "Bien"}})
            QVERIFY2(shownAtStart(stored) == okText, qPrintable(stored));
        for (const QString &stored :
             {QString(), QString("Gone.lng"), QString("Folder.lng"), QString("..\\Evil.lng"),
              QString("Old\\..\\..\\Evil.lng"), QString("../Evil.lng"), QString("\\Evil.lng"),
              QString("Link.lng"), QString("Away\\Far.lng"), QString(".. \\Evil.lng"),
              win::ToWindowsPath(outside.path()) + "\\Far.lng"})
            QVERIFY2(shownAtStart(stored) == "Ok", qPrintable(stored));

        // The folder itself may be a link, as an installed program's data is.
        QTemporaryDir linkedProgram;
        QVERIFY(QFile::link(m_programHost.path() + "/Language", linkedProgram.path() + "/Language"));
        const QString linkedDir = win::ToWindowsPath(linkedProgram.path());
        QCOMPARE(ConfinedFile(linkedDir, kLanguageFolder, "French.lng"),
                 linkedDir + "\\Language\\French.lng");
        QVERIFY(ConfinedFile(linkedDir, kLanguageFolder, "Link.lng").isEmpty());
    }

    void builtInBitmaps()
    {
        for (const char *name : {"ZOOMIN", "ZOOMOUT"})
            QVERIFY2(!ResourceBitmap(name).isNull(), name);
        QVERIFY(ResourceBitmap("nothing").isNull());
        // Drawn transparent, the logo's background disappears and its picture stays.
        const QImage logo = ResourceBitmap("logo");
        const QImage shown = TransparentBitmap(logo).toImage();
        QCOMPARE(qAlpha(shown.pixel(0, logo.height() - 1)), 0);
        QCOMPARE(qAlpha(shown.pixel(logo.width() - 1, 0)), 0);
        QCOMPARE(qAlpha(shown.pixel(26, 30)), 255);
    }
};

DUNLIVO_TEST_MAIN(TestKovaLanguage)
#include "tst_kovalanguage.moc"
