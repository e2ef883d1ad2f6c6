#include "ODAModel.h"

#include "RDSGroupRate.h"

namespace {

QString hex(uint v, int digits)
{
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace

ODAModel::ODAModel(QObject *parent) : QAbstractTableModel(parent) {}

int ODAModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

int ODAModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ODAModel::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.row() >= m_list.size())
        return {};
    const RDSCustomGroup &g = m_list.at(index.row());
    const int col = index.column();
    if (col == Active)
        return role == Qt::CheckStateRole ? QVariant(g.active ? Qt::Checked : Qt::Unchecked) : QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (col < CheckA)
        return hex(g.block[col - BlockA], 4);
    if (col < Rate0) {
        const u16 check = g.check[col - CheckA];
        if (check >= RDSCustomGroup::computedCheck)
            return role == Qt::EditRole ? QString() : QStringLiteral("auto");
        return hex(check, 3);
    }
    return g.rate[col - Rate0];
}

QVariant ODAModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString block(QChar('A' + (section - BlockA) % 4));
    if (role == Qt::DisplayRole) {
        if (section == Active)
            return tr("an");
        if (section < CheckA)
            return block;
        if (section < Rate0)
            return QStringLiteral("cw") + block;
        return QStringLiteral("S%1").arg(section - Rate0);
    }
    if (role == Qt::ToolTipRole) {
        if (section == Active)
            return tr("Gruppe senden");
        if (section < CheckA)
            return tr("Block %1 (hex)").arg(block);
        if (section < Rate0)
            return tr("Checkword %1 (hex, 10 Bit)\nleer: berechnen").arg(block);
        return tr("Gruppen pro Minute in Stream %1\nnegativ: mit freien Gruppen auffüllen")
            .arg(section - Rate0);
    }
    return {};
}

Qt::ItemFlags ODAModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return index.column() == Active ? base | Qt::ItemIsUserCheckable : base | Qt::ItemIsEditable;
}

bool ODAModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (index.row() < 0 || index.row() >= m_list.size())
        return false;
    RDSCustomGroup &g = m_list[index.row()];
    const int col = index.column();
    bool ok = true;
    if (col == Active) {
        if (role != Qt::CheckStateRole)
            return false;
        g.active = value.toInt() == Qt::Checked ? 1 : 0;
    } else if (role != Qt::EditRole || col < 0 || col >= ColumnCount) {
        return false;
    } else if (col < CheckA) {
        const uint v = value.toString().trimmed().toUInt(&ok, 16);
        if (!ok || v > 0xFFFF)
            return false;
        g.block[col - BlockA] = u16(v);
    } else if (col < Rate0) {
        const QString text = value.toString().trimmed();
        const uint v = text.isEmpty() ? RDSCustomGroup::computedCheck : text.toUInt(&ok, 16);
        if (!ok || v > RDSCustomGroup::computedCheck)
            return false;
        g.check[col - CheckA] = u16(v);
    } else {
        const int rate = value.toInt(&ok);
        if (!ok || rate < -RDSGroupRate::maxRate || rate > RDSGroupRate::maxRate)
            return false;
        g.rate[col - Rate0] = rate;
    }
    emit dataChanged(index, index);
    emit saveODA();
    return true;
}

bool ODAModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row > m_list.size() || count < 1)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        m_list.insert(row, RDSCustomGroup());
    endInsertRows();
    return true;
}

bool ODAModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_list.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_list.erase(m_list.begin() + row, m_list.begin() + row + count);
    endRemoveRows();
    return true;
}

void ODAModel::setList(const QList<RDSCustomGroup> &list)
{
    beginResetModel();
    m_list = list;
    endResetModel();
}
