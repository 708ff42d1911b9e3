// The file list of one folder.
#include "folderfiles.h"

#include "drivetree.h"
#include "folderentries.h"

#include <QMimeData>

TFileListModel::TFileListModel(QObject *parent) : QAbstractListModel(parent) {}

void TFileListModel::setFolder(const QString &folder)
{
    beginResetModel();
    if (folder.isEmpty() || folder == TDriveTreeModel::rootPath()) {
        m_folder.clear();
        m_names.clear();
    } else {
        m_folder = folder.endsWith(QLatin1Char('\\')) ? folder : folder + QLatin1Char('\\');
        m_names = archivelist::folderEntries(m_folder, archivelist::FolderEntryKind::Files);
    }
    endResetModel();
}

int TFileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant TFileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size() || role != Qt::DisplayRole)
        return QVariant();
    return m_names.at(index.row());
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled : base;
}

QStringList TFileListModel::mimeTypes() const
{
    return {mimeType()};
}

QMimeData *TFileListModel::mimeData(const QModelIndexList &indexes) const
{
    QStringList names;
    for (const QModelIndex &index : indexes)
        names.append(nameAt(index.row()));
    auto *data = new QMimeData;
    data->setData(mimeType(), names.join(QLatin1Char('\n')).toUtf8());
    return data;
}
