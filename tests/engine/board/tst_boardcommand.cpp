#include "BoardCommand.h"
#include "BoardInfo.h"
#include "HexBytes.h"

#include <QTest>

using namespace BoardCommand;

using testsupport::hex;

namespace {
ChannelSetup channel5()
{
    ChannelSetup c;
    c.channel = 5;
    c.used = true;
    c.mono = false;
    c.rdsStreams = 0x03;
    c.emphasis = 1;
    c.frequency = 95.8;
    c.gain = -6;
    c.deviation = 75;
    c.volume = 50;
    c.sampleRate = 48000;
    return c;
}
} // namespace

class TestBoardCommand : public QObject
{
    Q_OBJECT

private slots:
    // ZQX4: one datagram with its own attenuation item. The synthesizer
    // boards: one per synthesizer (Europe 93/103 MHz, Japan 80/90, wide band
    // 85/101 with the reference oscillator); carrier off sends the largest attenuation.
    void bandConfigurations()
    {
        const QByteArray x4 = hex("0010 000000FF 000101 870128");
        QCOMPARE(bandConfiguration(BoardInfo::typeZQX4, 0, true, -10, 52), QList<QByteArray>{x4});
        QCOMPARE(x4.size(), bandConfigZQX4Size);
        QCOMPARE(bandConfigZQX4(false, -10), hex("0010 000000FF 000100 87017F"));
        const QList<QByteArray> europe = bandConfiguration(BoardInfo::typeZQTX, 0, true, -10, 52);
        QCOMPARE(europe, QList<QByteArray>({hex("0010 000000FF 000101 85010A 800100 840E B03F7627627E1902000000000000"),
                                            hex("0010 000000FF 000101 85010A 800101 840E B03FD89D897E1902000000000000")}));
        QCOMPARE(europe[0].size(), bandConfigSynthSize);
        QCOMPARE(bandConfiguration(BoardInfo::typeZQTX, 1, false, -10, 52),
                 QList<QByteArray>({hex("0010 000000FF 000100 85011F 800100 840E B03FF627627E1882000000000000"),
                                    hex("0010 000000FF 000100 85011F 800101 840E B03F589D897E1902000000000000")}));
        const QList<QByteArray> wide = bandConfiguration(BoardInfo::typeZQTXLower, 2, true, 0, 52);
        QCOMPARE(wide[0], hex("0010 000000FF 000101 850100 800100 840E BEFB0CA80EC4EC0019241D89D800"));
        QCOMPARE(wide[1].mid(9, 6), hex("850100 800101"));
    }

    void channelCommands()
    {
        const ChannelSetup c = channel5();
        const BoardWords::SynthPlan europe = BoardWords::synthPlan(0);
        const QByteArray full = fullChannelConfig(c, BoardInfo::typeZQTX, europe);
        QCOMPARE(full, hex("0010 00000005 200104 210401010301 230500153D1000 2202804D 270291A3 25028000"
                           " 26050200000000"));
        QCOMPARE(full.size(), fullChannelConfigSize);
        QCOMPARE(frequencyCommand(c, BoardInfo::typeZQTX, europe), hex("0010 00000005 200104 230500153D1000 2202804D"));
        QCOMPARE(gainCommand(c), hex("0010 00000005 200104 2202804D"));
        QCOMPARE(volumeCommand(c), hex("0010 00000005 200104 25028000"));
        QCOMPARE(rateCommand(c), hex("0010 00000005 200104 26050200000000"));

        // Channel 30 is index 5 of the second board; mono, muted, no RDS,
        // 44100 Hz, a ZQX4 board with its own frequency and deviation words.
        ChannelSetup d = c;
        d.channel = 30;
        d.mono = true;
        d.muted = true;
        d.rdsStreams = 0xF3; // only bits 0-3 travel
        d.emphasis = 2;
        d.frequency = 84.0;
        d.sampleRate = 44100;
        QCOMPARE(fullChannelConfig(d, BoardInfo::typeZQX4, europe),
                 hex("0010 0000001E 200105 210401000302 230500C962FD01 2202804D 27024189 25020000"
                     " 26050100000000"));
        // A negative offset keeps the top byte of the word zero.
        d.frequency = 92.9;
        QCOMPARE(frequencyCommand(d, BoardInfo::typeZQTX, europe), hex("0010 0000001E 200105 230500FF3DD200 2202804D"));
    }

