#include "RDSScheduler.h"

#include <QDebug>

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
    if (m_raw.size() != rawRates.size())
        m_raw.resize(rawRates.size());
    for (int i = 0; i < rawRates.size(); ++i)
        m_raw[i].rate = rawRates[i];
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

void RDSScheduler::restartCounters()
{
    for (auto &row : m_count)
        for (auto &c : row)
            c = 0;
    for (auto &t : m_total)
        t = 0;
    for (auto &e : m_empty)
        e = 0;
    for (RawRow &row : m_raw)
        for (auto &c : row.count)
            c = 0;
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
    int rawWinner = -1;
    for (int i = 0; i < m_raw.size(); ++i) {
        const int r = m_raw[i].rate[s];
        if (r == 0)
            continue;
        const double ratio = double(m_raw[i].count[s]) * 60.0 / elapsed / std::abs(r);
        if (ratio < best && (fill || ratio < 1.0 || r < 0)) {
            best = ratio;
            rawWinner = i;
        }
    }
    if (rawWinner >= 0) {
        ++m_raw[rawWinner].count[s];
        ++m_total[s];
        if (rawIndex)
            *rawIndex = rawWinner;
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
