// The offer of new folders found under fully listed folders.
#include "newfoldersoffer.h"

#include "app_user_window.h"

#include "core/archivelist/findfile.h"
#include "core/archivelist/listediting.h"
#include "core/archivelist/newfolders.h"
#include "core/archivelist/treelist.h"
#include "core/platform/attributes.h"
#include "core/settings/config.h"
#include "gui/appearance/paneldialogs.h"

#include <QApplication>
#include <QEvent>
#include <QScopedValueRollback>
#include <QTimer>

namespace {

// The names the second line of a question shows; the rest are counted by the first.
constexpr int kShownNames = 5;

bool isFolder(const QString &path)
{
    const win::DWORD attributes = win::GetFileAttributes(path);
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

NewFoldersOffer::NewFoldersOffer(TApp_user_window &main, PanelDialogs &dialogs)
    : QObject(&main), m_main(main), m_dialogs(dialogs), m_walker(std::make_unique<TFindFile>())
{
    connect(&main, &TApp_user_window::activated, this, &NewFoldersOffer::checkSoon);
    main.installEventFilter(this);
}

NewFoldersOffer::~NewFoldersOffer() = default;

bool NewFoldersOffer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_main && event->type() == QEvent::WindowActivate)
        checkSoon();
    return QObject::eventFilter(watched, event);
}

// From the event loop: the activation that calls for it ends first, and the window is painted
// behind the question.
void NewFoldersOffer::checkSoon()
{
    QTimer::singleShot(0, this, &NewFoldersOffer::check);
}

void NewFoldersOffer::check()
{
    if (m_asking || !m_main.activatedOnce() || QApplication::activeModalWidget())
        return;
    const QScopedValueRollback<bool> asking(m_asking, true);
    m_dialogs.guarded([this] {
        const QString found = m_main.config().ReadList(TextSetting::NewFolders);
        if (m_looked && found == m_lastFound)
            return;
        m_looked = true;
        m_lastFound = found;
        const QStringList declined =
            newfolders::settingLines(m_main.config().ReadList(TextSetting::DeclinedFolders));
        for (const newfolders::Offer &each :
             newfolders::groupOffers(newfolders::settingLines(found), declined))
            offer(each);
    });
}

void NewFoldersOffer::offer(const newfolders::Offer &offer)
{
    // The list being edited decides: a parent no longer listed as a whole folder, and folders
    // listed or gone since the Archiver looked, are not asked about.
    TTreeList &list = *m_main.archiveList();
    const TreeListNode *parent = newfolders::findNode(list, offer.parent);
    if (!parent || (parent->imageIndex() != TTreeList::ArchivedDirectoryNode &&
                    parent->imageIndex() != TTreeList::ArchivedDriveNode))
        return;
    const QString extensionSet = TTreeList::NodeExt(parent);
    QStringList folders;
    QStringList names;
    for (const QString &folder : offer.folders) {
        if (newfolders::findNode(list, folder) || !isFolder(folder))
            continue;
        folders.append(folder);
        if (names.size() < kShownNames)
            names.append(folder.mid(folder.lastIndexOf(QLatin1Char('\\')) + 1));
    }
    if (folders.isEmpty())
        return;
    if (folders.size() > kShownNames)
        names.append(QStringLiteral("..."));
    const QString question = folders.size() == 1
                                 ? m_main.textOf(QStringLiteral("NewFolderQuestion")).arg(offer.parent)
                                 : m_main.textOf(QStringLiteral("NewFoldersQuestion"))
                                       .arg(QString::number(folders.size()), offer.parent);
    if (!m_dialogs.ask(question, names.join(QStringLiteral(", ")), false)) {
        const QStringList declined =
            newfolders::settingLines(m_main.config().ReadList(TextSetting::DeclinedFolders));
        m_main.config().Write(TextSetting::DeclinedFolders,
                              newfolders::settingText(newfolders::withDeclined(declined, folders)));
        return;
    }
    m_dialogs.showProgress(m_main.textOf(QStringLiteral("AddDirInfo")));
    for (const QString &folder : folders)
        AddDirectoryItems(list, *m_walker, folder, extensionSet, true, [this](const QString &refused) {
            m_dialogs.inform(m_main.textOf(QStringLiteral("UsedCharMessage")), refused);
        });
    m_dialogs.progressDone();
    m_main.SyncArchiveLists(2);
}
