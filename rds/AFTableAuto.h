#pragma once

#include "RDSAFEntry.h"

#include <QAbstractTableModel>
#include <QList>

// The automatic AF list of the shown source in the AF tab's `AFatab`: one
// row per channel with the same PI, column 0 the contributing channel,
// column 1 the frequency. Regional frequencies (method B) are painted in the
// group highlight colour. GUI thread.
class AFTableAuto : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Channel, Frequency, ColumnCount };

    explicit AFTableAuto(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setList(const QList<RDSAFEntry> &list);
    // Frequency of a row in 100 kHz units; 0 outside the list.
    qint32 frequencyAt(int row) const;

private:
    QList<RDSAFEntry> m_list;
};
