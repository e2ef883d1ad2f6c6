#pragma once

#include "Types.h"

#include <QAbstractTableModel>
#include <QList>

// The compiled AF codes of the shown source in the AF tab's `AFsend`: one
// row per code word as group 0A carries it in block C, column 0 the first
// (high) code, column 1 the second. Shown as hexadecimal bytes or decoded
// (IEC 62106 AF code tables): "#n" for a count code (224 + n), frequencies
// in MHz or kHz, "LF/MF" for the marker 250 and "-" for the filler 205.
// With method B the pairs whose codes descend (regional variants) are
// painted in the group highlight colour. GUI thread.
class AFTableSend : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit AFTableSend(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setCodes(const QList<u16> &codes, bool methodB);
    // Bytes (true) or decoded codes; repaints every cell.
    void setShowBytes(bool bytes);
    bool showBytes() const { return m_bytes; }

    // The text of one code; lfMf: the code follows the LF/MF marker.
    static QString codeText(u8 code, bool lfMf);

private:
    QList<u16> m_codes;
    bool m_methodB = false;
    bool m_bytes = false;
};
