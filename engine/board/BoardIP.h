#pragma once

#include "Types.h"

#include <QMetaType>
#include <QString>

class QDebug;

// The address of one modulator board: where its data link listens and which
// board it is. Passed by value, also through queued signals between threads.
struct BoardIP
{
    u32 ip = 0;   // IPv4, host order: 192.168.1.2 is 0xC0A80102
    u16 port = 0; // UDP port of the board's data link
    u8 mac[6] = {};

    // The box number printed on the board: the last two MAC bytes.
    int boxNumber() const { return mac[4] * 256 + mac[5]; }
    bool isNull() const { return ip == 0 && port == 0; }
    // "192.168.1.2 : 21520"
    QString addressText() const;
    // "00:50:C2:12:34:56"
    QString macText() const;

    bool operator==(const BoardIP &o) const;
    bool operator!=(const BoardIP &o) const { return !(*this == o); }

    // Makes the type usable in queued connections; safe to call repeatedly.
    static void registerMetaType();
};

// MAC, dotted address, ":" and port, as four items of the stream.
QDebug operator<<(QDebug dbg, const BoardIP &board);

Q_DECLARE_METATYPE(BoardIP)
