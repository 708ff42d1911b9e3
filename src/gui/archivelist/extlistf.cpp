// The extension list window.
#include "extlistf.h"

#include "core/archivelist/extensionset.h"
#include "core/archivelist/extlistfile.h"
#include "core/archivelist/treelist.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/paneldialogs.h"
#include "gui/appearance/windowparts.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr DefaultText kDefaults[] = {
    {"AvailableExtensionsText", "Available extensions:"},
    {"ActualExtensionsText", "Actual extensions:"},
    {"MessageExistsExtension", "This extension is already added to the available list!"},
    {"MessageAddedExtensions", "These extensions are already added to the directory!"},
    // Said when ext.lst cannot be written; the same words as for the archive list file.
    {"CantWriteFileWarning", "Can not write into file:"},
};

QListWidget *makeList(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setGeometry(geometry);
    return list;
}

QStringList entriesOf(const QListWidget *list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->item(i)->text());
    return entries;
}

// The rows of the selected entries, from the first to the last.
QList<int> selectedRows(const QListWidget *list)
{
    QList<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.append(i);
    return rows;
}

} // namespace

TextlistF::TextlistF(const QString &programDir, TTreeList &archiveList, PanelDialogs &dialogs,
                     QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), m_programDir(programDir),
      m_archiveList(archiveList), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("extlistF"));
    setFixedSize(360, 300);
    setModal(true);
    kovaProvider1 = new TkovaProvider(this);
    KovaPanel1 = makeWindowPanel(this, kovaProvider1);
    KovaPanel1->setObjectName(QStringLiteral("KovaPanel1"));
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    MouseMove1 = new TMouseMove(this);
    connect(KovaPanel1, &TKovaPanel::MouseDown, MouseMove1, &TMouseMove::MouseDown);
    connect(KovaPanel1, &TKovaPanel::MouseMove, MouseMove1, &TMouseMove::MouseMove);
    connect(KovaPanel1, &TKovaPanel::MouseUp, MouseMove1, &TMouseMove::MouseUp);

    auto *availableLabel = new QLabel(KovaPanel1);
    availableLabel->setObjectName(QStringLiteral("Label1"));
    availableLabel->setGeometry(12, 8, 150, 18);
    auto *actualLabel = new QLabel(KovaPanel1);
    actualLabel->setObjectName(QStringLiteral("Label2"));
    actualLabel->setGeometry(198, 8, 150, 18);
    MouseMove1->watch(availableLabel);
    MouseMove1->watch(actualLabel);
    availableList = makeList(KovaPanel1, "ListBox1", QRect(12, 28, 150, 190));
    actualList = makeList(KovaPanel1, "ListBox2", QRect(198, 28, 150, 190));
    addToActualButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(167, 88, 26, 26));
    addToActualButton->setText(QStringLiteral(">"));
    removeFromActualButton =
        makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton3"), QRect(167, 122, 26, 26));
    removeFromActualButton->setText(QStringLiteral("<"));
    extensionEdit = new QLineEdit(KovaPanel1);
    extensionEdit->setObjectName(QStringLiteral("Edit1"));
    extensionEdit->setGeometry(12, 226, 94, 24);
    addExtensionButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton4"), QRect(110, 226, 24, 24));
    addExtensionButton->setText(QStringLiteral("+"));
    deleteExtensionsButton =
        makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton5"), QRect(138, 226, 24, 24));
    deleteExtensionsButton->setText(QStringLiteral("-"));
    okButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(135, 264, 90, 26));
    okButton->setText(QStringLiteral("Ok"));
    actualList->addItem(extensionset::everyFile());

    kovaProvider1->setOnNeedDefaults([this](QObject *) { kovaProvider1->SetDefaults(kDefaults); });
    kovaProvider1->setOnNeedSet([=, this](QObject *) {
        availableLabel->setText(kovaProvider1->GetText(QStringLiteral("AvailableExtensionsText")));
        actualLabel->setText(kovaProvider1->GetText(QStringLiteral("ActualExtensionsText")));
    });
    // The English captions until a language is applied.
    availableLabel->setText(QString::fromUtf8(kDefaults[0].text));
    actualLabel->setText(QString::fromUtf8(kDefaults[1].text));

    connect(okButton, &QToolButton::clicked, this, &TextlistF::keepSet);
    connect(addToActualButton, &QToolButton::clicked, this, &TextlistF::addToActual);
    connect(removeFromActualButton, &QToolButton::clicked, this, &TextlistF::removeFromActual);
    connect(addExtensionButton, &QToolButton::clicked, this, &TextlistF::addExtension);
    connect(deleteExtensionsButton, &QToolButton::clicked, this, &TextlistF::deleteExtensions);
    connect(availableList, &QListWidget::itemDoubleClicked, this, &TextlistF::addToActual);
    connect(actualList, &QListWidget::itemDoubleClicked, this, &TextlistF::removeFromActual);
    // Enter in the input box adds what was typed, as the add button does.
    connect(extensionEdit, &QLineEdit::returnPressed, this, &TextlistF::addExtension);
}

