#include "RDSLogFiles.h"

#include "RDSTexts.h"

#include <QColor>
#include <QFileInfo>

RDSLogFiles::RDSLogFiles(QObject *parent) : QAbstractListModel(parent) {}

int RDSLogFiles::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_files.size();
}

QVariant RDSLogFiles::data(const QModelIndex &index, int role) const
{
    const QString path = fileAt(index.row());
    if (path.isEmpty())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return path;
    if (role == Qt::BackgroundRole && !QFileInfo::exists(path))
        return warnColour();
    return {};
}

bool RDSLogFiles::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_files.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_files.erase(m_files.begin() + row, m_files.begin() + row + count);
    endRemoveRows();
    return true;
}

void RDSLogFiles::setFiles(const QStringList &files)
{
    beginResetModel();
    m_files = files;
    endResetModel();
}

void RDSLogFiles::addFiles(const QStringList &files)
{
    if (files.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_files.size(), m_files.size() + files.size() - 1);
    m_files += files;
    endInsertRows();
}

QString RDSLogFiles::fileAt(int row) const
{
    return row >= 0 && row < m_files.size() ? m_files.at(row) : QString();
}
