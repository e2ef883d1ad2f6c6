#include "ChannelRecord.h"

#include <QtTest>

class TestChannelRecord : public QObject
{
    Q_OBJECT

private slots:
    void defaultFrequencies_data();
    void defaultFrequencies();
    void defaultsOfARecord();
    void aofStoredForm_data();
    void aofStoredForm();
};

void TestChannelRecord::defaultFrequencies_data()
{
    QTest::addColumn<int>("ch");
    QTest::addColumn<int>("tenths");
    // Board 1, across the first group of eight and its last channel.
    QTest::newRow("1") << 1 << 875;
    QTest::newRow("2") << 2 << 881;
    QTest::newRow("3") << 3 << 891;
    QTest::newRow("4") << 4 << 902;
    QTest::newRow("8") << 8 << 935;
    QTest::newRow("9") << 9 << 943;
    QTest::newRow("24") << 24 << 1071;
    // Board boundaries: each board shifts the spread by 0.3 MHz.
    QTest::newRow("25") << 25 << 878;
    QTest::newRow("48") << 48 << 1074;
    QTest::newRow("50") << 50 << 887;
    QTest::newRow("72") << 72 << 1077;
    QTest::newRow("73") << 73 << 884;
    QTest::newRow("95") << 95 << 1071;
    QTest::newRow("96 capped") << 96 << 1080;
    // The fixed channels of the third board.
    QTest::newRow("49 fixed") << 49 << 889;
    QTest::newRow("53 fixed") << 53 << 910;
    QTest::newRow("57 fixed") << 57 << 957;
    QTest::newRow("61 fixed") << 61 << 978;
    QTest::newRow("65 fixed") << 65 << 1025;
    QTest::newRow("69 fixed") << 69 << 1046;
    QTest::newRow("51 between fixed") << 51 << 897;
    // Numbers outside any board must not index outside the spread table.
    QTest::newRow("0") << 0 << 875;
    QTest::newRow("-7") << -7 << 875;
    QTest::newRow("97") << 97 << 887;
    QTest::newRow("huge") << 2147483647 << 1080;
}

void TestChannelRecord::defaultFrequencies()
{
    QFETCH(int, ch);
    QFETCH(int, tenths);
    QCOMPARE(ChannelRecord::defaultFreqTenths(ch), tenths);
    QCOMPARE(ChannelRecord::defaultFreq(ch), tenths / 10.0);
}

void TestChannelRecord::defaultsOfARecord()
{
    const ChannelRecord r = ChannelRecord::defaults(1);
    QCOMPARE(r.ch, 1);
    QCOMPARE(r.used, u8(0));
    QCOMPARE(r.mute, u8(0));
    QCOMPARE(r.mono, u8(0));
    QCOMPARE(r.freq, 87.5);
    QCOMPARE(r.gain, qint8(0));
    QCOMPARE(r.volm, u8(40));
    QCOMPARE(r.devi, 75);
    QCOMPARE(r.emph, 1);
    QCOMPARE(r.rate, 44100);
    QCOMPARE(r.autoRate, u8(0));
    QCOMPARE(r.aof, 0.0);
    QVERIFY(r.att.isEmpty());
    QCOMPARE(r.idaudio, 0);
    QCOMPARE(r.idrds, 0);
    QCOMPARE(ChannelRecord::defaults(24).freq, 107.1);
}

void TestChannelRecord::aofStoredForm_data()
{
    QTest::addColumn<double>("aof");
    QTest::addColumn<int>("stored");
    QTest::newRow("1.5") << 1.5 << 150;
    QTest::newRow("-0.125 half up") << -0.125 << -12;
    QTest::newRow("0.125 half up") << 0.125 << 13;
    QTest::newRow("-0.135") << -0.135 << -13;
    QTest::newRow("0.285 decimal half") << 0.285 << 29;
    QTest::newRow("-1000") << -1000.0 << -100000;
    QTest::newRow("too big clamps") << 1e12 << 2147483647;
    QTest::newRow("too small clamps") << -1e12 << int(-2147483647 - 1);
    QTest::newRow("nan") << qQNaN() << 0;
}

void TestChannelRecord::aofStoredForm()
{
    QFETCH(double, aof);
    QFETCH(int, stored);
    QCOMPARE(ChannelRecord::aofToStored(aof), stored);
}

QTEST_GUILESS_MAIN(TestChannelRecord)
#include "tst_channelrecord.moc"
