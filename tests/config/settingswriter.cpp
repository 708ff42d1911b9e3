// A second writer of the settings for the concurrency test: run as "settingswriter TAG SHARED
// DISTINCT", it writes the setting "Shared" SHARED times ("TAG-1" ... "TAG-SHARED") and DISTINCT
// settings of its own ("TAG-k" = "TAG-value-k"), interleaved, each write on its own, through the
// store the panel and the Archiver use (DUNLIVO_PREFIX names the prefix). It prints each failure
// and exits 1 when there was one.
#include "core/settings/config.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString tag = args.at(1);
    const int shared = args.at(2).toInt();
    const int distinct = args.at(3).toInt();
    QTextStream err(stderr);
    int failures = 0;
    try {
        Tconfig config;
        for (int i = 1; i <= std::max(shared, distinct); ++i) {
            try {
                if (i <= shared)
                    config.WriteString(QStringLiteral("Shared"), QStringLiteral("%1-%2").arg(tag).arg(i));
                if (i <= distinct)
                    config.WriteString(QStringLiteral("%1-%2").arg(tag).arg(i),
                                       QStringLiteral("%1-value-%2").arg(tag).arg(i));
            } catch (const ConfigError &e) {
                ++failures;
                err << e.text() << ' ' << e.detail() << Qt::endl;
            }
        }
    } catch (const ConfigError &e) {
        err << e.text() << ' ' << e.detail() << Qt::endl;
        return 1;
    }
    return failures ? 1 : 0;
}
