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
    void recordDefaults();
    void recordFromOddValues();
    void configWriter();
    void bandAndAttenuation();
    void distances();
    void frequencyZeroKeepsStoredFrequency();
};

void TestChannels::recordDefaults()
{
    TempProject file;
    FMSettings project(file.path());
    const ChannelRecord one = project.channelInfo(1);
    QCOMPARE(one, ChannelRecord::defaults(1));
    QCOMPARE(one.freq, 87.5);
    QCOMPARE(one.used, u8(0));
    QCOMPARE(one.volm, u8(40));
    QCOMPARE(one.devi, 75);
    QCOMPARE(one.emph, 1);
    QCOMPARE(one.rate, 44100);
    QCOMPARE(one.aof, 0.0);
    QCOMPARE(project.channelInfo(25).freq, 87.8);
    QCOMPARE(project.channelInfo(53).freq, 91.0);
    QCOMPARE(project.channelInfo(96).freq, 108.0);
    // Any number answers with its defaults.
    QCOMPARE(project.channelInfo(0).ch, 0);
    QCOMPARE(project.channelInfo(0).freq, 87.5);
}

void TestChannels::recordFromOddValues()
{
    TempProject file("[Channel.2]\n"
                     "Used=yes\n"
                     "mute=false\n"
                     "mono=1\n"
                     "freq=95.800\n"
                     "gain=-200\n"
                     "volm=300\n"
                     "devi=40\n"
                     "emph=2\n"
                     "rate=48000.0\n"
                     "auto=true\n"
                     "aof=150\n"
                     "att=dBm\n"
                     "idaudio=3\n"
                     "idrds=-1\n"
                     "[channel.3]\n"
                     "freq=abc\n"
                     "gain=x\n"
                     "aof=-12\n"
                     "idaudio=99999999999\n");
    FMSettings project(file.path());
    const ChannelRecord two = project.channelInfo(2);
    QCOMPARE(two.ch, 2);
    QCOMPARE(two.used, u8(1));
    QCOMPARE(two.mute, u8(0));
    QCOMPARE(two.mono, u8(1));
    QCOMPARE(two.freq, 95.8);
    QCOMPARE(two.gain, qint8(-128)); // held to the field, not wrapped to +56
    QCOMPARE(two.volm, u8(255));     // not wrapped to 44
    QCOMPARE(two.devi, 40);
    QCOMPARE(two.emph, 2);
    QCOMPARE(two.rate, 48000);
    QCOMPARE(two.autoRate, u8(1));
    QCOMPARE(two.aof, 1.5);
    QCOMPARE(two.att, QStringLiteral("dBm"));
    QCOMPARE(two.idaudio, 3);
    QCOMPARE(two.idrds, -1);

    const ChannelRecord three = project.channelInfo(3);
    QCOMPARE(three.freq, 89.1); // not a number: the default frequency
    QCOMPARE(three.gain, qint8(0));
    QCOMPARE(three.aof, -0.12);
    QCOMPARE(three.idaudio, 2147483647);
}

void TestChannels::configWriter()
{
    TempProject file;
    FMSettings project(file.path());
    KeyWatch channel(project, "channel.4");
    ChannelRecord r = ChannelRecord::defaults(4);
    r.mono = 1;
    r.devi = 50;
    r.emph = 2;
    r.rate = 32000;
    r.autoRate = 1;
    r.aof = 1.5;
    r.att = "dB";
    // Fields with keys of their own are not written here.
    r.used = 1;
    r.gain = -6;
    project.setChannelConfig(4, r);
    QCOMPARE(channel.take(), (QStringList{"channel.4/mono=1", "channel.4/devi=50", "channel.4/emph=2",
                                          "channel.4/rate=32000", "channel.4/auto=1", "channel.4/aof=150",
                                          "channel.4/att=dB"}));
    QVERIFY(!project.contains("channel.4.used"));
    QVERIFY(!project.contains("channel.4.gain"));
    QCOMPARE(file.fileValue(project, "channel.4/aof").toString(), QStringLiteral("150"));

    const ChannelRecord back = project.channelInfo(4);
    QCOMPARE(back.mono, u8(1));
    QCOMPARE(back.devi, 50);
    QCOMPARE(back.rate, 32000);
    QCOMPARE(back.autoRate, u8(1));
    QCOMPARE(back.aof, 1.5);
    QCOMPARE(back.att, QStringLiteral("dB"));

    // Half-up rounding of the offset, also below zero.
    r.aof = -0.125;
    project.setChannelConfig(4, r);
    QCOMPARE(channel.take(), (QStringList{"channel.4/aof=-12"}));
    QCOMPARE(project.channelInfo(4).aof, -0.12);
    r.aof = 0.125;
    project.setChannelConfig(4, r);
    QCOMPARE(channel.take(), (QStringList{"channel.4/aof=13"}));

    // No junk groups for channels that do not exist.
    project.setChannelConfig(0, r);
    project.setChannelConfig(97, r);
    QCOMPARE(channel.take(), QStringList());
    QVERIFY(!project.contains("channel.0/devi"));
    QVERIFY(!project.contains("channel.97/devi"));
}

