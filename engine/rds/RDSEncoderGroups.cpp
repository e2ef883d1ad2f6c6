// Group builders of RDSEncoder: one function per group type (IEC 62106
// group layouts), each ending in assembleGroup. They run in the board thread
// with the read lock held by generate/makeGroup.

#include "RDSEncoder.h"

#include "AFCodes.h"
#include "RDSCharset.h"

#include <QDebug>
#include <QTextCodec>

namespace {

// Group type codes in bits 15..11 of block B (IEC 62106 group types).
constexpr u16 versionB = 0x0800;
constexpr u16 type15B = 0xF800;
constexpr u8 space = 0x20;

// afu, rtxt and endx bits of the source.
constexpr u8 afuSend = 0x01;
constexpr u8 rtxtBomRT = 0x08;
constexpr u8 rtxtToggleAB = 0x10;
constexpr u8 rtxtBomERT = 0x04;
constexpr u8 rtxtAnnounceERT = 0x40;
constexpr u8 rtxtAnnounceRTPlus = 0x80;
constexpr u16 rtbitUseERT = 0x2000;

// 3A announcements of the TMC variants 0..3 (TMC flag bits).
constexpr u8 tmcAnnounceBits[4] = {0x01, 0x08, 0x10, 0x20};
constexpr u8 tmcEncrypt = 0x02;
constexpr u16 tmcVariant0NoLtn = 0xF03F; // variant 0 with the location table number cleared
constexpr u8 app8A = 0x10;               // application group type 8A in 3A

u8 byteAt(const QByteArray &b, qint64 i, u8 fill)
{
    return i < b.size() ? u8(b[int(i)]) : fill;
}

u16 word(const QByteArray &b, qint64 i, u8 fill)
{
    return u16((byteAt(b, i, fill) << 8) | byteAt(b, i + 1, fill));
}

// The cycle rule of RadioText, eRT and PTYN: at the start of a cycle, after
// (repeat + 1) completed cycles of the current text, the counter restarts
// and the other text takes over when its repeat count is not 0.
void switchText(qint64 &counter, int addressBits, int &index, int repeat, int otherRepeat)
{
    if (counter & ((qint64(1) << addressBits) - 1))
        return;
    const qint64 cycles = counter >> addressBits;
    if ((cycles + 1) % (repeat + 1) == 0) {
        counter = 0;
        if (otherRepeat != 0)
            index ^= 1;
    }
}

} // namespace

// --- 0A / 0B, 15B ----------------------------------------------------------

u16 RDSEncoder::psBlockB(int segment) const
{
    const int n = segment & 3;
    const unsigned di = (m_src.dec >> (3 - n)) & 1;
    return rdsBlockB(0, false, m_src.tp, m_src.pty,
                     ((m_src.ta & 1) << 4) | ((m_src.ms & 1) << 3) | (di << 2) | unsigned(n));
}

u16 RDSEncoder::psChars(int stream)
{
    qint64 &psSeg = m_psSegs[stream & 3];
    qint64 &window = m_psWindows[stream & 3];
    const qint64 p = window + 2 * (psSeg & 3);
    const u16 chars = word(m_psBytes, p, space);
    // Scrolling PS: the window moves by step characters after every
    // (repeat) complete PS cycles and returns to 0 past the end.
    const int step = (m_src.pss & 7) + 1;
    const int repeat = (m_src.pss >> 4) + 1;
    if ((psSeg & 3) == 3 && ((psSeg + 1) / 4) % repeat == 0)
        window += step;
    if (!(m_src.pss & 0x08) || window + 8 >= m_psBytes.size() + step)
        window = 0;
    return chars;
}

void RDSEncoder::basicGroup(u8 out[13], int stream)
{
    // Each stream runs its own PS cycle, so stream 0 stays complete and in
    // order when RDS2 streams carry groups 0 as well; the AF list likewise.
    qint64 &psSeg = m_psSegs[stream & 3];
    u16 b = psBlockB(int(psSeg & 3));
    u16 c = m_src.pi;
    if (m_src.afu & afuSend) {
        int &afIndex = m_afIndexes[stream & 3];
        if (afIndex >= m_src.afCodes.size())
            afIndex = 0;
        c = m_src.afCodes.isEmpty() ? u16(0xE0E0) : m_src.afCodes[afIndex++];
    } else {
        b |= versionB;
    }
    const u16 d = psChars(stream);
    ++psSeg;
    assembleGroup(out, b, c, d, stream != 0);
}

