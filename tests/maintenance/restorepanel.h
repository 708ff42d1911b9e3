// A whole panel for restore tests: an origin drive T: and an archive drive E: of the test's own,
// the restore window opened as a user opens it, and the answering of its questions and boxes.
#pragma once

#include "testdrive.h"
#include "testfiles.h"
#include "testpanel.h"

#include "core/archivelist/treelist.h"
#include "gui/archivelist/treelistview.h"
#include "gui/archiverwindows/man_archf.h"
#include "gui/restore/rewritef.h"
#include "gui/restore/versionsf.h"
#include "gui/shell/settingspage.h"

#include <QListWidget>
#include <QPair>

// Answers every question Yes while it lives; questions() are the ones asked so far.
struct YesToAll
{
    YesToAll() { Question::setNextAnswers(QList<bool>(1000, true)); }
    ~YesToAll() { takeQuestions(); }
    QStringList questions() const { return Question::askedQuestions(); }
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

// Runs body in the find and versions window as soon as open has opened it, then goes back.
inline bool inVersionsWindow(const std::function<void()> &open, const std::function<void(TversionsF *)> &body)
{
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *window = qobject_cast<TversionsF *>(QApplication::activeModalWidget());
        if (!window || ran)
            return;
        ran = true;
        poll.stop();
        body(window);
        clickControl(window, "SpeedButton1");
    });
    poll.start(5);
    open();
    return ran;
}

// The boxes shown, without the report that closes each restore command.
inline QList<QPair<QString, QString>> failureBoxes(const InfoLog &log)
{
    QList<QPair<QString, QString>> found;
    for (const auto &box : log.boxes) {
        if (!box.first.startsWith(QStringLiteral("Files restored:")))
            found.append(box);
    }
    return found;
}

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
