// The shipped translations and the translators' template: every registered key in every shipped
// language file, each with its flag; the whole panel switched to each language and back; and the
// template that `dunlivo --language-template` writes, read back by the language file reader.
#include "findcontrol.h"
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "core/texts/textlist.h"
#include "gui/appearance/kovalanguage.h"
#include "gui/appearance/languagef.h"
#include "gui/shell/languagetemplate.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

// The key of a "key=text" line.
QString keyOf(const QString &line)
{
    return line.section(QLatin1Char('='), 0, 0);
}

// Every "key=text" line the panel registers, the first of each key, in registration order, from a
// panel started in English.
QStringList registeredLines()
{
    TestPanel p;
    if (!p.start())
        return {};
    QStringList keys;
    QStringList lines;
    for (const QString &line : p.main->language()->Items()) {
        if (!keys.contains(keyOf(line))) {
            keys.append(keyOf(line));
            lines.append(line);
        }
    }
    return lines;
}

QStringList shippedLanguageFiles()
{
    return QDir(testBinDir() + QStringLiteral("/Language")).entryList({QStringLiteral("*.lng")}, QDir::Files);
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shippedFilesTranslateEveryKey()
    {
        QStringList keys;
        for (const QString &line : registeredLines())
            keys.append(keyOf(line));
        const QStringList files = shippedLanguageFiles();
        QVERIFY(files.contains(QStringLiteral("Magyar.lng")) &&
                files.contains(QStringLiteral("Deutsch.lng")));
        for (const QString &name : files) {
            const QString path = testBinDir() + QStringLiteral("/Language/") + name;
            QStringList lines;
            QVERIFY(ReadLanguageFile(path, &lines));
            QStringList fileKeys;
            QStringList problems;
            for (const QString &line : lines) {
                const QString key = keyOf(line);
                if (fileKeys.contains(key))
                    problems.append(QStringLiteral("twice: ") + key);
                fileKeys.append(key);
                if (!keys.contains(key))
                    problems.append(QStringLiteral("not registered: ") + key);
            }
            TextList text;
            text.setLines(lines);
            for (const QString &key : keys) {
                if (!fileKeys.contains(key))
                    problems.append(QStringLiteral("missing: ") + key);
                else if (text.FindText(key).isEmpty())
                    problems.append(QStringLiteral("empty: ") + key);
            }
            QVERIFY2(problems.isEmpty(),
                     qPrintable(name + QStringLiteral(": ") + problems.join(QStringLiteral(", "))));

            // Each has its flag beside it, drawn for the windows' 35 by 22 frame.
            const QImage flag(win::HostPath(FlagFileName(win::ToWindowsPath(path))), "BMP");
            QCOMPARE(flag.size(), QSize(35, 22));
        }
    }

    void wholePanelInEachLanguageAndBack()
    {
        for (const QString &name : shippedLanguageFiles()) {
            TestPanel p;
            QVERIFY(
                QFile::link(testBinDir() + QStringLiteral("/Language"), p.host(QStringLiteral("Language"))));
            TextList text;
            QStringList lines;
            QVERIFY(ReadLanguageFile(p.host(QStringLiteral("Language/") + name), &lines));
            text.setLines(lines);
            p.settings().WriteString(QStringLiteral("Language"), name);
            QVERIFY(p.start());
            QCOMPARE(control<QToolButton>(p.main, "SpeedButton21")->text(),
                     text.FindText(QStringLiteral("LanguageButton")));
            // Set when the settings are loaded, after the language.
            QCOMPARE(control<QLabel>(p.main, "Label9")->text(),
                     text.FindText(QStringLiteral("ArchiveMinInterval")));
            QCOMPARE(control<QToolButton>(p.panel->info1F(), "SpeedButton1")->text(),
                     text.FindText(QStringLiteral("OkButton")));
            // The language window's heading has room for its text when shown, also after a change
            // to a longer one (English) while the window was hidden.
            TlanguageF *window = p.panel->languageF();
            const QLabel *heading = control<QLabel>(window, "Label1");
            window->show();
            window->hide();
            p.main->language()->LoadDefaults();
            window->show();
            QVERIFY(heading->width() >= heading->fontMetrics().horizontalAdvance(heading->text()));
            window->hide();
        }
    }

    void templateRoundTripsThroughTheReader()
    {
        QTemporaryDir work;
        QTemporaryDir untouchedPrefix;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DUNLIVO_PREFIX"), untouchedPrefix.path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        const auto run = [&](const QStringList &args) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.setWorkingDirectory(work.path());
            process.start(testBinDir() + QStringLiteral("/dunlivo"), args);
            process.waitForFinished(120000);
            return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        };

        // A file name relative to the working folder.
        QCOMPARE(run({QStringLiteral("--language-template"), QStringLiteral("Template.lng")}), 0);
        QStringList lines;
        QVERIFY(ReadLanguageFile(work.path() + QStringLiteral("/Template.lng"), &lines));
        // Every registered key once, in registration order, with the text that English gives it.
        QCOMPARE(lines, registeredLines());
        // The main window's keys keep their first order; a key added later follows the last of them.
        const auto at = [&](const char *key) {
            return lines.indexOf(QRegularExpression(QLatin1String(key) + "=.*"));
        };
        QVERIFY(at("High") == at("CantWriteFileWarning") + 1 &&
                at("ListNotSavedExit") > at("DamagedSettingsNotice"));
        QCOMPARE(readFile(work.path() + QStringLiteral("/Template.lng")), LanguageFileBytes(lines));
        QVERIFY(LanguageFileBytes({QStringLiteral("A=b"), QStringLiteral("C=d")}) == "A=b\r\nC=d\r\n");

        // The user's prefix is not touched: no settings, no autostart entry, nothing at all.
        QVERIFY(QDir(untouchedPrefix.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

        // Without a file name, or into a folder that does not exist: a failure and no file.
        QCOMPARE(run({QStringLiteral("--language-template")}), 2);
        QCOMPARE(run({QStringLiteral("--language-template"), QStringLiteral("missing/Template.lng")}), 1);
        QVERIFY(!QFile::exists(work.path() + QStringLiteral("/missing")));
    }
};

DUNLIVO_TEST_MAIN(TestTranslations)
#include "tst_translations.moc"
