#include "AFTableAuto.h"

#include "RDSTexts.h"

AFTableAuto::AFTableAuto(QObject *parent) : QAbstractTableModel(parent) {}

int AFTableAuto::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

int AFTableAuto::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AFTableAuto::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.row() >= m_list.size())
        return {};
    const RDSAFEntry &e = m_list.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == Channel ? QVariant(int(e.mark)) : QVariant(afFrequencyText(e.freq, false));
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return e.regional ? QVariant(groupHighlightColour()) : QVariant();
    case Qt::ToolTipRole:
        return e.regional ? tr("regional (Doppelklick schaltet um)") : tr("Doppelklick: regional");
    default:
        return {};
    }
}

QVariant AFTableAuto::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return section == Channel ? tr("Kanal") : tr("MHz");
    return QAbstractTableModel::headerData(section, orientation, role);
}

void AFTableAuto::setList(const QList<RDSAFEntry> &list)
{
    beginResetModel();
    m_list = list;
    endResetModel();
}

qint32 AFTableAuto::frequencyAt(int row) const
{
    return row >= 0 && row < m_list.size() ? m_list.at(row).freq : 0;
}
