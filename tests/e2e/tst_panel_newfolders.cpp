// New folders end to end: the real archiv notes the folders made since the list was chosen under
// fully listed folders (not under a partly listed one, not hidden ones, not an archive folder),
// also after the list is written again unchanged and the Archiver restarted, and never archives its archive
// folder into itself; the panel offers them once per parent folder, adds them with the parent's set and saves
// the list, and does not offer a refused one again.
#include "archiverprogram.h"
#include "testfiles.h"
#include "testmain.h"
#include "testpanel.h"

#include "core/archivelist/newfolders.h"
#include "core/archivelist/treelist.h"
#include "core/platform/prefix.h"

#include <QDirIterator>
#include <QFileInfo>

#include <cstring>

using namespace win;

class TestPanelNewFolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void notedByTheArchiverOfferedByThePanel()
    {
        TestPanel p;
        ArchiverProgram program;
        p.programDir = ToWindowsPath(program.folder());
        QTemporaryDir work;
        const auto at = [&](const QString &relative) { return work.path() + QLatin1Char('/') + relative; };
        const auto winPath = [&](const QString &relative) { return ToWindowsPath(at(relative)); };
        for (const char *folder : {"Docs/A", "Docs/Dest", "Docs/Dest2", "Partly/Old", "Pics/P1"})
            QVERIFY(QDir().mkpath(at(QLatin1String(folder))));
        TTreeList list;
        for (const char *folder :
             {"Docs", "Docs/A", "Docs/Dest", "Docs/Dest/Archive1", "Docs/Dest2", "Partly"})
            list.AddDir(winPath(QLatin1String(folder)),
                        QLatin1String(strstr(folder, "Archive") ? ".*" : ".txt"));
        list.AddDir(winPath(QStringLiteral("Pics")), QStringLiteral(".jpg"));
        list.AddDir(winPath(QStringLiteral("Pics/P1")), QStringLiteral(".jpg"));
        writeFile(program.listFile(), list.ListFileBytes());
        setArchiveSide(1, at(QStringLiteral("Docs/Dest")), false);
        setArchiveSide(2, at(QStringLiteral("Docs/Dest2")), false);

        // Made once the clock has passed the list's time.
        const qint64 listNs = modificationNs(program.listFile());
        const QString probe = at(QStringLiteral("probe"));
        QVERIFY(QTest::qWaitFor([&] {
            QDir().mkdir(probe);
            const bool later = QFileInfo(probe).birthTime().toMSecsSinceEpoch() * 1000000 > listNs;
            QDir().rmdir(probe);
            return later;
        }));
        for (const char *folder :
             {"Docs/New/Deeper", "Docs/.hidden", "Docs/Dest2/Archive2", "Partly/N2", "Pics/Holiday"})
            QVERIFY(QDir().mkpath(at(QLatin1String(folder))));

        QVERIFY(program.start());
        const QString found =
            winPath(QStringLiteral("Docs/New")) + '\n' + winPath(QStringLiteral("Pics/Holiday"));
        QCOMPARE(program.archive(1), 0);
        QCOMPARE(Tconfig().ReadList(TextSetting::NewFolders), found);
        // The list written again as it was (the panel does at every start) keeps them new, also
        // for an Archiver started anew; the archive folder listed inside Docs is left out and
        // logged, not archived into itself.
        program.stop();
        writeFile(program.listFile(), readFile(program.listFile()));
        QVERIFY(program.start());
        QCOMPARE(program.archive(1), 0);
        QCOMPARE(Tconfig().ReadList(TextSetting::NewFolders), found);
        const QString root = at(QStringLiteral("Docs/Dest/Archive1"));
        for (QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            QVERIFY2(!it.next().mid(root.size()).contains(QStringLiteral("Archive1")),
                     qPrintable(it.filePath()));
        QVERIFY(readFile(Prefix::logDir() + QStringLiteral("/archiv.log"))
                    .contains(QStringLiteral("lie in the archive folder %1")
                                  .arg(winPath("Docs/Dest/Archive1"))
                                  .toUtf8()));

        // One question per parent: Yes adds the new folder and what lies below it with the
        // parent's set and saves the list; No declines for good, after earlier ones of any length.
        QStringList earlier;
        for (int i = 0; i < 8; ++i)
            earlier.append(QStringLiteral("C:\\Elsewhere\\A folder declined long ago, number %1").arg(i));
        Tconfig().Write(TextSetting::DeclinedFolders, earlier.join('\n'));
        QVERIFY(p.create());
        Question::setNextAnswers({true, false});
        QVERIFY(p.show());
        const QString question =
            QStringLiteral("1 new folder under %1 is not in the archive list. Add it?\n%2");
        QTRY_COMPARE(Question::askedQuestions(), QStringList({question.arg(winPath("Docs"), "New"),
                                                              question.arg(winPath("Pics"), "Holiday")}));
        takeQuestions();
        TTreeList saved;
        saved.LoadFromFile(ToWindowsPath(program.listFile()));
        const TreeListNode *deeper = newfolders::findNode(saved, winPath(QStringLiteral("Docs/New/Deeper")));
        QVERIFY(deeper);
        QCOMPARE(TTreeList::NodeExt(deeper), QStringLiteral(".txt"));
        QCOMPARE(Tconfig().ReadList(TextSetting::DeclinedFolders),
                 (earlier << winPath(QStringLiteral("Pics/Holiday"))).join('\n'));

        // The next start, and the window active again with other findings: the refused folder is
        // not asked about, a newer one is.
        p.panel.reset();
        QVERIFY(p.create());
        Question::setNextAnswers({false, false});
        QVERIFY(p.show());
        QVERIFY(QDir().mkpath(at(QStringLiteral("Pics/Later"))));
        Tconfig().Write(TextSetting::NewFolders, found + '\n' + winPath(QStringLiteral("Pics/Later")));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(p.main, &activate);
        QTRY_COMPARE(Question::askedQuestions(), QStringList({question.arg(winPath("Pics"), "Later")}));
        takeQuestions();
    }
};

DUNLIVO_TEST_MAIN(TestPanelNewFolders)
#include "tst_panel_newfolders.moc"
