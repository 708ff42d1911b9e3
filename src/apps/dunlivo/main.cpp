// The panel's entry point: the application, its windows, and the event loop until the main
// window closes. The one command line argument is --language-template FILE, which writes a
// translator's starting file instead of showing the panel; nothing else on the command line
// changes what the panel does. A second panel on the same prefix only brings the first forward.
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/languagetemplate.h"
#include "gui/shell/panelinstance.h"

#include <QApplication>

#include <cstring>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--language-template") == 0)
        return RunLanguageTemplate(argc, argv);
    QApplication app(argc, argv);
    // The panel's windows stay alive while hidden; the program ends when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // One panel per prefix: a second start brings the first one to the front and ends.
    PanelInstance instance;
    if (instance.anotherRuns()) {
        instance.bringOtherToFront();
        return 0;
    }
    DunlivoPanel panel;
    if (!panel.create())
        return 1;
    instance.listen(panel.App_user_window());
    return panel.run();
}
