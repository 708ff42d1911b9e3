// NewFoldersOffer: the panel's offer of the new folders the Archiver found under fully listed
// folders (the setting NewFolders), one question per parent folder: after the main window's first
// activation, and whenever the window becomes active again with the findings changed. Yes adds the
// folders with their subdirectories and the parent's extension set to the list being edited, as
// the archive list page adds a folder, and saves it; No declines them for good (DeclinedFolders).
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class PanelDialogs;
class TApp_user_window;
class TFindFile;

namespace newfolders {
struct Offer;
}

class NewFoldersOffer : public QObject
{
    Q_OBJECT

public:
    // Made a child of main; dialogs asks and shows the progress.
    NewFoldersOffer(TApp_user_window &main, PanelDialogs &dialogs);
    ~NewFoldersOffer() override;

    // Asks about the findings when they changed since the last look (always at the first), unless
    // the list is not loaded yet or another window is waiting for an answer.
    void check();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkSoon();
    void offer(const newfolders::Offer &offer);

    TApp_user_window &m_main;
    PanelDialogs &m_dialogs;
    std::unique_ptr<TFindFile> m_walker;
    QString m_lastFound;
    bool m_looked = false;
    bool m_asking = false;
};
