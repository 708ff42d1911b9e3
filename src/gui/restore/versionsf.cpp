// The find and versions window.
#include "versionsf.h"

#include "archivedfiledelegate.h"

#include "core/archiveinfo/versionslayout.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/mousemove.h"
#include "gui/appearance/windowparts.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

// The window's texts, in the order of registration.
constexpr DefaultText kDefaults[] = {
    {"VersionsHeading", "Find files and earlier versions"},
    {"FindLabel", "Name contains:"},
    {"FindButton", "Find"},
    {"StopButton", "Stop"},
    {"ColumnPath", "Original path"},
    {"ColumnSize", "Size"},
    {"ColumnModified", "Modified"},
    {"ColumnVersion", "Version"},
    {"CurrentVersion", "current"},
    {"MoreNotShown", "more not shown"},
    {"VersionsOf", "Versions of:"},
    {"RestoreVersionButton", "Restore"},
    {"RestoreBesideButton", "Restore beside"},
    {"RestoreFoundButton", "Restore selected found"},
};

// The item data role holding a search result's index in the order found: the table can be sorted.
constexpr int kResultRole = Qt::UserRole + 1;

// How often the results found meanwhile are shown.
constexpr int kTakeInterval = 100;

QTableWidget *makeTable(QWidget *parent, const char *name, const QRect &geometry, int columns)
{
    auto *table = new QTableWidget(0, columns, parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setGeometry(geometry);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    // One line per row: a date that does not fit is cut short, not wrapped into a second line.
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QString timeText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

TversionsF::TversionsF(Texts texts, Restore restore, QWidget *parent)
    : TPanelWindow(QStringLiteral("versionsF"), QSize(640, 440), true, parent), m_texts(std::move(texts)),
      m_restore(std::move(restore))
{
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Raised);
    headingLabel = makeCentredLabel(KovaPanel1, QStringLiteral("Label1"), QRect(10, 10, 620, 20));
    QFont heading = headingLabel->font();
    heading.setBold(true);
    headingLabel->setFont(heading);
    findLabel = makeLabel(KovaPanel1, "Label2");
    findLabel->setGeometry(10, 38, 130, 22);
    findEdit = new QLineEdit(KovaPanel1);
    findEdit->setObjectName(QStringLiteral("EditFind"));
    findEdit->setGeometry(140, 38, 290, 22);
    findButton = makeSpeedButton(KovaPanel1, QStringLiteral("SBfind"), QRect(438, 36, 92, 26));
    stopButton = makeSpeedButton(KovaPanel1, QStringLiteral("SBstop"), QRect(538, 36, 92, 26));
    resultTable = makeTable(KovaPanel1, "SearchResults", QRect(10, 68, 620, 160), 4);
    resultTable->setColumnWidth(0, 255);
    resultTable->setColumnWidth(1, 80);
    resultTable->setColumnWidth(2, 125);
    // Many results are chosen at once to give a whole folder back as a run found it.
    resultTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    resultTable->sortByColumn(0, Qt::AscendingOrder);
    resultTable->setSortingEnabled(true);
    moreLabel = makeLabel(KovaPanel1, "LabelMore");
    moreLabel->setGeometry(10, 230, 620, 18);
    versionsLabel = makeLabel(KovaPanel1, "Label3");
    versionsLabel->setGeometry(10, 250, 620, 18);
    versionTable = makeTable(KovaPanel1, "VersionList", QRect(10, 270, 620, 120), 3);
    versionTable->setColumnWidth(0, 180);
    versionTable->setColumnWidth(1, 120);
    restoreButton = makeSpeedButton(KovaPanel1, QStringLiteral("SBrestore"), QRect(10, 400, 148, 28));
    besideButton = makeSpeedButton(KovaPanel1, QStringLiteral("SBbeside"), QRect(166, 400, 148, 28));
    restoreFoundButton =
        makeSpeedButton(KovaPanel1, QStringLiteral("SBrestorefound"), QRect(322, 400, 200, 28));
    backButton = makeSpeedButton(KovaPanel1, QStringLiteral("SpeedButton1"), QRect(530, 400, 100, 28));
    if (MouseMove1)
        MouseMove1->watch(headingLabel);
    takeTimer = new QTimer(this);
    takeTimer->setInterval(kTakeInterval);

    connect(findButton, &QToolButton::clicked, this, &TversionsF::startSearch);
    connect(findEdit, &QLineEdit::returnPressed, this, &TversionsF::startSearch);
    connect(stopButton, &QToolButton::clicked, this, &TversionsF::stopSearch);
    connect(takeTimer, &QTimer::timeout, this, &TversionsF::takeFound);
    connect(resultTable, &QTableWidget::itemSelectionChanged, this, &TversionsF::showVersionsOfResult);
    connect(versionTable, &QTableWidget::itemSelectionChanged, this, &TversionsF::enableCommands);
    connect(restoreButton, &QToolButton::clicked, this, [this] { restoreChosen(false); });
    connect(besideButton, &QToolButton::clicked, this, [this] { restoreChosen(true); });
    connect(restoreFoundButton, &QToolButton::clicked, this, &TversionsF::restoreFound);
    connect(backButton, &QToolButton::clicked, this, [this] {
        stopSearch();
        accept();
    });
    enableCommands();
}

TversionsF::~TversionsF()
{
    stopSearch();
}

std::span<const DefaultText> TversionsF::defaults()
{
    return kDefaults;
}

QString TversionsF::text(const char *key) const
{
    const QString t = m_texts(key);
    return t.isEmpty() ? TkovaProvider::DefaultTextOf(kDefaults, QString::fromLatin1(key)) : t;
}

void TversionsF::applyTexts()
{
    headingLabel->setText(text("VersionsHeading"));
    findLabel->setText(text("FindLabel"));
    findButton->setText(text("FindButton"));
    stopButton->setText(text("StopButton"));
    resultTable->setHorizontalHeaderLabels(
        {text("ColumnPath"), text("ColumnSize"), text("ColumnModified"), text("ColumnVersion")});
    versionTable->setHorizontalHeaderLabels(
        {text("ColumnVersion"), text("ColumnSize"), text("ColumnModified")});
    restoreButton->setText(text("RestoreVersionButton"));
    besideButton->setText(text("RestoreBesideButton"));
    restoreFoundButton->setText(text("RestoreFoundButton"));
    backButton->setText(text("BackButton"));
}

void TversionsF::Open(const QString &hostRoot, bool compressed, const QString &origin)
{
    stopSearch();
    m_hostRoot = hostRoot;
    m_compressed = compressed;
    // The window is not one the texture image knows: it wears the texture of the window it opens from.
    if (parentWidget()) {
        if (auto *panel = parentWidget()->findChild<TKovaPanel *>(QStringLiteral("KovaPanel1"),
                                                                  Qt::FindDirectChildrenOnly))
            KovaPanel1->setKovaImage(panel->KovaImage());
    }
    applyTexts();
    resultTable->setRowCount(0);
    m_results.clear();
    moreLabel->clear();
    showVersions(origin);
    exec();
}

QString TversionsF::besideName(const QString &origin, const QDateTime &run)
{
    const qsizetype slash = origin.lastIndexOf(QLatin1Char('\\'));
    const QString name = origin.mid(slash + 1);
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        dot = name.size();
    return origin.left(slash + 1) + name.left(dot) + QStringLiteral(" (version ") +
           archiver::versionRunName(run) + QLatin1Char(')') + name.mid(dot);
}

QString TversionsF::versionText(const QDateTime &run) const
{
    if (!run.isValid())
        return text("CurrentVersion");
    return run.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void TversionsF::addRow(QTableWidget *table, const QStringList &cells, int index)
{
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells.at(column));
        item->setData(kResultRole, index);
        if (column > 0)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, column, item);
    }
}

