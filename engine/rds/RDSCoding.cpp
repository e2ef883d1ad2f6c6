#include "RDSCoding.h"

namespace {

constexpr int groupBits = 104;
constexpr int blockBits = 26;
constexpr int infoBits = 16;
constexpr u16 checkMask = 0x3FF;

// Low ten bits of the generator polynomial 0x5B9 (IEC 62106).
constexpr u16 generatorLow = 0x1B9;

// Writes bits MSB first into a zeroed 13-byte buffer.
class BitWriter
{
public:
    explicit BitWriter(u8 *out) : m_out(out) {}
    void put(unsigned value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            if ((value >> i) & 1U)
                m_out[m_pos / 8] = static_cast<u8>(m_out[m_pos / 8] | (0x80U >> (m_pos % 8)));
            ++m_pos;
        }
    }

private:
    u8 *m_out;
    int m_pos = 0;
};

class BitReader
{
public:
    explicit BitReader(const u8 *in) : m_in(in) {}
    u16 get(int bits)
    {
        unsigned v = 0;
        for (int i = 0; i < bits; ++i) {
            v = (v << 1) | ((m_in[m_pos / 8] >> (7 - m_pos % 8)) & 1U);
            ++m_pos;
        }
        return static_cast<u16>(v);
    }

private:
    const u8 *m_in;
    int m_pos = 0;
};

// Bit position p (0..103) in transmission order: block p / 26; within the
// block the first 16 positions are information bits 15..0, the last 10 the
// checkword bits 9..0.
u16 &wordOf(RDSBlocks &blocks, int p, u16 &mask)
{
    const int k = p / blockBits;
    const int r = p % blockBits;
    if (r < infoBits) {
        mask = static_cast<u16>(1U << (infoBits - 1 - r));
        return blocks.info[k];
    }
    mask = static_cast<u16>(1U << (blockBits - 1 - r));
    return blocks.check[k];
}

void applyMode(RDSBlocks &blocks, const bool (&affected)[groupBits], int mode)
{
    for (int p = 0; p < groupBits; ++p) {
        if (!affected[p])
            continue;
        u16 mask = 0;
        u16 &w = wordOf(blocks, p, mask);
        if (mode == 0)
            w = static_cast<u16>(w ^ mask);
        else if (mode == 1)
            w = static_cast<u16>(w & ~mask);
        else
            w = static_cast<u16>(w | mask);
    }
}

// Chooses the set S of bit positions for a share q (0..50 percent).
void choosePositions(bool (&inS)[groupBits], u8 ber, int q, bool exact, std::minstd_rand &gen)
{
    if (exact) {
        // q percent of 104 bits, rounded half up: q * 1.04 + 0.5.
        const int n = (q * groupBits + 50) / 100;
        int count = 0;
        while (count < n) {
            int p = rdsRandom15(gen) * groupBits / 32767;
            if (p > groupBits - 1)
                p = groupBits - 1;
            if (!inS[p]) {
                inS[p] = true;
                ++count;
            }
        }
        return;
    }
    for (bool &bit : inS) {
        const int r = rdsRandom15(gen);
        // ber 50 gives uniform random bits; otherwise q / 100 > r / 32768.
        bit = (ber == 50) ? r < 16384 : q * 32768 > r * 100;
    }
}

} // namespace

u16 rdsCheckword(u16 block)
{
    unsigned r = 0;
    for (int i = 15; i >= 0; --i) {
        const unsigned b9 = (r >> 9) & 1U;
        r <<= 1;
        if (((block >> i) & 1U) != b9)
            r ^= generatorLow;
    }
    return static_cast<u16>(r & checkMask);
}

u16 rdsOffsetWord(int k, u16 blockB)
{
    switch (k) {
    case RDSBlocks::A:
        return rdsOffset::A;
    case RDSBlocks::B:
        return rdsOffset::B;
    case RDSBlocks::C:
        return (blockB & rdsVersionBFlag) ? rdsOffset::Cprime : rdsOffset::C;
    default:
        return rdsOffset::D;
    }
}

