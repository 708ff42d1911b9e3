// The panel's entry point: the application, its windows, and the event loop until the main
// window closes. The one command line argument is --language-template FILE, which writes a
// translator's starting file instead of showing the panel; nothing else on the command line
// changes what the panel does.
#include "application.h"
#include "languagetemplate.h"

#include <QApplication>

#include <cstring>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--language-template") == 0)
        return RunLanguageTemplate(argc, argv);
    QApplication app(argc, argv);
    // The panel's windows stay alive while hidden; the program ends when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    DunlivoPanel panel;
    if (!panel.create())
        return 1;
    return panel.run();
}
