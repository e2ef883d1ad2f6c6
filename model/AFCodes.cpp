#include "AFCodes.h"

#include "RDSSource.h"

#include <QSet>

namespace {

// AF code tables (IEC 62106, AF code tables for VHF and LF/MF).
constexpr int fmFirst = 876;     // 87.6 MHz, code 1
constexpr int fmLast = 1079;     // 107.9 MHz, code 204
constexpr int lfFirst = 1530;    // 153 kHz, code 1
constexpr int lfLast = 2790;     // 279 kHz, code 15
constexpr int mfFirst = 5310;    // 531 kHz, code 16
constexpr int mfLast = 16020;    // 1602 kHz, code 135
constexpr int lfMfStep = 90;     // 9 kHz
constexpr int countBase = 224;   // 224 + N: a list of N frequencies
constexpr int methodAMax = 25;   // frequencies per method-A list
constexpr u16 afUse = 0x01;      // afu bits: send AF, automatic list, manual list, method B
constexpr u16 afAuto = 0x02;
constexpr u16 afManual = 0x04;
constexpr u16 afMethodB = 0x08;

bool isFm(u16 code) { return (code & 0xFF00) == 0; }

// Builds the code words of one source, list by list. A list whose tuning
// frequency has no AF code (87.5 and 108.0 MHz) counts only the frequencies
// it sends, the first of them in the place of the tuning frequency, as an
// EON list does; without a tuning frequency to pair with, it is a method-A
// list also when method B is asked for.
class AFCompiler
{
public:
    AFCompiler(QList<u16> &out, u16 tune, bool methodB) : m_out(out), m_methodB(methodB)
    {
        openList(tune == afNoFrequency ? afFiller : u8(tune & 0xFF), tune != afNoFrequency);
    }

    void add(const RDSAFEntry &e, u16 code)
    {
        if (m_methodB && m_tuned)
            addB(e, code);
        else
            addA(e, code);
    }

    void finish()
    {
        flushWaiting();
        closeList();
    }

private:
    void flushWaiting()
    {
        if (m_waiting != afNoFrequency)
            m_out.append(m_waiting);
        m_waiting = afNoFrequency;
    }
    void closeList() { m_out[m_header] = u16(((countBase + m_count) << 8) | (m_out[m_header] & 0xFF)); }
    void openList(u8 low, bool tuned)
    {
        m_low = low;
        m_tuned = tuned;
        m_header = m_out.size();
        m_out.append(u16(0xE000 | m_low));
        m_count = tuned ? 1 : 0;
    }
    void newList(u8 low, bool tuned = true)
    {
        closeList();
        openList(low, tuned);
    }

    void addA(const RDSAFEntry &e, u16 code)
    {
        if (m_count < methodAMax && e.mark != RDSAFEntry::listStart) {
            if (!m_tuned && m_count == 0 && isFm(code)) {
                // The first frequency of a list without tuning frequency.
                m_out[m_header] = u16((m_out[m_header] & 0xFF00) | code);
            } else if (isFm(code) && m_waiting == afNoFrequency) {
                m_waiting = u16((code << 8) | afFiller);
            } else if (isFm(code)) {
                m_out.append(u16((m_waiting & 0xFF00) | code));
                m_waiting = afNoFrequency;
            } else {
                flushWaiting();
                m_out.append(code);
            }
            ++m_count;
            return;
        }
        flushWaiting();
        if (e.mark == RDSAFEntry::listStart) {
            newList(u8(code & 0xFF));
            return;
        }
        // A full list: the frequency opens the next list with the same
        // tuning frequency instead of being lost.
        newList(m_low, m_tuned);
        addA(e, code);
    }

    void addB(const RDSAFEntry &e, u16 code)
    {
        const int room = isFm(code) ? 23 : 24;
        if (m_count <= room && e.mark != RDSAFEntry::listStart) {
            if (!isFm(code)) {
                m_out.append(code);
                m_count += 1;
                return;
            }
            // The pair tuning/alternative in ascending order; descending marks
            // a regional variant.
            const u8 lo = qMin<u8>(m_low, u8(code)), hi = qMax<u8>(m_low, u8(code));
            m_out.append(e.regional ? u16((hi << 8) | lo) : u16((lo << 8) | hi));
            m_count += 2;
            return;
        }
        if (e.mark == RDSAFEntry::listStart) {
            newList(u8(code & 0xFF));
            return;
        }
        newList(m_low);
        addB(e, code);
    }

    QList<u16> &m_out;
    bool m_methodB;
    u8 m_low = 0;
    bool m_tuned = true; // the list names its tuning frequency
    int m_header = 0;
    int m_count = 1;
    u16 m_waiting = afNoFrequency;
};

} // namespace

u16 freqToAF(int value)
{
    if (value >= fmFirst && value <= fmLast)
        return u16(value - (fmFirst - 1));
    if (value >= lfFirst && value <= lfLast)
        return u16(afLfMfMarker | ((value - lfFirst) / lfMfStep + 1));
    if (value >= mfFirst && value <= mfLast)
        return u16(afLfMfMarker | ((value - mfFirst) / lfMfStep + 16));
    return afNoFrequency;
}

bool isAfFrequency(int value)
{
    if (value >= fmFirst && value <= fmLast)
        return true;
    if (value >= lfFirst && value <= lfLast)
        return (value - lfFirst) % lfMfStep == 0;
    return value >= mfFirst && value <= mfLast && (value - mfFirst) % lfMfStep == 0;
}

QList<u16> eonAFWords(const QList<RDSAFEntry> &af)
{
    QList<u16> codes;
    for (const RDSAFEntry &e : af) {
        const u16 code = freqToAF(e.freq);
        if (code == afNoFrequency || codes.contains(code))
            continue;
        codes.append(code);
        if (codes.size() == methodAMax)
            break;
    }
    if (codes.isEmpty())
        return {};
    // Bytes first: the count code, then FM codes one by one, LF/MF codes as
    // marker and code within one word.
    QList<u8> bytes{u8(countBase + codes.size())};
    for (u16 code : codes) {
        if (isFm(code)) {
            bytes.append(u8(code));
            continue;
        }
        if (bytes.size() % 2)
            bytes.append(afFiller);
        bytes.append(u8(code >> 8));
        bytes.append(u8(code));
    }
    if (bytes.size() % 2)
        bytes.append(afFiller);
    QList<u16> words;
    for (int i = 0; i < bytes.size(); i += 2)
        words.append(u16((bytes[i] << 8) | bytes[i + 1]));
    return words;
}

int RDSSource::compileAF(int tuneValue)
{
    afCodes.clear();
    if (!(afu & afUse))
        return 0;
    const u16 tune = freqToAF(tuneValue);
    QList<const RDSAFEntry *> entries;
    if (afu & afAuto)
        for (const RDSAFEntry &e : af)
            entries.append(&e);
    if (afu & afManual)
        for (const RDSAFEntry &e : afs)
            entries.append(&e);

    QSet<u16> distinct;
    if (tune != afNoFrequency)
        distinct.insert(tune);
    for (const RDSAFEntry *e : entries) {
        const u16 code = freqToAF(e->freq);
        if (code != afNoFrequency)
            distinct.insert(code);
    }

    AFCompiler compiler(afCodes, tune, afu & afMethodB);
    QSet<u16> used{tune, afNoFrequency};
    for (const RDSAFEntry *e : entries) {
        const u16 code = freqToAF(e->freq);
        if (used.contains(code))
            continue;
        used.insert(code);
        compiler.add(*e, code);
    }
    compiler.finish();
    return distinct.size();
}
