// TrewriteF: the restore window. So far it shows the archive list kept in the chosen archive
// under its heading, and registers the texts of the restore (the state code texts among them,
// which the status window shows); the file list and the restore commands come later.
#pragma once

#include "appearance/panelwindow.h"

class QLabel;
class QToolButton;
class TTreeListView;

class TrewriteF : public TPanelWindow
{
    Q_OBJECT

public:
    explicit TrewriteF(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;            // heading: which archive the restore reads
    TTreeListView *TLrewrite = nullptr;  // the archive list kept in that archive
    QToolButton *SpeedButton1 = nullptr; // back: closes this window and the chooser behind it
    // The side shown: true for the primary archive, false for the secondary one.
    bool Primary = true;

    // Clears the file list of the directory chosen in the tree.
    void ClearFileList();

    void SpeedButton1Click();

private:
    void registerDefaults();
    void applyTexts();
};
