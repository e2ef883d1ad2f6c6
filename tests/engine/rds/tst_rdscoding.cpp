#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "RDSGroup.h"

#include <QTest>

#include <bitset>

namespace {

// Remainder of value * x^10 divided by x^10+x^8+x^7+x^5+x^4+x^3+1, by plain long division over GF(2);
// independent of the shift register under test.
u16 remainderByDivision(u16 value)
{
    quint32 r = static_cast<quint32>(value) << 10;
    for (int bit = 25; bit >= 10; --bit) {
        if (r & (1U << bit))
            r ^= 0x5B9U << (bit - 10);
    }
    return static_cast<u16>(r);
}

QByteArray bytes(const u8 *p) { return QByteArray(reinterpret_cast<const char *>(p), 13); }

int bitsChanged(const RDSBlocks &a, const RDSBlocks &b)
{
    int n = 0;
    for (int k = 0; k < 4; ++k) {
        n += static_cast<int>(std::bitset<16>(a.info[k] ^ b.info[k]).count());
        n += static_cast<int>(std::bitset<10>((a.check[k] ^ b.check[k]) & 0x3FF).count());
    }
    return n;
}

RDSBlocks sampleBlocks(u16 b = 0x2410)
{
    RDSBlocks blocks;
    blocks.info[0] = 0xD311;
    blocks.info[1] = b;
    blocks.info[2] = 0x4142;
    blocks.info[3] = 0x4344;
    addCheckwords(blocks);
    return blocks;
}

} // namespace

class TestRdsCoding : public QObject
{
    Q_OBJECT

private slots:
    void checkwordsAndPacking()
    {
        std::minstd_rand gen(7);
        for (int n = 0; n < 200; ++n) {
            const u16 w = static_cast<u16>(gen());
            QCOMPARE(rdsCheckword(w), remainderByDivision(w));
        }
        // The all-zero group: the checkwords are the offset words A, B, C, D; only the low ten bits of a
        // checkword field are sent.
        RDSBlocks blocks;
        addCheckwords(blocks);
        blocks.check[0] |= 0x0400;
        u8 out[13];
        packGroup(out, blocks);
        QCOMPARE(bytes(out), QByteArray::fromHex("00003F000019800005A00001B4"));
        // Version B: block C carries offset C'.
        RDSBlocks vb;
        vb.info[RDSBlocks::B] = rdsVersionBFlag;
        addCheckwords(vb);
        QCOMPARE(vb.check[2], u16(0x350));
        vb.check[2] = 0x168;
        QVERIFY(!rdsBlockValid(vb, 2));
        // Fields are masked to their width in block B.
        QCOMPARE(rdsBlockB(0x12, false, 2, 0x25, 0x3F), u16(0x20BF));
    }

    // Each encoder draws from its own generator: 15 bits, the whole range.
    void randomRange()
    {
        std::minstd_rand gen(1);
        int lo = 32767, hi = 0;
        for (int n = 0; n < 20000; ++n) {
            const int r = rdsRandom15(gen);
            lo = std::min(lo, r);
            hi = std::max(hi, r);
        }
        QVERIFY(lo >= 0 && lo < 100);
        QVERIFY(hi <= 32767 && hi > 32667);
    }

    // Off without "err" bit 7 or with ber 0; at 100 % (or more) flip, clear and set change every bit,
    // checkwords within their ten bits.
    void fullRateModes()
    {
        std::minstd_rand gen(5);
        const RDSBlocks built = sampleBlocks();
        RDSBlocks b = built;
        QVERIFY(!injectBitErrors(b, 0x7F, 100, 0x87, gen));
        QVERIFY(!injectBitErrors(b, 0x80, 0, 0x87, gen));
        QCOMPARE(bitsChanged(b, built), 0);
        RDSBlocks flip = built, clear = built, set = built;
        QVERIFY(injectBitErrors(flip, 0x80, 250, 0, gen));
        injectBitErrors(clear, 0x81, 100, 0, gen);
        injectBitErrors(set, 0x82, 100, 0, gen);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(flip.check[k], u16(built.check[k] ^ 0x3FF));
            QCOMPARE(clear.info[k] | clear.check[k], 0);
            QCOMPARE(set.info[k] & set.check[k], 0x3FF);
        }
        QCOMPARE(bitsChanged(flip, built), 104);
    }

    // ber percent of the 104 bits, rounded: 10.4, 93.6, 52, 1.04, 38.48.
    void exactCount()
    {
        const RDSBlocks built = sampleBlocks();
        const int cases[][2] = {{10, 10}, {90, 94}, {50, 52}, {1, 1}, {37, 38}};
        for (u32 seed = 1; seed <= 50; ++seed) {
            std::minstd_rand gen(seed);
            for (const auto &c : cases) {
                RDSBlocks b = built;
                injectBitErrors(b, 0x80, c[0], rdsFix::exactCount, gen);
                QVERIFY2(bitsChanged(b, built) == c[1], qPrintable(QString("seed %1 ber %2").arg(seed).arg(c[0])));
            }
        }
    }

    // Every bit flipped, then the fix bits in the order keep type, keep PI, recompute checkwords. Blocks as
    // "info" and "!" when the checkword is wrong; the sample's PI is D311, C 4142, D 4344.
    void fixKeepsTypeAndPI()
    {
        const struct { u16 b; u8 fix; const char *want; } cases[] = {
            {0x2410, rdsFix::keepType, "2CEE! 23EF! BEBD! BCBB!"},
            {0x0C10, rdsFix::keepType | rdsFix::keepPI, "D311! 0BEF! D311! BCBB!"},
            // Without keep type the damaged block B decides whether C carries the PI.
            {0x2C10, rdsFix::keepPI, "D311! D3EF! BEBD! BCBB!"},
            {0x2410, rdsFix::keepPI, "D311! DBEF! D311! BCBB!"},
            {0x0800, 0x07, "D311 0FFF D311 BCBB"},
            {0x2410, 0, "2CEE! DBEF! BEBD! BCBB!"},
        };
        std::minstd_rand gen(21);
        for (const auto &c : cases) {
            RDSBlocks b = sampleBlocks(c.b);
            u8 out[13];
            finishRdsGroup(out, b, RDSErrorSettings{0x80, 100, c.fix}, gen);
            const RDSBlocks got = unpackGroup(out);
            QStringList blocks;
            for (int k = 0; k < 4; ++k)
                blocks << QString::asprintf("%04X", got.info[k]) + (rdsBlockValid(got, k) ? "" : "!");
            QCOMPARE(blocks.join(' '), QString(c.want));
        }
    }
};

QTEST_GUILESS_MAIN(TestRdsCoding)
#include "tst_rdscoding.moc"
