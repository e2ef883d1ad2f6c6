#include "EONModel.h"

#include "RDSTexts.h"

#include <QColor>
#include <QRegularExpression>

namespace {

QString hex4(u16 v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

EONModel::EONModel(QObject *parent) : QAbstractTableModel(parent) {}

int EONModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

int EONModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EONModel::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.row() >= m_list.size())
        return {};
    const EON &e = m_list.at(index.row());
    const int col = index.column();
    if (role == Qt::CheckStateRole && (col == TP || col == TA))
        return (col == TP ? e.tp : e.ta) ? Qt::Checked : Qt::Unchecked;
    if (col == AF && m_afRefused.contains(index.row())) {
        if (role == Qt::BackgroundRole)
            return warnColour();
        if (role == Qt::ToolTipRole)
            return tr("keine Frequenz: nicht gespeichert");
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_afRefused.value(index.row());
    }
    if (role == Qt::ToolTipRole && (col == PTY || col == AF))
        return data(index, Qt::DisplayRole); // the whole text where the column is narrow
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const bool edit = role == Qt::EditRole;
    switch (col) {
    case Channel:
        return edit || e.channel ? QVariant(int(e.channel)) : QVariant(QString());
    case PI:
        return hex4(e.pi);
    case PS:
        return e.ps;
    case PTY:
        return edit ? QVariant(int(e.pty)) : QVariant(ptyNames().value(e.pty, QString::number(e.pty)));
    case Link:
        return hex4(e.link);
    case AF:
        return afText(e.af);
    default:
        return {};
    }
}

QVariant EONModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        const char *const texts[] = {QT_TR_NOOP("Kanal"), "PI", "PS", "PTY", "TP", "TA",
                                     QT_TR_NOOP("Link"),  "AF"};
        return tr(texts[section]);
    }
    if (role == Qt::ToolTipRole) {
        const char *const tips[] = {QT_TR_NOOP("Kanal des anderen Programms (leer: keiner)"),
                                    QT_TR_NOOP("PI-Code des anderen Programms"),
                                    QT_TR_NOOP("Programmname (8 Zeichen)"),
                                    QT_TR_NOOP("Programmart"),
                                    QT_TR_NOOP("Traffic Program"),
                                    QT_TR_NOOP("Traffic Announcement"),
                                    QT_TR_NOOP("Linkage Information (hex)"),
                                    QT_TR_NOOP("Alternative Frequenzen in MHz, durch Leerzeichen getrennt")};
        return tr(tips[section]);
    }
    return {};
}

Qt::ItemFlags EONModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() == TP || index.column() == TA)
        return base | Qt::ItemIsUserCheckable;
    return base | Qt::ItemIsEditable;
}

bool EONModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (index.row() < 0 || index.row() >= m_list.size())
        return false;
    EON &e = m_list[index.row()];
    const int col = index.column();
    bool ok = true;
    if (role == Qt::CheckStateRole && (col == TP || col == TA)) {
        (col == TP ? e.tp : e.ta) = value.toInt() == Qt::Checked ? 1 : 0;
    } else if (role != Qt::EditRole) {
        return false;
    } else if (col == Channel) {
        const int ch = value.toInt(&ok);
        if (!ok || ch < 0 || ch > 96)
            return false;
        e.channel = u8(ch);
    } else if (col == PI || col == Link) {
        const uint v = value.toString().trimmed().toUInt(&ok, 16);
        if (!ok || v > 0xFFFF)
            return false;
        (col == PI ? e.pi : e.link) = u16(v);
    } else if (col == PS) {
        e.ps = value.toString();
    } else if (col == PTY) {
        const int pty = value.toInt(&ok);
        if (!ok || pty < 0 || pty > 31)
            return false;
        e.pty = u8(pty);
    } else if (col == AF) {
        QList<RDSAFEntry> af;
        if (!parseAfText(value.toString(), &af)) {
            m_afRefused.insert(index.row(), value.toString());
            emit dataChanged(index, index);
            return false;
        }
        m_afRefused.remove(index.row());
        e.af = af;
    } else {
        return false;
    }
    emit dataChanged(index, index);
    emit saveEON();
    return true;
}

bool EONModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row > m_list.size() || count < 1)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_afRefused.clear();
    for (int i = 0; i < count; ++i)
        m_list.insert(row, EON());
    endInsertRows();
    return true;
}

bool EONModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_list.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_afRefused.clear();
    m_list.erase(m_list.begin() + row, m_list.begin() + row + count);
    endRemoveRows();
    return true;
}

void EONModel::setList(const QList<EON> &list)
{
    beginResetModel();
    m_list = list;
    m_afRefused.clear();
    endResetModel();
}

void EONModel::updateList(const QList<EON> &list)
{
    if (list.size() != m_list.size()) {
        setList(list);
        return;
    }
    m_list = list;
    if (!m_list.isEmpty())
        emit dataChanged(index(0, 0), index(m_list.size() - 1, ColumnCount - 1));
}

QString EONModel::afText(const QList<RDSAFEntry> &af)
{
    QStringList parts;
    for (const RDSAFEntry &e : af)
        parts << afFrequencyText(e.freq, false);
    return parts.join(QLatin1Char(' '));
}

bool EONModel::parseAfText(const QString &text, QList<RDSAFEntry> *af)
{
    QList<RDSAFEntry> out;
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        RDSAFEntry e;
        e.freq = typedAfFrequency(part);
        if (e.freq <= 0) // other networks' lists have no list starts
            return false;
        out.append(e);
    }
    *af = out;
    return true;
}
