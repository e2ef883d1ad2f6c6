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
        QCOMPARE(freqToAF(876), u16(1));
        QCOMPARE(freqToAF(958), u16(83));
        QCOMPARE(freqToAF(1079), u16(204));
        QCOMPARE(freqToAF(875), afNoFrequency);
        QCOMPARE(freqToAF(1080), afNoFrequency);
        QCOMPARE(freqToAF(1530), u16(0xFA01));
        QCOMPARE(freqToAF(1619), u16(0xFA01)); // 161.9 kHz still rounds down to 153 kHz
        QCOMPARE(freqToAF(2790), u16(0xFA0F));
        QCOMPARE(freqToAF(2791), afNoFrequency);
        QCOMPARE(freqToAF(5310), u16(0xFA10));
        QCOMPARE(freqToAF(16020), u16(0xFA87));
        QCOMPARE(freqToAF(16021), afNoFrequency);
        QCOMPARE(freqToAF(0), afNoFrequency);
        QCOMPARE(freqToAF(-958), afNoFrequency);
        QVERIFY(afIsLfMf(0xFA10));
        QVERIFY(!afIsLfMf(83));
    }

    void methodA()
    {
        RDSSource src;
        src.afu = 0x05; // send, manual list, method A
        src.afs = entries({880, 881});
        QCOMPARE(src.compileAF(876), 3);
        QCOMPARE(src.afCodes, (QList<u16>{0xE301, 0x0506}));

        // LF/MF codes flush the waiting FM code and go as their own word.
        src.afs = entries({880, 1530, 1011});
        QCOMPARE(src.compileAF(958), 4);
        QCOMPARE(src.afCodes, (QList<u16>{0xE453, 0x05CD, 0xFA01, 0x88CD}));

        // A marked entry starts a new list with itself as the tuning frequency.
        src.afs = entries({880, -900, 901});
        QCOMPARE(src.compileAF(876), 4);
        QCOMPARE(src.afCodes, (QList<u16>{0xE201, 0x05CD, 0xE219, 0x1ACD}));
    }

    void methodAListLimit()
    {
        RDSSource src;
        src.afu = 0x05;
        for (int f = 880; f < 880 + 30; ++f)
            src.afs << entry(f);
        QCOMPARE(src.compileAF(876), 31);
        // 24 alternatives fill the first list (25 with the tuning frequency);
        // the 25th opens a new list with the same tuning code, so all 30 go out.
        QCOMPARE(src.afCodes.first(), u16(0xF901));
        QCOMPARE(src.afCodes[1], u16(0x0506));
        QCOMPARE(src.afCodes[12], u16(0x1B1C)); // 902, 903: codes 27, 28
        QCOMPARE(src.afCodes[13], u16(0xE701)); // 904..909 plus tuning
        QCOMPARE(src.afCodes.mid(14), (QList<u16>{0x1D1E, 0x1F20, 0x2122}));
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
        // Twelve pairs fill the first list (count 25); the 13th and 14th
        // alternatives go into a second list with the same tuning code.
        QCOMPARE(src.afCodes.size(), 16);
        QCOMPARE(src.afCodes[0], u16(0xF953));
        QCOMPARE(src.afCodes[12], u16(0x1053)); // 891: code 16
        QCOMPARE(src.afCodes.mid(13), (QList<u16>{0xE553, 0x1153, 0x1253}));
    }

    void methodB()
    {
        RDSSource src;
        src.afu = 0x0D; // send, manual, method B
        src.afs = entries({880, 1011, 1530});
        src.afs[1].regional = 1;
        QCOMPARE(src.compileAF(958), 4);
        // Pairs with the tuning code, ascending; the regional pair descending.
        QCOMPARE(src.afCodes, (QList<u16>{0xE653, 0x0553, 0x8853, 0xFA01}));

        // A marked entry closes the list and starts one for its frequency.
        src.afs = entries({880, -900, 901});
        QCOMPARE(src.compileAF(958), 4);
        QCOMPARE(src.afCodes, (QList<u16>{0xE353, 0x0553, 0xE319, 0x191A}));
    }

    void listsAndDuplicates()
    {
        RDSSource src;
        src.afu = 0x03; // automatic list only
        src.af = entries({958, 880, 1080, 880});
        src.afs = entries({1011});
        QCOMPARE(src.compileAF(958), 2);
        QCOMPARE(src.afCodes, (QList<u16>{0xE253, 0x05CD}));
        // Both lists, automatic first; a manual duplicate of an automatic code is dropped.
        src.afu = 0x07;
        src.afs = entries({1011, 880});
        QCOMPARE(src.compileAF(958), 3);
        QCOMPARE(src.afCodes, (QList<u16>{0xE353, 0x0588}));
        // AF off: nothing.
        src.afu = 0x06;
        QCOMPARE(src.compileAF(958), 0);
        QVERIFY(src.afCodes.isEmpty());
        // No alternative: only the header.
        src.afu = 0x01;
        QCOMPARE(src.compileAF(958), 1);
        QCOMPARE(src.afCodes, (QList<u16>{0xE153}));
    }

    void eonWords()
    {
        QVERIFY(eonAFWords({}).isEmpty());
        QVERIFY(eonAFWords(entries({1080, 0})).isEmpty());
        QCOMPARE(eonAFWords(entries({880})), (QList<u16>{0xE105}));
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
