// The common part of the language and texture windows.
#include "choicewindow.h"

#include "choicelist.h"
#include "kovapanel.h"
#include "mousemove.h"
#include "core/texts/textlist.h"
#include "windowparts.h"

#include "core/archivelist/findfile.h"

#include <QEvent>
#include <QListWidget>
#include <QToolButton>

namespace {

// The lists' background, colour value 10092543 ($99FFFF, blue-green-red).
constexpr QColor kPaleYellow(0xFF, 0xFF, 0x99);

} // namespace

TChoiceWindow::TChoiceWindow(const QString &name, QSize size, const QRect &innerPanel, QWidget *parent)
    : TPanelWindow(name, size, true, parent), FindFile1(std::make_unique<TFindFile>())
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    KovaPanel2 = new TKovaPanel(KovaPanel1, kovaProvider1);
    KovaPanel2->setObjectName(QStringLiteral("KovaPanel2"));
    KovaPanel2->setBevelInner(TKovaPanel::Bevel::Raised);
    KovaPanel2->setBevelOuter(TKovaPanel::Bevel::Lowered);
    KovaPanel2->setGeometry(innerPanel);
    connect(KovaPanel2, &TKovaPanel::MouseDown, MouseMove1, &TMouseMove::MouseDown);
    connect(KovaPanel2, &TKovaPanel::MouseMove, MouseMove1, &TMouseMove::MouseMove);
    connect(KovaPanel2, &TKovaPanel::MouseUp, MouseMove1, &TMouseMove::MouseUp);
}

TChoiceWindow::~TChoiceWindow() = default;

void TChoiceWindow::makeList(const QRect &geometry)
{
    ListBox1 = new QListWidget(KovaPanel2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setGeometry(geometry);
    QPalette palette = ListBox1->palette();
    palette.setColor(QPalette::Base, kPaleYellow);
    palette.setColor(QPalette::Text, Qt::black);
    ListBox1->setPalette(palette);
}

QToolButton *TChoiceWindow::makeButtonPanel(const char *panelName, const char *buttonName,
                                            const QRect &geometry)
{
    auto *panel = new TKovaPanel(KovaPanel2, kovaProvider1);
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
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_filling || selectedRow() < 0)
            return;
        ++m_selectionPreviews;
        ListBox1Click();
    });
    // A click on the entry already selected previews it again (its file may have come back);
    // a click that changed the selection has previewed already.
    ListBox1->viewport()->installEventFilter(this);
    connect(ListBox1, &QListWidget::itemClicked, this, [this] {
        if (m_selectionPreviews == m_previewsAtPress && selectedRow() >= 0)
            ListBox1Click();
    });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
}

QStringList TChoiceWindow::entries() const
{
    QStringList texts;
    for (int row = 0; row < ListBox1->count(); ++row)
        texts.append(ListBox1->item(row)->text());
    return texts;
}

bool TChoiceWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (ListBox1 && watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress)
        m_previewsAtPress = m_selectionPreviews;
    return TPanelWindow::eventFilter(watched, event);
}

void TChoiceWindow::reject()
{
    SpeedButton2Click();
}

void TChoiceWindow::fillList(const QString &firstEntry, const char *folder, const QString &extension,
                             const QString &storedName)
{
    m_filling = true;
    ListBox1->clear();
    ListBox1->addItem(firstEntry);
    ListBox1->addItems(FolderEntries(*FindFile1, m_host.programDir, folder, extension));
    const int row = EntryRow(entries(), storedName);
    if (row >= 0)
        ListBox1->setCurrentRow(row);
    else
        ListBox1->clearSelection();
    m_filling = false;
}

int TChoiceWindow::selectedRow() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.first());
}

QString TChoiceWindow::selectedText() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : TrimControlCharacters(ListBox1->item(row)->text());
}

bool TChoiceWindow::guarded(const std::function<void()> &body) const
{
    if (m_host.guarded)
        return m_host.guarded(body);
    body();
    return true;
}

void TChoiceWindow::showEvent(QShowEvent *event)
{
    FormActivate();
    TPanelWindow::showEvent(event);
}
