#pragma once

#include "TMCMessage.h"
#include "TMCSource.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPersistentModelIndex>

// The messages of the TMC source shown on the TMC page, a copy of the
// project's list: column 0 the send state ("nein", "ja", "aufheben"),
// column 1 the event code, column 2 the location code. Codes are edited
// with spin boxes or by dropping a code cell; the page stores every change
// it hears of through messageChanged. GUI thread only.
class TMCMsgModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TMCMsgModel(QObject *parent = nullptr);
    ~TMCMsgModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Edit role: the three columns; display role (a dropped cell): the two
    // code columns. Values outside the cell's range are refused.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Appends a message; returns the new row count.
    int add(const TMCMessage &message);
    // The message of a row; the empty message for a row outside the list.
    TMCMessage get(int row) const;
    // nein -> ja -> aufheben -> nein; emits messageChanged.
    void cycleSend(int row);
    // Removes the listed rows (any order, repeats and missing rows
    // ignored); returns how many went.
    int remove(QList<int> rows);
    // Change a row without announcing it (rows outside are ignored).
    void setDurationFlags(int row, u8 duration, u8 flags);
    void setLabels(int row, const QList<u32> &labels);
    // Shows the messages of a source, announcing only what differs.
    void setSource(const TMCSource &source);

    // The row shown in the page's message editor; -1 none. It stays with
    // its message when rows before it come or go, and becomes -1 when its
    // own row is removed.
    int currentRow() const { return m_current.isValid() ? m_current.row() : -1; }

public slots:
    // A row outside the list makes no row current.
    void setCurrent(int row);

signals:
    void messageChanged(int row, const TMCMessage &message);

private:
    QList<TMCMessage> m_messages;
    QPersistentModelIndex m_current;
};