    void outOfRangeChannelValuesAreClamped()
    {
        ChannelSetup c = channel5();
        c.gain = 6;
        c.volume = 300;
        c.deviation = 1000;
        c.emphasis = 9;
        const QByteArray full = fullChannelConfig(c, BoardInfo::typeZQTX, BoardWords::synthPlan(0));
        QCOMPARE(full.mid(14, 1), hex("02"));           // pre-emphasis 75 us
        QCOMPARE(full.mid(22, 4), hex("2202FFFF"));     // 0 dB
        QCOMPARE(full.mid(26, 4), hex("2702FC6F"));     // 130 kHz
        QCOMPARE(full.mid(30, 4), hex("2502FFFF"));     // 100 %
    }

    void invalidChannelNumbersBuildNothing()
    {
        ChannelSetup c = channel5();
        for (int ch : {0, 97, -1}) {
            c.channel = ch;
            QVERIFY(fullChannelConfig(c, BoardInfo::typeZQTX, BoardWords::synthPlan(0)).isEmpty());
            QVERIFY(frequencyCommand(c, BoardInfo::typeZQTX, BoardWords::synthPlan(0)).isEmpty());
            QVERIFY(gainCommand(c).isEmpty());
            QVERIFY(volumeCommand(c).isEmpty());
            QVERIFY(rateCommand(c).isEmpty());
        }
        c.channel = 96;
        QCOMPARE(gainCommand(c).mid(5, 4), hex("60 200117"));
    }

    void counterStampAndId()
    {
        QByteArray cmd = gainCommand(channel5());
        const u32 id = stamp(cmd, 0x123456);
        QCOMPARE(cmd.left(6), hex("0010 563412 05"));
        QCOMPARE(id, 0x05123456u);
        QCOMPARE(commandId(cmd), id);
        QCOMPARE(stamp(cmd, 0xABCDEF12), 0x05CDEF12u); // 24 bits only
        QCOMPARE(commandId(QByteArray(5, '\0')), 0u);
        QByteArray tiny(3, '\0');
        QCOMPARE(stamp(tiny, 7), 0u);
        QCOMPARE(tiny, QByteArray(3, '\0'));

        const u32 a = nextCounter();
        const u32 b = nextCounter();
        QCOMPARE(b, (a + 1) & 0xFFFFFFu);
        QVERIFY(a <= 0xFFFFFFu);
    }

    void parserTakesCommandsApart()
    {
        QByteArray cmd = fullChannelConfig(channel5(), BoardInfo::typeZQTX, BoardWords::synthPlan(0));
        stamp(cmd, 0x000102);
        Parsed p;
        QString error;
        QVERIFY(parse(cmd, &p, &error));
        QCOMPARE(p.id, 0x05000102u);
        QCOMPARE(p.counter, 0x000102u);
        QCOMPARE(int(p.target), 5);
        QCOMPARE(p.items.size(), 7);
        const u8 ids[] = {0x20, 0x21, 0x23, 0x22, 0x27, 0x25, 0x26};
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(p.items[i].id, ids[i]);
            QCOMPARE(p.items[i].data.size(), itemLength(ids[i]));
        }
        QCOMPARE(p.items[2].data, hex("00153D1000"));
        QVERIFY(parse(header(0xFF), &p, &error));
        QVERIFY(p.items.isEmpty());
    }

    // A command cut anywhere parses exactly where an item ends.
    void prefixesParseOnlyAtItemBoundaries()
    {
        const QByteArray full = fullChannelConfig(channel5(), BoardInfo::typeZQTX, BoardWords::synthPlan(0));
        const QList<int> boundaries = {6, 9, 15, 22, 26, 30, 34, 41};
        for (int len = 0; len <= full.size(); ++len) {
            Parsed p;
            QCOMPARE(parse(full.left(len), &p, nullptr), boundaries.contains(len));
            if (boundaries.contains(len))
                QCOMPARE(p.items.size(), boundaries.indexOf(len));
        }
    }

};

QTEST_GUILESS_MAIN(TestBoardCommand)
#include "tst_boardcommand.moc"
