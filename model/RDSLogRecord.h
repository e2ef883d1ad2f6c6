#pragma once

#include "Types.h"

#include <QByteArray>
#include <QTime>

// The value of the RDS monitor key "chinfo.N.rdslog.S": one coded group as
// sent (13 bytes, four blocks of 16 information and 10 check bits packed
// without gaps, IEC 62106 group structure) followed by the time of day at
// which it was sent, u32 little-endian milliseconds since midnight.
struct RDSLogRecord
{
    static constexpr int groupSize = 13;
    static constexpr int size = groupSize + 4;

    u8 group[groupSize] = {};
    u32 ms = 0; // 0 .. 86 399 999

    QByteArray toBytes() const;
    // False (out untouched) unless bytes holds exactly 17 bytes.
    static bool fromBytes(const QByteArray &bytes, RDSLogRecord *out);
    // Milliseconds from 00:00:00.000 to the time of day; 0 for an invalid time.
    static u32 msOfDay(const QTime &timeOfDay);
};
