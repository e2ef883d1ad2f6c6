#include "ChannelRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Channels of the third board that sit on fixed frequencies (0.1 MHz).
struct FixedFreq
{
    int ch;
    int tenths;
};
constexpr FixedFreq fixedFreqs[] = {
    {49, 889}, {53, 910}, {57, 957}, {61, 978}, {65, 1025}, {69, 1046},
};

// Offset added per channel inside a group of eight, in 0.1 MHz.
constexpr int spreadOffset[8] = {0, -2, -1, 2, 3, 1, 0, 1};

constexpr int lowestTenths = 875;  // 87.5 MHz
constexpr int highestTenths = 1080; // 108.0 MHz

} // namespace

ChannelRecord ChannelRecord::defaults(int ch)
{
    ChannelRecord r;
    r.ch = ch;
    r.freq = defaultFreq(ch);
    return r;
}

int ChannelRecord::defaultFreqTenths(int ch)
{
    for (const FixedFreq &f : fixedFreqs) {
        if (f.ch == ch)
            return f.tenths;
    }
    if (ch < 1)
        return lowestTenths; // no board holds such a channel; keep the index math in range
    const int e = ch - 1;
    const int board = e / 24;
    const int index = e % 24;
    const qint64 value = qint64(lowestTenths) + (85 * index) / 10 + spreadOffset[e % 8] + 3 * qint64(board);
    return int(std::min<qint64>(highestTenths, value));
}

double ChannelRecord::defaultFreq(int ch)
{
    return defaultFreqTenths(ch) / 10.0;
}

qint32 ChannelRecord::aofToStored(double aof)
{
    // The small tolerance keeps decimal inputs such as 0.285 from falling
    // just below the half through binary rounding.
    const double scaled = std::floor(aof * 100.0 + 0.5 + 1e-9);
    if (std::isnan(scaled))
        return 0;
    const double lo = std::numeric_limits<qint32>::min();
    const double hi = std::numeric_limits<qint32>::max();
    return qint32(std::clamp(scaled, lo, hi));
}

bool ChannelRecord::operator==(const ChannelRecord &o) const
{
    return ch == o.ch && used == o.used && mute == o.mute && mono == o.mono && freq == o.freq &&
           gain == o.gain && volm == o.volm && idaudio == o.idaudio && idrds == o.idrds &&
           devi == o.devi && emph == o.emph && rate == o.rate && autoRate == o.autoRate &&
           aof == o.aof && att == o.att;
}
