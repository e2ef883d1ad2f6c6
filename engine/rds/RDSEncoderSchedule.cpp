// Scheduling and setters of RDSEncoder: one group slot per call of generate,
// the clock time, the TA bursts, the rate scheduler and the hand-over of new
// settings under the write lock.

#include "RDSEncoder.h"

#include <QDebug>

#include <cmath>
#include <cstring>

namespace {

// Seconds per group at 1187.5 bit/s and 104 bits a group (IEC 62106).
constexpr double secondsPerGroup = 104.0 / 1187.5;

// mode bits of the source: stream s on (bit s), stream s a copy of stream 0
// (bit s + 3).
bool streamOn(u8 mode, int s) { return mode & (1 << s); }
bool streamCopies(u8 mode, int s) { return mode & (1 << (s + 3)); }

// The TMC gap in groups by bits 13..12 of the variant-1 word (ISO 14819-1).
constexpr int tmcGaps[4] = {3, 5, 8, 11};

// Group types with a builder of their own.
constexpr int typeODA = 3, typeClock = 4, typeTMC = 8, typeEON = 14;

RDSScheduler::RateTable rateTable(const std::array<RDSGroupRate, RDSGroupRate::count> &gmin)
{
    RDSScheduler::RateTable t{};
    for (int g = 0; g < RDSGroupRate::count; ++g) {
        t[g].on = gmin[g].on != 0;
        for (int s = 0; s < RDSScheduler::streams; ++s)
            t[g].rate[s] = gmin[g].rate[s];
    }
    return t;
}

QVector<RDSScheduler::RawRates> rawRates(const QList<RDSCustomGroup> &oda)
{
    QVector<RDSScheduler::RawRates> r;
    r.reserve(oda.size());
    for (const RDSCustomGroup &g : oda)
        r.append(RDSScheduler::RawRates{{g.rate[0], g.rate[1], g.rate[2], g.rate[3]}});
    return r;
}

// Whether the burst slot k is due for group c of n spread over t tenths of a second.
bool burstDue(qint64 k, int c, int n, int t, double *target)
{
    *target = t * 0.1 / n * (c - 1);
    return double(k) * secondsPerGroup >= *target;
}

} // namespace

// --- Slots -------------------------------------------------------------------

int RDSEncoder::generate(u8 out0[13], u8 *out1, u8 *out2, u8 *out3)
{
    ReadLock lock(m_lock);
    const qint64 ct = m_ct.exchange(ctNone);
    if (ct != ctNone)
        clockTime(out0, QDateTime::fromMSecsSinceEpoch(ct, Qt::UTC));
    else
        makeGroupLocked(out0, 0);
    u8 *outs[4] = {out0, out1, out2, out3};
    for (int s = 1; s < RDSScheduler::streams; ++s) {
        u8 *out = outs[s];
        if (!out)
            continue;
        if (!streamOn(m_src.mode, s)) {
            std::memset(out, 0, RDSGroup::size);
        } else if (!streamCopies(m_src.mode, s)) {
            makeGroupLocked(out, s);
        } else {
            // Stream 0's group with block A 0 and its checkword (offset A only).
            std::memcpy(out, out0, RDSGroup::size);
            out[0] = 0;
            out[1] = 0;
            out[2] = 0x3F;
            out[3] &= 0x3F;
        }
    }
    return RDSGroup::size;
}

int RDSEncoder::makeGroup(u8 out[13], int stream)
{
    ReadLock lock(m_lock);
    return makeGroupLocked(out, stream);
}

int RDSEncoder::makeGroupLocked(u8 out[13], int s)
{
    if (m_src.fused && replayGroup(out))
        return RDSGroup::size;
    if (s == 0 && (burst15(out) || burst14(out)))
        return RDSGroup::size;
    const int t = nextGroupTypeLocked(out, s);
    switch (t) {
    case RDSScheduler::noGroup:
        std::memset(out, 0, RDSGroup::size);
        return RDSGroup::size;
    case RDSScheduler::rawGroup:
        return RDSGroup::size;
    case 0: basicGroup(out, s); return RDSGroup::size;
    case 1: slowLabelling(out, s); return RDSGroup::size;
    case 2: radioText(out, s); return RDSGroup::size;
    case typeODA: odaAnnouncement(out, s); return RDSGroup::size;
    case 10: ptyName(out, s); return RDSGroup::size;
    case typeEON: eonGroup(out, s); return RDSGroup::size;
    case 15: longPS(out, s); return RDSGroup::size;
    default: break;
    }
    if (t == typeTMC && tmcActive())
        tmcGroup(out, s);
    else if (t == (m_src.rtgrp & 0xF))
        radioTextPlus(out, s);
    else if (t == (m_src.ertg & 0xF))
        enhancedRadioText(out, s);
    else
        fastBasicInfo(out, s);
    return RDSGroup::size;
}