void RDSEncoder::fastBasicInfo(u8 out[13], int stream)
{
    qint64 &seg = m_fbSegs[stream & 3];
    const u16 b = psBlockB(int(seg & 3)) | type15B;
    ++seg;
    assembleGroup(out, b, m_src.pi, b, stream != 0);
}

// --- 1A ----------------------------------------------------------------------

void RDSEncoder::slowLabelling(u8 out[13], int stream)
{
    assembleGroup(out, rdsBlockB(1, false, m_src.tp, m_src.pty, m_src.page & 0x1F), m_src.slow, m_src.pin,
                  stream != 0);
}

// --- 2A / 2B -----------------------------------------------------------------

QByteArray RDSEncoder::rtBytes(const QString &text)
{
    const ExpandedText e = m_tags.expand(text, 2);
    return toRdsBytes(e.text, e.escapes, m_src.rtxt & rtxtBomRT);
}

QString RDSEncoder::currentRadioText() const
{
    if (m_src.rtxg <= 1 && (m_rtIndexes[0] & 1))
        return m_src.rtb;
    if (m_src.rtxg <= 2)
        return m_src.rta;
    return QString();
}

void RDSEncoder::radioText(u8 out[13], int stream)
{
    // Segment counters per stream, like the PS cycle.
    qint64 *rtSeg = m_rtSegs[stream & 3];
    qint64 &rtAlt = m_rtAlts[stream & 3];
    int &rtIndex = m_rtIndexes[stream & 3];
    int slot = 0;
    bool verB = false;
    int textIndex = 0;
    QString text;
    if (m_src.rtxg <= 1) {
        verB = m_src.rtxg & 1;
        const bool b = rtIndex & 1;
        switchText(rtSeg[0], 4, rtIndex, b ? m_src.rpb : m_src.rpa, b ? m_src.rpa : m_src.rpb);
        textIndex = rtIndex & 1;
        text = textIndex ? m_src.rtb : m_src.rta;
    } else if (m_src.rtxg == 2) {
        slot = int(rtAlt & 1);
        ++rtAlt;
        verB = slot == 1;
        textIndex = slot;
        text = slot ? m_src.rtb : m_src.rta;
    }
    const u8 endChar = textIndex ? m_src.endb : m_src.enda;
    const int endFlag = (m_src.endx >> textIndex) & 1;

    const QByteArray bytes = rtBytes(text);
    if (bytes != m_rtLast[slot]) {
        m_rtLast[slot] = bytes;
        if (m_src.rtxt & rtxtToggleAB)
            m_rtAB ^= 0x10;
    }
    qint64 &seg = rtSeg[slot];
    const int address = int(seg & 0xF);
    const int width = verB ? 2 : 4;
    const qint64 pos = qint64(width) * address;
    const bool last = pos + width - endFlag >= bytes.size();
    seg = last ? ((seg >> 4) + 1) << 4 : seg + 1;

    const u16 b = rdsBlockB(2, verB, m_src.tp, m_src.pty, (m_rtAB & 0x10) | unsigned(address));
    if (verB)
        assembleGroup(out, b, m_src.pi, word(bytes, pos, endChar), stream != 0);
    else
        assembleGroup(out, b, word(bytes, pos, endChar), word(bytes, pos + 2, endChar), stream != 0);
}

// --- 3A ----------------------------------------------------------------------

void RDSEncoder::odaAnnouncement(u8 out[13], int stream)
{
    const u8 flag = tmcActive() ? m_tmc.flag() : 0;
    for (int tries = 0; tries < 6; ++tries) {
        const int step = m_odaStep;
        m_odaStep = (m_odaStep + 1) % 6;
        u16 app = 0, c = 0, d = 0;
        if (step < 4) {
            if (!(flag & tmcAnnounceBits[step]))
                continue;
            app = app8A;
            c = m_tmc.variantWord(step);
            if (step == 0 && (flag & tmcEncrypt))
                c &= tmcVariant0NoLtn;
            d = m_tmc.aid();
        } else if (step == 4) {
            if (!(m_src.rtxt & rtxtAnnounceERT))
                continue;
            app = u16((m_src.ertg & 0xF) << 1);
            c = m_src.ertb;
            d = m_src.eaid;
        } else {
            if (!(m_src.rtxt & rtxtAnnounceRTPlus))
                continue;
            app = u16((m_src.rtgrp & 0xF) << 1);
            c = m_src.rtbit;
            d = m_src.paid;
        }
        assembleGroup(out, rdsBlockB(3, false, m_src.tp, m_src.pty, app), c, d, stream != 0);
        return;
    }
    qDebug("AID: unknown");
    assembleGroup(out, rdsBlockB(3, false, m_src.tp, m_src.pty, app8A), 0, 0, stream != 0);
}

