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

BoardIP sampleBoard()
{
    BoardIP b;
    b.ip = 0x7F000001;
    b.port = 21520;
    std::memcpy(b.mac, mac, 6);
    return b;
}
} // namespace

class TestBoardProtocol : public QObject
{
    Q_OBJECT

private slots:
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
            QCOMPARE(packetType(rds.left(len)), len < 2 ? -1 : int(RdsData));
        }
    }
};

QTEST_GUILESS_MAIN(TestBoardProtocol)
#include "tst_boardprotocol.moc"
