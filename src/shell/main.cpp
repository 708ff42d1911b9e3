// The panel's entry point. The windows are not built yet: until they are, the program makes sure
// the settings exist and says so.
#include "config/config.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        Tconfig config;
        if (!config.CreationError().isEmpty())
            err << config.CreationError() << Qt::endl;
    } catch (const ConfigError &e) {
        err << e.text() << Qt::endl;
        if (!e.detail().isEmpty())
            err << e.detail() << Qt::endl;
        return 1;
    }
    out << "The settings are in place; the panel's main window is not built yet." << Qt::endl;
    return 0;
}