void addCheckwords(RDSBlocks &blocks)
{
    for (int k = 0; k < 4; ++k)
        blocks.check[k] = rdsCheckword(blocks.info[k]) ^ rdsOffsetWord(k, blocks.info[RDSBlocks::B]);
}

void completeCheckwords(RDSBlocks &blocks)
{
    for (int k = 0; k < 4; ++k) {
        if (blocks.check[k] >= rdsCheckPending)
            blocks.check[k] = rdsCheckword(blocks.info[k]) ^ rdsOffsetWord(k, blocks.info[RDSBlocks::B]);
        else
            blocks.check[k] &= checkMask;
    }
}

void packGroup(u8 out[13], const RDSBlocks &blocks)
{
    for (int i = 0; i < 13; ++i)
        out[i] = 0;
    BitWriter w(out);
    for (int k = 0; k < 4; ++k) {
        w.put(blocks.info[k], infoBits);
        w.put(blocks.check[k] & checkMask, blockBits - infoBits);
    }
}

RDSBlocks unpackGroup(const u8 in[13])
{
    RDSBlocks blocks;
    BitReader r(in);
    for (int k = 0; k < 4; ++k) {
        blocks.info[k] = r.get(infoBits);
        blocks.check[k] = r.get(blockBits - infoBits);
    }
    return blocks;
}

bool rdsBlockValid(const RDSBlocks &blocks, int k)
{
    const u16 expected = rdsCheckword(blocks.info[k]) ^ rdsOffsetWord(k, blocks.info[RDSBlocks::B]);
    return (blocks.check[k] & checkMask) == expected;
}

u16 rdsBlockB(unsigned groupType, bool versionB, unsigned tp, unsigned pty, unsigned low5)
{
    return static_cast<u16>(((groupType & 0xFU) << 12) | (versionB ? rdsVersionBFlag : 0U)
                            | ((tp & 1U) << 10) | ((pty & 0x1FU) << 5) | (low5 & 0x1FU));
}

int rdsRandom15(std::minstd_rand &gen)
{
    // minstd_rand yields 31 significant bits; the top 15 of them.
    return static_cast<int>((gen() >> 16) & 0x7FFFU);
}

bool injectBitErrors(RDSBlocks &blocks, u8 err, u8 ber, u8 fix, std::minstd_rand &gen)
{
    if (!(err & 0x80) || ber == 0)
        return false;
    const int mode = err & 0x7F;
    if (mode > 2)
        return true;
    const int q = ber <= 50 ? ber : (ber >= 100 ? 0 : 100 - ber);
    bool inS[groupBits] = {};
    choosePositions(inS, ber, q, (fix & rdsFix::exactCount) != 0, gen);
    bool affected[groupBits];
    for (int p = 0; p < groupBits; ++p)
        affected[p] = (ber <= 50) ? inS[p] : !inS[p];
    applyMode(blocks, affected, mode);
    return true;
}

void finishRdsGroup(u8 out[13], RDSBlocks &blocks, const RDSErrorSettings &settings,
                    std::minstd_rand &gen)
{
    const u16 builtA = blocks.info[RDSBlocks::A];
    const u16 builtB = blocks.info[RDSBlocks::B];
    if (injectBitErrors(blocks, settings.err, settings.ber, settings.fix, gen)) {
        if (settings.fix & rdsFix::keepType)
            blocks.info[RDSBlocks::B] = static_cast<u16>((builtB & 0xF800) | (blocks.info[RDSBlocks::B] & 0x07FF));
        if (settings.fix & rdsFix::keepPI) {
            blocks.info[RDSBlocks::A] = builtA;
            if (blocks.info[RDSBlocks::B] & rdsVersionBFlag)
                blocks.info[RDSBlocks::C] = builtA;
        }
        if (settings.fix & rdsFix::recomputeChecks)
            addCheckwords(blocks);
    }
    packGroup(out, blocks);
}
