// TversionsF: the window that finds files in a side's archive by a part of their name and shows
// the versions of one of them (the current copy and the earlier ones the Archiver kept), and gives
// a version back at its original path or beside it. The search runs on a worker thread, its
// results shown as they are found; the restore itself is the restore window's.
#pragma once

#include "core/restore/archivesearch.h"

#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/panelwindow.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QTableWidget;
class QTimer;
class QToolButton;

class TversionsF : public TPanelWindow
{
    Q_OBJECT

public:
    // How many search results are shown at most.
    static constexpr int kMaxShown = 10000;

    // texts: the text of a key (registered through the restore window's provider). restore: gives
    // copies back, each to the target path paired with it, in one restore command.
    using Texts = std::function<QString(const char *key)>;
    using Chosen = std::pair<restore::ArchivedCopy, QString>;
    using Restore = std::function<void(const std::vector<Chosen> &copies)>;
    TversionsF(Texts texts, Restore restore, QWidget *parent = nullptr);
    ~TversionsF() override;

    // The window's texts, registered after the restore window's own.
    static std::span<const DefaultText> defaults();

    // Opens the window on the archive at the host path hostRoot (compressed: the side's flag, for
    // a part without a form record), showing the versions of origin when it is not empty.
    void Open(const QString &hostRoot, bool compressed, const QString &origin);

    // The name a version is given back under beside its original: "a (version 2026-12-07 193000).txt".
    static QString besideName(const QString &origin, const QDateTime &run);

private Q_SLOTS:
    void startSearch();
    void stopSearch();
    void takeFound();
    void showVersionsOfResult();
    void restoreChosen(bool beside);
    // Gives back every selected search result at its original path.
    void restoreFound();

private:
    void showVersions(const QString &origin);
    void addRow(QTableWidget *table, const QStringList &cells, int index = -1);
    // The search results of the selected rows, in the order they were found.
    std::vector<size_t> selectedResults() const;
    QString versionText(const QDateTime &run) const;
    QString text(const char *key) const;
    void applyTexts();
    void enableCommands();

    Texts m_texts;
    Restore m_restore;
    QString m_hostRoot;
    bool m_compressed = true;

    std::thread m_worker;
    std::atomic_bool m_stop{false};
    std::atomic_bool m_finished{true};
    std::mutex m_mutex;
    std::vector<restore::ArchivedCopy> m_incoming; // found, not yet shown
    bool m_more = false;                           // more were found than are shown
    bool m_searching = false;                      // until the last result found is shown
    std::vector<restore::ArchivedCopy> m_results;
    std::vector<restore::ArchivedCopy> m_versions;

    QLabel *headingLabel = nullptr;
    QLabel *findLabel = nullptr;
    QLineEdit *findEdit = nullptr;
    QToolButton *findButton = nullptr;
    QToolButton *stopButton = nullptr;
    QTableWidget *resultTable = nullptr;
    QLabel *moreLabel = nullptr;
    QLabel *versionsLabel = nullptr;
    QTableWidget *versionTable = nullptr;
    QToolButton *restoreButton = nullptr;
    QToolButton *besideButton = nullptr;
    QToolButton *restoreFoundButton = nullptr;
    QToolButton *backButton = nullptr;
    QTimer *takeTimer = nullptr;
};
