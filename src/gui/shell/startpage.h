// StartPage: the main window's start page: the archive list as it is saved, the language and
// texture buttons with their pictures, the status button and light with a health line per side
// under them, the logo and the about picture.
#pragma once

#include "core/archiveinfo/health.h"
#include "gui/appearance/kovapanel.h"

#include <QImage>

#include <array>
#include <functional>
#include <future>

class QLabel;
class QPixmap;
class QTimer;
class QToolButton;
class TMouseMove;
class TTreeList;
class TTreeListView;
class ZoomPlacements;

class StartPage : public TKovaPanel
{
    Q_OBJECT

public:
    StartPage(QWidget *parent, TkovaProvider *provider, ZoomPlacements &placements);

    // The archive list the page shows.
    TTreeList *list() const;
    // The texts of the language in force; text gives the text of a key.
    void applyTexts(const std::function<QString(const char *)> &text);
    // Shows the flag of the language in force; the picture takes the flag's size.
    void showFlag(const QImage &flag);
    // The logo: archiv.dat in the program folder when it is a readable bitmap, else the built-in one.
    void loadLogo(const QString &programDir);
    static QPixmap builtInLogo();
    void setStatusLight(const QPixmap &light);
    // A side's health line (tooltip: the side's name and the whole line); busy says a run is under
    // way on either side, which makes the refreshes more frequent.
    void showHealth(Side side, const QString &sideName, const archiver::HealthLine &line);
    void setHealthBusy(bool busy);
    // The list's size in the normal or the large layout.
    void setLarge(bool large);
    // Puts the unlit about picture back (the pointer has left it).
    void showAboutUnlit();
    // The logo and the caption drag the window as its surface does.
    void letDrag(TMouseMove *mover);

Q_SIGNALS:
    void languageRequested();
    void textureRequested();
    void statusRequested();
    void aboutRequested();
    // Time to refresh the health lines: while the page is visible, and when it is shown.
    void healthRefreshDue();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    ZoomPlacements &m_placements;
    QLabel *m_listCaption;
    TTreeListView *m_listView;
    QLabel *m_logo;
    QToolButton *m_languageButton;
    QLabel *m_flag;
    QToolButton *m_textureButton;
    QLabel *m_texturePicture;
    QToolButton *m_statusButton;
    QLabel *m_statusLight;
    QLabel *m_primaryHealth;
    QLabel *m_secondaryHealth;
    QTimer *m_healthTimer;
    QLabel *m_about;
    QLabel *m_litAbout;
    std::future<std::array<QImage, 2>> m_aboutPictures;
};
