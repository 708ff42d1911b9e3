// Writing the language template.
#include "languagetemplate.h"

#include "application.h"

#include "core/archivelist/safefile.h"
#include "core/platform/codepage.h"
#include "core/platform/prefix.h"
#include "core/settings/configerror.h"
#include "gui/appearance/kovalanguage.h"

#include <QApplication>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

QStringList RegisteredTexts()
{
    PanelOptions options;
    options.registryErrorHandler = [](const ConfigError &error) {
        QTextStream(stderr) << error.text() << Qt::endl;
    };
    DunlivoPanel panel(options);
    if (!panel.create())
        return {};
    // A language component of its own, so the main window's stays as it was made.
    TKovaLanguage language;
    for (QWidget *window : panel.registrationOrder())
        language.RegisterWindow(window);
    language.LoadDefaults();
    // A key that several windows register is looked up in the text of the first; the later
    // lines would only mislead a translator.
    QStringList lines;
    QSet<QString> keys;
    for (const QString &line : language.Items()) {
        const QString key = line.section(QLatin1Char('='), 0, 0).toUpper();
        if (!keys.contains(key)) {
            keys.insert(key);
            lines.append(line);
        }
    }
    return lines;
}

QByteArray LanguageFileBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

int RunLanguageTemplate(int &argc, char **argv)
{
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: dunlivo --language-template FILE" << Qt::endl;
        return 2;
    }
    const QString target = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();

    // Building the windows reads and creates settings and repairs the Archiver's autostart
    // entry; a translator's tool must do none of that to the user's prefix.
    QTemporaryDir prefix;
    if (!prefix.isValid()) {
        err << "cannot make a temporary folder: " << prefix.errorString() << Qt::endl;
        return 1;
    }
    qputenv("DUNLIVO_PREFIX", QFile::encodeName(prefix.path()));
    win::Prefix::reset();
    win::AnsiCodePage::reset();
    // Nothing is shown, so no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    const QStringList lines = RegisteredTexts();
    if (lines.isEmpty()) {
        err << "cannot build the panel's windows" << Qt::endl;
        return 1;
    }
    QString error;
    if (!archivelist::replaceFileSafely(target, LanguageFileBytes(lines), &error)) {
        err << "cannot write " << target << ": " << error << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << lines.size() << " texts written to " << target << Qt::endl;
    return 0;
}
