#include "BoardProtocol.h"
#include "BoundedWait.h"
#include "FMDiscover.h"
#include "HexBytes.h"
#include "SimBoard.h"

#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using testsupport::hex;

namespace {

const QHostAddress loopbackBroadcast(QStringLiteral("127.255.255.255"));

// A port no one uses right now, so that parallel runs do not hear each other.
u16 freePort()
{
    QUdpSocket s;
    s.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    return s.localPort();
}

// A simulated board answering discovery on a free port, and a discoverer sending to the loopback broadcast
// there, with a spy on what it finds.
struct Rig {
    u16 port = freePort();
    SimBoard board;
    bool listening = board.enableDiscovery(port);
    FMDiscover d{port, {loopbackBroadcast}};
    QSignalSpy found{&d, &FMDiscover::found};
    Rig() { QTest::ignoreMessage(QtDebugMsg, "~Discover"); }
};

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    // Constructed only: a default object would send to the real network.
    void defaultsUseTheInterfaceBroadcasts()
    {
        FMDiscover d;
        QCOMPARE(d.port(), u16(21519));
        const QList<QHostAddress> targets = d.targets();
        QCOMPARE(targets, FMDiscover::interfaceBroadcasts());
        for (const QHostAddress &t : targets)
            QVERIFY(!t.isLoopback() && !t.isNull() && targets.count(t) == 1);
        QTest::ignoreMessage(QtDebugMsg, "~Discover");
    }

    void requestAndReplyBetweenTwoDiscoverersAndTheBoard()
    {
        Rig r;
        auto &[port, board, listening, first, foundFirst] = r;
        QVERIFY2(listening, qPrintable(board.errorString()));
        QSignalSpy requests(&board, &SimBoard::discoveryHandled);
        FMDiscover second(port, {loopbackBroadcast});
        QVERIFY(first.isBound() && second.isBound());
        QSignalSpy foundSecond(&second, &FMDiscover::found);

        first.discover();
        QVERIFY(first.isDiscovering());
        QVERIFY(testsupport::waitUntil([&] { return foundFirst.size() == 1 && foundSecond.size() == 1; }));
        QCOMPARE(board.discoverRequests(), 1);
        QCOMPARE(requests.first().at(1).toByteArray(), hex("0050 7FFFFFFF"));
        const BoardIP seen = foundFirst.first().first().value<BoardIP>();
        QVERIFY(seen == board.boardIP());
        QCOMPARE(seen.port, board.port());
        QVERIFY(foundSecond.first().first().value<BoardIP>() == board.boardIP());

        // discover() while discovering sends nothing extra; the request of the second object arrives after
        // where an extra one would have.
        first.discover();
        second.sendDiscover();
        QVERIFY(testsupport::waitUntil([&] { return foundSecond.size() == 2; }));
        QCOMPARE(board.discoverRequests(), 2);
        QCOMPARE(foundFirst.size(), 2);

        // The repeat: one more request after 2468 ms, none after halt().
        QVERIFY(testsupport::waitUntil([&] { return board.discoverRequests() == 3; }, 5000));
        first.halt();
        QVERIFY(!first.isDiscovering());
        QTest::ignoreMessage(QtDebugMsg, "~Discover");
    }

    void ignoresShortAndForeignDatagrams()
    {
        const u16 port = freePort();
        FMDiscover d(port, {loopbackBroadcast});
        QSignalSpy found(&d, &FMDiscover::found);
        QUdpSocket peer;
        const QHostAddress to(QHostAddress::LocalHost);
        peer.writeDatagram(hex("00"), to, port);
        peer.writeDatagram(QByteArray(), to, port);
        peer.writeDatagram(hex("0050 7F000001"), to, port);
        peer.writeDatagram(hex("0099 0102"), to, port);
        QTest::ignoreMessage(QtDebugMsg, "Dis: recv discover response with invalid size 13");
        peer.writeDatagram(hex("0051 020000000005 7F000001 5000 00"), to, port);
        peer.writeDatagram(hex("0051 020000000007 7F000001 5001"), to, port);
        QVERIFY(testsupport::waitUntil([&] { return found.size() == 1; }));
        const BoardIP b = found.first().first().value<BoardIP>();
        QCOMPARE(b.boxNumber(), 7);
        QCOMPARE(b.port, u16(0x5001));
        QCOMPARE(b.ip, 0x7F000001u);
        QTest::ignoreMessage(QtDebugMsg, "~Discover");
    }

    void networkConfiguration()
    {
        Rig r;
        auto &[port, board, listening, d, found] = r;
        QVERIFY(listening);
        const u16 oldPort = board.port();
        const u16 newPort = freePort();
        const u8 otherMac[6] = {0x00, 0x50, 0xC2, 0x5B, 0x00, 0x02};

        // Another board's MAC: ignored, no acknowledgement.
        d.sendConfig(otherMac, 0x7F000001, newPort);
        // This board: it moves to the new port and acknowledges.
        QTest::ignoreMessage(QtDebugMsg, "Dis: got network config ack size 6");
        d.sendConfig(board.config().mac, 0x7F000001, newPort);
        QVERIFY(testsupport::waitUntil([&] { return board.netConfigs() == 1; }));
        QCOMPARE(board.port(), newPort);
        QVERIFY(board.port() != oldPort);
        // Discovery reports the new address; its reply comes after the ack.
        d.sendDiscover();
        QVERIFY(testsupport::waitUntil([&] { return found.size() == 1; }));
        QCOMPARE(found.first().first().value<BoardIP>().port, newPort);

        // An address off loopback is acknowledged but the simulated board stays.
        QTest::ignoreMessage(QtDebugMsg, "Dis: got network config ack size 6");
        d.sendConfig(board.config().mac, 0xC0A80132, 21520);
        QVERIFY(testsupport::waitUntil([&] { return board.netConfigs() == 2; }));
        d.sendDiscover();
        QVERIFY(testsupport::waitUntil([&] { return found.size() == 2; }));
        QCOMPARE(board.port(), newPort);
        d.sendConfig(nullptr, 0x7F000001, 1); // no MAC, nothing sent
    }

};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
