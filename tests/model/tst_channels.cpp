#include "FMSettings.h"
#include "KeyWatch.h"
#include "TempProject.h"

#include <QTest>

using testsupport::KeyWatch;
using testsupport::TempProject;

class TestChannels : public QObject
{
    Q_OBJECT

private slots:
    void defaultFrequencies();
    void aofStoredForm();
    void recordFromOddValues();
    void bandAndAttenuation();
    void distances();
    void frequencyZeroKeepsStoredFrequency();
};

void TestChannels::defaultFrequencies()
{
    // {channel, tenths of MHz}: a board boundary shifts the spread by 0.3 MHz, 96 is capped, the fixed
    // channels of the third board; numbers outside any board must not index outside the spread table.
    const int cases[][2] = {{1, 875}, {2, 881}, {24, 1071}, {25, 878}, {96, 1080}, {49, 889},
                            {51, 897}, {0, 875}, {-7, 875}, {97, 887}, {2147483647, 1080}};
    for (const auto &c : cases) {
        const QString name = QStringLiteral("channel %1: ").arg(c[0]);
        QCOMPARE(name + QString::number(ChannelRecord::defaultFreqTenths(c[0])), name + QString::number(c[1]));
    }
}

void TestChannels::aofStoredForm()
{
    // Half up, also below zero and for decimal halves; clamped, not wrapped.
    const std::pair<double, int> cases[] = {{-0.125, -12}, {0.125, 13}, {0.285, 29}, {1e12, 2147483647},
                                            {-1e12, int(-2147483647 - 1)}, {qQNaN(), 0}};
    for (const auto &c : cases)
        QCOMPARE(QString::number(ChannelRecord::aofToStored(c.first)) + " for " + QString::number(c.first),
                 QString::number(c.second) + " for " + QString::number(c.first));
}

void TestChannels::recordFromOddValues()
{
    TempProject file("[Channel.2]\nUsed=yes\nmute=false\nmono=1\nfreq=95.800\ngain=-200\nvolm=300\ndevi=40\n"
                     "emph=2\nrate=48000.0\nauto=true\naof=150\natt=dBm\nidaudio=3\nidrds=-1\n"
                     "[channel.3]\nfreq=abc\ngain=x\naof=-12\nidaudio=99999999999\n");
    FMSettings project(file.path());
    ChannelRecord two = ChannelRecord::defaults(2);
    two.used = 1;
    two.mono = 1;
    two.freq = 95.8;
    two.gain = -128; // held to the field, not wrapped to +56
    two.volm = 255;  // not wrapped to 44
    two.devi = 40;
    two.emph = 2;
    two.rate = 48000;
    two.autoRate = 1;
    two.aof = 1.5;
    two.att = "dBm";
    two.idaudio = 3;
    two.idrds = -1;
    QCOMPARE(project.channelInfo(2), two);

    QCOMPARE(project.channelInfo(0), ChannelRecord::defaults(0));
    const ChannelRecord three = project.channelInfo(3);
    QCOMPARE(three.freq, 89.1); // not a number: the default frequency
    QCOMPARE(three.aof, -0.12);
    QCOMPARE(three.idaudio, 2147483647);

    // Writers make no junk groups for channels that do not exist.
    KeyWatch channel(project, "*");
    for (int ch : {0, 97})
        project.setChannelConfig(ch, two);
    QCOMPARE(channel.take(), QStringList());
    QVERIFY(!project.contains("channel.0/devi"));
}