void TestChannels::bandAndAttenuation()
{
    TempProject file("[board]\ngmin=1\nband=0\nattn=0\n");
    FMSettings project(file.path());
    KeyWatch board(project, "board");
    QCOMPARE(FMSettings::describeKey("channel.1.freq"),
             QStringLiteral("channel transmission frequency [87.5..108] MHz (double)"));

    int band = 5;
    int attn = -40;
    project.setBoard(band, attn);
    QCOMPARE(band, 2);
    QCOMPARE(attn, -31);
    QCOMPARE(project.band(), 2);
    QCOMPARE(project.attn(), -31);
    QCOMPARE(file.fileValue(project, "board/band").toString(), QStringLiteral("2"));
    QCOMPARE(file.fileValue(project, "board/attn").toString(), QStringLiteral("-31"));
    QCOMPARE(board.take(), (QStringList{"board.attn=-31", "board.band=2"}));
    QCOMPARE(FMSettings::describeKey("channel.1.freq"),
             QStringLiteral("channel transmission frequency [76..108] MHz (double)"));
    QVERIFY(project.dirty);

    // The same values again: nothing broadcast, nothing changed.
    project.dirty = false;
    project.setBoard(band, attn);
    QCOMPARE(board.take(), QStringList());
    QVERIFY(!project.dirty);

    // Japan: the frequency range follows the band.
    band = 1;
    attn = 3;
    project.setBoard(band, attn);
    QCOMPARE(attn, 0);
    QCOMPARE(board.take(), (QStringList{"board.attn=0", "board.band=1"}));
    QCOMPARE(FMSettings::describeKey("channel.1.freq"),
             QStringLiteral("channel transmission frequency [76..95] MHz (double)"));
    band = -3;
    project.setBoard(band, attn);
    QCOMPARE(band, 0);
    QCOMPARE(FMSettings::describeKey("channel.1.freq"),
             QStringLiteral("channel transmission frequency [87.5..108] MHz (double)"));
    QVERIFY(project.dirty);

    // A new project object starts from the wide range and its own file.
    TempProject other("[board]\ngmin=1\nband=2\n");
    FMSettings second(other.path());
    QCOMPARE(second.band(), 2);
    QCOMPARE(FMSettings::describeKey("channel.1.freq"),
             QStringLiteral("channel transmission frequency [76..108] MHz (double)"));
}

void TestChannels::distances()
{
    TempProject file;
    FMSettings project(file.path());
    KeyWatch dist(project, "chinfo.*/dist");

    project.setChannelFreq(1, 95.8, true);
    QCOMPARE(file.fileValue(project, "channel.1/freq").toString(), QStringLiteral("95.800"));
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=100.000"}));

    project.setChannelFreq(5, 96.0, true);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.200", "chinfo.5/dist=0.200"}));

    // A third channel: only the distances that changed are sent.
    project.setChannelFreq(9, 96.5, true);
    QCOMPARE(dist.take(), (QStringList{"chinfo.9/dist=0.500"}));

    // The same frequency again changes nothing.
    project.setChannelFreq(9, 96.5, true);
    QCOMPARE(dist.take(), QStringList());

    // Switching the middle one off widens the others' gaps.
    project.setChannelFreq(5, 96.0, false);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.700", "chinfo.9/dist=0.700"}));
    // Switching off a channel that is off already changes nothing.
    project.setChannelFreq(5, 96.0, false);
    QCOMPARE(dist.take(), QStringList());

    // Two channels on one frequency.
    project.setChannelFreq(9, 95.8, true);
    QCOMPARE(dist.take(), (QStringList{"chinfo.1/dist=0.000", "chinfo.9/dist=0.000"}));

    // Outside the boards: ignored, nothing stored.
    project.setChannelFreq(25, 99.0, true);
    project.setChannelFreq(0, 99.0, true);
    QCOMPARE(dist.take(), QStringList());
    QVERIFY(!project.contains("channel.25/freq"));

    // After loading, the last distances are sent again on request; the
    // channel switched off keeps its last entry.
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

    // A channel without a stored frequency uses its default one (90.2 MHz
    // for channel 4), never 0 MHz.
    project.setChannelFreq(3, 0.0, false);
    project.setChannelFreq(4, 0.0, true);
    QCOMPARE(dist.take(),
             (QStringList{"chinfo.1/dist=100.000", "chinfo.1/dist=5.600", "chinfo.4/dist=5.600"}));
    QVERIFY(!project.contains("channel.4/freq"));
}

QTEST_GUILESS_MAIN(TestChannels)
#include "tst_channels.moc"
