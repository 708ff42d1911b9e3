// TextlistF: the extension list window. It edits the extension set of the selected directory of
// the archive list (or the set for directories added next) from the catalogue of known extensions
// kept in ext.lst beside the program.
#pragma once

#include <QDialog>
#include <QStringList>

class PanelDialogs;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class TKovaPanel;
class TMouseMove;
class TTreeList;
class TkovaProvider;

class TextlistF : public QDialog
{
    Q_OBJECT

public:
    // programDir: the program's folder (Windows form), where ext.lst lies; archiveList: the
    // archive list being edited (its selected node takes the set).
    TextlistF(const QString &programDir, TTreeList &archiveList, PanelDialogs &dialogs,
              QWidget *parent = nullptr);

    // Opens the window for the archive list's selection: a selected directory or drive gives its
    // set to the actual list (else the list keeps what it held), the window's bottom-left corner
    // goes to bottomLeft, and it is shown modally. confirmationOn: the settings page's
    // confirmation box is checked.
    void Open(const QPoint &bottomLeft, bool confirmationOn);

Q_SIGNALS:
    // OK chose a set: it is the set for directories added next.
    void extensionSetChosen(const QString &set);
    // The archive list may have changed: it is to be copied to the start page and written.
    void archiveListEdited();

public Q_SLOTS:
    // Only Ok closes the window.
    void reject() override {}

protected:
    void showEvent(QShowEvent *event) override;

private Q_SLOTS:
    void keepSet();
    void addToActual();
    void removeFromActual();
    void addExtension();
    void deleteExtensions();

private:
    // The catalogue file.
    QString extListFile() const;
    QStringList availableEntries() const;
    QStringList actualEntries() const;
    void setActualEntries(const QStringList &entries);
    void normaliseActualList();
    void loadCatalogue();
    // The text of a key of this window, its English default before a language is applied.
    QString text(const char *key) const;

    QString m_programDir;
    TTreeList &m_archiveList;
    PanelDialogs &m_dialogs;
    bool m_confirmationOn = false;
    // The last write of ext.lst failed: the entries shown are newer than the file and are kept.
    bool m_catalogueUnsaved = false;

    TkovaProvider *kovaProvider1 = nullptr;
    TKovaPanel *KovaPanel1 = nullptr;
    TMouseMove *MouseMove1 = nullptr;
    QListWidget *availableList = nullptr;
    QListWidget *actualList = nullptr;
    QLineEdit *extensionEdit = nullptr; // a new extension
    QToolButton *okButton = nullptr;
    QToolButton *addToActualButton = nullptr;
    QToolButton *removeFromActualButton = nullptr;
    QToolButton *addExtensionButton = nullptr;
    QToolButton *deleteExtensionsButton = nullptr;
};
