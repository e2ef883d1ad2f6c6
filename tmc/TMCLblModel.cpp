#include "TMCLblModel.h"

#include "TMCSender.h"
#include "TmcCatalog.h"
#include "TmcLabelTexts.h"

#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QLocale>

#include <algorithm>

namespace {

// Optional-content labels (ISO 14819-1).
enum Label {
    Duration = 0, ControlCode = 1, Length = 2, Speed = 3, Quantifier5 = 4, Quantifier8 = 5,
    SuppInfo = 6, StartTime = 7, StopTime = 8, AdditionalEvent = 9, Diversion = 10,
    CrossLink = 13, Separator = 14,
};
constexpr u8 noQuantifier = 0xFF;
constexpr int maxLabel = 15;
constexpr int maxValue = 0xFFFF;

int labelOf(u32 word) { return (word >> 16) & 15; }
int valueOf(u32 word) { return word & 0xFFFF; }
int maxValueOf(int label) { return (1 << TMCSender::labelWidth(label)) - 1; }


} // namespace

TMCLblModel::TMCLblModel(QObject *parent) : QAbstractTableModel(parent)
{
    qRegisterMetaType<u32>("u32"); // labelChanged may be queued
}

TMCLblModel::~TMCLblModel()
{
    qDebug("~TMC label model");
}

int TMCLblModel::rowCount(const QModelIndex &) const
{
    return m_labels.size();
}

int TMCLblModel::columnCount(const QModelIndex &) const
{
    return 2;
}

Qt::ItemFlags TMCLblModel::flags(const QModelIndex &) const
{
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
           Qt::ItemIsEnabled;
}

int TMCLblModel::add(u32 word)
{
    beginInsertRows(QModelIndex(), m_labels.size(), m_labels.size());
    m_labels.append(word);
    endInsertRows();
    validate();
    return m_labels.size();
}

int TMCLblModel::remove(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    int removed = 0;
    for (int i = rows.size() - 1; i >= 0; --i) {
        const int row = rows.at(i);
        if (row < 0 || row >= m_labels.size())
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_labels.removeAt(row);
        endRemoveRows();
        ++removed;
    }
    validate();
    if (removed)
        emit labelChanged(0, 0);
    return removed;
}

void TMCLblModel::setLabels(const QList<u32> &labels, u16 event)
{
    if (labels != m_labels) {
        beginResetModel();
        m_labels = labels;
        m_event = event;
        validate();
        endResetModel();
        return;
    }
    emit layoutAboutToBeChanged();
    m_event = event;
    validate();
    emit layoutChanged();
}

bool TMCLblModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int row = index.row();
    if (!index.isValid() || row >= m_labels.size() || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    bool ok = false;
    const uint v = value.toUInt(&ok);
    if (!ok || v > uint(index.column() == 0 ? maxLabel : maxValue))
        return false;
    u32 &word = m_labels[row];
    word = index.column() == 0 ? (word & 0xFFFF) | (v << 16) : (word & 0xFFFF0000u) | v;
    validate();
    emit dataChanged(this->index(row, 0), this->index(row, 1));
    emit labelChanged(row, word);
    return true;
}

void TMCLblModel::validate()
{
    const auto oldErrors = m_errors;
    const int oldLimit = m_limitRow;
    u8 q = tmcEventEntry(m_event).quantifier;
    m_errors.clear();
    int labelMask = 0, codeMask = 0;
    for (int i = 0; i < m_labels.size(); ++i) {
        const int l = labelOf(m_labels.at(i));
        const int v = valueOf(m_labels.at(i));
        if (labelMask & (1 << l)) {
            if (l == Duration || l == StartTime || l == StopTime || l == CrossLink)
                m_errors[i] = tr("Label nur einmal erlaubt");
            else if (l == Length || l == Speed)
                m_errors[i] = tr("Separator erforderlich");
        }
        labelMask |= 1 << l;
        if (l == Separator)
            labelMask &= ~((1 << Length) | (1 << Speed));
        if (l == Duration && v == 0)
            m_errors[i] = tr("Dauer 0 unzulässig");
        if (l == ControlCode) {
            if (codeMask & (1 << (v & 7)))
                m_errors[i] = tr("Jeder Code nur einmal erlaubt");
            codeMask |= 1 << (v & 7);
        }
        if ((l == Quantifier5 && q != noQuantifier && q > 5) || (l == Quantifier8 && q < 6))
            m_errors[i] = tr("Quantifier hat falsche Bitbreite");
        if ((l == Quantifier5 || l == Quantifier8) && q == noQuantifier)
            m_errors[i] = tr("Ereignis hat keinen Quantifier");
        if (l == AdditionalEvent) {
            const TMCEvent e = tmcEventEntry(u16(v));
            if (e.nature == 'S')
                m_errors[i] = tr("Stille Meldung unzulässig");
            q = e.quantifier;
        }
    }
    // The sender packs labels until the first one that does not fit.
    m_limitRow = noLimit;
    int bits = 0;
    for (int i = 0; i < m_labels.size(); ++i) {
        bits += 4 + TMCSender::labelWidth(labelOf(m_labels.at(i)));
        if (bits > TMCSender::maxContentWords * TMCSender::contentBits) {
            m_limitRow = i - 1;
            break;
        }
    }
    const QList<u32> groups = TMCSender::packLabels(m_labels, false, TMCSender::defaultKeyRow);
    if (groups != m_groups || m_errors != oldErrors || m_limitRow != oldLimit) {
        m_groups = groups;
        if (!m_labels.isEmpty())
            emit dataChanged(index(0, 0), index(m_labels.size() - 1, 1));
    }
}

