// TverifyF: the check of one archive side. It runs the Archiver's check (archiv --verify <side>,
// the archiv beside the panel) as a child process, lists its findings as they come, and ends with
// a result line. Closing the window at any time stops the check.
#pragma once

#include "core/settings/settings.h"
#include "gui/appearance/panelwindow.h"

class QLabel;
class QListWidget;
class QProcess;

class TverifyF : public TPanelWindow
{
    Q_OBJECT

public:
    // programDir: the panel's program folder (Windows path), where archiv is found; texts: the
    // provider whose language gives this window's texts (the status window's).
    TverifyF(Side side, QString programDir, TkovaProvider &texts, QWidget *parent = nullptr);
    ~TverifyF() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void startCheck();
    void takeOutput();
    void checkEnded(int exitCode);
    void stopCheck();

    Side m_side;
    QString m_programDir;
    QLabel *headingLabel = nullptr;
    QListWidget *findingsList = nullptr;
    QLabel *resultLabel = nullptr;
    QProcess *m_process = nullptr;
    QByteArray m_pending;
    qint64 m_files = 0;
    qint64 m_findings = 0;
};
