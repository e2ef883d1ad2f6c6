#include "ChannelRecord.h"

#include <QtTest>

class TestChannelRecord : public QObject
{
    Q_OBJECT

private slots:
    void defaultFrequencies();
    void defaultsOfARecord();
    void aofStoredForm();
};

void TestChannelRecord::defaultFrequencies()
{
    // {channel, tenths of MHz}. Board 1 across its first group of eight;
    // each board boundary shifts the spread by 0.3 MHz; 96 is capped; the
    // fixed channels of the third board (49..69 step 4, 51 between them);
    // numbers outside any board must not index outside the spread table.
    const int cases[][2] = {{1, 875},   {2, 881},   {3, 891},   {4, 902},   {8, 935},   {9, 943},
                            {24, 1071}, {25, 878},  {48, 1074}, {50, 887},  {72, 1077}, {73, 884},
                            {95, 1071}, {96, 1080}, {49, 889},  {53, 910},  {57, 957},  {61, 978},
                            {65, 1025}, {69, 1046}, {51, 897},  {0, 875},   {-7, 875},  {97, 887},
                            {2147483647, 1080}};
    for (const auto &c : cases) {
        const QString name = QStringLiteral("channel %1: ").arg(c[0]);
        QCOMPARE(name + QString::number(ChannelRecord::defaultFreqTenths(c[0])), name + QString::number(c[1]));
        QCOMPARE(ChannelRecord::defaultFreq(c[0]), c[1] / 10.0);
    }
}

void TestChannelRecord::defaultsOfARecord()
{
    const ChannelRecord r = ChannelRecord::defaults(1);
    QCOMPARE(r.ch, 1);
    QCOMPARE(r.used + r.mute + r.mono + r.gain + r.autoRate, 0);
    QCOMPARE(r.freq, 87.5);
    QCOMPARE(r.volm, u8(40));
    QCOMPARE(r.devi, 75);
    QCOMPARE(r.emph, 1);
    QCOMPARE(r.rate, 44100);
    QCOMPARE(r.aof, 0.0);
    QVERIFY(r.att.isEmpty());
    QCOMPARE(r.idaudio, 0);
    QCOMPARE(r.idrds, 0);
    QCOMPARE(ChannelRecord::defaults(24).freq, 107.1);
}

void TestChannelRecord::aofStoredForm()
{
    // Half up, also below zero and for decimal halves; clamped, not wrapped.
    const std::pair<double, int> cases[] = {
        {1.5, 150},      {-0.125, -12},      {0.125, 13},        {-0.135, -13},
        {0.285, 29},     {-1000.0, -100000}, {1e12, 2147483647}, {-1e12, int(-2147483647 - 1)},
        {qQNaN(), 0}};
    for (const auto &c : cases)
        QCOMPARE(QString::number(ChannelRecord::aofToStored(c.first)) + " for " + QString::number(c.first),
                 QString::number(c.second) + " for " + QString::number(c.first));
}

QTEST_GUILESS_MAIN(TestChannelRecord)
#include "tst_channelrecord.moc"
