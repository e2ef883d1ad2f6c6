#include "TMCLocModel.h"

#include <QDebug>
#include <QStringList>

namespace {

constexpr int columns = 10;
constexpr int otherColumn = 9;

bool matches(const QStringList &words, const TMCLocation &loc)
{
    const QString line = QString::fromUtf8(loc.line);
    for (const QString &word : words) {
        bool isNumber = false;
        const qulonglong code = word.toULongLong(&isNumber);
        if (isNumber && code != 0 && code == loc.code)
            continue;
        if (!line.contains(word, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

} // namespace

TMCLocModel::TMCLocModel(QObject *parent) : QAbstractTableModel(parent) {}

TMCLocModel::~TMCLocModel()
{
    qDebug("~TMC place model");
}

int TMCLocModel::rowCount(const QModelIndex &) const
{
    return m_rows.size();
}

int TMCLocModel::columnCount(const QModelIndex &) const
{
    return columns;
}

QVariant TMCLocModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const TMCLocation &loc = m_rows.at(index.row());
    const int column = index.column();
    if (column == 0)
        return loc.code;
    if (column == otherColumn)
        return QString::fromUtf8(loc.other);
    return column < loc.fields.size() ? QString::fromUtf8(loc.fields.at(column)) : QString();
}

QVariant TMCLocModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section;
    if (section >= 0 && section < m_titles.size())
        return QString::fromUtf8(m_titles.at(section));
    return QString::number(section);
}

Qt::ItemFlags TMCLocModel::flags(const QModelIndex &index) const
{
    if (index.column() == 0)
        return Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled;
}

void TMCLocModel::setHeaders(QList<QByteArray> titles)
{
    if (titles.size() > otherColumn)
        titles[otherColumn] = "other";
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, columns - 1);
}

void TMCLocModel::find(const QByteArray &text, QMap<int, TMCLocation> &map)
{
    if (!m_rows.isEmpty()) {
        beginRemoveRows(QModelIndex(), 0, m_rows.size() - 1);
        m_rows.clear();
        endRemoveRows();
    }
    const QStringList words =
        QString::fromUtf8(text).toLower().simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<int> taken;
    for (auto it = map.constBegin(); it != map.constEnd() && taken.size() < maxRows; ++it)
        if (words.isEmpty() || matches(words, *it))
            taken.append(it.key());
    if (taken.isEmpty())
        return;
    beginInsertRows(QModelIndex(), 0, taken.size() - 1);
    for (int code : taken) {
        auto it = map.find(code);
        *it = tmcParseLocation(*it);
        m_rows.append(*it);
    }
    endInsertRows();
}
