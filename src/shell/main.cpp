// The panel's entry point: the application, its windows, and the event loop until the main
// window closes. No command line argument changes what the panel does.
#include "application.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The panel's windows stay alive while hidden; the program ends when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    DunlivoPanel panel;
    if (!panel.create())
        return 1;
    return panel.run();
}
