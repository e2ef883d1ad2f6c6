#include "BoardProtocol.h"
#include "HexBytes.h"

#include <QTest>

#include <cstring>

using namespace BoardProtocol;

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
} // namespace

class TestBoardProtocol : public QObject
{
    Q_OBJECT

private slots:
    void fixedRequests()
    {
        QCOMPARE(infoRequest(), hex("0000"));
        QCOMPARE(statusRequest(), hex("0020"));
        QCOMPARE(lockQuery(), hex("0060"));
        QCOMPARE(unlockRequest(), hex("0063"));
        QCOMPARE(packetType(hex("0061")), 0x61);
    }

    void setLockCarriesTokenAndIdentity()
    {
        QCOMPARE(setLock(0xA5, "alice@PC1"), hex("0062 A5 616C696365405043310000000000 00"));
        // Cut to 15 characters.
        const QByteArray longName = setLock(0x01, "someone.with.a.long.name@HOST");
        QCOMPARE(longName.size(), setLockSize);
        QCOMPARE(longName.mid(3), QByteArray("someone.with.a."));
        u8 identity[LockInfo::identitySize];
        QVERIFY(parseSetLock(longName, identity));
        QCOMPARE(int(identity[0]), 0x01);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(identity + 1), 15), QByteArray("someone.with.a."));
        QVERIFY(!parseSetLock(longName + '\0', identity));
        QVERIFY(!parseSetLock(hex("0063") + longName.mid(2), identity));
    }

    void localIdentityFromTheEnvironment()
    {
        const QByteArray user = qgetenv("USER"), userName = qgetenv("USERNAME"), computer = qgetenv("COMPUTERNAME");
        qputenv("USER", "bob");
        qputenv("USERNAME", "robert");
        qputenv("COMPUTERNAME", "RACK7");
        QCOMPARE(localIdentityText(), QByteArray("bob@RACK7"));
        qputenv("USER", "");
        QCOMPARE(localIdentityText(), QByteArray("robert@RACK7"));
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

    void informationReply()
    {
        const QByteArray reply = infoReply(sampleInfo(), true);
        QCOMPARE(reply, hex("0001 5A515458 0000001D 0000 00004000 00000200 0050C29A012C"));
        BoardInfo parsed;
        QVERIFY(parseInfoReply(reply, &parsed));
        QVERIFY(parsed == sampleInfo());
        QCOMPARE(parsed.boxNumber(), 300);
        // 20 to 25 bytes: no MAC.
        for (int len = 20; len < 26; ++len) {
            QVERIFY(parseInfoReply(reply.left(len), &parsed));
            QCOMPARE(parsed.boxNumber(), 0);
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(parsed.mac), 6), QByteArray(6, '\0'));
            QCOMPARE(parsed.pcmSize, 16384u);
        }
        QCOMPARE(infoReply(sampleInfo(), false), reply.left(20));
        // The lower-case first letter of ZQTX is accepted, nothing else.
        QByteArray lower = reply;
        lower[2] = 'z';
        QVERIFY(parseInfoReply(lower, &parsed));
        QCOMPARE(parsed.boardType, BoardInfo::typeZQTXLower);
        BoardInfo untouched = sampleInfo();
        untouched.version = 77;
        QByteArray other = reply;
        other.replace(2, 4, "ZQX5");
        QVERIFY(!parseInfoReply(other, &untouched));
        other.replace(2, 4, "zQX4");
        QVERIFY(!parseInfoReply(other, &untouched));
        QVERIFY(!parseInfoReply(hex("0002") + reply.mid(2), &untouched));
        QCOMPARE(untouched.version, 77u);
        other.replace(2, 4, "ZQX4");
        QVERIFY(parseInfoReply(other + QByteArray(10, 'x'), &parsed));
        QVERIFY(parsed.isZQX4());
    }

    void acknowledgement()
    {
        QCOMPARE(ack(0x05123456), hex("0011 56341205"));
        u32 id = 0;
        QVERIFY(parseAck(hex("0011 56341205"), &id));
        QCOMPARE(id, 0x05123456u);
        QVERIFY(parseAck(hex("0011 56341205 FFFF"), &id));
        id = 1;
        QVERIFY(!parseAck(hex("0010 56341205"), &id));
        QCOMPARE(id, 1u);
    }

    void channelStatusForms()
    {
        QVector<StatusEntry> entries(24);
        for (int i = 0; i < 24; ++i)
            entries[i] = {u16(1000 + i), u16(40 + i), u16(i), u32(29967428u + u32(i))};
        const QByteArray status = channelStatus(entries);
        QCOMPARE(status.size(), 244);
        QCOMPARE(status.left(14), hex("0021 0018 03E8 0028 0000 01C94444"));
        QVector<StatusEntry> parsed;
        QVERIFY(parseChannelStatus(status, &parsed));
        QCOMPARE(parsed, entries);
        // 30 entries: the first 24 are used.
        QVector<StatusEntry> thirty = entries;
        thirty.resize(30);
        QVERIFY(parseChannelStatus(channelStatus(thirty), &parsed));
        QCOMPARE(parsed, entries);
        // 33 entries is more than a board has.
        QVector<StatusEntry> more = thirty;
        more.resize(33);
        parsed = {StatusEntry{}};
        QVERIFY(!parseChannelStatus(channelStatus(more), &parsed));
        QCOMPARE(parsed.size(), 1);
        // The count claims more than the datagram carries (cut datagrams: prefixesAreRejected...).
        QVERIFY(!parseChannelStatus(channelStatus(entries.mid(0, 3), 4), &parsed));
        QVERIFY(!parseChannelStatus(hex("0020 0000"), &parsed));
        QVERIFY(parseChannelStatus(hex("0021 0000"), &parsed));
        QVERIFY(parsed.isEmpty());
        QVERIFY(parseChannelStatus(channelStatus(entries.mid(0, 2)), &parsed));
        QCOMPARE(parsed.size(), 2);
    }

    void lockStatusForms()
    {
        LockInfo lock;
        lock.ip = 0xC0A80005;
        lock.port = 50123;
        std::memset(lock.identity, 0, sizeof lock.identity);
        std::memcpy(lock.identity, "\x42" "eve@BOX", 8);
        lock.clients[0] = {0xC0A80005, 50123, 3};
        lock.clients[2] = {0x0A000001, 4000, 600};
        const QByteArray full = lockStatus(lock, true);
        QCOMPARE(full, hex("0061 C0A80005 C3CB 426576654042 4F58 0000000000000000"
                           " C0A80005C3CB0003 0000000000000000 0A0000010FA00258 0000000000000000"));
        LockInfo parsed;
        parsed.box = 17;
        QCOMPARE(parseLockStatus(full, &parsed), LockReply::WithClients);
        QCOMPARE(parsed.ip, lock.ip);
        QCOMPARE(parsed.port, lock.port);
        QVERIFY(parsed.sameIdentity(lock.identity));
        QCOMPARE(parsed.clients[2].lastSeen, u16(600));
        QCOMPARE(parsed.clients[2].port, u16(4000));
        QCOMPARE(parsed.box, u16(17));
        // Without the recent clients (24 to 55 bytes) they stay as they were.
        LockInfo shortParsed;
        shortParsed.clients[1].ip = 1234;
        QCOMPARE(parseLockStatus(full.left(24), &shortParsed), LockReply::WithoutClients);
        QCOMPARE(lockStatus(lock, false), full.left(24));
        QCOMPARE(shortParsed.clients[1].ip, 1234u);
        QCOMPARE(shortParsed.clients[0].ip, 0u);
        QCOMPARE(shortParsed.ip, lock.ip);
        LockInfo untouched;
        QCOMPARE(parseLockStatus(hex("0062") + full.mid(2), &untouched), LockReply::Invalid);
        QCOMPARE(untouched.ip, 0u);
        QCOMPARE(int(untouched.identity[0]), 0xFF);
    }

    void pcmAndSilence()
    {
        const qint16 stereo[] = {1, -1, 0x1234, -32768};
        QCOMPARE(pcmData(3, true, stereo, 2), hex("0030 0003 0002 0002 0100 FFFF 3412 0080"));
        const qint16 mono[] = {-2, 0x0102, 7};
        QCOMPARE(pcmData(23, false, mono, 3), hex("0030 0017 0000 0003 FEFF 0201 0700"));
        QVector<qint16> full(512);
        for (int i = 0; i < 512; ++i)
            full[i] = qint16(i * 61 - 9000);
        const QByteArray d = pcmData(0, true, full.constData(), 256);
        QCOMPARE(d.size(), pcmDatagramSize);
        QCOMPARE(d.left(8), hex("0030 0000 0002 0100"));
        QCOMPARE(pcmSamples(d), full);
        // Never more than 1024 data bytes.
        QCOMPARE(pcmData(0, true, full.constData(), 300).size(), 1032);
        QCOMPARE(pcmData(0, false, full.constData(), 600).size(), 1032);
        const QByteArray quiet = silence(9);
        QCOMPARE(quiet.size(), silenceSize);
        QCOMPARE(quiet.left(8), hex("0030 0009 0002 0080"));
        QCOMPARE(quiet.mid(8), QByteArray(512, '\0'));
    }

    void pcmParserChecks()
    {
        PcmHeader h;
        QString error;
        QVERIFY(parsePcm(silence(9), &h, &error));
        QCOMPARE(int(h.channel), 9);
        QVERIFY(h.stereo);
        QCOMPARE(h.count, 128);
        const qint16 mono[] = {1, 2, 3};
        QVERIFY(parsePcm(pcmData(1, false, mono, 3), &h, &error));
        QVERIFY(!h.stereo);
        QCOMPARE(h.count, 3);

        const struct
        {
            const char *bytes;
            const char *reason;
        } bad[] = {
            {"0030 0000 0002", "short datagram 6"},
            {"0031 0000 0002 0001 00000000", "type 0031"},
            {"0030 0018 0002 0001 00000000", "channel 24"},
            {"0030 0000 0001 0001 00000000", "format 1"},
            {"0030 0000 0002 0000", "count 0"},
            {"0030 0000 0002 0002 00000000", "length 12 != 16"},
            {"0030 0000 0002 0001 00000000 00", "length 13 != 12"},
            {"0030 0000 0000 0003 00000000", "length 12 != 14"},
        };
        for (const auto &b : bad) {
            QVERIFY2(!parsePcm(hex(b.bytes), &h, &error), b.bytes);
            QCOMPARE(error, QString::fromLatin1(b.reason));
        }
        QByteArray tooLong = silence(0) + QByteArray(1028, '\0');
        tooLong[6] = char(0x01); // 257 frames
        tooLong[7] = char(0x01);
        QVERIFY(!parsePcm(tooLong, &h, &error));
        QCOMPARE(error, QStringLiteral("count 257"));
    }

    void rdsOneStream()
    {
        u8 s0[260] = {}, s1[260] = {}, s2[260] = {}, s3[260] = {};
        for (int i = 0; i < 13; ++i) {
            s0[i] = u8(0x01 + i);
            s0[13 + i] = u8(0x11 + i);
        }
        const u8 *const streams[4] = {s0, s1, s2, s3};
        const QByteArray d = rdsData(2, streams, 26, false);
        QCOMPARE(d, hex("0031 0002 0001 000D 0102030405060708090A0B0C0D 1112131415161718191A1B1C1D"));
        RdsPayload p;
        QString error;
        QVERIFY(parseRds(d, &p, &error));
        QCOMPARE(p.mask, u16(0x0001));
        QCOMPARE(p.streams.size(), 1);
        QCOMPARE(p.streams[0], d.mid(8));
        // An odd length is padded to whole words.
        QCOMPARE(rdsData(2, streams, 13, false), hex("0031 0002 0001 0007 0102030405060708090A0B0C0D 00"));
        // Never more than 260 bytes per stream.
        QCOMPARE(rdsData(2, streams, 400, false).size(), 8 + 260);
        QCOMPARE(rdsData(2, streams, -3, false), hex("0031 0002 0001 0000"));
    }

    void rdsFourStreams()
    {
        u8 buf[4][260] = {};
        for (int s = 0; s < 4; ++s)
            for (int j = 0; j < 52; ++j)
                buf[s][j] = u8(s * 0x40 + j);
        const u8 *const streams[4] = {buf[0], buf[1], buf[2], buf[3]};
        const QByteArray d = rdsData(7, streams, 52, true);
        QCOMPARE(d.size(), 8 + 208);
        QCOMPARE(d.left(24), hex("0031 0007 000F 0068 0001 4041 8081 C0C1 0203 4243 8283 C2C3"));
        QCOMPARE(d.right(8), hex("3233 7273 B2B3 F2F3"));
        RdsPayload p;
        QString error;
        QVERIFY(parseRds(d, &p, &error));
        QCOMPARE(int(p.channel), 7);
        QCOMPARE(p.words, 104);
        QCOMPARE(p.streams.size(), 4);
        for (int s = 0; s < 4; ++s)
            QCOMPARE(p.streams[s], QByteArray(reinterpret_cast<const char *>(buf[s]), 52));
        QCOMPARE(rdsData(7, streams, 260, true).size(), rdsDatagramMaxSize);

        QVERIFY(useFourStreams(29, 0x03));
        QVERIFY(useFourStreams(30, 0x08));
        QVERIFY(!useFourStreams(29, 0x01));
        QVERIFY(!useFourStreams(28, 0x0F));
    }

    void rdsParserChecks()
    {
        const QByteArray pair = QByteArray(26, 'g');
        const QByteArray groups4 = QByteArray(104, 'g');
        const struct
        {
            QByteArray bytes;
            const char *reason;
        } bad[] = {
            {hex("0031 0000 0001"), "short datagram 6"},
            {hex("0031 0018 0001 000D") + pair, "channel 24"},
            {hex("0031 0000 0003 000D") + pair, "stream mask 0003"},
            {hex("0031 0000 0001 000C") + pair, "length 34 != 32"},
            {hex("0031 0000 0001 0007") + pair.left(14), "odd group count: 14 bytes per stream"},
            {hex("0031 0000 0001 0000"), "odd group count: 0 bytes per stream"},
            {hex("0031 0000 0001 0014") + pair + QByteArray(14, 'g'),
             "odd group count: 40 bytes per stream"},
            {hex("0031 0000 000F 000D") + pair, "words 13 not shared by 4 streams"},
            {hex("0031 0000 000F 001C") + QByteArray(56, 'g'), "odd group count: 14 bytes per stream"},
            {hex("0031 0000 0001 009C") + QByteArray(312, 'g'), "too long: 312 bytes per stream"},
        };
        RdsPayload p;
        p.channel = 42;
        QString error;
        for (const auto &b : bad) {
            QVERIFY2(!parseRds(b.bytes, &p, &error), b.reason);
            QCOMPARE(error, QString::fromLatin1(b.reason));
        }
        QCOMPARE(int(p.channel), 42);
        QVERIFY(parseRds(hex("0031 0000 000F 0034") + groups4, &p, &error));
        QCOMPARE(p.streams[3].size(), 26);
    }

    void discoveryDatagrams()
    {
        QCOMPARE(discoverRequest(0x7FFFFFFF), hex("0050 7FFFFFFF"));
        u32 ip = 0;
        QVERIFY(parseDiscoverRequest(hex("0050 C0A801FF"), &ip));
        QCOMPARE(ip, 0xC0A801FFu);
        QVERIFY(!parseDiscoverRequest(hex("0051 C0A801FF"), &ip));

        BoardIP board;
        board.ip = 0x7F000001;
        board.port = 21520;
        std::memcpy(board.mac, mac, 6);
        const QByteArray reply = discoverReply(board);
        QCOMPARE(reply, hex("0051 0050C29A012C 7F000001 5410"));
        BoardIP parsed;
        QCOMPARE(parseDiscoverReply(reply, &parsed), DiscoverResult::Valid);
        QVERIFY(parsed == board);
        QCOMPARE(parsed.boxNumber(), 300);
        QCOMPARE(parsed.addressText(), QStringLiteral("127.0.0.1 : 21520"));
        QCOMPARE(parsed.macText(), QStringLiteral("00:50:C2:9A:01:2C"));
        BoardIP untouched;
        QCOMPARE(parseDiscoverReply(reply + '\0', &untouched), DiscoverResult::BadSize);
        QCOMPARE(parseDiscoverReply(hex("0053 00"), &untouched), DiscoverResult::Other);
        QVERIFY(untouched.isNull());

        const QByteArray config = netConfig(mac, 0xC0A80064, 21600);
        QCOMPARE(config, hex("0052 0050C29A012C C0A80064 5460"));
        BoardIP cfg;
        QVERIFY(parseNetConfig(config, &cfg));
        QCOMPARE(cfg.ip, 0xC0A80064u);
        QCOMPARE(cfg.port, u16(21600));
        QVERIFY(!parseNetConfig(reply, &cfg));
        QCOMPARE(netConfigAck(mac), hex("0053 0050C29A012C"));
    }

    // Every parser on every prefix of a datagram (left() of more than the
    // whole is the whole): each accepts exactly from its minimum length on
    // and never reads past the end (checked by the sanitizers of the build).
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
            QCOMPARE(packetType(rds.left(len)), len < 2 ? -1 : int(RdsData));
        }
    }

    void boardAddressInTheLog()
    {
        BoardIP board;
        board.ip = 0x7F000001;
        board.port = 5000;
        std::memcpy(board.mac, mac, 6);
        QString text;
        QDebug(&text) << board;
        QCOMPARE(text, QStringLiteral("00:50:C2:9A:01:2C 127.0.0.1 : 5000 "));
        QCOMPARE(hexText(hex("0001 5A51"), 3), QStringLiteral("00 01 5A"));
    }
};

QTEST_GUILESS_MAIN(TestBoardProtocol)
#include "tst_boardprotocol.moc"
