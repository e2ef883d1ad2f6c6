#include "BoardCommand.h"
#include "BoardProtocol.h"
#include "BoardWords.h"
#include "HexBytes.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>

using namespace BoardProtocol;
using namespace BoardCommand;
using BoardWords::synthPlan;

using testsupport::hex;

namespace {

const u8 mac[6] = {0x00, 0x50, 0xC2, 0x9A, 0x01, 0x2C};

BoardInfo sampleInfo()
{
    BoardInfo i;
    i.boardType = BoardInfo::typeZQTX;
    i.version = 29;
    i.pcmSize = 16384;
    i.rdsSize = 512;
    std::memcpy(i.mac, mac, 6);
    return i;
}

BoardIP sampleBoard()
{
    BoardIP b;
    b.ip = 0x7F000001;
    b.port = 21520;
    std::memcpy(b.mac, mac, 6);
    return b;
}
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

// The board datagrams and channel commands, byte by byte.
class TestBoardProtocol : public QObject
{
    Q_OBJECT

private slots:
    // The lock identity: USER, else USERNAME, "@", COMPUTERNAME, cut to the 15 bytes a datagram holds;
    // the login and host names stand in for unset variables.
    void localIdentityFromTheEnvironment()
    {
        const QByteArray user = qgetenv("USER"), userName = qgetenv("USERNAME"), computer = qgetenv("COMPUTERNAME");
        qputenv("USER", "");
        qputenv("USERNAME", "robert");
        qputenv("COMPUTERNAME", "A-VERY-LONG-COMPUTER");
        QCOMPARE(localIdentityText(), QByteArray("robert@A-VERY-L"));
        qputenv("USERNAME", "");
        qputenv("COMPUTERNAME", "");
        const QByteArray fallback = localIdentityText();
        QVERIFY(fallback.size() <= 15 && fallback.contains('@') && !fallback.startsWith('@'));
        qputenv("USER", user);
        qputenv("USERNAME", userName);
        qputenv("COMPUTERNAME", computer);
    }

    // The exact bytes of every datagram the program builds.
    void datagrams()
    {
        LockInfo lock;
        lock.ip = 0xC0A80005;
        lock.port = 50123;
        std::memset(lock.identity, 0, sizeof lock.identity);
        std::memcpy(lock.identity, "\x42" "eve@BOX", 8);
        lock.clients[0] = {0xC0A80005, 50123, 3};
        lock.clients[2] = {0x0A000001, 4000, 600};
        const qint16 stereo[] = {1, -1, 0x1234, -32768};
        const qint16 mono[] = {-2, 0x0102, 7};
        u8 s0[260] = {}, s1[260] = {};
        for (int i = 0; i < 26; ++i)
            s0[i] = u8(i < 13 ? 0x01 + i : 0x04 + i);
        const u8 *const streams[4] = {s0, s1, s1, s1};
        QVector<StatusEntry> entries(24);
        for (int i = 0; i < 24; ++i)
            entries[i] = {u16(1000 + i), u16(40 + i), u16(i), u32(29967428u + u32(i))};
        const std::pair<QByteArray, const char *> cases[] = {
            {infoRequest() + statusRequest() + lockQuery() + unlockRequest(), "0000 0020 0060 0063"},
            // SET LOCK: token and identity, cut to 15 characters.
            {setLock(0xA5, "alice@PC1"), "0062 A5 616C696365405043310000000000 00"},
            {setLock(0x01, "someone.with.a.long.name@HOST"), "0062 01 736F6D656F6E652E776974682E612E"},
            {infoReply(sampleInfo(), true), "0001 5A515458 0000001D 0000 00004000 00000200 0050C29A012C"},
            {ack(0x05123456), "0011 56341205"},
            {channelStatus(entries).left(14), "0021 0018 03E8 0028 0000 01C94444"},
            {lockStatus(lock, true), "0061 C0A80005 C3CB 426576654042 4F58 0000000000000000"
                                     " C0A80005C3CB0003 0000000000000000 0A0000010FA00258 0000000000000000"},
            {pcmData(3, true, stereo, 2), "0030 0003 0002 0002 0100 FFFF 3412 0080"},
            {pcmData(23, false, mono, 3), "0030 0017 0000 0003 FEFF 0201 0700"},
            {silence(9).left(8), "0030 0009 0002 0080"},
            {rdsData(2, streams, 26, false), "0031 0002 0001 000D 0102030405060708090A0B0C0D 1112131415161718191A1B1C1D"},
            // An odd length is padded to whole words.
            {rdsData(2, streams, 13, false), "0031 0002 0001 0007 0102030405060708090A0B0C0D 00"},
            {discoverRequest(0x7FFFFFFF), "0050 7FFFFFFF"},
            {discoverReply(sampleBoard()), "0051 0050C29A012C 7F000001 5410"},
            {netConfig(mac, 0xC0A80064, 21600), "0052 0050C29A012C C0A80064 5460"},
            {netConfigAck(mac), "0053 0050C29A012C"},
        };
        for (const auto &c : cases)
            QCOMPARE(c.first.toHex(' '), hex(c.second).toHex(' '));
        // Four streams interleave word by word; never more than 260 bytes a stream or 1024 PCM bytes.
        u8 buf[4][260] = {};
        for (int s = 0; s < 4; ++s)
            for (int j = 0; j < 52; ++j)
                buf[s][j] = u8(s * 0x40 + j);
        const u8 *const four[4] = {buf[0], buf[1], buf[2], buf[3]};
        QCOMPARE(rdsData(7, four, 52, true).left(24), hex("0031 0007 000F 0068 0001 4041 8081 C0C1 0203 4243 8283 C2C3"));
        QCOMPARE(rdsData(2, streams, 400, false).size(), 8 + 260);
        QCOMPARE(rdsData(7, four, 400, true).size(), rdsDatagramMaxSize);
        QVector<qint16> full(1200, 5);
        QCOMPARE(pcmData(0, false, full.constData(), 600).size(), 1032);
        QVERIFY(useFourStreams(29, 0x03));
        QVERIFY(!useFourStreams(28, 0x0F));
    }

