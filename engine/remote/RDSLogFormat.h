#pragma once

#include <QString>
#include <QVariant>

#include <array>

// How the remote control shows an RDS monitor record ("chinfo.N.rdslog.S",
// the value an RDSLogRecord of 17 bytes): up to five pieces after the key,
// each chosen by a slot. Pure; owned by the control server (GUI thread).
//
//   raw    a blank and the 13 group bytes as 26 lower-case hex digits
//   data   " aaaa bbbb cccc dddd", the information words of blocks A to D
//   time   " hh:mm:ss.zzz", the time of day the group was sent
//   group  " 0A", group type and version
class RDSLogFormat
{
public:
    enum Piece { Nothing = -1, Raw = 0, Data = 1, Time = 2, Group = 3 };
    static constexpr int slotCount = 5;

    RDSLogFormat();

    // Sets the slots from the words of "SET rdslog": raw, data, time, group
    // in any case; any other word and every missing one shows nothing.
    void setWords(const QString &words);
    const std::array<int, slotCount> &pieces() const { return m_pieces; }

    // The pushed line of a monitor key (shown with dots). A value that is not
    // a 17-byte record is shown as text after a blank, never decoded.
    QString line(const QString &displayKey, const QVariant &value) const;

private:
    std::array<int, slotCount> m_pieces;
};
