// Date-time texts of the last runs.
#include "datetimetext.h"

#include "core/settings/config.h"

#include <QLabel>
#include <QLocale>

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

QString DateTimeText(win::TDateTime value)
{
    const QDateTime dateTime = win::DoubleToDateTime(value);
    if (!dateTime.isValid())
        return QString();
    const QLocale locale = QLocale::system();
    QString text = locale.toString(dateTime.date(), QLocale::ShortFormat);
    if (dateTime.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(dateTime.time(), longTimeFormat());
    return text;
}

void ShowLastRun(Tconfig &config, Side side, QLabel *label)
{
    const win::TDateTime time = config.Read(TimeSetting::LastArchived, side);
    if (time == 0.0)
        return;
    const QString text = DateTimeText(time);
    if (!text.isEmpty())
        label->setText(text);
}
