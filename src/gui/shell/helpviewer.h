// Opening the help page with the registered viewer, and noticing when that fails: the command
// cannot be started, or it ends with a failure (xdg-open without a handler for the page, a viewer
// that cannot open it). The viewer runs on by itself: it outlives the panel and is never waited for.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class HelpViewer : public QObject
{
    Q_OBJECT
public:
    explicit HelpViewer(QObject *parent = nullptr);
    ~HelpViewer() override;

    // Runs a Windows command line (as WinExec does) that opens page. failed is emitted, at once or
    // later, when it cannot start or ends with a non-zero exit or a signal.
    void open(const QString &commandLine, const QString &page);

Q_SIGNALS:
    void failed(const QString &page);

private:
    struct Watch;
    void finished(Watch *watch);

    std::vector<std::unique_ptr<Watch>> m_watches;
};