QVariant TMCLblModel::data(const QModelIndex &index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row >= m_labels.size())
        return QVariant();
    const int l = labelOf(m_labels.at(row));
    const int v = valueOf(m_labels.at(row));
    const int max = maxValueOf(l);
    const bool column0 = index.column() == 0;
    switch (role) {
    case Qt::DisplayRole:
        if (column0)
            return tmcLabelNames().at(l);
        return l == Separator ? QVariant() : QVariant(valueText(row));
    case Qt::EditRole:
        return column0 ? l : v;
    case Qt::ToolTipRole: {
        if (row > m_limitRow)
            return tr("Limit für %1 Gruppen überschritten (max. %1*28 Bits)").arg(TMCSender::maxContentWords);
        QStringList tip;
        if (m_errors.contains(row))
            tip << m_errors.value(row);
        if (l <= StopTime)
            tip << QString::fromLatin1(v <= max ? "[0..%1]\n%2" : "Out of range [0..%1]\n%2").arg(max).arg(valueText(row));
        else if (l == AdditionalEvent)
            tip << tmcEventText(u16(v));
        else if (l >= Diversion && l <= CrossLink)
            tip << tmcLocationText(u16(v));
        return tip.isEmpty() ? QVariant() : QVariant(tip.join(QLatin1Char('\n')));
    }
    case Qt::BackgroundRole:
        if ((l != Separator && v > max) || row > m_limitRow)
            return QColor(0xF0D8D8);
        if (m_errors.contains(row))
            return QColor(0xF0F0A8);
        return QVariant();
    default:
        return QVariant();
    }
}

QString TMCLblModel::valueText(int row) const
{
    const int v = valueOf(m_labels.value(row));
    const QString text = meaning(row);
    return text.isEmpty() ? QString::number(v) : QStringLiteral("%1: %2").arg(v).arg(text);
}

QString TMCLblModel::meaning(int row) const
{
    const int l = labelOf(m_labels.value(row));
    const int v = valueOf(m_labels.value(row));
    // Duration and quantifiers belong to the nearest additional event above.
    u16 event = m_event;
    for (int i = row - 1; i >= 0; --i)
        if (labelOf(m_labels.at(i)) == AdditionalEvent) {
            event = u16(valueOf(m_labels.at(i)));
            break;
        }
    switch (l) {
    case Duration: return event ? tmcDurationText(event, u8(v)) : QString();
    case ControlCode: return v < 8 ? tmcControlCodeTexts().at(v) : QString();
    case Length:
        if (v == 0)
            return tr("über 100 km");
        if (v > 31)
            return QString();
        return QStringLiteral("%1 km").arg(v <= 10 ? v : v <= 15 ? 2 * v - 10 : 5 * (v - 11));
    case Speed: return v < 32 ? QStringLiteral("%1 km/h").arg(5 * v) : QString();
    case Quantifier5:
    case Quantifier8: return event && v <= 255 ? tmcQuantifierText(event, u8(v)) : QString();
    case SuppInfo: return tmcSuppInfoText(u16(v));
    case StartTime:
    case StopTime: return timeText(v);
    default: return QString();
    }
}

// Start and stop times (ISO 14819-1): quarter hours of today, hours from
// today, a day of this or the next month, the middle or end of a month.
QString TMCLblModel::timeText(int v) const
{
    const QDate today = m_today.isValid() ? m_today : QDate::currentDate();
    const QLocale locale;
    if (v < 96)
        return QTime(0, 0).addSecs(15 * 60 * v).toString(QStringLiteral("hh:mm"));
    if (v <= 200)
        return locale.toString(QDateTime(today, QTime(0, 0), Qt::UTC).addSecs(qint64(v - 72) * 3600),
                               QStringLiteral("dddd hh:mm"));
    if (v <= 231) {
        const int day = v - 200;
        const QDate month = today.day() >= day ? today.addMonths(1) : today;
        const QDate date(month.year(), month.month(), day);
        return date.isValid() ? locale.toString(date, QStringLiteral("dd. MMMM")) : QString();
    }
    if (v <= 255) {
        const int month = (v - 230) / 2;
        const QDate date(today.month() >= month ? today.year() + 1 : today.year(), month, 15);
        return locale.toString(date, v % 2 ? tr("'Ende' MMMM yyyy") : tr("'Mitte' MMMM yyyy"));
    }
    return QString();
}
