#include "RDSScheduler.h"

#include <QDebug>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {

std::atomic<bool> g_streamDebug{false};

// Seconds of air time per group at 1187.5 bit/s (IEC 62106: 104 bits a group).
constexpr double secondsPerGroup = 104.0 / 1187.5;
// A ratio no real candidate reaches: rates are at most 685 groups a minute.
constexpr double noCandidate = 686.0;
constexpr int tmcType = 8;
constexpr int clockType = 4;

} // namespace

bool RDSScheduler::Rate::operator==(const Rate &o) const
{
    if (on != o.on)
        return false;
    for (int s = 0; s < streams; ++s)
        if (rate[s] != o.rate[s])
            return false;
    return true;
}

RDSScheduler::RDSScheduler() = default;

void RDSScheduler::setStreamDebug(bool on)
{
    g_streamDebug.store(on, std::memory_order_relaxed);
}

bool RDSScheduler::streamDebug()
{
    return g_streamDebug.load(std::memory_order_relaxed);
}

void RDSScheduler::setTable(const RateTable &table, const QVector<RawRates> &rawRates,
                            bool tmgap, bool restart)
{
    m_table = table;
    // The raw-group counters follow the list: rows keep their counts by
    // position, new rows start at 0, rows past the end are dropped.
    for (int st = 0; st < streams; ++st) {
        QVector<qint64> counts(rawRates.size(), 0);
        for (const Heap &h : m_heap[st])
            for (const ActiveRow &a : h)
                if (a.row < counts.size())
                    counts[a.row] = a.count;
        for (Heap &h : m_heap[st])
            h.clear();
        for (int i = 0; i < rawRates.size(); ++i) {
            const int r = rawRates[i][st];
            if (r != 0)
                m_heap[st][r < 0].push_back(ActiveRow{counts[i], std::abs(r), i, r < 0});
        }
        for (Heap &h : m_heap[st])
            std::make_heap(h.begin(), h.end(), Later());
    }
    m_raw = rawRates;
    if (restart)
        restartCounters();
    for (int s = 0; s < streams; ++s)
        m_fill[s] = 1;
    for (int g = 0; g < rateEntries; ++g) {
        if (!m_table[g].on || (g == tmcType && tmgap))
            continue;
        for (int s = 0; s < streams; ++s)
            if (m_table[g].rate[s] < 0)
                m_fill[s] = 0;
    }
}

quint64 RDSScheduler::rawCount(int row, int s) const
{
    for (const Heap &h : m_heap[s])
        for (const ActiveRow &a : h)
            if (a.row == row)
                return quint64(a.count);
    return 0;
}


void RDSScheduler::restartCounters()
{
    for (auto &row : m_count)
        for (auto &c : row)
            c = 0;
    for (auto &t : m_total)
        t = 0;
    for (auto &e : m_empty)
        e = 0;
    for (auto &heaps : m_heap)
        for (Heap &h : heaps)
            for (ActiveRow &a : h)
                a.count = 0;
}

void RDSScheduler::presetCounters(int s, quint64 total, const std::array<quint64, types> &counts)
{
    m_total[s] = total;
    for (int t = 0; t < types; ++t)
        m_count[t][s] = counts[t];
}

int RDSScheduler::next(int s, int gap, int *rawIndex)
{
    // Empty slots are air time too: without them a stream whose types are
    // all ahead would stand still for ever.
    const double elapsed = double(m_total[s] + m_empty[s]) * secondsPerGroup + 1.0;
    const bool fill = m_fill[s] != 0;
    const bool debug = s > 0 && streamDebug();
    double best = noCandidate;
    int winner = noGroup;
    for (int t = 0; t < types; ++t) {
        if (t == clockType || (t == tmcType && m_since8A < quint64(gap)))
            continue;
        const Rate &e = m_table[t];
        const int r = e.rate[s];
        if (!e.on || r == 0)
            continue;
        const double ratio = double(m_count[t][s]) * 60.0 / elapsed / std::abs(r);
        if (ratio < best && (fill || ratio < 1.0 || r < 0)) {
            best = ratio;
            winner = t;
            if (debug && t != 0)
                qDebug("enc%d group %2d %d/min", s, t, r);
        }
    }
    // Raw groups: the least (count / |rate|, row) of the rows that may send
    // now (positive rates while the stream fills or while they are behind,
    // fillers always); it must beat the types with a strictly lower ratio.
    Heap *from = nullptr;
    for (int f = 0; f < 2; ++f) {
        Heap &h = m_heap[s][f];
        if (h.empty())
            continue;
        const ActiveRow &top = h.front();
        if (!fill && !f && double(top.count) * 60.0 / elapsed / double(top.rate) >= 1.0)
            continue;
        if (!from || Later()(from->front(), top))
            from = &h;
    }
    if (from && !(double(from->front().count) * 60.0 / elapsed / double(from->front().rate) < best))
        from = nullptr;
    if (from) {
        std::pop_heap(from->begin(), from->end(), Later());
        ActiveRow &row = from->back();
        ++row.count;
        if (rawIndex)
            *rawIndex = row.row;
        std::push_heap(from->begin(), from->end(), Later());
        ++m_total[s];
        return rawGroup;
    }
    if (winner == noGroup) {
        ++m_empty[s];
        return noGroup;
    }
    ++m_count[winner][s];
    ++m_total[s];
    if (s == 0 && winner == tmcType)
        m_since8A = 0;
    else
        ++m_since8A;
    return winner;
}
