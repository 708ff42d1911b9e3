// PanelDialogs: the panel's common dialogs as its windows use them: a question, an information
// box, the progress window and the report of a registry failure. The shell implements it over its
// confirmation, information and progress windows and gives it to every window it creates.
#pragma once

#include <QString>

#include <functional>

class ConfigError;

class PanelDialogs
{
public:
    virtual ~PanelDialogs() = default;

    // Asks a question in the confirmation window; true for Yes. With delayedYes the Yes button
    // is enabled only after a short delay.
    virtual bool ask(const QString &first, const QString &second, bool delayedYes) = 0;
    // Shows two lines in the information window and waits until it is closed.
    virtual void inform(const QString &first, const QString &second) = 0;
    // Shows the progress window with a line, or changes the line while it shows; and its end.
    virtual void showProgress(const QString &line) = 0;
    virtual void progressDone() = 0;
    // Shows a registry failure.
    virtual void registryFailed(const ConfigError &error) = 0;

    // Runs a body that reads or writes the registry; a failure is shown and abandons the rest.
    // False then.
    bool guarded(const std::function<void()> &body);
};
