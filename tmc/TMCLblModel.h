#pragma once

#include "Types.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QList>
#include <QMap>

// The optional-content labels of one message (ISO 14819-1): one row per
// label word (label number in bits 19..16, value in bits 15..0), column 0
// the label, column 1 the value. Each change checks the sequence against
// the label rules (problems are shown per row by tool tip and colour, the
// words are kept as entered), packs it exactly as the TMC sender does and
// marks the rows the sender drops. GUI thread only.
class TMCLblModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // limitRow when every label is sent.
    static constexpr int noLimit = 35;

    explicit TMCLblModel(QObject *parent = nullptr);
    ~TMCLblModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Appends a label word; returns the new row count. No labelChanged.
    int add(u32 word);
    // Removes the listed rows (any order, repeats and missing rows
    // ignored); emits labelChanged(0, 0) when rows went. Returns how many.
    int remove(QList<int> rows);
    // Shows the labels of a message with its event code.
    void setLabels(const QList<u32> &labels, u16 event);

    const QList<u32> &labels() const { return m_labels; }
    // The 28-bit content words the sender makes of the labels.
    const QList<u32> &groups() const { return m_groups; }
    // Rows after this one are not sent (noLimit: all are).
    int limitRow() const { return m_limitRow; }
    QString errorText(int row) const { return m_errors.value(row); }

    // The value of a row in decimal, with its meaning after ": " when it
    // has one.
    QString valueText(int row) const;

    // The day that start and stop times (labels 7 and 8) count from; an
    // invalid date means today.
    void setToday(const QDate &today) { m_today = today; }

signals:
    void labelChanged(int row, u32 word);

private:
    void validate();
    QString meaning(int row) const;
    QString timeText(int v) const;

    QList<u32> m_labels;
    QList<u32> m_groups;
    QMap<int, QString> m_errors;
    u16 m_event = 0;
    int m_limitRow = noLimit;
    QDate m_today;
};
