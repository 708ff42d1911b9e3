// Which subfolders of a listed folder are new (made after the list was chosen, under a folder whose
// whole tree is listed), and how the found folders are grouped into one offer per parent folder.
#include "testmain.h"

#include "core/archivelist/newfolders.h"

#include <QRegularExpression>
#include <QTest>

using namespace newfolders;

namespace {

// "name:made" (made relative to the list's time 100), "name=listed", "name!made" (ignored).
std::vector<Subfolder> subfolders(const QStringList &rows)
{
    std::vector<Subfolder> subs;
    for (const QString &row : rows) {
        Subfolder sub;
        const qsizetype at = row.indexOf(QRegularExpression(QStringLiteral("[:=!]")));
        sub.name = row.left(at);
        sub.listed = row.at(at) == QLatin1Char('=');
        sub.ignored = row.at(at) == QLatin1Char('!');
        sub.madeNs = row.mid(at + 1).toLongLong();
        subs.push_back(sub);
    }
    return subs;
}

} // namespace

class TestNewFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newSubfolders_data()
    {
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("every subfolder listed") << QStringList{"A=50", "B=150"} << QStringList{};
        QTest::newRow("made after the list") << QStringList{"A=50", "New:101"} << QStringList{"New"};
        QTest::newRow("several, each on top")
            << QStringList{"N1:200", "A=50", "N2:300"} << QStringList{"N1", "N2"};
        QTest::newRow("made as the list was written") << QStringList{"A=50", "Same:100"} << QStringList{};
        // An older unlisted folder was left out on purpose: nothing below that folder is offered.
        QTest::newRow("partly listed") << QStringList{"New:200", "Old:99", "A=50"} << QStringList{};
        QTest::newRow("hidden, archive or declined")
            << QStringList{"Old!10", "New:200"} << QStringList{"New"};
        QTest::newRow("no subfolder") << QStringList{} << QStringList{};
    }
    void newSubfolders()
    {
        QFETCH(QStringList, found);
        QFETCH(QStringList, expected);
        QCOMPARE(newfolders::newSubfolders(subfolders(found), 100), expected);
    }

    void groupOffers_data()
    {
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("declined");
        QTest::addColumn<QStringList>("offers");
        QTest::newRow("one parent") << "C:\\Docs\\A\nC:\\Docs\\B"
                                    << "" << QStringList{"C:\\Docs: A, B"};
        QTest::newRow("parents in the order found") << "C:\\Docs\\A\r\nD:\\Pics\\X\n\nC:\\docs\\B\n"
                                                    << "" << QStringList{"C:\\Docs: A, B", "D:\\Pics: X"};
        QTest::newRow("a drive's root") << "C:\\New"
                                        << "" << QStringList{"C:\\: New"};
        QTest::newRow("declined, in any case") << "C:\\Docs\\A\nC:\\Docs\\B"
                                               << "c:\\DOCS\\a" << QStringList{"C:\\Docs: B"};
        QTest::newRow("repeats") << "C:\\Docs\\A\nC:\\DOCS\\A"
                                 << "" << QStringList{"C:\\Docs: A"};
        QTest::newRow("all declined") << "C:\\Docs\\A"
                                      << "X:\\Y\nC:\\Docs\\A" << QStringList{};
        QTest::newRow("no folder") << "C:"
                                   << "" << QStringList{};
    }
    void groupOffers()
    {
        QFETCH(QString, found);
        QFETCH(QString, declined);
        QFETCH(QStringList, offers);
        QStringList grouped;
        for (const Offer &offer : newfolders::groupOffers(settingLines(found), settingLines(declined))) {
            QStringList names;
            for (const QString &folder : offer.folders)
                names.append(
                    folder.mid(offer.parent.size() + (offer.parent.endsWith(QLatin1Char('\\')) ? 0 : 1)));
            grouped.append(offer.parent + QStringLiteral(": ") + names.join(QStringLiteral(", ")));
        }
        QCOMPARE(grouped, offers);
    }

    // Declining adds without repeats and keeps the newest when the list grows too long.
    void declinedStayBounded()
    {
        QStringList many;
        for (int i = 0; i < kMaxDeclined; ++i)
            many.append(QStringLiteral("C:\\F%1").arg(i));
        const QStringList kept = withDeclined(many, {QStringLiteral("c:\\f5"), QStringLiteral("C:\\New")});
        QCOMPARE(kept.size(), kMaxDeclined);
        QCOMPARE(kept.first(), QStringLiteral("C:\\F1"));
        QCOMPARE(kept.last(), QStringLiteral("C:\\New"));
        QVERIFY(kept.contains(QStringLiteral("C:\\F5")));
    }
};

DUNLIVO_CORE_TEST_MAIN(TestNewFolders)
#include "tst_newfolders.moc"
