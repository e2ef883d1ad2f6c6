#include "BoardCommand.h"
#include "BoardInfo.h"
#include "BoardWords.h"
#include "HexBytes.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace BoardCommand;
using BoardWords::synthPlan;

using testsupport::hex;

namespace {
constexpr u32 ZQX4 = BoardInfo::typeZQX4;
constexpr u32 ZQTX = BoardInfo::typeZQTX;
constexpr u32 zQTX = BoardInfo::typeZQTXLower;

ChannelSetup channel5()
{
    ChannelSetup c;
    c.channel = 5;
    c.used = true;
    c.rdsStreams = 0x03;
    c.emphasis = 1;
    c.frequency = 95.8;
    c.gain = -6;
    c.deviation = 75;
    c.volume = 50;
    c.sampleRate = 48000;
    return c;
}

QString words(const BoardWords::SynthWords &w)
{
    QStringList s;
    for (u16 x : w)
        s << QString::asprintf("%04X", x);
    return s.join(' ');
}
} // namespace

class TestBoardCommand : public QObject
{
    Q_OBJECT

private slots:
    // ZQX4: one datagram with its own attenuation item. The synthesizer boards: one per synthesizer (Europe
    // 93/103 MHz, Japan 80/90, wide band 85/101 with the reference oscillator); carrier off sends the largest
    // attenuation.
    void bandConfigurations()
    {
        QCOMPARE(bandConfiguration(ZQX4, 0, true, -10, 52), QList<QByteArray>{hex("0010 000000FF 000101 870128")});
        QCOMPARE(bandConfigZQX4(false, -10), hex("0010 000000FF 000100 87017F"));
        QCOMPARE(bandConfiguration(ZQTX, 0, true, -10, 52),
                 QList<QByteArray>({hex("0010 000000FF 000101 85010A 800100 840E B03F7627627E1902000000000000"),
                                    hex("0010 000000FF 000101 85010A 800101 840E B03FD89D897E1902000000000000")}));
        QCOMPARE(bandConfiguration(ZQTX, 1, false, -10, 52)[0],
                 hex("0010 000000FF 000100 85011F 800100 840E B03FF627627E1882000000000000"));
        QCOMPARE(bandConfiguration(zQTX, 2, true, 0, 52)[0],
                 hex("0010 000000FF 000101 850100 800100 840E BEFB0CA80EC4EC0019241D89D800"));
    }

    void channelCommands()
    {
        const ChannelSetup c = channel5();
        const BoardWords::SynthPlan europe = synthPlan(0);
        QCOMPARE(fullChannelConfig(c, ZQTX, europe), hex("0010 00000005 200104 210401010301 230500153D1000 2202804D"
                                                         " 270291A3 25028000 26050200000000"));
        QCOMPARE(frequencyCommand(c, ZQTX, europe), hex("0010 00000005 200104 230500153D1000 2202804D"));
        QCOMPARE(gainCommand(c) + volumeCommand(c) + rateCommand(c),
                 hex("0010 00000005 200104 2202804D 0010 00000005 200104 25028000 0010 00000005 200104 26050200000000"));
        // Channel 30 is index 5 of the second board; mono, muted, no RDS, 44100 Hz, a ZQX4 board with its own
        // frequency and deviation words.
        ChannelSetup d = c;
        d.channel = 30;
        d.mono = true;
        d.muted = true;
        d.rdsStreams = 0xF3; // only bits 0-3 travel
        d.emphasis = 2;
        d.frequency = 84.0;
        d.sampleRate = 44100;
        QCOMPARE(fullChannelConfig(d, ZQX4, europe), hex("0010 0000001E 200105 210401000302 230500C962FD01 2202804D"
                                                         " 27024189 25020000 26050100000000"));
        // Out of range: clamped to the key ranges, never wrapped.
        ChannelSetup e = c;
        e.gain = 6;
        e.volume = 300;
        e.deviation = 1000;
        e.emphasis = 9;
        QCOMPARE(fullChannelConfig(e, ZQTX, europe).mid(14, 20), hex("02 230500153D1000 2202FFFF 2702FC6F 2502FFFF"));
        // A channel outside 1..96 builds nothing.
        for (int ch : {0, 97, -1}) {
            e.channel = ch;
            QVERIFY(fullChannelConfig(e, ZQTX, europe).isEmpty());
            QVERIFY(gainCommand(e).isEmpty());
        }
    }

    void counterStampAndId()
    {
        QByteArray cmd = gainCommand(channel5());
        QCOMPARE(stamp(cmd, 0x123456), 0x05123456u);
        QCOMPARE(cmd.left(6), hex("0010 563412 05"));
        QCOMPARE(commandId(cmd), 0x05123456u);
        QCOMPARE(stamp(cmd, 0xABCDEF12), 0x05CDEF12u); // 24 bits only
        QByteArray tiny(3, '\0');
        QCOMPARE(stamp(tiny, 7), 0u);
        const u32 a = nextCounter();
        QCOMPARE(nextCounter(), (a + 1) & 0xFFFFFFu);
    }

