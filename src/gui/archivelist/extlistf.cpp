// The extension list window.
#include "extlistf.h"

#include "core/archivelist/extensionset.h"
#include "core/archivelist/extlistfile.h"
#include "core/archivelist/treelist.h"

#include "gui/appearance/kovapanel.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/mousemove.h"
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

TextlistF::TextlistF(const QString &programDir, QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), m_programDir(programDir)
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

    Label1 = new QLabel(KovaPanel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 8, 150, 18);
    Label2 = new QLabel(KovaPanel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(198, 8, 150, 18);
    MouseMove1->watch(Label1);
    MouseMove1->watch(Label2);
    ListBox1 = makeList(KovaPanel1, "ListBox1", QRect(12, 28, 150, 190));
    ListBox2 = makeList(KovaPanel1, "ListBox2", QRect(198, 28, 150, 190));
    SpeedButton2 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton2"), QRect(167, 88, 26, 26));
    SpeedButton2->setText(QStringLiteral(">"));
    SpeedButton3 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton3"), QRect(167, 122, 26, 26));
    SpeedButton3->setText(QStringLiteral("<"));
    Edit1 = new QLineEdit(KovaPanel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(12, 226, 94, 24);
    SpeedButton4 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton4"), QRect(110, 226, 24, 24));
    SpeedButton4->setText(QStringLiteral("+"));
    SpeedButton5 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton5"), QRect(138, 226, 24, 24));
    SpeedButton5->setText(QStringLiteral("-"));
    SpeedButton1 = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(135, 264, 90, 26));
    SpeedButton1->setText(QStringLiteral("Ok"));
    ListBox2->addItem(extensionset::everyFile());

    kovaProvider1->setOnNeedDefaults([this](QObject *) {
        kovaProvider1->SetDefaults(kDefaults);
    });
    kovaProvider1->setOnNeedSet([this](QObject *) {
        Label1->setText(kovaProvider1->GetText(QStringLiteral("AvailableExtensionsText")));
        Label2->setText(kovaProvider1->GetText(QStringLiteral("ActualExtensionsText")));
    });
    // The English captions until a language is applied.
    Label1->setText(QString::fromUtf8(kDefaults[0].text));
    Label2->setText(QString::fromUtf8(kDefaults[1].text));

    connect(SpeedButton1, &QToolButton::clicked, this, &TextlistF::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TextlistF::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TextlistF::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TextlistF::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TextlistF::SpeedButton5Click);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TextlistF::SpeedButton2Click);
    connect(ListBox2, &QListWidget::itemDoubleClicked, this, &TextlistF::SpeedButton3Click);
    // Enter in the input box adds what was typed, as the add button does.
    connect(Edit1, &QLineEdit::returnPressed, this, &TextlistF::SpeedButton4Click);
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

void TextlistF::inform(const QString &first, const QString &second) const
{
    if (m_host.inform)
        m_host.inform(first, second);
}

QStringList TextlistF::availableEntries() const
{
    return entriesOf(ListBox1);
}

QStringList TextlistF::actualEntries() const
{
    return entriesOf(ListBox2);
}

void TextlistF::setActualEntries(const QStringList &entries)
{
    ListBox2->clear();
    ListBox2->addItems(entries);
}

void TextlistF::normaliseActualList()
{
    QStringList entries = actualEntries();
    extensionset::normalise(entries);
    setActualEntries(entries);
}

void TextlistF::Open(const QPoint &bottomLeft)
{
    TTreeList *list = m_host.archiveList ? m_host.archiveList() : nullptr;
    if (list && list->Dir())
        setActualEntries(extensionset::entriesOf(TTreeList::NodeExt(list->Selected())));
    move(bottomLeft.x(), bottomLeft.y() - height());
    exec();
    if (m_host.syncArchiveLists)
        m_host.syncArchiveLists();
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
            ListBox1->clear();
            ListBox1->addItems(*entries);
        }
    } catch (const ListFileError &) {
        // An unreadable catalogue leaves the list as it was, as a missing one does.
    }
}

void TextlistF::SpeedButton4Click()
{
    const QString extension = extensionset::typedExtension(Edit1->text());
    if (!extension.isEmpty()) {
        if (extensionset::containsEntry(availableEntries(), extension))
            inform(text("MessageExistsExtension"), QString());
        else
            ListBox1->addItem(extension);
    }
    Edit1->clear();
    ListBox1->setFocus();
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(ListBox1->count() - 1, QItemSelectionModel::ClearAndSelect);
}

void TextlistF::SpeedButton5Click()
{
    const QList<int> rows = selectedRows(ListBox1);
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete ListBox1->takeItem(*it);
}

void TextlistF::SpeedButton2Click()
{
    const QList<int> rows = selectedRows(ListBox1);
    bool skipped = false;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const QString entry = ListBox1->item(*it)->text();
        if (extensionset::containsEntry(actualEntries(), entry))
            skipped = true;
        else
            ListBox2->addItem(entry);
    }
    if (skipped && m_host.confirmationOn && m_host.confirmationOn())
        inform(text("MessageAddedExtensions"), QString());
    SpeedButton3->setEnabled(true);
    normaliseActualList();
}

void TextlistF::SpeedButton3Click()
{
    const QList<int> rows = selectedRows(ListBox2);
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        delete ListBox2->takeItem(*it);
    normaliseActualList();
}

void TextlistF::SpeedButton1Click()
{
    const QString set = extensionset::setOf(actualEntries());
    if (m_host.setCurrentExtSet)
        m_host.setCurrentExtSet(set);
    TTreeList *list = m_host.archiveList ? m_host.archiveList() : nullptr;
    if (list && list->Dir())
        list->SetNodeExt(list->Selected(), set);
    repaint();
    if (m_host.showChosenSet)
        m_host.showChosenSet(set);
    try {
        writeExtList(extListFile(), availableEntries());
        m_catalogueUnsaved = false;
    } catch (const ListFileError &) {
        m_catalogueUnsaved = true;
        inform(text("CantWriteFileWarning"), QStringLiteral("Ext.lst"));
    }
    if (m_host.syncArchiveLists)
        m_host.syncArchiveLists();
    accept();
}