// --- 4A ----------------------------------------------------------------------

void RDSEncoder::clockTime(u8 out[13], const QDateTime &utc)
{
    QDateTime t = utc.toUTC().addSecs(qint64(m_src.mins) * 60);
    if (m_src.date) {
        // A stored day count of 0 is the editor's "today".
        if (m_src.days != 0)
            t.setDate(QDate(1900, 3, 1).addDays(m_src.days));
    }
    const qint64 mjd = t.date().toJulianDay() - 2400001; // modified Julian day
    const int hour = t.time().hour();
    const int minute = t.time().minute();
    // Local time offset in half hours: sign in bit 5, magnitude in bits 4..0.
    const int zone = m_src.zone;
    const unsigned offset = unsigned(qMin(qAbs(zone), 31)) | (zone < 0 ? 0x20u : 0u);
    const u16 b = rdsBlockB(4, false, m_src.tp, m_src.pty, unsigned(mjd >> 15) & 3);
    const u16 c = u16(((mjd & 0x7FFF) << 1) | ((hour >> 4) & 1));
    const u16 d = u16(((hour & 0xF) << 12) | (minute << 6) | offset);
    assembleGroup(out, b, c, d, false);
}

// --- 8A ----------------------------------------------------------------------

void RDSEncoder::tmcGroup(u8 out[13], int stream)
{
    const qint64 now = m_now ? m_now() : QDateTime::currentMSecsSinceEpoch();
    const TMCSender::Group g = m_tmc.nextGroup(now);
    assembleGroup(out, rdsBlockB(8, false, m_src.tp, m_src.pty, g.low), g.c, g.d, stream != 0);
}

// --- 10A ---------------------------------------------------------------------

void RDSEncoder::ptyName(u8 out[13], int stream)
{
    qint64 &seg = m_ptynSegs[stream & 3];
    int &textIndex = m_ptynIndexes[stream & 3];
    const bool pn1 = textIndex & 1;
    switchText(seg, 1, textIndex, pn1 ? m_src.rp1 : m_src.rp2, pn1 ? m_src.rp2 : m_src.rp1);
    const int index = textIndex & 1;
    const int segment = int(seg & 1);
    ++seg;
    const QByteArray &bytes = m_pnBytes[index];
    const u16 b = rdsBlockB(10, false, m_src.tp, m_src.pty, unsigned(index << 4) | unsigned(segment));
    assembleGroup(out, b, word(bytes, 4 * segment, space), word(bytes, 4 * segment + 2, space), stream != 0);
}

// --- 14A ---------------------------------------------------------------------

void RDSEncoder::eonGroup(u8 out[13], int stream)
{
    if (m_src.eon.isEmpty()) {
        fastBasicInfo(out, stream);
        return;
    }
    if (m_eonIndex < 0 || m_eonIndex >= m_src.eon.size())
        m_eonIndex = 0;
    const EON &e = m_src.eon[m_eonIndex];
    const QByteArray &ps = m_eonPs[m_eonIndex];
    const QList<u16> &af = m_eonAf[m_eonIndex];
    const int v = m_eonStep;
    const u16 ptyTa = u16(((e.pty & 0x1F) << 11) | (e.ta & 1));
    unsigned variant = 13;
    u16 c = ptyTa;
    if (v < 4) {
        variant = unsigned(v);
        c = word(ps, 2 * v, space);
    } else if (v == 4 && e.link != 0) {
        variant = 12;
        c = e.link;
    } else if (v >= 6) {
        variant = 4; // AF(ON), method A
        c = af[v - 6];
    }
    if (++m_eonStep >= af.size() + 6) {
        m_eonStep = 0;
        ++m_eonIndex;
    }
    const u16 b = rdsBlockB(14, false, m_src.tp, m_src.pty, ((e.tp & 1u) << 4) | variant);
    assembleGroup(out, b, c, e.pi, stream != 0);
}

// --- 15A ---------------------------------------------------------------------

void RDSEncoder::longPS(u8 out[13], int stream)
{
    qint64 &seg = m_lpsSegs[stream & 3];
    qint64 a = seg & 7;
    if (4 * a > m_lpsBytes.size()) {
        seg = 0;
        a = 0;
    }
    ++seg;
    const u16 b = rdsBlockB(15, false, m_src.tp, m_src.pty, ((m_src.ta & 1u) << 4) | unsigned(a));
    assembleGroup(out, b, word(m_lpsBytes, 4 * a, 0), word(m_lpsBytes, 4 * a + 2, 0), stream != 0);
}

