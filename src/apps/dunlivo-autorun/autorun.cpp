// dunlivo-autorun: started by the desktop at log-in (an XDG autostart entry), it starts every
// command of the prefix's Run key as Windows does at log-in, each through WinExec, and ends. The
// Archiver thus starts with "-d" exactly while the panel's autostart entry is there.
//
// Each command started is written to standard output, each one that fails to standard error;
// the exit code is 0 when every command started.
#include "runkey.h"

#include "core/platform/winexec.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    int failures = 0;
    for (const QString &command : RunKeyCommands()) {
        const win::UINT rc = win::WinExec(command, win::SW_SHOWNORMAL);
        if (rc > 31) {
            out << "started: " << command << Qt::endl;
        } else {
            err << "dunlivo-autorun: cannot start " << command << " (" << rc << ")" << Qt::endl;
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
