#pragma once

#include "RDSCustomGroup.h"

#include <QAbstractTableModel>
#include <QList>

// The freely defined (ODA) groups of the shown source in the RDS2 tab's `ODA`
// table, one row per group: column 0 the send switch (check box), columns
// 1..4 the information words of blocks A..D (four hexadecimal digits),
// columns 5..8 their checkwords (three hexadecimal digits of 10 bits; "auto"
// when the encoder computes them, IEC 62106 checkword and offset), columns
// 9..12 the rates on streams 0..3 in groups per minute (negative: fill with
// free groups). Every edit by the user ends with saveODA(); setList does not.
// GUI thread.
class ODAModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Active, BlockA, CheckA = BlockA + 4, Rate0 = CheckA + 4, ColumnCount = Rate0 + 4 };

    explicit ODAModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // New rows hold a default group; neither emits saveODA (the page stores).
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    void setList(const QList<RDSCustomGroup> &list);
    QList<RDSCustomGroup> list() const { return m_list; }

signals:
    void saveODA();

private:
    QList<RDSCustomGroup> m_list;
};
