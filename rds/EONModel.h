#pragma once

#include "EON.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

// The EON entries (IEC 62106 group 14A, other networks) of the shown source
// in the basic-settings tab's `EON` table. Columns: the channel whose
// programme the entry describes (0 none), PI, PS, PTY, TP and TA (check
// boxes), linkage information, AF list (frequencies in MHz separated by
// blanks). Every edit by the user ends with saveEON(); setList does not. An
// AF text that is no list of frequencies is not stored: its cell shows it in
// light red until the list is set again. GUI thread.
class EONModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Channel, PI, PS, PTY, TP, TA, Link, AF, ColumnCount };

    explicit EONModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // New rows hold a default EON; neither emits saveEON (the page stores).
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    void setList(const QList<EON> &list);
    // Takes a list of the same length in place (no reset: a view keeps its
    // current cell and selection); another length resets like setList.
    void updateList(const QList<EON> &list);
    QList<EON> list() const { return m_list; }

    // The AF list as text ("87.6 89.2") and back: parts separated by blanks
    // or ';', each a frequency an AF code carries ("101,1" reads 101.1);
    // false when a part is none.
    static QString afText(const QList<RDSAFEntry> &af);
    static bool parseAfText(const QString &text, QList<RDSAFEntry> *af);

signals:
    void saveEON();

private:
    QList<EON> m_list;
    QHash<int, QString> m_afRefused; // row -> AF text typed there and not stored
};
