#pragma once

#include "Types.h"

#include <cstring>

// A client the board has heard from lately, as its lock status lists it.
struct LockClient
{
    u32 ip = 0;         // IPv4, host order; 0 = empty entry
    u16 port = 0;
    u16 lastSeen = 0;   // tenths of a second since the board last heard from it
};

// The lock status of a board: who holds it and who talked to it lately.
// The board link fills it (under its board mutex) and the take-over dialog
// reads a copy.
struct LockInfo
{
    static constexpr int identitySize = 16;
    static constexpr int clientCount = 4;

    // Token byte, then up to 15 characters "user@computer", zero padded.
    // All 0xFF until a lock status arrives.
    u8 identity[identitySize];
    u32 ip = 0;    // the locker's IPv4, host order; 0 = not locked
    u16 port = 0;
    u16 box = 0;   // box number of the board (from its MAC)
    LockClient clients[clientCount];

    LockInfo() { std::memset(identity, 0xFF, sizeof identity); }

    bool sameIdentity(const u8 other[identitySize]) const
    {
        return std::memcmp(identity, other, identitySize) == 0;
    }
};