QString TextlistF::extListFile() const
{
    return m_programDir + QStringLiteral("\\ext.lst");
}

QString TextlistF::text(const char *key) const
{
    const QString name = QString::fromLatin1(key);
    const QString translated = kovaProvider1->GetText(name);
    if (!translated.isEmpty())
        return translated;
    return TkovaProvider::DefaultTextOf(kDefaults, name);
}

QStringList TextlistF::availableEntries() const
{
    return entriesOf(availableList);
}

QStringList TextlistF::actualEntries() const
{
    return entriesOf(actualList);
}

void TextlistF::setActualEntries(const QStringList &entries)
{
    actualList->clear();
    actualList->addItems(entries);
}

void TextlistF::normaliseActualList()
{
    QStringList entries = actualEntries();
    extensionset::normalise(entries);
    setActualEntries(entries);
}

void TextlistF::Open(const QPoint &bottomLeft, bool confirmationOn)
{
    m_confirmationOn = confirmationOn;
    if (m_archiveList.Dir())
        setActualEntries(extensionset::entriesOf(TTreeList::NodeExt(m_archiveList.Selected())));
    move(bottomLeft.x(), bottomLeft.y() - height());
    exec();
    Q_EMIT archiveListEdited();
}

void TextlistF::showEvent(QShowEvent *event)
{
    loadCatalogue();
    QDialog::showEvent(event);
}

void TextlistF::loadCatalogue()
{
    // Entries that could not be written last time stay; the file would bring back older ones.
    if (m_catalogueUnsaved)
        return;
    try {
        if (const std::optional<QStringList> entries = readExtList(extListFile())) {
            availableList->clear();
            availableList->addItems(*entries);
        }
    } catch (const ListFileError &) {
        // An unreadable catalogue leaves the list as it was, as a missing one does.
    }
}

void TextlistF::addExtension()
{
    const QString extension = extensionset::typedExtension(extensionEdit->text());
    if (!extension.isEmpty()) {
        if (extensionset::containsEntry(availableEntries(), extension))
            m_dialogs.inform(text("MessageExistsExtension"), QString());
        else
            availableList->addItem(extension);
    }
    extensionEdit->clear();
    availableList->setFocus();
    if (availableList->count() > 0)
        availableList->setCurrentRow(availableList->count() - 1, QItemSelectionModel::ClearAndSelect);
}

void TextlistF::deleteExtensions()
{
    const QList<int> rows = selectedRows(availableList);
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete availableList->takeItem(*it);
}

void TextlistF::addToActual()
{
    const QList<int> rows = selectedRows(availableList);
    bool skipped = false;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const QString entry = availableList->item(*it)->text();
        if (extensionset::containsEntry(actualEntries(), entry))
            skipped = true;
        else
            actualList->addItem(entry);
    }
    if (skipped && m_confirmationOn)
        m_dialogs.inform(text("MessageAddedExtensions"), QString());
    removeFromActualButton->setEnabled(true);
    normaliseActualList();
}

void TextlistF::removeFromActual()
{
    const QList<int> rows = selectedRows(actualList);
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete actualList->takeItem(*it);
    normaliseActualList();
}

void TextlistF::keepSet()
{
    const QString set = extensionset::setOf(actualEntries());
    if (m_archiveList.Dir())
        m_archiveList.SetNodeExt(m_archiveList.Selected(), set);
    repaint();
    Q_EMIT extensionSetChosen(set);
    try {
        writeExtList(extListFile(), availableEntries());
        m_catalogueUnsaved = false;
    } catch (const ListFileError &) {
        m_catalogueUnsaved = true;
        m_dialogs.inform(text("CantWriteFileWarning"), QStringLiteral("Ext.lst"));
    }
    Q_EMIT archiveListEdited();
    accept();
}
