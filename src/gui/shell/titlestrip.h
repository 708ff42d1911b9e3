// TitleStrip: the main window's own buttons around its pages: help, minimise, zoom and close at
// the top right, the three page buttons at the top left, manual archiving and Close at the bottom.
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QToolButton;
class TKovaPanel;
class ZoomPlacements;

class TitleStrip : public QObject
{
    Q_OBJECT

public:
    TitleStrip(TKovaPanel *surface, ZoomPlacements &placements);

    void applyTexts(const std::function<QString(const char *)> &text, bool large);
    // Marks the page button of a page (1 to 3).
    void setPage(int page);
    // The zoom button's picture and hint, and the top right buttons' places, for a layout;
    // moved: the buttons move by the width the large layout adds.
    void setLarge(bool large, bool moved, const QString &zoomHint);
    // A screen too narrow for the large layout: no zoom button, the others close up.
    void setNarrow(bool narrow);

Q_SIGNALS:
    void helpRequested();
    void minimiseRequested();
    void zoomRequested();
    void closeRequested(); // the X at the top right
    void exitRequested();  // Close at the bottom
    void pageRequested(int page);
    void manualArchivingRequested();
    // The manual archiving button was pressed at this point of it.
    void buttonPressed(QPoint at);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *m_helpButton;
    QToolButton *m_minimiseButton;
    QToolButton *m_zoomButton;
    QToolButton *m_closeTitleButton;
    QToolButton *m_pageButtons[3];
    QToolButton *m_manualArchivingButton;
    QToolButton *m_closeButton;
};
