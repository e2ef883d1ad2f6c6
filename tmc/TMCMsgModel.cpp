#include "TMCMsgModel.h"

#include "TmcCatalog.h"

#include <QColor>
#include <QCoreApplication>
#include <QDebug>

#include <algorithm>

namespace {

enum Column { Send = 0, Event = 1, Location = 2, Columns = 3 };
constexpr int sendStates = 3;
// Largest value of each column: send state, 11-bit event, 16-bit location.
constexpr uint columnMax[Columns] = {2, 2047, 65535};

QString tr(const char *text)
{
    return QCoreApplication::translate("TMCMsgModel", text);
}

QString sendText(u8 send)
{
    static const char *const texts[sendStates] = {QT_TRANSLATE_NOOP("TMCMsgModel", "nein"),
                                                  QT_TRANSLATE_NOOP("TMCMsgModel", "ja"),
                                                  QT_TRANSLATE_NOOP("TMCMsgModel", "aufheben")};
    return send < sendStates ? tr(texts[send]) : QStringLiteral("???");
}

} // namespace

TMCMsgModel::TMCMsgModel(QObject *parent) : QAbstractTableModel(parent) {}

TMCMsgModel::~TMCMsgModel()
{
    qDebug("~TMC message model");
}

int TMCMsgModel::rowCount(const QModelIndex &) const
{
    return m_messages.size();
}

int TMCMsgModel::columnCount(const QModelIndex &) const
{
    return Columns;
}

QVariant TMCMsgModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_messages.size())
        return QVariant();
    const TMCMessage &m = m_messages.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Send: return sendText(m.send);
        case Event: return m.event;
        case Location: return m.location;
        }
        return QVariant();
    case Qt::ToolTipRole:
        switch (index.column()) {
        case Send: return tr("nein / ja / aufheben");
        case Event: return tmcEventText(m.event);
        case Location: return tmcLocationText(m.location);
        }
        return QVariant();
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::BackgroundRole: return index.row() == currentRow() ? QVariant(QColor(204, 255, 198)) : QVariant();
    default: return QVariant();
    }
}

bool TMCMsgModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int row = index.row();
    const int column = index.column();
    if (!index.isValid() || row >= m_messages.size() || column >= Columns)
        return false;
    if (role != Qt::EditRole && !(role == Qt::DisplayRole && column != Send))
        return false;
    bool ok = false;
    const qlonglong v = value.toLongLong(&ok);
    if (!ok || v < 0 || v > columnMax[column])
        return false;
    TMCMessage &m = m_messages[row];
    if (column == Send)
        m.send = u8(v);
    else if (column == Event)
        m.event = u16(v);
    else
        m.location = u16(v);
    emit messageChanged(row, m);
    return true;
}

QVariant TMCMsgModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section) : QVariant();
    static const char *const titles[Columns] = {QT_TRANSLATE_NOOP("TMCMsgModel", "Senden"),
                                                QT_TRANSLATE_NOOP("TMCMsgModel", "Ereignis"),
                                                QT_TRANSLATE_NOOP("TMCMsgModel", "Ortscode")};
    static const char *const tips[Columns] = {QT_TRANSLATE_NOOP("TMCMsgModel", "nein / ja / aufheben"),
                                              QT_TRANSLATE_NOOP("TMCMsgModel", "Ereignis Code"),
                                              QT_TRANSLATE_NOOP("TMCMsgModel", "Location Code aus LTN")};
    if (section < 0 || section >= Columns)
        return QVariant();
    if (role == Qt::DisplayRole)
        return tr(titles[section]);
    if (role == Qt::ToolTipRole)
        return tr(tips[section]);
    return QVariant();
}

Qt::ItemFlags TMCMsgModel::flags(const QModelIndex &index) const
{
    if (index.column() == Send)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
           Qt::ItemIsEnabled;
}

int TMCMsgModel::add(const TMCMessage &message)
{
    beginInsertRows(QModelIndex(), m_messages.size(), m_messages.size());
    m_messages.append(message);
    endInsertRows();
    return m_messages.size();
}

TMCMessage TMCMsgModel::get(int row) const
{
    return m_messages.value(row);
}

void TMCMsgModel::cycleSend(int row)
{
    if (row < 0 || row >= m_messages.size())
        return;
    TMCMessage &m = m_messages[row];
    m.send = u8((m.send + 1) % sendStates);
    emit dataChanged(index(row, Send), index(row, Send));
    emit messageChanged(row, m);
}

int TMCMsgModel::remove(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    int removed = 0;
    for (int i = rows.size() - 1; i >= 0; --i) {
        const int row = rows.at(i);
        if (row < 0 || row >= m_messages.size())
            continue;
        beginRemoveRows(QModelIndex(), row, row);
        m_messages.removeAt(row);
        endRemoveRows();
        ++removed;
    }
    return removed;
}

void TMCMsgModel::setDurationFlags(int row, u8 duration, u8 flags)
{
    if (row < 0 || row >= m_messages.size())
        return;
    m_messages[row].duration = duration;
    m_messages[row].flags = flags;
}

void TMCMsgModel::setLabels(int row, const QList<u32> &labels)
{
    if (row >= 0 && row < m_messages.size())
        m_messages[row].labels = labels;
}

void TMCMsgModel::setSource(const TMCSource &source)
{
    const QList<TMCMessage> &next = source.messages;
    if (next == m_messages)
        return;
    const QList<TMCMessage> old = m_messages;
    const int oldCount = old.size();
    const int newCount = next.size();
    if (newCount > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, newCount - 1);
        m_messages = next;
        endInsertRows();
    } else if (newCount < oldCount) {
        beginRemoveRows(QModelIndex(), newCount, oldCount - 1);
        m_messages = next;
        endRemoveRows();
    } else {
        m_messages = next;
    }
    for (int row = 0; row < qMin(oldCount, newCount); ++row)
        if (old.at(row) != next.at(row))
            emit dataChanged(index(row, Send), index(row, Location));
}

void TMCMsgModel::setCurrent(int row)
{
    // Both the old and the new current row change their background.
    const int old = currentRow();
    m_current = row >= 0 && row < m_messages.size() ? QPersistentModelIndex(index(row, Send))
                                                    : QPersistentModelIndex();
    for (int r : {old, currentRow()})
        if (r >= 0)
            emit dataChanged(index(r, Send), index(r, Location));
}
