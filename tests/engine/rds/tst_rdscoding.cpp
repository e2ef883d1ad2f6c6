#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "RDSGroup.h"

#include <QTest>

#include <bitset>

namespace {

// Remainder of value * x^10 divided by x^10+x^8+x^7+x^5+x^4+x^3+1, by plain
// long division over GF(2); independent of the shift register under test.
u16 remainderByDivision(u16 value)
{
    quint32 r = static_cast<quint32>(value) << 10;
    const quint32 g = 0x5B9;
    for (int bit = 25; bit >= 10; --bit) {
        if (r & (1U << bit))
            r ^= g << (bit - 10);
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
    void checkwordMatchesGenerator()
    {
        QCOMPARE(rdsCheckword(0), u16(0));
        QCOMPARE(rdsCheckword(0x0001), u16(0x1B9));
        // Rows of the generator matrix (IEC 62106), information bit 15 first.
        constexpr u16 matrix[16] = {0x077, 0x2E7, 0x3AF, 0x30B, 0x359, 0x370, 0x1B8, 0x0DC,
                                    0x06E, 0x037, 0x2C7, 0x3BF, 0x303, 0x35D, 0x372, 0x1B9};
        for (int row = 0; row < 16; ++row)
            QCOMPARE(rdsCheckword(static_cast<u16>(0x8000U >> row)), matrix[row]);
        // Any word: the remainder of long division by the generator polynomial.
        std::minstd_rand gen(7);
        for (int n = 0; n < 200; ++n) {
            const u16 w = static_cast<u16>(gen());
            QCOMPARE(rdsCheckword(w), remainderByDivision(w));
        }
    }

    void offsetWordsAndPacking()
    {
        // The all-zero group: the checkwords are the offset words A, B, C, D.
        RDSBlocks blocks;
        QCOMPARE(blocks.check[0], rdsCheckPending);
        addCheckwords(blocks);
        QCOMPARE((QList<u16>{blocks.check[0], blocks.check[1], blocks.check[2], blocks.check[3]}),
                 (QList<u16>{0x0FC, 0x198, 0x168, 0x1B4}));
        u8 out[13];
        packGroup(out, blocks);
        QCOMPARE(bytes(out), QByteArray::fromHex("00003F000019800005A00001B4"));

        // Version B: block C carries offset C'; offset C is wrong there.
        RDSBlocks vb;
        vb.info[RDSBlocks::B] = rdsVersionBFlag;
        addCheckwords(vb);
        QCOMPARE(vb.check[2], u16(0x350));
        QCOMPARE(vb.check[1], u16(rdsCheckword(0x0800) ^ 0x198));
        for (int k = 0; k < 4; ++k)
            QVERIFY(rdsBlockValid(vb, k));
        vb.check[2] = 0x168;
        QVERIFY(!rdsBlockValid(vb, 2));

        // completeCheckwords fills only the pending ones (given ones cut to ten bits).
        RDSBlocks c;
        c.info[1] = 0x0800;
        c.check[0] = 0x0123;
        c.check[1] = 0x0400;
        c.check[2] = 0xFFFF;
        c.check[3] = 0x03FF;
        completeCheckwords(c);
        QCOMPARE((QList<u16>{c.check[0], c.check[1], c.check[2], c.check[3]}),
                 (QList<u16>{0x123, u16(rdsCheckword(0x0800) ^ 0x198), 0x350, 0x3FF}));

        // Packing round trip; only the low ten bits of a checkword field are sent.
        std::minstd_rand gen(11);
        for (int n = 0; n < 100; ++n) {
            RDSBlocks r;
            for (int k = 0; k < 4; ++k) {
                r.info[k] = static_cast<u16>(gen());
                r.check[k] = static_cast<u16>(gen() & 0x3FF);
            }
            packGroup(out, r);
            QCOMPARE(bitsChanged(r, unpackGroup(out)), 0);
        }
        RDSBlocks high;
        high.check[0] = 0x0400 | 0x0FC;
        packGroup(out, high);
        QCOMPARE(unpackGroup(out).check[0], u16(0x0FC));
    }

    void blockBFieldsAreMasked()
    {
        QCOMPARE(rdsBlockB(0, true, 1, 10, 0x1F), u16(0x0D5F));
        QCOMPARE(rdsBlockB(2, false, 0, 31, 0), u16(0x23E0));
        // Out-of-range values stay in their own field.
        QCOMPARE(rdsBlockB(0x12, false, 2, 0x25, 0x3F), u16(0x20BF));
        QCOMPARE(rdsBlockB(15, true, 0xFF, 0xFF, 0xFF), u16(0xFFFF));
    }

    void randomRange()
    {
        std::minstd_rand gen(1);
        int lo = 32767, hi = 0;
        for (int n = 0; n < 20000; ++n) {
            const int r = rdsRandom15(gen);
            QVERIFY(r >= 0 && r <= 32767);
            lo = std::min(lo, r);
            hi = std::max(hi, r);
        }
        QVERIFY(lo < 100);
        QVERIFY(hi > 32667);
    }

    void fullRateModes()
    {
        std::minstd_rand gen(5);
        const RDSBlocks built = sampleBlocks();
        RDSBlocks b = built;
        // Off: no "err" bit 7, ber 0; a mode above 2 runs but changes nothing.
        QVERIFY(!injectBitErrors(b, 0x00, 100, 0, gen));
        QVERIFY(!injectBitErrors(b, 0x7F, 100, 0x87, gen));
        QVERIFY(!injectBitErrors(b, 0x80, 0, 0x87, gen));
        QVERIFY(injectBitErrors(b, 0x83, 100, 0, gen));
        QCOMPARE(bitsChanged(b, built), 0);
        u8 a[13], c[13];
        packGroup(a, built);
        finishRdsGroup(c, b, RDSErrorSettings{0x00, 100, 0x07}, gen);
        QCOMPARE(bytes(c), bytes(a));

        // Flip (ber above 100 acts as 100), clear, set: every bit, checkword
        // bits within their ten-bit field.
        for (int ber : {100, 250}) {
            RDSBlocks flip = built;
            QVERIFY(injectBitErrors(flip, 0x80, ber, 0, gen));
            QCOMPARE(bitsChanged(flip, built), 104);
            for (int k = 0; k < 4; ++k) {
                QCOMPARE(flip.info[k], u16(~built.info[k]));
                QCOMPARE(flip.check[k], u16(built.check[k] ^ 0x3FF));
            }
        }
        RDSBlocks clear = built, set = built;
        injectBitErrors(clear, 0x81, 100, 0, gen);
        injectBitErrors(set, 0x82, 100, 0, gen);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(clear.info[k] | clear.check[k], 0);
            QCOMPARE(set.info[k], u16(0xFFFF));
            QCOMPARE(set.check[k], u16(0x3FF));
        }

        // Recomputed checkwords make the inverted group valid; without the
        // fix bit they are all wrong.
        for (u8 fix : {u8(rdsFix::recomputeChecks), u8(0)}) {
            RDSBlocks f = built;
            finishRdsGroup(a, f, RDSErrorSettings{0x80, 100, fix}, gen);
            const RDSBlocks got = unpackGroup(a);
            for (int k = 0; k < 4; ++k) {
                QCOMPARE(got.info[k], u16(~built.info[k]));
                QCOMPARE(rdsBlockValid(got, k), fix != 0);
            }
        }
    }

    void exactCount()
    {
        const RDSBlocks built = sampleBlocks();
        // ber percent of the 104 bits, rounded: 10.4, 93.6 (all but 10), 52, 1.04, 38.48.
        const int cases[][2] = {{10, 10}, {90, 94}, {50, 52}, {1, 1}, {37, 38}};
        for (u32 seed = 1; seed <= 50; ++seed) {
            std::minstd_rand gen(seed);
            for (const auto &c : cases) {
                RDSBlocks b = built;
                injectBitErrors(b, 0x80, c[0], rdsFix::exactCount, gen);
                QVERIFY2(bitsChanged(b, built) == c[1], qPrintable(QString("seed %1 ber %2").arg(seed).arg(c[0])));
            }
        }
        // Clearing an exact count of bits in a group of ones clears exactly those.
        std::minstd_rand gen(77);
        RDSBlocks ones;
        for (int k = 0; k < 4; ++k) {
            ones.info[k] = 0xFFFF;
            ones.check[k] = 0x3FF;
        }
        RDSBlocks cleared = ones;
        injectBitErrors(cleared, 0x81, 20, rdsFix::exactCount, gen);
        QCOMPARE(bitsChanged(cleared, ones), 21); // 20.8 rounds to 21
    }

    void fixKeepsTypeAndPI()
    {
        // Every bit flipped, then the fix bits in the order keep type, keep
        // PI, recompute checkwords. Blocks as "info" and "!" when the
        // checkword is wrong (keeping a field does not recompute it); the
        // sample's PI is D311, C 4142, D 4344.
        const struct { u16 b; u8 fix; const char *want; } cases[] = {
            // Keep type: bits 15..11 of block B as built, 10..0 damaged.
            {0x2410, rdsFix::keepType, "2CEE! 23EF! BEBD! BCBB!"},
            // Keep PI in a version B group: A and C carry the built PI.
            {0x0C10, rdsFix::keepType | rdsFix::keepPI, "D311! 0BEF! D311! BCBB!"},
            // Without keep type the damaged block B decides: a version B
            // group whose flag was flipped to A keeps its damaged block C...
            {0x2C10, rdsFix::keepPI, "D311! D3EF! BEBD! BCBB!"},
            // ...while a version A group flipped to B carries the PI in block C.
            {0x2410, rdsFix::keepPI, "D311! DBEF! D311! BCBB!"},
            // All three: checkwords recomputed last.
            {0x0800, 0x07, "D311 0FFF D311 BCBB"},
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
