// TFileListModel: the files of one folder for browsing, sorted by name without regard to case.
// Its items can be dragged, within the program only, onto the archive list.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

class TFileListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The type of the drag data: the dragged names, one a line. Nothing outside the program reads it.
    static QString mimeType() { return QStringLiteral("application/x-dunlivo-files"); }

    explicit TFileListModel(QObject *parent = nullptr);

    // Shows the files of folder (a Windows path); "Drives" or an empty path shows none.
    void setFolder(const QString &folder);
    // The folder shown, ending in a backslash; empty while none is.
    const QString &folder() const { return m_folder; }
    QString nameAt(int row) const { return m_names.value(row); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    QString m_folder;
    QStringList m_names;
};
