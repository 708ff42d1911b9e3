// The programs that the panel benchmark starts and times.
//   panel-child panel <programDir>  builds the whole panel as the program does and shows it;
//                                   prints "painted" at the main window's first paint
//   panel-child rss <programDir>    the same, then waits for the first activation (which loads
//                                   afiles.lst) and prints "rss <kB>"
//   panel-child minimal             one plain window; prints "painted" at its first paint
// Any other first argument ends at once: the program is only ever started by the benchmark.
#include "gui/shell/app_user_window.h"
#include "gui/shell/application.h"

#include "gui/appearance/kovapanel.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// Prints a line at the watched window's first paint, and leaves when asked to.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(bool quit) : m_quit(quit) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint) {
            m_seen = true;
            std::printf("painted\n");
            std::fflush(stdout);
            if (m_quit)
                QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_quit;
    bool m_seen = false;
};

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("minimal")) {
        QWidget window;
        window.resize(633, 428);
        FirstPaint watcher(true);
        window.installEventFilter(&watcher);
        window.show();
        return app.exec();
    }

    if (mode != QLatin1String("panel") && mode != QLatin1String("rss"))
        return 2;

    PanelOptions options;
    options.programDir = args.value(2);
    DunlivoPanel panel(options);
    if (!panel.create())
        return 1;
    TApp_user_window *main = panel.App_user_window();
    FirstPaint watcher(mode == QLatin1String("panel"));
    // The window is covered by its textured surface, which is what paints first.
    main->installEventFilter(&watcher);
    main->findChild<QWidget *>(QStringLiteral("KovaPanel1"))->installEventFilter(&watcher);
    if (mode == QLatin1String("rss")) {
        auto *poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, &app, [main] {
            if (!main->activatedOnce() || main->loadingSettings())
                return;
            std::printf("rss %ld\n", residentKilobytes());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        poll->start(20);
    }
    main->show();
    return app.exec();
}
