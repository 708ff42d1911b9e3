// The panel's entry point: the application, its windows, and the event loop until the main
// window closes. Arguments: --language-template FILE writes a translator's starting file instead
// of showing the panel; --status opens the status window over the main window (the Archiver's
// notifications start the panel so). Nothing else on the command line changes what the panel
// does. A second panel on the same prefix only brings the first forward (with its status window
// when started with --status).
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"
#include "gui/shell/languagetemplate.h"
#include "gui/shell/panelinstance.h"

#include <QApplication>
#include <QTimer>

#include <cstring>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--language-template") == 0)
        return RunLanguageTemplate(argc, argv);
    const bool status = argc >= 2 && std::strcmp(argv[1], "--status") == 0;
    QApplication app(argc, argv);
    // The panel's windows stay alive while hidden; the program ends when the main window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // One panel per prefix: a second start brings the first one to the front and ends.
    PanelInstance instance;
    if (instance.anotherRuns()) {
        instance.bringOtherToFront(status);
        return 0;
    }
    DunlivoPanel panel;
    if (!panel.create())
        return 1;
    instance.listen(panel.App_user_window(), [&panel] { panel.showStatusWindow(); });
    // Once the main window shows and the event loop runs.
    if (status)
        QTimer::singleShot(0, &panel, [&panel] { panel.showStatusWindow(); });
    return panel.run();
}
