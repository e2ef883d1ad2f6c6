#pragma once

#include "TmcCatalog.h"

#include <QAbstractTableModel>
#include <QList>

// The rows of the location search: parsed copies of the catalogue entries
// that match the typed words, ascending code, at most maxRows. Column 0
// (the code) can be dragged into the message table. GUI thread only.
class TMCLocModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int maxRows = 10000;

    explicit TMCLocModel(QObject *parent = nullptr);
    ~TMCLocModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Replaces the rows by the locations that match every word of the text
    // (UTF-8): a word matches a location whose code it names or whose line
    // contains it, letters compared without regard to case. An empty text
    // lists the first locations. Taken entries are parsed in the map.
    void find(const QByteArray &text, QMap<int, TMCLocation> &map);

    // Column titles; a tenth and further title become "other".
    void setHeaders(QList<QByteArray> titles);

private:
    QList<TMCLocation> m_rows;
    QList<QByteArray> m_titles;
};
