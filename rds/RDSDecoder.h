#pragma once

#include "Types.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QVector>

// The packet statistics of the RDS monitor: one record per channel 0..96
// (0 = no channel) of the groups that the channels report as sent, and the
// table model of the shown channel's groups in the page's `pTable`.
// Groups are numbered type x 2 + version (0 = 0A, 1 = 0B, ..., 31 = 15B).
// GUI thread only: the records arrive as copies in key-change events.
class RDSDecoder : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int channels = 97;  // records 0..96
    static constexpr int totalKey = 512; // key of the total count in Stats::count

    enum Column { Group, Total, PerMinute, Percent, ColumnCount };

    struct Stats {
        u16 block[4] = {0, 0, 0, 0}; // last group's blocks A..D
        u32 ms = 0;                  // its send time, ms since midnight
        u8 errors = 0;               // bit 0 block A, 1 B, 2 C or C', 3 D had a checkword error
        QMap<int, qint64> count;     // group code -> groups; totalKey -> all groups
    };

    explicit RDSDecoder(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Counts one 17-byte RDSLogRecord of the channel; false (nothing counted)
    // for a channel outside 0..96 or a record of another size.
    bool decode(int channel, const QByteArray &record);
    // Copy of the channel's record; an empty one outside 0..96.
    Stats lastGroup(int channel) const;
    // Clears the channel's statistics.
    void resetSource(int channel);
    int shownChannel() const { return m_shown; }
    // Group code of a table row, -1 outside.
    int groupAt(int row) const;
    // "0A" .. "15B".
    static QString groupName(int code);
    // Parts of a monitor line (the page's line option boxes).
    enum LineOption {
        LineTime = 1,      // "hh:mm:ss.zzz "
        LineRaw = 2,       // the 13 bytes as 26 hex digits instead of four blocks
        LineGroup = 4,     // " 0A"
        LinePty = 8,       // " 10"
        LineTpTa = 16,     // " 10" (TP, TA) for 0 and 15, else " 1_"
        LineInterpret = 32, // the decoder-information bit of 0A, 0B and 15B
        LineCrc = 64,      // " *12": error flags when a checkword failed
    };
    // One monitor line of a 17-byte RDSLogRecord; empty for another size.
    static QString monitorLine(const QByteArray &record, int options);
    // The group code of a 17-byte record, -1 for another size.
    static int groupCode(const QByteArray &record);
    // The interpretation text of a group: " DI " followed by the bit value
    // and the number of the decoder-information bit (two binary digits:
    // 00 stereo, 01 artificial head, 10 compressed, 11 dynamic PTY) for
    // groups 0A, 0B and 15B; empty for the others.
    static QString interpretation(const u16 block[4]);
    // Groups per minute of a share of all groups at 1187.5 bit/s (104 bits a group).
    static constexpr double groupsPerMinute = 1187.5 / 104.0 * 60.0;

public slots:
    // The table shows the channel's groups (0..96; others show nothing).
    void setLog(int channel);

private:
    void rebuildRows();

    QVector<Stats> m_stats;
    int m_shown = 0;
    QList<int> m_rows; // group codes of the shown channel, ascending
};