    // A command cut anywhere parses exactly where an item ends.
    void parserTakesCommandsApart()
    {
        QByteArray full = fullChannelConfig(channel5(), ZQTX, synthPlan(0));
        stamp(full, 0x000102);
        Parsed p;
        QVERIFY(parse(full, &p, nullptr));
        QCOMPARE(QString::asprintf("%08X %d %lld", p.id, p.target, qlonglong(p.items.size())), QString("05000102 5 7"));
        QCOMPARE(p.items[2].data, hex("00153D1000"));
        const QList<int> boundaries = {6, 9, 15, 22, 26, 30, 34, 41};
        for (int len = 0; len <= full.size(); ++len) {
            QCOMPARE(parse(full.left(len), &p, nullptr), boundaries.contains(len));
            if (boundaries.contains(len))
                QCOMPARE(p.items.size(), boundaries.indexOf(len));
        }
    }

    // Both families: the synthesizer boards around the centres of a band plan (the threshold belongs to the
    // upper synthesizer; below a centre the offset is two's complement in 24 bits, top byte zero), ZQX4 with
    // its four synthesizers; out of range held at the ends, never wrapped.
    void frequencyWords()
    {
        const double nan = std::nan("");
        const struct {
            u32 type;
            int band;
            double mhz;
            u32 word;
        } cases[] = {
            {ZQTX, 0, 95.8, 0x153D10}, {ZQTX, 0, 98.0, 0xDA12F7}, {ZQTX, 0, 92.9, 0xFF3DD2},
            {zQTX, 0, 108.0, 0x25ED09}, {ZQTX, 1, 85.0, 0xDA12F7}, {ZQX4, 0, 84.0, 0xC962FD},
            {ZQX4, 0, 83.9, 0x353F7D}, {ZQX4, 0, 107.9, 0x353F7D}, {ZQTX, 0, 200.0, 0x25ED09},
            {ZQTX, 0, nan, 0x800000},  {ZQTX, 1, 108.0, 0x7FFFFF}, // 18 MHz above the centre: more than 24 bits
        };
        for (const auto &c : cases)
            QCOMPARE(QString::asprintf("%g: %06X", c.mhz, BoardWords::frequencyWord(c.type, c.mhz, synthPlan(c.band)).word),
                     QString::asprintf("%g: %06X", c.mhz, c.word));
    }

    // Gain above 0 dB would overflow 16 bits, a volume of 200 read as a signed byte would be negative: held
    // at full power.
    void levelWords()
    {
        using namespace BoardWords;
        const double inf = std::numeric_limits<double>::infinity();
        QCOMPARE((QList<u16>{gainWord(-6), gainWord(3), gainWord(-100), gainWord(inf), gainWord(std::nan(""))}),
                 (QList<u16>{32845, 65535, 66, 65535, 66}));
        QCOMPARE((QList<u16>{deviationWord(ZQTX, 75), deviationWord(ZQX4, 75), deviationWord(ZQTX, 500),
                             deviationWord(ZQTX, -10)}),
                 (QList<u16>{37283, 16777, 64623, 0}));
        QCOMPARE((QList<u16>{volumeWord(50, false), volumeWord(100, true), volumeWord(200, false), volumeWord(-5, false)}),
                 (QList<u16>{32768, 0, 65535, 0}));
        QCOMPARE((QList<int>{attenuationByte(ZQX4, -31, true), attenuationByte(ZQX4, 0, false),
                             attenuationByte(ZQTX, -40, true), attenuationByte(ZQX4, 5, true)}),
                 (QList<int>{0x7C, 0x7F, 0x1F, 0x00}));
    }

    // A reference oscillator of 0 is taken as 52 MHz (no division by zero); nonsense frequencies end; ZQX4
    // has no synthesizer words.
    void synthesizerWords()
    {
        using namespace BoardWords;
        QCOMPARE(words(synthWords(zQTX, 80, 52)), QStringLiteral("BEFB 0C28 F627 6200 18A4 EC4E C400"));
        QCOMPARE(words(synthWords(zQTX, 103, 52)), QStringLiteral("BEFB 0CA8 6762 7600 1924 CEC4 EC00"));
        QCOMPARE(synthWords(zQTX, 93, 0), synthWords(zQTX, 93, 52));
        QCOMPARE(synthWords(zQTX, -5000, 52)[0], u16(0xBEFA));
        QCOMPARE(synthWords(zQTX, std::nan(""), 52)[0], u16(0xBEFA));
        QCOMPARE(synthWords(ZQX4, 93, 52), SynthWords{});
    }
};

QTEST_GUILESS_MAIN(TestBoardCommand)
#include "tst_boardcommand.moc"
