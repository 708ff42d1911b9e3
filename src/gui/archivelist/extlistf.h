// TextlistF: the extension list window. It edits the extension set of the selected directory of
// the archive list (or the set for directories added next) from the catalogue of known extensions
// kept in ext.lst beside the program.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class TKovaPanel;
class TMouseMove;
class TTreeList;
class TkovaProvider;

// What the window needs of the main window; the panel sets it up when it creates the windows.
struct TextlistHost
{
    // The archive list being edited (its selected node takes the set).
    std::function<TTreeList *()> archiveList;
    // Whether the settings page's confirmation box is checked.
    std::function<bool()> confirmationOn;
    // Takes the chosen set as the set for directories added next.
    std::function<void(const QString &set)> setCurrentExtSet;
    // Repaints the main window and shows the chosen set as the extension button's hint.
    std::function<void(const QString &set)> showChosenSet;
    // Copies the edited list to the start page and writes afiles.lst.
    std::function<void()> syncArchiveLists;
    // Shows the two lines in the information window.
    std::function<void(const QString &first, const QString &second)> inform;
};

class TextlistF : public QDialog
{
    Q_OBJECT

public:
    // programDir: the program's folder (Windows form), where ext.lst lies.
    explicit TextlistF(const QString &programDir, QWidget *parent = nullptr);

    void setHost(TextlistHost host) { m_host = std::move(host); }

    TkovaProvider *kovaProvider1 = nullptr;
    TKovaPanel *KovaPanel1 = nullptr;
    TMouseMove *MouseMove1 = nullptr;
    QLabel *Label1 = nullptr;            // above the available list
    QLabel *Label2 = nullptr;            // above the actual list
    QListWidget *ListBox1 = nullptr;     // available extensions
    QListWidget *ListBox2 = nullptr;     // actual extensions
    QLineEdit *Edit1 = nullptr;          // a new extension
    QToolButton *SpeedButton1 = nullptr; // Ok
    QToolButton *SpeedButton2 = nullptr; // move into the actual list
    QToolButton *SpeedButton3 = nullptr; // remove from the actual list
    QToolButton *SpeedButton4 = nullptr; // add Edit1 to the available list
    QToolButton *SpeedButton5 = nullptr; // delete from the available list

    // The catalogue file.
    QString extListFile() const;

    // Opens the window for the archive list's selection: a selected directory or drive gives its
    // set to the actual list (else the list keeps what it held), the window's bottom-left corner
    // goes to bottomLeft, and it is shown modally. Afterwards the list is synchronised.
    void Open(const QPoint &bottomLeft);

    QStringList availableEntries() const;
    QStringList actualEntries() const;

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();

public Q_SLOTS:
    // Only Ok closes the window.
    void reject() override {}

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setActualEntries(const QStringList &entries);
    void normaliseActualList();
    void loadCatalogue();
    // The text of a key of this window, its English default before a language is applied.
    QString text(const char *key) const;
    void inform(const QString &first, const QString &second) const;

    QString m_programDir;
    TextlistHost m_host;
    // The last write of ext.lst failed: the entries shown are newer than the file and are kept.
    bool m_catalogueUnsaved = false;
};
