#pragma once

#include "Types.h"

#include <cstring>

// One coded RDS group as it travels to the board, through the RDS input ring
// and to the monitor: four blocks of 16 information bits, each followed by
// its 10 check bits, 104 bits packed most significant bit first, no gaps
// (IEC 62106 group structure).
struct RDSGroup
{
    static constexpr int size = 13;
    u8 bytes[size] = {};

    bool operator==(const RDSGroup &o) const { return std::memcmp(bytes, o.bytes, size) == 0; }
    bool operator!=(const RDSGroup &o) const { return !(*this == o); }
};
static_assert(sizeof(RDSGroup) == RDSGroup::size, "RDSGroup must be 13 bytes without padding");
