#include "TMCEvtModel.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

constexpr int columns = 10;
const char *const titles[columns] = {"Code", "Zeile", "N", "Q", "T", "D", "U", "C", "Refer", "German / English"};
const char *const tips[columns] = {
    QT_TRANSLATE_NOOP("TMCEvtModel", "Ereignis Code"), QT_TRANSLATE_NOOP("TMCEvtModel", "Zeile im Standard"),
    "Nature", "Quantifier", "Duration Type", "Directionality", "Urgency", "Class", "References",
    QT_TRANSLATE_NOOP("TMCEvtModel", "Ereignistext Deutsch / English")};

QVariant character(u8 c)
{
    return c ? QVariant(QString(QLatin1Char(char(c)))) : QVariant();
}

QVariant nonZero(int v)
{
    return v ? QVariant(v) : QVariant();
}

// Letters compared with bit 5 ignored: a blank matches an empty field and
// a lower-case letter its upper-case one.
bool sameLetter(u8 a, u8 b)
{
    return (a & ~0x20) == (b & ~0x20);
}

} // namespace

TMCEvtModel::TMCEvtModel(QObject *parent) : QAbstractTableModel(parent) {}

TMCEvtModel::~TMCEvtModel()
{
    qDebug("~TMC event model");
}

int TMCEvtModel::rowCount(const QModelIndex &) const
{
    return m_rows.size();
}

int TMCEvtModel::columnCount(const QModelIndex &) const
{
    return columns;
}

QVariant TMCEvtModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const TMCEvent &e = m_rows.at(index.row());
    switch (index.column()) {
    case 0: return e.code;
    case 1: return e.line;
    case 2: return character(e.nature);
    case 3: return e.quantifier < 100 ? QVariant(e.quantifier) : QVariant();
    case 4: return character(e.durationType);
    case 5: return nonZero(e.directionality);
    case 6: return character(e.urgency);
    case 7: return nonZero(e.eventClass);
    case 8: return QString::fromUtf8(e.references);
    case 9: return QString::fromUtf8(e.german + " / " + e.english);
    default: return QVariant();
    }
}

QVariant TMCEvtModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section) : QVariant();
    if (section < 0 || section >= columns)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(titles[section]);
    if (role == Qt::ToolTipRole)
        return QCoreApplication::translate("TMCEvtModel", tips[section]);
    return QVariant();
}

Qt::ItemFlags TMCEvtModel::flags(const QModelIndex &index) const
{
    if (index.column() == 0)
        return Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled;
}

bool TMCEvtModel::passes(const TMCEvent &filter, const TMCEvent &e)
{
    bool isNumber = false;
    const uint typedCode = filter.english.toUInt(&isNumber);
    if (isNumber && typedCode == e.code)
        return true;
    if (!filter.english.isEmpty()) {
        const QString typed = QString::fromUtf8(filter.english);
        if (!QString::fromUtf8(e.english).contains(typed, Qt::CaseInsensitive) &&
            !QString::fromUtf8(e.german).contains(typed, Qt::CaseInsensitive))
            return false;
    }
    if (filter.quantifier <= 99 && filter.quantifier != e.quantifier)
        return false;
    if (filter.directionality && filter.directionality != e.directionality)
        return false;
    if (filter.eventClass && filter.eventClass != e.eventClass)
        return false;
    if (filter.nature && !sameLetter(filter.nature, e.nature))
        return false;
    if (filter.urgency && !sameLetter(filter.urgency, e.urgency))
        return false;
    if (filter.durationType && !sameLetter(filter.durationType, e.durationType))
        return false;
    return true;
}

void TMCEvtModel::setFilter(TMCEvent filter, const QMap<int, TMCEvent> &events)
{
    if (!m_rows.isEmpty()) {
        beginRemoveRows(QModelIndex(), 0, m_rows.size() - 1);
        m_rows.clear();
        endRemoveRows();
    }
    const bool none = filter.english.isEmpty() && filter.quantifier > 99 && !filter.directionality &&
                      !filter.eventClass && !filter.nature && !filter.durationType && !filter.urgency;
    QList<TMCEvent> found;
    for (const TMCEvent &e : events)
        if (none || passes(filter, e))
            found.append(e);
    if (found.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, found.size() - 1);
    m_rows = found;
    endInsertRows();
}
