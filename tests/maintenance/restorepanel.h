// A whole panel for restore tests: an origin drive T: and an archive drive E: of the test's own,
// the restore window opened through the settings page's Restore button and the side chooser, and
// the answering of every question and information box shown meanwhile.
#pragma once

#include "findcontrol.h"
#include "testdrive.h"
#include "testfiles.h"
#include "testpanel.h"

#include "core/archivelist/treelist.h"
#include "gui/archivelist/treelistview.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/restore/rewritef.h"
#include "gui/shell/settingspage.h"

#include <QListWidget>
#include <QPair>

// Answers every information box while it lives, keeping their lines in order.
class InfoLog : public QObject
{
public:
    explicit InfoLog(Tinfo1F *info) : m_info(info)
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (QApplication::activeModalWidget() != m_info || !m_info->isVisible())
                return;
            boxes.append({m_info->Label1->text(), m_info->Label2->text()});
            QTest::mouseClick(m_info->SpeedButton1, Qt::LeftButton);
        });
        m_poll.start(5);
    }
    QList<QPair<QString, QString>> boxes;
    QStringList firstLines() const
    {
        QStringList lines;
        for (const auto &box : boxes)
            lines.append(box.first);
        return lines;
    }

private:
    Tinfo1F *m_info;
    QTimer m_poll;
};

// Answers every question of the confirmation window with yes or no while it lives, keeping them.
class AutoAnswer : public QObject
{
public:
    AutoAnswer(Tconfirm1F *confirm, bool yes) : m_confirm(confirm)
    {
        connect(&m_poll, &QTimer::timeout, this, [this, yes] {
            if (QApplication::activeModalWidget() != m_confirm || !m_confirm->isVisible())
                return;
            questions.append(m_confirm->Label1->text());
            QTest::mouseClick(yes ? m_confirm->SpeedButton1 : m_confirm->SpeedButton2, Qt::LeftButton);
        });
        m_poll.start(5);
    }
    QStringList questions;

private:
    Tconfirm1F *m_confirm;
    QTimer m_poll;
};

class RestorePanel : public TestPanel
{
public:
    RestorePanel()
    {
        origin = m_origin.path();
        archive = m_archive.path();
        mapTestDrive("t", origin);
        mapTestDrive("e", archive);
        settings().WriteString(QStringLiteral("Celutvonal"), QStringLiteral("E:\\"));
        settings().WriteString(QStringLiteral("Celutvonal2"), QStringLiteral("E:\\"));
    }

    // A host path below the origin drive T: or the archive drive E:.
    QString t(const QString &relative) const { return origin + QLatin1Char('/') + relative; }
    QString e(const QString &relative) const { return archive + QLatin1Char('/') + relative; }

    // Opens the restore window of a side as a user does, runs body in it and goes back.
    bool inRestoreWindow(int side, const std::function<void(TrewriteF *)> &body)
    {
        Tman_archF *manual = panel->man_archF();
        TrewriteF *rewrite = panel->rewriteF();
        bool ran = false;
        whenModal(manual, [=] { clickControl(manual, side == 1 ? "SpeedButton2" : "SpeedButton3"); });
        whenModal(rewrite, [=, &ran] {
            body(rewrite);
            ran = true;
            clickControl(rewrite, "SpeedButton1");
        });
        main->showPage(3);
        QTest::mouseClick(control<QToolButton>(main, "SpeedButton19"), Qt::LeftButton);
        return ran && !manual->isVisible() && !rewrite->isVisible();
    }

    QString origin;
    QString archive;

private:
    QTemporaryDir m_origin;
    QTemporaryDir m_archive;
};

// The node of a path of names below the top of a list, or null.
inline TreeListNode *nodeAt(TTreeList *list, const QStringList &names)
{
    TreeListNode *node = nullptr;
    for (const QString &name : names) {
        const int count = node ? node->childCount() : list->topLevelCount();
        TreeListNode *found = nullptr;
        for (int i = 0; i < count && !found; ++i) {
            TreeListNode *child = node ? node->child(i) : list->topLevelNode(i);
            if (TTreeList::NodeName(child) == name)
                found = child;
        }
        if (!found)
            return nullptr;
        node = found;
    }
    return node;
}
