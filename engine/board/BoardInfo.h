#pragma once

#include "Types.h"

#include <QMetaType>

#include <cstring>

// What a modulator board reports about itself in its information reply.
// A value type: the board link fills it and hands copies to the main window
// and to its channel programs.
struct BoardInfo
{
    // Board types are four ASCII characters read as a big-endian u32.
    static constexpr u32 typeZQX4 = 0x5A515834;      // "ZQX4"
    static constexpr u32 typeZQTX = 0x5A515458;      // "ZQTX"
    static constexpr u32 typeZQTXLower = 0x7A515458; // "zQTX": ZQTX with the 0x20 bit of byte 0 set

    u32 boardType = 0;
    u32 version = 0; // firmware version
    u32 pcmSize = 0; // fill limit of the PCM FIFO, sample frames
    u32 rdsSize = 0; // RDS FIFO size, 16-bit words
    u8 mac[6] = {};

    int boxNumber() const { return mac[4] * 256 + mac[5]; }
    bool isZQX4() const { return boardType == typeZQX4; }

    static bool isAcceptedType(u32 type)
    {
        return type == typeZQX4 || type == typeZQTX || type == typeZQTXLower;
    }

    bool operator==(const BoardInfo &o) const
    {
        return boardType == o.boardType && version == o.version && pcmSize == o.pcmSize
            && rdsSize == o.rdsSize && std::memcmp(mac, o.mac, sizeof mac) == 0;
    }
    bool operator!=(const BoardInfo &o) const { return !(*this == o); }

    // Makes the type usable in queued connections; safe to call repeatedly.
    static void registerMetaType();
};

Q_DECLARE_METATYPE(BoardInfo)

inline void BoardInfo::registerMetaType()
{
    qRegisterMetaType<BoardInfo>("BoardInfo");
}
