#pragma once

#include "TmcCatalog.h"

#include <QAbstractTableModel>
#include <QList>

// The rows of the event search: copies of the catalogue entries that pass
// a filter, ascending code. Column 0 (the code) can be dragged into the
// message table. GUI thread only.
class TMCEvtModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TMCEvtModel(QObject *parent = nullptr);
    ~TMCEvtModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Replaces the rows by the events that pass the filter. The filter's
    // english text is the typed text (an event code or a fragment of either
    // text); quantifier above 99 and 0 elsewhere mean no filter; a blank
    // nature, duration type or urgency asks for an empty one.
    void setFilter(TMCEvent filter, const QMap<int, TMCEvent> &events);

private:
    static bool passes(const TMCEvent &filter, const TMCEvent &e);

    QList<TMCEvent> m_rows;
};
