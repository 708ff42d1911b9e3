// PanelInstance: one panel per prefix. The first panel holds a lock in the prefix and owns a
// findable window; a second start finds that window, asks the first panel to come to the front
// (and, when asked to, to open its status window), and ends without touching the list or the
// settings (two panels would overwrite each other's list edits).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace win {
class MessageWindow;
}

class PanelInstance : public QObject
{
    Q_OBJECT

public:
    // The window a running panel is found by.
    static const QString kWindowClass;
    static const QString kWindowTitle;

    // Takes the prefix's panel lock when it is free and makes the findable window. A prefix that
    // cannot be used takes no lock: the panel itself then shows why.
    PanelInstance();
    ~PanelInstance() override;
    PanelInstance(const PanelInstance &) = delete;
    PanelInstance &operator=(const PanelInstance &) = delete;

    // True when another panel holds this prefix.
    bool anotherRuns() const { return m_anotherRuns; }

    // Asks the other panel to bring its window to the front, and with status to open its status
    // window, waiting a few seconds for its window when it is still starting. False (with a line
    // on stderr) when it cannot be reached.
    bool bringOtherToFront(bool status = false) const;

    // From now on a request brings this window (and a modal window open over it) to the front, and
    // one for the status window calls showStatus then; a request that came while the panel was
    // being built is answered now.
    void listen(QWidget *window, std::function<void()> showStatus = {});

private:
    void comeToFront();
    void answer();

    int m_lockFd = -1;
    bool m_anotherRuns = false;
    bool m_requested = false;
    bool m_statusRequested = false;
    std::function<void()> m_showStatus;
    std::unique_ptr<win::MessageWindow> m_window;
    QPointer<QWidget> m_main;
};