void TversionsF::startSearch()
{
    stopSearch();
    resultTable->setRowCount(0);
    m_results.clear();
    moreLabel->clear();
    const QString part = findEdit->text();
    if (part.isEmpty())
        return;
    m_stop = false;
    m_finished = false;
    m_more = false;
    m_searching = true;
    m_worker = std::thread([this, part, root = m_hostRoot, compressed = m_compressed] {
        int count = 0;
        restore::searchArchive(root, part, compressed, m_stop, [&](const restore::ArchivedCopy &copy) {
            std::lock_guard lock(m_mutex);
            if (count++ == kMaxShown) {
                m_more = true;
                return false;
            }
            m_incoming.push_back(copy);
            return true;
        });
        m_finished = true;
    });
    enableCommands();
    takeTimer->start();
}

void TversionsF::stopSearch()
{
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
    takeFound();
}

void TversionsF::takeFound()
{
    // Read before the results are taken: a search that has finished then has handed over all.
    const bool finished = m_finished;
    std::vector<restore::ArchivedCopy> found;
    bool more = false;
    {
        std::lock_guard lock(m_mutex);
        found.swap(m_incoming);
        more = m_more;
    }
    resultTable->setUpdatesEnabled(false);
    // Rows go in at the end and are sorted after: a sorted table would move a row while it is filled.
    resultTable->setSortingEnabled(false);
    for (restore::ArchivedCopy &copy : found) {
        addRow(resultTable,
               {copy.origin, ArchivedFileDelegate::sizeText(copy.size), timeText(copy.modified),
                versionText(copy.run)},
               int(m_results.size()));
        m_results.push_back(std::move(copy));
    }
    resultTable->setSortingEnabled(true);
    resultTable->setUpdatesEnabled(true);
    if (more)
        moreLabel->setText(text("MoreNotShown"));
    if (finished) {
        m_searching = false;
        takeTimer->stop();
        if (m_worker.joinable())
            m_worker.join();
    }
    enableCommands();
}