bool RDSEncoder::burst15(u8 out[13])
{
    if (m_b15Count <= 0)
        return false;
    const bool ta = m_src.ta & 1;
    const int n = ta ? m_src.buc1 : m_src.buc2;
    const int t = ta ? m_src.but1 : m_src.but2;
    if (m_b15Count > n) {
        m_b15Count = 0;
        return false;
    }
    const qint64 k = m_b15Slot++;
    double target = 0;
    if (!burstDue(k, m_b15Count, n, t, &target))
        return false;
    qDebug("RDS%d %2d 15B burst %d of %d send %.3fs > %.3fs", 0, int(k + 1), m_b15Count, n,
           double(k + 1) * secondsPerGroup, target);
    ++m_b15Count;
    fastBasicInfo(out, 0);
    return true;
}

bool RDSEncoder::burst14(u8 out[13])
{
    if (m_b14Count < 1)
        return false;
    const RDSScheduler::Rate &r = m_sched.table()[typeEON];
    if (!r.on || r.rate[0] == 0 || m_b14Entry < 0 || m_b14Entry >= m_src.eon.size())
        return false;
    const EON &e = m_src.eon[m_b14Entry];
    const bool ta = e.ta & 1;
    const int n = ta ? m_src.eoc1 : m_src.eoc2;
    const int t = ta ? m_src.eot1 : m_src.eot2;
    if (m_b14Count > n) {
        m_b14Count = 0;
        return false;
    }
    const qint64 k = m_b14Slot++;
    double target = 0;
    if (!burstDue(k, m_b14Count, n, t, &target))
        return false;
    qDebug("RDS%d %2d 14B burst %d of %d send %.3fs > %.3fs", 0, int(k + 1), m_b14Count, n,
           double(k + 1) * secondsPerGroup, target);
    ++m_b14Count;
    const u16 b = rdsBlockB(typeEON, true, m_src.tp, m_src.pty, ((e.tp & 1u) << 4) | ((e.ta & 1u) << 3));
    assembleGroup(out, b, m_src.pi, e.pi, false);
    return true;
}

// --- Scheduler ---------------------------------------------------------------

int RDSEncoder::nextGroupType(u8 out[13], int stream)
{
    ReadLock lock(m_lock);
    return nextGroupTypeLocked(out, stream);
}

int RDSEncoder::tmcGap() const
{
    return m_src.tmgap ? tmcGaps[(m_tmc.variantWord(1) >> 12) & 3] : 0;
}

int RDSEncoder::nextGroupTypeLocked(u8 out[13], int s)
{
    int row = -1;
    const int t = m_sched.next(s, tmcGap(), &row);
    if (t == RDSScheduler::rawGroup)
        writeRawGroup(out, row);
    return t;
}

void RDSEncoder::writeRawGroup(u8 out[13], int row)
{
    const RDSCustomGroup &g = m_src.oda[row];
    RDSBlocks blocks;
    for (int k = 0; k < 4; ++k) {
        blocks.info[k] = g.block[k];
        blocks.check[k] = g.check[k];
    }
    completeCheckwords(blocks);
    finishGroup(out, blocks);
}

// --- Setters -----------------------------------------------------------------

void RDSEncoder::setRates(const std::array<RDSGroupRate, RDSGroupRate::count> &table, bool changed)
{
    WriteLock lock(m_lock);
    setRatesLocked(table, changed);
}

void RDSEncoder::setRatesLocked(const std::array<RDSGroupRate, RDSGroupRate::count> &table, bool changed)
{
    RDSScheduler::RateTable t = rateTable(table);
    const bool tmcOda = tmcActive() && (m_tmc.flag() & 0x39);
    if (t[typeODA].on && !tmcOda && m_src.rtxt < 64) {
        t[typeODA].on = false;
        qDebug("enc: remove ODA group 3 (%d)", t[typeODA].rate[0]);
        changed = true;
    }
    if (t[typeEON].on && m_src.eon.isEmpty()) {
        t[typeEON].on = false;
        qDebug("enc: remove EON 14A (%d)", t[typeEON].rate[0]);
    }
    m_sched.setTable(t, rawRates(m_src.oda), m_src.tmgap != 0, changed);
    if (changed)
        qDebug("enc: restart counters %d == %d", m_sched.rawSize(), int(m_src.oda.size()));
}

