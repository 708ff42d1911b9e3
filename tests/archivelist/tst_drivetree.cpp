// The browsing models of the archive list page: the drive tree (pseudo-root, drives of the prefix,
// lazy reading, order, hidden and system folders, opening at a path) and the file list of a folder.
#include "testdrive.h"
#include "testfiles.h"
#include "testmain.h"

#include "core/archivelist/drivetree.h"
#include "core/archivelist/folderfiles.h"

#include <QTemporaryDir>

namespace {

QStringList childNames(const QAbstractItemModel &model, const QModelIndex &parent = {})
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names.append(model.index(row, 0, parent).data().toString());
    return names;
}

} // namespace

class TestDriveTree : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_drive.isValid());
        makeFolders(m_drive.path(), {"Beta", "alpha/deep", "Gamma", ".dot", "Sys", "Hid", "empty"});
        makeFiles(m_drive.path(), {"b.txt", "A.doc", ".dotfile", "Hidden.txt", "alpha/in.txt"});
        setDosAttrib(m_drive.path() + QStringLiteral("/Sys"), "0x4");
        setDosAttrib(m_drive.path() + QStringLiteral("/Hid"), "0x2");
        setDosAttrib(m_drive.path() + QStringLiteral("/Hidden.txt"), "0x2");
        mapTestDrive("t", m_drive.path());
    }

    void driveTree()
    {
        TDriveTreeModel model;
        QCOMPARE(model.rowCount(), 1);
        const QModelIndex root = model.index(0, 0);
        QCOMPARE(root.data().toString(), QStringLiteral("Drives"));
        QCOMPARE(model.pathOf(QModelIndex()), QStringLiteral("Drives"));
        // The drives of the prefix in letter order.
        QCOMPARE(childNames(model, root), (QStringList{"C:\\", "T:\\", "Z:\\"}));

        // A drive is read only when asked; folders sorted without regard to case; hidden and
        // system folders and files left out.
        const QModelIndex t = model.indexOfPath(QStringLiteral("T:\\"));
        QCOMPARE(model.pathOf(t), QStringLiteral("T:\\"));
        QVERIFY(model.hasChildren(t));
        QVERIFY(model.canFetchMore(t));
        QCOMPARE(model.rowCount(t), 0);
        model.fetchMore(t);
        QVERIFY(!model.canFetchMore(t));
        QCOMPARE(childNames(model, t), (QStringList{"alpha", "Beta", "empty", "Gamma"}));
        const QModelIndex alpha = model.index(0, 0, t);
        QCOMPARE(model.pathOf(alpha), QStringLiteral("T:\\alpha"));
        QCOMPARE(model.parent(alpha), t);
        // An empty folder loses its expander once read.
        const QModelIndex empty = model.index(2, 0, t);
        QVERIFY(model.hasChildren(empty));
        model.fetchMore(empty);
        QVERIFY(!model.hasChildren(empty));

        // Opening at a path: any case, a missing part gives the deepest folder found, the
        // pseudo-root for "Drives", an empty path or an unmapped drive.
        QCOMPARE(model.pathOf(model.indexOfPath(QStringLiteral("t:\\ALPHA\\Deep\\"))),
                 QStringLiteral("T:\\alpha\\deep"));
        QCOMPARE(model.pathOf(model.indexOfPath(QStringLiteral("T:\\alpha\\missing\\x"))),
                 QStringLiteral("T:\\alpha"));
        QCOMPARE(model.pathOf(model.indexOfPath(QStringLiteral("T:\\Sys"))), QStringLiteral("T:\\"));
        QCOMPARE(model.indexOfPath(QString()), root);
        QCOMPARE(model.indexOfPath(QStringLiteral("Q:\\Data")), root);
    }

    void fileList()
    {
        TFileListModel model;
        // Every file, hidden ones too, no folders; the folder ends in a backslash.
        model.setFolder(QStringLiteral("T:\\"));
        QCOMPARE(model.folder(), QStringLiteral("T:\\"));
        QCOMPARE(childNames(model), (QStringList{".dotfile", "A.doc", "b.txt", "Hidden.txt"}));
        model.setFolder(QStringLiteral("T:\\alpha"));
        QCOMPARE(model.folder(), QStringLiteral("T:\\alpha\\"));
        QCOMPARE(childNames(model), QStringList{"in.txt"});

        model.setFolder(QStringLiteral("T:\\no such folder"));
        QCOMPARE(model.rowCount(), 0);
    }

private:
    QTemporaryDir m_drive;
};

DUNLIVO_CORE_TEST_MAIN(TestDriveTree)
#include "tst_drivetree.moc"