std::vector<size_t> TversionsF::selectedResults() const
{
    std::vector<size_t> chosen;
    for (const QModelIndex &row : resultTable->selectionModel()->selectedRows()) {
        const int index = row.data(kResultRole).toInt();
        if (index >= 0 && size_t(index) < m_results.size())
            chosen.push_back(size_t(index));
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

void TversionsF::showVersionsOfResult()
{
    if (const QTableWidgetItem *item = resultTable->currentItem()) {
        const int index = item->data(kResultRole).toInt();
        if (index >= 0 && size_t(index) < m_results.size())
            showVersions(m_results[size_t(index)].origin);
    }
    enableCommands();
}

void TversionsF::showVersions(const QString &origin)
{
    versionTable->setRowCount(0);
    m_versions.clear();
    versionsLabel->setText(text("VersionsOf") + QLatin1Char(' ') + origin);
    if (!origin.isEmpty())
        m_versions = restore::versionsOf(m_hostRoot, origin, m_compressed);
    for (const restore::ArchivedCopy &copy : m_versions)
        addRow(versionTable,
               {versionText(copy.run), ArchivedFileDelegate::sizeText(copy.size), timeText(copy.modified)});
    if (!m_versions.empty())
        versionTable->selectRow(0);
    enableCommands();
}

void TversionsF::enableCommands()
{
    stopButton->setEnabled(m_searching);
    const int row = versionTable->currentRow();
    const bool chosen = row >= 0 && size_t(row) < m_versions.size();
    restoreButton->setEnabled(chosen);
    // The current copy has no run to name the file beside its original after.
    besideButton->setEnabled(chosen && m_versions[size_t(row)].run.isValid());
    restoreFoundButton->setEnabled(resultTable->selectionModel()->hasSelection());
}

void TversionsF::restoreChosen(bool beside)
{
    const int row = versionTable->currentRow();
    if (row < 0 || size_t(row) >= m_versions.size())
        return;
    const restore::ArchivedCopy copy = m_versions[size_t(row)];
    if (beside && !copy.run.isValid())
        return;
    m_restore({{copy, beside ? besideName(copy.origin, copy.run) : copy.origin}});
}

void TversionsF::restoreFound()
{
    std::vector<Chosen> copies;
    for (size_t index : selectedResults())
        copies.emplace_back(m_results[index], m_results[index].origin);
    if (!copies.empty())
        m_restore(copies);
}
