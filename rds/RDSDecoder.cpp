#include "RDSDecoder.h"

#include "RDSCoding.h"
#include "RDSLogRecord.h"

#include <QTime>

#include <algorithm>

RDSDecoder::RDSDecoder(QObject *parent) : QAbstractTableModel(parent), m_stats(channels) {}

int RDSDecoder::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int RDSDecoder::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RDSDecoder::data(const QModelIndex &index, int role) const
{
    const int code = groupAt(index.row());
    if (code < 0)
        return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() == Group ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const Stats &s = m_stats.at(m_shown);
    const qint64 n = s.count.value(code);
    const double share = double(n) / double(qMax<qint64>(1, s.count.value(totalKey)));
    switch (index.column()) {
    case Group:
        return groupName(code);
    case Total:
        return n;
    case PerMinute:
        return qRound(share * groupsPerMinute);
    case Percent:
        return QString::number(share * 100.0, 'f', 1);
    default:
        return {};
    }
}

QVariant RDSDecoder::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        const char *const texts[] = {QT_TR_NOOP("Gruppe"), QT_TR_NOOP("Gesamt"), QT_TR_NOOP("G / min"),
                                     QT_TR_NOOP("Prozent")};
        return tr(texts[section]);
    }
    if (role == Qt::ToolTipRole) {
        const char *const tips[] = {QT_TR_NOOP("RDS-Gruppe filtern"), QT_TR_NOOP("Pakete insgesamt gesendet"),
                                    QT_TR_NOOP("Gruppen pro Minute"), QT_TR_NOOP("Prozent")};
        return tr(tips[section]);
    }
    return {};
}

bool RDSDecoder::decode(int channel, const QByteArray &record)
{
    RDSLogRecord rec;
    if (channel < 0 || channel >= channels || !RDSLogRecord::fromBytes(record, &rec))
        return false;
    const RDSBlocks blocks = unpackGroup(rec.group);
    Stats &s = m_stats[channel];
    s.errors = 0;
    for (int k = 0; k < 4; ++k) {
        s.block[k] = blocks.info[k];
        if (!rdsBlockValid(blocks, k))
            s.errors |= u8(1u << k);
    }
    s.ms = rec.ms;
    const int code = blocks.info[RDSBlocks::B] >> 11;
    const bool newGroup = !s.count.contains(code);
    ++s.count[code];
    ++s.count[totalKey];
    if (channel != m_shown)
        return true;
    if (newGroup) {
        // Inserted in place, not reset: the rows the user selected to filter
        // the monitor stay selected.
        const int row = int(std::lower_bound(m_rows.begin(), m_rows.end(), code) - m_rows.begin());
        beginInsertRows(QModelIndex(), row, row);
        m_rows.insert(row, code);
        endInsertRows();
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, Total), index(m_rows.size() - 1, Percent));
    return true;
}

RDSDecoder::Stats RDSDecoder::lastGroup(int channel) const
{
    return channel >= 0 && channel < channels ? m_stats.at(channel) : Stats();
}

void RDSDecoder::resetSource(int channel)
{
    if (channel < 0 || channel >= channels)
        return;
    m_stats[channel] = Stats();
    if (channel == m_shown)
        rebuildRows();
}

int RDSDecoder::groupAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : -1;
}

QString RDSDecoder::groupName(int code)
{
    return QStringLiteral("%1%2").arg(code >> 1).arg(code & 1 ? QLatin1Char('B') : QLatin1Char('A'));
}

void RDSDecoder::setLog(int channel)
{
    m_shown = channel >= 0 && channel < channels ? channel : 0;
    rebuildRows();
}

void RDSDecoder::rebuildRows()
{
    beginResetModel();
    m_rows = m_stats.at(m_shown).count.keys();
    m_rows.removeAll(totalKey);
    endResetModel();
}

int RDSDecoder::groupCode(const QByteArray &record)
{
    RDSLogRecord rec;
    if (!RDSLogRecord::fromBytes(record, &rec))
        return -1;
    return unpackGroup(rec.group).info[RDSBlocks::B] >> 11;
}

QString RDSDecoder::interpretation(const u16 block[4])
{
    const int code = block[RDSBlocks::B] >> 11;
    if (code != 0 && code != 1 && code != 31)
        return {};
    const int d = 3 - (block[RDSBlocks::B] & 3);
    return QStringLiteral(" DI %1%2%3")
        .arg((block[RDSBlocks::B] >> 2) & 1)
        .arg((d >> 1) & 1)
        .arg(d & 1);
}

QString RDSDecoder::monitorLine(const QByteArray &record, int options)
{
    RDSLogRecord rec;
    if (!RDSLogRecord::fromBytes(record, &rec))
        return {};
    const RDSBlocks blocks = unpackGroup(rec.group);
    const u16 b = blocks.info[RDSBlocks::B];
    QString line;
    if (options & LineTime)
        line += QTime::fromMSecsSinceStartOfDay(int(rec.ms % 86400000u)).toString(QStringLiteral("hh:mm:ss.zzz "));
    if (options & LineRaw) {
        line += QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(rec.group), RDSLogRecord::groupSize).toHex());
    } else {
        for (int k = 0; k < 4; ++k) {
            if (k)
                line += QLatin1Char(' ');
            line += QStringLiteral("%1").arg(blocks.info[k], 4, 16, QLatin1Char('0')).toUpper();
        }
    }
    const int type = b >> 12;
    if (options & LineGroup)
        line += QStringLiteral(" %1%2").arg(type, 2).arg(b & 0x0800 ? QLatin1Char('B') : QLatin1Char('A'));
    if (options & LinePty)
        line += QStringLiteral(" %1").arg((b >> 5) & 0x1F, 2);
    if (options & LineTpTa) {
        const QChar tp = b & 0x0400 ? QLatin1Char('1') : QLatin1Char('0');
        const QChar ta = type == 0 || type == 15 ? (b & 0x10 ? QLatin1Char('1') : QLatin1Char('0')) : QLatin1Char('_');
        line += QLatin1Char(' ') + tp + ta;
    }
    if (options & LineInterpret)
        line += interpretation(blocks.info);
    if (options & LineCrc) {
        int errors = 0;
        for (int k = 0; k < 4; ++k)
            if (!rdsBlockValid(blocks, k))
                errors |= 1 << k;
        if (errors)
            line += QStringLiteral(" *%1").arg(errors);
    }
    return line;
}
