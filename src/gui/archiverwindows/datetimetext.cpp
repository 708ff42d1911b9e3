// Date-time texts of the last runs.
#include "datetimetext.h"

#include "core/settings/config.h"
#include "gui/appearance/kovaprovider.h"

#include <QHash>
#include <QLabel>

namespace {

// The system's long time format without its time zone: the stored times are local times, and a
// zone name would only make the line longer.
QString longTimeFormat()
{
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result.append(c);
    }
    return result.trimmed();
}

} // namespace

QLocale LanguageLocale(const QString &ownName)
{
    // Looked up once per name: the search runs through every locale Qt knows.
    static QHash<QString, QLocale::Language> found;
    const QString name = ownName.trimmed().toCaseFolded();
    auto at = found.constFind(name);
    if (at == found.cend()) {
        QLocale::Language language = QLocale::English;
        const QList<QLocale> all =
            QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        for (const QLocale &locale : all) {
            if (!name.isEmpty() && locale.nativeLanguageName().toCaseFolded() == name) {
                language = locale.language();
                break;
            }
        }
        at = found.insert(name, language);
    }
    return QLocale(*at);
}

QLocale LanguageLocale(const TkovaProvider &provider)
{
    return LanguageLocale(provider.GetText(QStringLiteral("Language")));
}

QString DateTimeText(win::TDateTime value, const QLocale &language)
{
    const QDateTime dateTime = win::DoubleToDateTime(value);
    if (!dateTime.isValid())
        return QString();
    const QLocale system = QLocale::system();
    QString text = language.toString(dateTime.date(), system.dateFormat(QLocale::ShortFormat));
    if (dateTime.time() != QTime(0, 0))
        text += QLatin1Char(' ') + language.toString(dateTime.time(), longTimeFormat());
    return text;
}

void ShowLastRun(Tconfig &config, Side side, QLabel *label, const QLocale &language)
{
    const win::TDateTime time = config.Read(TimeSetting::LastArchived, side);
    if (time == 0.0)
        return;
    const QString text = DateTimeText(time, language);
    if (!text.isEmpty())
        label->setText(text);
}
