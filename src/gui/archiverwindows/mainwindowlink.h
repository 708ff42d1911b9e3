// MainWindowLink: what the Archiver's windows (status, manual archiving, wait) need of the main
// window: where it stands, its layout, its shared values and its messages. The main window gives
// an implementation to each of them when the panel is created.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>

class Communicator;
class ConfigError;
class TTreeList;
class Tconfig;
class TrewriteF;

class MainWindowLink
{
public:
    virtual ~MainWindowLink() = default;

    // The main window's top-left corner on the screen (Left, Top).
    virtual QPoint mainWindowPosition() const = 0;
    // The large layout is active.
    virtual bool zoomedIn() const = 0;
    // Where the last press on an opening button was, inside that button (PressX, PressY).
    virtual QPoint pressPosition() const = 0;

    // Settings changed on the settings page and not yet saved.
    virtual bool settingsChanged() const = 0;
    // The settings page's confirmation box is checked (its current state, saved or not).
    virtual bool confirmationOn() const = 0;
    // Saves every setting, as the save button does.
    virtual void saveSettings() = 0;
    // The archive folder name of a side (1 primary, 2 secondary) with its leading backslash.
    virtual QString dirName(int side) const = 0;
    // The archive list as the main window holds it.
    virtual const TTreeList &archiveList() const = 0;
    // The main window's settings store.
    virtual Tconfig &config() = 0;
    virtual Communicator &communicator() = 0;
    virtual TrewriteF *restoreWindow() const = 0;

    // The text of a key in the language in force.
    virtual QString text(const QString &key) const = 0;
    // Shows two lines in the information window and waits until it is closed.
    virtual void showInfo(const QString &firstLine, const QString &secondLine) = 0;
    // Runs a handler's body; a registry failure is shown and abandons the rest. False then.
    virtual bool guarded(const std::function<void()> &body) = 0;
};
