// ext.lst: the line endings it is read with, the bytes it is written as, and writes that fail.
#include "testfiles.h"
#include "testmain.h"

#include "core/archivelist/extlistfile.h"
#include "core/platform/codepage.h"
#include "core/platform/paths.h"
#include "core/platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TestExtListFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString host() const { return m_dir.filePath(QStringLiteral("ext.lst")); }
    QString windows() const { return win::ToWindowsPath(host()); }

private Q_SLOTS:
    void readsEveryLineEnding()
    {
        QCOMPARE(readExtList(win::ToWindowsPath(m_dir.filePath(QStringLiteral("none.lst")))), std::nullopt);
        writeFile(host(), QByteArray());
        QCOMPARE(readExtList(windows()), QStringList());
        writeFile(host(), ".doc\r\n.xls\n.txt\r\r\n.bmp");
        QCOMPARE(readExtList(windows()), (QStringList{".doc", ".xls", ".txt", QString(), ".bmp"}));
        QVERIFY_THROWS_EXCEPTION(ListFileError, readExtList(win::ToWindowsPath(m_dir.path())));
        // The file's byte-order mark goes; an entry that begins with U+FEFF is written and read back whole.
        writeFile(host(), "\xEF\xBB\xBF.doc\r\n");
        QCOMPARE(readExtList(windows()), QStringList{".doc"});
        for (const QStringList &entries : {QStringList{".a", QChar(0xFEFF) + QStringLiteral(".b")},
                                           QStringList{QChar(0xFEFF) + QStringLiteral(".b"), ".a"}}) {
            writeExtList(windows(), entries);
            QCOMPARE(readExtList(windows()), entries);
        }
    }

    void writesCrLfInTheCodePage()
    {
        TestPrefix prefix;
        TestPrefix::setCodePage("1252");

        const QStringList entries{QStringLiteral(".doc"), QStringLiteral(".café"), QString(),
                                  QStringLiteral(".*")};
        writeExtList(windows(), entries);
        QCOMPARE(readFile(host()), QByteArray(".doc\r\n.caf\xE9\r\n\r\n.*\r\n"));
        QCOMPARE(readExtList(windows()), entries);
        writeExtList(windows(), {});
        QCOMPARE(readFile(host()), QByteArray());

        // Entries the file cannot hold are refused before anything is written.
        writeExtList(windows(), {QStringLiteral(".keep")});
        QVERIFY_THROWS_EXCEPTION(ListFileError,
                                 writeExtList(windows(), {QStringLiteral(".ok"), QStringLiteral(".ő")}));
        QVERIFY_THROWS_EXCEPTION(ListFileError, writeExtList(windows(), {QStringLiteral(".a\r\n.b")}));
        QCOMPARE(readFile(host()), QByteArray(".keep\r\n"));

        // A write that fails is reported (what stays is the list file's test).
        QFile::setPermissions(host(), QFile::ReadOwner);
        QVERIFY_THROWS_EXCEPTION(ListFileError, writeExtList(windows(), {QStringLiteral(".new")}));
    }
};

DUNLIVO_TEST_MAIN(TestExtListFile)
#include "tst_extlistfile.moc"