void RDSEncoder::setRDS(const RDSSource &source, double tuneMHz)
{
    WriteLock lock(m_lock);
    if (source.ps != m_src.ps || source.pss != m_src.pss) {
        for (int i = 0; i < 4; ++i)
            m_psSegs[i] = m_psWindows[i] = 0;
    }
    if (source.lps != m_src.lps) {
        for (qint64 &seg : m_lpsSegs)
            seg = 0;
    }
    resetGroupFileReplay();

    if (source.eon.size() != m_src.eon.size()) {
        m_eonIndex = 0;
    } else {
        for (int i = 0; i < source.eon.size(); ++i) {
            if (source.eon[i] != m_src.eon[i]) {
                m_eonIndex = i;
                break;
            }
        }
    }
    m_eonStep = 0;
    m_b15Count = 0;
    m_b15Slot = 0;
    m_b14Count = 0;
    m_b14Slot = 0;
    m_rtpPair = 0;
    for (int i = 0; i < 4; ++i) {
        m_rtSegs[i][0] = m_rtSegs[i][1] = 0;
        m_rtIndexes[i] = 0;
        m_rtAlts[i] = 0;
        m_ertSegs[i] = m_ptynSegs[i] = 0;
        m_ertIndexes[i] = m_ptynIndexes[i] = 0;
    }
    for (int &i : m_afIndexes)
        i = 0;
    m_odaStep = 0;
    if ((source.ta & 1) != (m_src.ta & 1))
        m_b15Count = 1;

    // A change of the raw-group list's length or rates counts as a change of
    // the rate table: its counters restart with the others.
    bool ratesChanged = source.gmin != m_src.gmin || source.tmgap != m_src.tmgap ||
                        rawRates(source.oda) != rawRates(m_src.oda);
    m_src = source;
    m_tags.setTags(m_src.rttag, m_src.rtitm);
    prepareTexts();
    setRatesLocked(m_src.gmin, ratesChanged);
    m_src.compileAF(int(std::lround(tuneMHz * 10)));
    if (m_tags.hasSongInfo()) {
        m_tags.clearSongInfo();
        m_rtpToggle ^= 1;
    }
}

void RDSEncoder::setEON(const QList<EON> &eon, int changed)
{
    WriteLock lock(m_lock);
    if (changed >= 0 && changed < eon.size() && changed < m_src.eon.size() &&
        (eon[changed].ta & 1) != (m_src.eon[changed].ta & 1)) {
        m_b14Count = 1;
        m_b14Slot = 0;
        m_b14Entry = changed;
    }
    m_src.eon = eon;
    prepareEon();
    m_eonIndex = changed;
    m_eonStep = 0;
    // Type 14 follows the list: it is taken off while the list is empty.
    setRatesLocked(m_src.gmin, false);
}

void RDSEncoder::setTMC(const TMCSource &tmc)
{
    WriteLock lock(m_lock);
    if (!tmc.messages.isEmpty())
        qDebug("enc: setTMC %d messages", int(tmc.messages.size()));
    m_tmc.setSource(tmc);
    m_tmcUsed = tmc.used;
    m_tmcName = tmc.spn;
    m_tmc.setProviderName(prepareText(m_tmcName));
    setRatesLocked(m_src.gmin, false);
}

void RDSEncoder::setSongInfo(const QMap<QString, QString> &tags)
{
    WriteLock lock(m_lock);
    if (m_tags.setSongInfo(tags))
        m_rtpToggle ^= 1;
}

void RDSEncoder::setCT(const QDateTime &utc)
{
    ReadLock lock(m_lock);
    if (m_sched.table()[typeClock].on && !m_src.fused && utc.isValid())
        m_ct.store(utc.toMSecsSinceEpoch());
}

void RDSEncoder::setTimeSource(qint64 (*now)())
{
    WriteLock lock(m_lock);
    m_now = now;
}

QString RDSEncoder::tagText(const RTag &tag) const
{
    ReadLock lock(m_lock);
    return m_tags.tagText(tag);
}

ExpandedText RDSEncoder::expandTags(const QString &text, int maxDigits) const
{
    WriteLock lock(m_lock); // fills the cache that generate reads under the read lock
    return m_tags.expand(text, maxDigits);
}
