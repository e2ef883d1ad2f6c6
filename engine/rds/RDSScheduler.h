#pragma once

#include "Types.h"

#include <QVector>

#include <array>
#include <vector>

// The rate scheduler of one RDS encoder: decides per stream and slot which
// group type (0..15) or which user-defined raw group is due, from the wanted
// rates in groups per minute and the groups sent since the last restart.
//
// Counters are 64 bit and the ratios are computed in double precision, so the
// schedule stays right however long a channel is on air.
//
// Owned by its RDSEncoder; used in the board thread under the encoder's lock
// (read lock for next(), write lock for the setters). Not thread-safe itself.
class RDSScheduler
{
public:
    static constexpr int streams = 4;
    static constexpr int types = 16;
    static constexpr int rateEntries = 32;
    static constexpr int noGroup = -1;
    static constexpr int rawGroup = 32;

    // One entry of the rate table: rate[s] is the wanted rate in groups per
    // minute on stream s; a negative rate marks a filler whose weight is its
    // magnitude.
    struct Rate
    {
        bool on = false;
        int rate[streams] = {0, 0, 0, 0};
        bool operator==(const Rate &o) const;
        bool operator!=(const Rate &o) const { return !(*this == o); }
    };
    using RateTable = std::array<Rate, rateEntries>;
    using RawRates = std::array<int, streams>;

    RDSScheduler();

    // Takes the rate table, the rates of the raw groups and the TMC gap flag.
    // restart zeroes every counter. The raw-group counters always follow the
    // length of rawRates. The fill flags are recomputed: a stream with an
    // enabled entry of negative rate (entry 8 excepted while tmgap is set)
    // sends positive-rate types only while they are behind.
    void setTable(const RateTable &table, const QVector<RawRates> &rawRates, bool tmgap,
                  bool restart);
    void restartCounters();

    // The next group for stream s: a type 0..15, rawGroup with *rawIndex set,
    // or noGroup. gap is the least number of groups between two type 8 groups
    // of stream 0 (0 = none). Counts what it chooses.
    int next(int s, int gap, int *rawIndex);

    const RateTable &table() const { return m_table; }
    bool fill(int s) const { return m_fill[s] != 0; }
    quint64 total(int s) const { return m_total[s]; }
    quint64 count(int type, int s) const { return m_count[type][s]; }
    quint64 rawCount(int row, int s) const;
    int rawSize() const { return m_raw.size(); }
    quint64 sinceLast8A() const { return m_since8A; }

    // Presets counters, to check long runs without waiting for them.
    void presetCounters(int s, quint64 total, const std::array<quint64, types> &counts);

    // Per-slot debug lines of the RDS2 streams ("enc%d group %2d %d/min");
    // off by default, at 96 channels they would be thousands a second.
    static void setStreamDebug(bool on);
    static bool streamDebug();

private:
    // A raw group with a rate on one stream, with its count there; kept
    // together so that the scheduler walks one small array per stream.
    struct ActiveRow
    {
        qint64 count = 0;
        qint64 rate = 0;     // |rate|
        int row = 0;
        bool filler = false;    // negative rate
    };

    // Min-heaps by (count / |rate|, row): per stream one of the rows with a
    // positive rate and one of the fillers, so that a slot costs O(log n)
    // however many raw groups there are.
    using Heap = std::vector<ActiveRow>;
    struct Later
    {
        // count / rate compared exactly (counts stay far below 2^53), then
        // the row: true when a comes after b.
        bool operator()(const ActiveRow &a, const ActiveRow &b) const
        {
            const qint64 ka = a.count * b.rate;
            const qint64 kb = b.count * a.rate;
            return ka > kb || (ka == kb && a.row > b.row);
        }
    };

    RateTable m_table{};
    QVector<RawRates> m_raw;
    Heap m_heap[streams][2];
    quint64 m_count[types][streams] = {};
    quint64 m_total[streams] = {0, 0, 0, 0};
    quint64 m_empty[streams] = {0, 0, 0, 0};
    quint64 m_since8A = 0;
    u8 m_fill[streams] = {1, 1, 1, 1};
};