    // What the parsers give back; a failed parse leaves the result alone.
    void parsers()
    {
        BoardInfo parsed;
        const QByteArray reply = infoReply(sampleInfo(), true);
        QVERIFY(parseInfoReply(reply, &parsed));
        QVERIFY(parsed == sampleInfo());
        QCOMPARE(parsed.boxNumber(), 300);
        QByteArray other = reply;
        other[2] = 'z'; // the lower-case first letter of ZQTX, nothing else
        QVERIFY(parseInfoReply(other, &parsed));
        QCOMPARE(parsed.boardType, BoardInfo::typeZQTXLower);
        BoardInfo untouched = sampleInfo();
        untouched.version = 77;
        other.replace(2, 4, "zQX4");
        QVERIFY(!parseInfoReply(other, &untouched));
        QCOMPARE(untouched.version, 77u);

        u8 identity[LockInfo::identitySize];
        QVERIFY(parseSetLock(setLock(0x01, "bob@PC2"), identity));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(identity), 8), QByteArray("\x01" "bob@PC2"));

        // 30 status entries: the first 24 count; 33 are more than a board has; a count beyond the datagram is
        // refused.
        QVector<StatusEntry> entries(30), got;
        entries[23].flags = 7;
        QVERIFY(parseChannelStatus(channelStatus(entries), &got));
        QCOMPARE(got.size(), 24);
        QCOMPARE(got[23].flags, u16(7));
        entries.resize(33);
        QVERIFY(!parseChannelStatus(channelStatus(entries), &got));
        QVERIFY(!parseChannelStatus(channelStatus(entries.mid(0, 3), 4), &got));

        LockInfo lock, shortLock;
        lock.clients[2] = {0x0A000001, 4000, 600};
        shortLock.clients[1].ip = 1234;
        QCOMPARE(parseLockStatus(lockStatus(lock, true), &lock), LockReply::WithClients);
        QCOMPARE(lock.clients[2].lastSeen, u16(600));
        QCOMPARE(parseLockStatus(lockStatus(lock, false), &shortLock), LockReply::WithoutClients);
        QCOMPARE(shortLock.clients[1].ip, 1234u); // without the recent clients they stay

