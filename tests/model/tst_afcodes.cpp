#include "AFCodes.h"
#include "RDSSource.h"

#include <QSet>
#include <QTest>

static RDSAFEntry entry(int freq, u16 mark = 0, u8 regional = 0)
{
    RDSAFEntry e;
    e.freq = freq;
    e.mark = mark;
    e.regional = regional;
    return e;
}

static QList<RDSAFEntry> entries(std::initializer_list<int> freqs)
{
    QList<RDSAFEntry> l;
    for (int f : freqs)
        l << (f < 0 ? entry(-f, RDSAFEntry::listStart) : entry(f));
    return l;
}

class TestAFCodes : public QObject
{
    Q_OBJECT

private slots:
    void frequencyCodes()
    {
        // FM 87.6..107.9 MHz as 1..204, LF 153..279 kHz and MF 531..1602 kHz after the filler code 250 (IEC
        // 62106 AF codes); 161.9 kHz still rounds down to 153 kHz.
        const int cases[][2] = {{876, 1},     {1079, 204},     {1080, afNoFrequency}, {1530, 0xFA01},
                                {1619, 0xFA01}, {2791, afNoFrequency}, {5310, 0xFA10}, {16020, 0xFA87},
                                {-958, afNoFrequency}};
        for (const auto &c : cases)
            QVERIFY2(freqToAF(c[0]) == u16(c[1]), qPrintable(QString::number(c[0])));
    }

    void lists_data()
    {
        QTest::addColumn<int>("afu");
        QTest::addColumn<QList<int>>("manual"); // negative: a list start; above 100000: regional
        QTest::addColumn<QList<int>>("automatic");
        QTest::addColumn<int>("tuned");
        QTest::addColumn<QList<u16>>("codes");
        QTest::addColumn<int>("count"); // what compileAF returns
        const QList<int> none;
        QTest::newRow("A") << 0x05 << QList<int>{880, 881} << none << 876 << QList<u16>{0xE301, 0x0506} << 3;
        // LF/MF codes flush the waiting FM code and go as their own word.
        QTest::newRow("A LF/MF") << 0x05 << QList<int>{880, 1530, 1011} << none << 958
                                 << QList<u16>{0xE453, 0x05CD, 0xFA01, 0x88CD} << 4;
        // A marked entry starts a new list with itself as the tuning frequency.
        QTest::newRow("A list start") << 0x05 << QList<int>{880, -900, 901} << none << 876
                                      << QList<u16>{0xE201, 0x05CD, 0xE219, 0x1ACD} << 4;
        // Pairs with the tuning code, ascending; a regional pair (1011) descending.
        QTest::newRow("B regional") << 0x0D << QList<int>{880, 101011, 1530} << none << 958
                                    << QList<u16>{0xE653, 0x0553, 0x8853, 0xFA01} << 4;
        // Automatic list only: the own frequency, out-of-band and duplicates dropped.
        QTest::newRow("automatic") << 0x03 << QList<int>{1011} << QList<int>{958, 880, 1080, 880} << 958
                                   << QList<u16>{0xE253, 0x05CD} << 2;
        // Both lists, automatic first; a manual duplicate of an automatic code is dropped.
        QTest::newRow("both") << 0x07 << QList<int>{1011, 880} << QList<int>{958, 880, 1080, 880} << 958
                              << QList<u16>{0xE353, 0x0588} << 3;
        QTest::newRow("off") << 0x06 << QList<int>{1011} << QList<int>{880} << 958 << QList<u16>{} << 0;
    }

    void lists()
    {
        QFETCH(int, afu);
        QFETCH(QList<int>, manual);
        QFETCH(QList<int>, automatic);
        QFETCH(int, tuned);
        QFETCH(QList<u16>, codes);
        QFETCH(int, count);
        RDSSource src;
        src.afu = u8(afu);
        for (int f : manual)
            src.afs << (f < 0 ? entry(-f, RDSAFEntry::listStart) : f > 100000 ? entry(f - 100000, 0, 1) : entry(f));
        for (int f : automatic)
            src.af << entry(f);
        QCOMPARE(src.compileAF(tuned), count);
        QCOMPARE(src.afCodes, codes);
    }

    void methodAListLimit()
    {
        RDSSource src;
        src.afu = 0x05;
        for (int f = 880; f < 880 + 30; ++f)
            src.afs << entry(f);
        QCOMPARE(src.compileAF(876), 31);
        // 24 alternatives fill the first list (25 with the tuning frequency); the 25th opens a new list with
        // the same tuning code, so all 30 go out.
        QCOMPARE(src.afCodes.first(), u16(0xF901));
        QCOMPARE(src.afCodes.mid(12), (QList<u16>{0x1B1C, 0xE701, 0x1D1E, 0x1F20, 0x2122})); // 904..909 plus tuning
        // Every frequency of the lists stands in exactly one word.
        QSet<int> sent;
        for (u16 word : src.afCodes)
            if (word >> 8 < 224)
                sent << (word >> 8) << (word & 0xFF);
        for (int code = 5; code < 5 + 30; ++code)
            QVERIFY2(sent.contains(code), qPrintable(QString::number(code)));
    }

    void methodBListLimit()
    {
        RDSSource src;
        src.afu = 0x0D;
        for (int f = 880; f < 880 + 14; ++f)
            src.afs << entry(f);
        QCOMPARE(src.compileAF(958), 15);
        // Twelve pairs fill the first list (count 25); the 13th and 14th alternatives go into a second list
        // with the same tuning code.
        QCOMPARE(src.afCodes.size(), 16);
        QCOMPARE(src.afCodes[0], u16(0xF953));
        QCOMPARE(src.afCodes[12], u16(0x1053)); // 891: code 16
        QCOMPARE(src.afCodes.mid(13), (QList<u16>{0xE553, 0x1153, 0x1253}));
    }

    void eonWords()
    {
        QVERIFY(eonAFWords(entries({1080, 0})).isEmpty());
        QCOMPARE(eonAFWords(entries({880, 881, 880})), (QList<u16>{0xE205, 0x06CD}));
        // LF/MF codes keep marker and code in one word.
        QCOMPARE(eonAFWords(entries({880, 1530, 881})), (QList<u16>{0xE305, 0xFA01, 0x06CD}));
        QCOMPARE(eonAFWords(entries({1530, 880})), (QList<u16>{0xE2CD, 0xFA01, 0x05CD}));
        // At most 25 frequencies.
        QList<RDSAFEntry> many;
        for (int f = 880; f < 910; ++f)
            many << entry(f);
        const QList<u16> w = eonAFWords(many);
        QCOMPARE(w.size(), 13);
        QCOMPARE(w.first(), u16(0xF905));
        QCOMPARE(w.last(), u16(0x1C1D));
    }
};

QTEST_GUILESS_MAIN(TestAFCodes)
#include "tst_afcodes.moc"
