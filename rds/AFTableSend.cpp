#include "AFTableSend.h"

#include "AFCodes.h"
#include "RDSTexts.h"

namespace {

// IEC 62106 AF codes: 1..204 FM 87.6..107.9 MHz, 205 filler, 224..249 count,
// 250 LF/MF follows; LF codes 1..15 from 153 kHz, MF 16..135 from 531 kHz,
// both in 9 kHz steps.
constexpr u8 kFmLast = 204;
constexpr u8 kCountFirst = 224;
constexpr u8 kCountLast = 249;
constexpr u8 kLfMfMarker = 250;

bool isFm(u8 code)
{
    return code >= 1 && code <= kFmLast;
}

} // namespace

AFTableSend::AFTableSend(QObject *parent) : QAbstractTableModel(parent) {}

int AFTableSend::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_codes.size();
}

int AFTableSend::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QString AFTableSend::codeText(u8 code, bool lfMf)
{
    if (lfMf && code >= 1 && code <= 15)
        return afFrequencyText(1530 + 90 * (code - 1), false);
    if (lfMf && code >= 16 && code <= 135)
        return afFrequencyText(5310 + 90 * (code - 16), false);
    if (isFm(code))
        return afFrequencyText(875 + code, false);
    if (code == afFiller)
        return QStringLiteral("-");
    if (code >= kCountFirst && code <= kCountLast)
        return QStringLiteral("#%1").arg(code - kCountFirst);
    if (code == kLfMfMarker)
        return QStringLiteral("LF/MF");
    return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
}

QVariant AFTableSend::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.row() >= m_codes.size() || index.column() < 0 || index.column() > 1)
        return {};
    const u16 word = m_codes.at(index.row());
    const u8 high = u8(word >> 8), low = u8(word);
    const u8 code = index.column() == 0 ? high : low;
    switch (role) {
    case Qt::DisplayRole:
        if (m_bytes)
            return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
        return codeText(code, index.column() == 1 && high == kLfMfMarker);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (m_methodB && isFm(high) && isFm(low) && high > low)
            return groupHighlightColour();
        return {};
    default:
        return {};
    }
}

QVariant AFTableSend::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && (section == 0 || section == 1))
        return tr("Code %1").arg(section + 1);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void AFTableSend::setCodes(const QList<u16> &codes, bool methodB)
{
    beginResetModel();
    m_codes = codes;
    m_methodB = methodB;
    endResetModel();
}

void AFTableSend::setShowBytes(bool bytes)
{
    m_bytes = bytes;
    if (!m_codes.isEmpty())
        emit dataChanged(index(0, 0), index(m_codes.size() - 1, 1));
}