        BoardIP board;
        QCOMPARE(parseDiscoverReply(discoverReply(sampleBoard()), &board), DiscoverResult::Valid);
        QVERIFY(board == sampleBoard());
        QString text;
        QDebug(&text) << board;
        QCOMPARE(text, QStringLiteral("00:50:C2:9A:01:2C 127.0.0.1 : 21520 "));
        QCOMPARE(parseDiscoverReply(discoverReply(sampleBoard()) + '\0', &board), DiscoverResult::BadSize);
        QCOMPARE(parseDiscoverReply(hex("0053 00"), &board), DiscoverResult::Other);
    }

    // PCM and RDS datagrams as a board checks them, with the reason of a refusal.
    void dataChecks()
    {
        const QByteArray pair(26, 'g');
        QByteArray tooLong = silence(0) + QByteArray(1028, '\0');
        tooLong[6] = tooLong[7] = char(0x01); // 257 frames
        const std::pair<QByteArray, const char *> pcm[] = {
            {hex("0030 0000 0002"), "short datagram 6"},
            {hex("0030 0018 0002 0001 00000000"), "channel 24"},
            {hex("0030 0000 0001 0001 00000000"), "format 1"},
            {hex("0030 0000 0002 0000"), "count 0"},
            {hex("0030 0000 0002 0002 00000000"), "length 12 != 16"},
            {tooLong, "count 257"},
        };
        PcmHeader h;
        QString error;
        for (const auto &b : pcm) {
            QVERIFY2(!parsePcm(b.first, &h, &error), b.second);
            QCOMPARE(error, QString::fromLatin1(b.second));
        }
        QVERIFY(parsePcm(silence(9), &h, &error));
        QCOMPARE(QString::asprintf("%d %d %d", h.channel, h.stereo, h.count), QString("9 1 128"));
        const std::pair<QByteArray, const char *> rds[] = {
            {hex("0031 0018 0001 000D") + pair, "channel 24"},
            {hex("0031 0000 0003 000D") + pair, "stream mask 0003"},
            {hex("0031 0000 0001 000C") + pair, "length 34 != 32"},
            {hex("0031 0000 0001 0007") + pair.left(14), "odd group count: 14 bytes per stream"},
            {hex("0031 0000 000F 000D") + pair, "words 13 not shared by 4 streams"},
            {hex("0031 0000 0001 009C") + QByteArray(312, 'g'), "too long: 312 bytes per stream"},
        };
        RdsPayload p;
        p.channel = 42;
        for (const auto &b : rds) {
            QVERIFY2(!parseRds(b.first, &p, &error), b.second);
            QCOMPARE(error, QString::fromLatin1(b.second));
        }
        QCOMPARE(int(p.channel), 42);
        QVERIFY(parseRds(hex("0031 0000 000F 0034") + QByteArray(104, 'g'), &p, &error));
        QCOMPARE(p.streams[3].size(), 26);
    }

    // Every parser on every prefix of a datagram (left() of more than the whole is the whole): each accepts
    // exactly from its minimum length on and never reads past the end (checked by the sanitizers of the
    // build).
    void prefixesAreRejectedUpToTheirMinimum()
    {
        LockInfo lock;
        lock.ip = 1;
        u8 buffers[4][260];
        std::memset(buffers, 'r', sizeof buffers);
        const u8 *const streams[4] = {buffers[0], buffers[1], buffers[2], buffers[3]};
        const QByteArray rds = rdsData(1, streams, 52, true);
        const QByteArray pcm = silence(1);
        const QByteArray status = channelStatus(QVector<StatusEntry>(24));
        const QByteArray info = infoReply(sampleInfo(), true);
        const QByteArray lockFull = lockStatus(lock, true);
        BoardIP board;
        board.port = 1;
        const QByteArray reply = discoverReply(board);
        for (int len = 0; len <= 1100; ++len) {
            BoardInfo i;
            u32 id;
            QVector<StatusEntry> e;
            LockInfo l;
            PcmHeader h;
            RdsPayload p;
            BoardIP b;
            u8 identity[16];
            QVERIFY(parseInfoReply(info.left(len), &i) == (len >= 20));
            QVERIFY(parseAck(ack(7).left(len), &id) == (len >= 6));
            QCOMPARE(parseChannelStatus(status.left(len), &e), len >= 244);
            QCOMPARE(parseLockStatus(lockFull.left(len), &l),
                     len < 24 ? LockReply::Invalid : (len < 56 ? LockReply::WithoutClients : LockReply::WithClients));
            QCOMPARE(parsePcm(pcm.left(len), &h, nullptr), len >= 520);
            QCOMPARE(parseRds(rds.left(len), &p, nullptr), len >= 216);
            QCOMPARE(parseDiscoverReply(reply.left(len), &b),
                     len < 2 ? DiscoverResult::Other : (len >= 14 ? DiscoverResult::Valid : DiscoverResult::BadSize));
            QCOMPARE(parseNetConfig(netConfig(board.mac, 1, 2).left(len), &b), len >= 14);
            QCOMPARE(parseDiscoverRequest(discoverRequest(1).left(len), &id), len >= 6);
            QCOMPARE(parseSetLock(setLock(1, "a").left(len), identity), len >= 18);
            QCOMPARE(BoardProtocol::packetType(rds.left(len)), len < 2 ? -1 : int(RdsData));
        }
    }

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

    // A command cut anywhere parses exactly where an item ends.
    void parserTakesCommandsApart()
    {
        QByteArray full = fullChannelConfig(channel5(), ZQTX, synthPlan(0));
        Parsed p;
        QByteArray tiny(3, '\0');
        QCOMPARE(stamp(tiny, 7), 0u);
        const u32 counter = nextCounter();
        QCOMPARE(nextCounter(), (counter + 1) & 0xFFFFFFu); // 24 bits
        QCOMPARE((QList<int>{itemLength(ItemCarrier), itemLength(ItemSynthWords), itemLength(0x99)}), (QList<int>{1, 14, -1}));
        stamp(full, 0x000102);
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
        QCOMPARE(QString::asprintf("%.2f %.2f", levelDb(2996743), levelDb(299674283)), QString("-10.00 10.00"));
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

QTEST_GUILESS_MAIN(TestBoardProtocol)
#include "tst_boardprotocol.moc"