void TestChannels::bandAndAttenuation()
{
    TempProject file("[board]\ngmin=1\nband=0\nattn=0\n");
    FMSettings project(file.path());
    KeyWatch board(project, "board");
    struct Step
    {
        int band, attn;          // given
        int heldBand, heldAttn;  // clamped
        const char *broadcast;   // joined by '|'
        const char *range;       // of "channel.freq"
        bool dirty;
    };
    const Step steps[] = {
        {5, -40, 2, -31, "board.attn=-31|board.band=2", "76..108", true},
        {2, -31, 2, -31, "", "76..108", false}, // the same values: nothing broadcast, nothing changed
        {1, 3, 1, 0, "board.attn=0|board.band=1", "76..95", true},
        {-3, 0, 0, 0, "board.band=0", "87.5..108", true},
    };
    for (const Step &st : steps) {
        project.dirty = false;
        int band = st.band;
        int attn = st.attn;
        project.setBoard(band, attn);
        const QString id = QStringLiteral("band %1 attn %2: ").arg(st.band).arg(st.attn);
        QCOMPARE(id + QStringLiteral("%1 %2 %3 %4").arg(band).arg(attn).arg(project.band()).arg(project.attn()),
                 id + QStringLiteral("%1 %2 %1 %2").arg(st.heldBand).arg(st.heldAttn));
        QCOMPARE(file.fileValue(project, "board/band").toInt(), st.heldBand);
        QCOMPARE(file.fileValue(project, "board/attn").toInt(), st.heldAttn);
        QCOMPARE(id + board.take().join(QLatin1Char('|')), id + QLatin1String(st.broadcast));
        QCOMPARE(FMSettings::describeKey("channel.1.freq"),
                 QStringLiteral("channel transmission frequency [%1] MHz (double)").arg(st.range));
        QCOMPARE(project.dirty, st.dirty);
    }
}

void TestChannels::distances()
{
    TempProject file;
    FMSettings project(file.path());
    KeyWatch dist(project, "chinfo.*/dist");
    struct Step
    {
        int ch;
        double freq;
        bool on;
        const char *sent; // joined by '|'
    };
    const Step steps[] = {
        {1, 95.8, true, "chinfo.1/dist=100.000"},
        {5, 96.0, true, "chinfo.1/dist=0.200|chinfo.5/dist=0.200"},
        {9, 96.5, true, "chinfo.9/dist=0.500"}, // only the distances that changed
        {5, 96.0, false, "chinfo.1/dist=0.700|chinfo.9/dist=0.700"}, // off: the others' gaps widen
        {9, 95.8, true, "chinfo.1/dist=0.000|chinfo.9/dist=0.000"}, // two on one frequency
        {25, 99.0, true, ""}, // outside the boards: ignored, nothing stored
    };
    for (const Step &st : steps) {
        project.setChannelFreq(st.ch, st.freq, st.on);
        const QString id = QStringLiteral("%1 %2 %3: ").arg(st.ch).arg(st.freq).arg(st.on);
        QCOMPARE(id + dist.take().join(QLatin1Char('|')), id + QLatin1String(st.sent));
    }
    QCOMPARE(file.fileValue(project, "channel.1/freq").toString(), QStringLiteral("95.800"));
    QVERIFY(!project.contains("channel.25/freq"));

    // After loading, the last distances are sent again on request; the channel switched off keeps its last
    // entry.
    project.broadcastDistances();
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.000", "chinfo.5/dist=0.200", "chinfo.9/dist=0.000"}));
    QVERIFY(!file.fileValue(project, "chinfo.1/dist").isValid());
}

void TestChannels::frequencyZeroKeepsStoredFrequency()
{
    TempProject file("[board]\ngmin=1\n[channel.3]\nfreq=99.000\n");
    FMSettings project(file.path());
    KeyWatch dist(project, "chinfo.*/dist");
    project.setChannelFreq(1, 95.8, true);
    dist.take();
    project.dirty = false;

    // Switched on without a new frequency: the stored one counts.
    project.setChannelFreq(3, 0.0, true);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=3.200", "chinfo.3/dist=3.200"}));
    QCOMPARE(file.fileValue(project, "channel.3/freq").toString(), QStringLiteral("99.000"));
    QVERIFY(!project.dirty);

    // A channel without a stored frequency uses its default one (90.2 MHz for channel 4), never 0 MHz.
    project.setChannelFreq(3, 0.0, false);
    project.setChannelFreq(4, 0.0, true);
    QCOMPARE(dist.take(),
             (QStringList{"chinfo.1/dist=100.000", "chinfo.1/dist=5.600", "chinfo.4/dist=5.600"}));
    QVERIFY(!project.contains("channel.4/freq"));
}

QTEST_GUILESS_MAIN(TestChannels)
#include "tst_channels.moc"
