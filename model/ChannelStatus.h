#pragma once

#include "Types.h"

// The status a board last reported for one of its channels, kept by the
// board link and read by the channel strips. A channel that has not
// reported yet reads as all zero. Never stored in the project file.
struct ChannelStatus
{
    // Added to flags by the board link when the measured rates drift.
    static constexpr u16 PcmRateOff = 0x100;
    static constexpr u16 RdsRateOff = 0x200;

    u16 pcmFill = 0;      // PCM fill level of the board's buffer, frames
    u16 rdsFill = 0;      // RDS fill level, units of 2 bytes
    u16 flags = 0;        // the board's status word for the channel
    double level = 0.0;   // channel level, dB
    double pcmRate = 0.0; // measured PCM rate, frames per second
    double rdsRate = 0.0; // measured RDS rate, units of 2 bytes per second

    bool operator==(const ChannelStatus &o) const
    {
        return pcmFill == o.pcmFill && rdsFill == o.rdsFill && flags == o.flags &&
               level == o.level && pcmRate == o.pcmRate && rdsRate == o.rdsRate;
    }
    bool operator!=(const ChannelStatus &o) const { return !(*this == o); }
};