// --- eRT ---------------------------------------------------------------------

QString RDSEncoder::currentEnhancedText() const
{
    return (m_ertIndexes[0] & 1) ? m_src.rtd : m_src.rtc;
}

void RDSEncoder::enhancedRadioText(u8 out[13], int stream)
{
    qint64 &seg = m_ertSegs[stream & 3];
    int &textIndex = m_ertIndexes[stream & 3];
    const bool d = textIndex & 1;
    switchText(seg, 5, textIndex, d ? m_src.rpd : m_src.rpc, d ? m_src.rpc : m_src.rpd);
    const int index = textIndex & 1;
    QString text = m_tags.expand(index ? m_src.rtd : m_src.rtc, 4).text;
    if ((m_src.endx >> (2 + index)) & 1)
        text += QChar(index ? m_src.endd : m_src.endc);
    const QByteArray bytes = encodeRdsText(text, nullptr, m_src.rtxt & rtxtBomERT, m_ertCodec);
    const int a = int(seg & 0x1F);
    const qint64 pos = 4 * a;
    seg = pos + 4 >= bytes.size() ? ((seg >> 5) + 1) << 5 : seg + 1;
    const u16 b = rdsBlockB(m_src.ertg & 0xF, false, m_src.tp, m_src.pty, unsigned(a));
    assembleGroup(out, b, word(bytes, pos, 0), word(bytes, pos + 2, 0), stream != 0);
}

// --- RT+ ---------------------------------------------------------------------

void RDSEncoder::radioTextPlus(u8 out[13], int stream)
{
    if (!(m_src.rtitm & 0x02))
        m_rtpToggle = (m_src.rtitm >> 2) & 1;
    RTPlusTag first, second;
    if (!m_src.rttag.isEmpty()) {
        const bool ert = m_src.rtbit & rtbitUseERT;
        const ExpandedText e =
            ert ? m_tags.expand(currentEnhancedText(), 4) : m_tags.expand(currentRadioText(), 2);
        if (m_rtpPair >= e.tags.size())
            m_rtpPair = 0;
        first = e.tags.value(m_rtpPair);
        second = e.tags.value(m_rtpPair + 1);
        m_rtpPair += 2;
        if (second.lengthMinus1 >= 32 && first.lengthMinus1 < 32)
            std::swap(first, second);
        second.lengthMinus1 = qMin<u8>(second.lengthMinus1, 31);
    }
    const unsigned low = (unsigned(m_rtpToggle & 1) << 4) | ((m_src.rtitm & 1u) << 3) | ((first.type >> 3) & 7u);
    const u16 b = rdsBlockB(m_src.rtgrp & 0xF, false, m_src.tp, m_src.pty, low);
    const u16 c = u16(((first.type & 7) << 13) | ((first.start & 0x3F) << 7) | ((first.lengthMinus1 & 0x3F) << 1) |
                      ((second.type >> 5) & 1));
    const u16 d = u16(((second.type & 0x1F) << 11) | ((second.start & 0x3F) << 5) | (second.lengthMinus1 & 0x1F));
    assembleGroup(out, b, c, d, stream != 0);
}

// --- Texts -------------------------------------------------------------------

QByteArray RDSEncoder::prepareText(const QString &text) const
{
    QString t = text;
    const QList<int> keep = rdsUnescape(t, 2);
    return toRdsBytes(t, keep, false);
}

void RDSEncoder::prepareEon()
{
    m_eonPs.clear();
    m_eonAf.clear();
    for (const EON &e : m_src.eon) {
        m_eonPs.append(prepareText(e.ps));
        m_eonAf.append(eonAFWords(e.af));
    }
}

void RDSEncoder::prepareTexts()
{
    m_psBytes = prepareText(m_src.ps);
    m_pnBytes[0] = prepareText(m_src.pn2);
    m_pnBytes[1] = prepareText(m_src.pn1);
    QString lps = m_src.lps;
    rdsUnescape(lps, 4);
    if (m_src.endx & 0x10)
        lps += QChar(m_src.endl);
    m_lpsBytes = encodeRdsText(lps, nullptr, m_src.boml != 0, QTextCodec::codecForName(m_src.clps));
    if (!m_src.enc.isEmpty() && (!m_ertCodec || m_ertCodec->name() != m_src.enc))
        m_ertCodec = QTextCodec::codecForName(m_src.enc);
    prepareEon();
    m_tmc.setProviderName(prepareText(m_tmcName));
}
