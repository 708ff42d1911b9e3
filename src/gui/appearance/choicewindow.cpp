// The common part of the language and texture windows.
#include "choicewindow.h"

#include "choicelist.h"
#include "core/texts/textlist.h"
#include "kovapanel.h"
#include "mousemove.h"
#include "paneldialogs.h"
#include "windowparts.h"

#include <QEvent>
#include <QListWidget>
#include <QToolButton>

namespace {

// The lists' background, colour value 10092543 ($99FFFF, blue-green-red).
constexpr QColor kPaleYellow(0xFF, 0xFF, 0x99);

} // namespace

TChoiceWindow::TChoiceWindow(const QString &name, QSize size, const QRect &innerGeometry,
                             const AppearanceContext &context, QWidget *parent)
    : TPanelWindow(name, size, true, parent), m_context(context)
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    innerPanel = new TKovaPanel(KovaPanel1, kovaProvider1);
    innerPanel->setObjectName(QStringLiteral("KovaPanel2"));
    innerPanel->setBevelInner(TKovaPanel::Bevel::Raised);
    innerPanel->setBevelOuter(TKovaPanel::Bevel::Lowered);
    innerPanel->setGeometry(innerGeometry);
    connect(innerPanel, &TKovaPanel::MouseDown, MouseMove1, &TMouseMove::MouseDown);
    connect(innerPanel, &TKovaPanel::MouseMove, MouseMove1, &TMouseMove::MouseMove);
    connect(innerPanel, &TKovaPanel::MouseUp, MouseMove1, &TMouseMove::MouseUp);
}

TChoiceWindow::~TChoiceWindow() = default;

void TChoiceWindow::makeList(const QRect &geometry)
{
    choiceList = new QListWidget(innerPanel);
    choiceList->setObjectName(QStringLiteral("ListBox1"));
    choiceList->setSelectionMode(QAbstractItemView::SingleSelection);
    choiceList->setGeometry(geometry);
    QPalette palette = choiceList->palette();
    palette.setColor(QPalette::Base, kPaleYellow);
    palette.setColor(QPalette::Text, Qt::black);
    choiceList->setPalette(palette);
}

QToolButton *TChoiceWindow::makeButtonPanel(const char *panelName, const char *buttonName,
                                            const QRect &geometry)
{
    auto *panel = new TKovaPanel(innerPanel, kovaProvider1);
    panel->setObjectName(QString::fromLatin1(panelName));
    panel->setGeometry(geometry);
    QToolButton *button = makeSpeedButton(panel, QString::fromLatin1(buttonName),
                                          QRect(1, 1, geometry.width() - 2, geometry.height() - 2));
    button->setAutoRaise(true);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

void TChoiceWindow::connectHandlers()
{
    // Mouse and keyboard alike change the selection; filling the list does not preview.
    connect(choiceList, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_filling || selectedRow() < 0)
            return;
        ++m_selectionPreviews;
        preview();
    });
    // A click on the entry already selected previews it again (its file may have come back);
    // a click that changed the selection has previewed already.
    choiceList->viewport()->installEventFilter(this);
    connect(choiceList, &QListWidget::itemClicked, this, [this] {
        if (m_selectionPreviews == m_previewsAtPress && selectedRow() >= 0)
            preview();
    });
    connect(okButton, &QToolButton::clicked, this, [this] { keepChoice(); });
    connect(cancelButton, &QToolButton::clicked, this, [this] { cancelChoice(); });
}

bool TChoiceWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (choiceList && watched == choiceList->viewport() && event->type() == QEvent::MouseButtonPress)
        m_previewsAtPress = m_selectionPreviews;
    return TPanelWindow::eventFilter(watched, event);
}

void TChoiceWindow::reject()
{
    cancelChoice();
}

void TChoiceWindow::fillList(const QString &firstEntry, const char *folder, const QString &extension,
                             const QString &storedName)
{
    m_filling = true;
    choiceList->clear();
    choiceList->addItem(firstEntry);
    QStringList entries{firstEntry};
    if (m_context.folderFiles)
        entries += FolderEntries(*m_context.folderFiles, m_context.programDir, folder, extension);
    choiceList->addItems(entries.mid(1));
    const int row = EntryRow(entries, storedName);
    if (row >= 0)
        choiceList->setCurrentRow(row);
    else
        choiceList->clearSelection();
    m_filling = false;
}

int TChoiceWindow::selectedRow() const
{
    const QList<QListWidgetItem *> selected = choiceList->selectedItems();
    return selected.isEmpty() ? -1 : choiceList->row(selected.first());
}

QString TChoiceWindow::selectedText() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : TrimControlCharacters(choiceList->item(row)->text());
}

bool TChoiceWindow::guarded(const std::function<void()> &body) const
{
    if (m_context.dialogs)
        return m_context.dialogs->guarded(body);
    body();
    return true;
}

void TChoiceWindow::showEvent(QShowEvent *event)
{
    fill();
    TPanelWindow::showEvent(event);
}
