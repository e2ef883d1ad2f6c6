#include "BoardProtocol.h"
#include "BoundedWait.h"
#include "LinkTestSupport.h"
#include "SimBoard.h"

#include <QtTest>

using linktest::Link;
using testsupport::waitUntil;

// The link's state machine against the simulated board.
class TestFMBoard : public QObject
{
    Q_OBJECT

private slots:
    void handshake_data()
    {
        QTest::addColumn<u32>("type");
        QTest::addColumn<u32>("firmware");
        QTest::addColumn<int>("foreign"); // 0 none, 1 take over, 2 give up
        QTest::addColumn<int>("attnByte");
        QTest::newRow("firmware 24, no lock") << BoardInfo::typeZQTX << 24u << 0 << 5;
        QTest::newRow("firmware 29") << BoardInfo::typeZQTX << 29u << 0 << 5;
        QTest::newRow("ZQX4") << BoardInfo::typeZQX4 << 29u << 0 << 20;
        QTest::newRow("foreign, take over") << BoardInfo::typeZQTX << 29u << 1 << 5;
        QTest::newRow("foreign, give up") << BoardInfo::typeZQTX << 29u << 2 << 5;
    }

    // Connect, information, lock, online with the band configuration, then
    // the thread's end: carrier off and UNLOCK.
    void handshake()
    {
        QFETCH(u32, type);
        QFETCH(u32, firmware);
        QFETCH(int, foreign);
        QFETCH(int, attnByte);
        linktest::LogCapture log;
        SimBoardConfig cfg;
        cfg.boardType = type;
        cfg.firmware = firmware;
        SimBoard sim(cfg);
        if (foreign)
            sim.lockForeign(0x0A000001, 4000, QByteArray("\x01" "abcdefghijklmno", 16));
        {
            Link link;
            link.board.setConfig(0, -5);
            link.board.connectTo(sim.boardIP());
            if (foreign) {
                QVERIFY(waitUntil([&] { return link.unlocks >= 1; }));
                QCOMPARE(link.board.linkState(), int(FMBoard::ForeignLock));
                // The identity text ends after 15 bytes even without a NUL.
                QVERIFY(log.waitFor("mo0: is locked from 10.0.0.1 : 4000 [abcdefghijklmno]"));
                QCOMPARE(link.board.lockInfo().ip, 0x0A000001u);
                link.call([&] { link.board.unlock(foreign == 1); });
            }
            if (foreign == 2) {
                QVERIFY(waitUntil([&] { return link.offline >= 2; }));
                QTest::qWait(450);
                QCOMPARE(link.board.linkState(), int(FMBoard::NotConnected));
                QCOMPARE(sim.received(BoardProtocol::Unlock), 0);
                QVERIFY(sim.isLocked());
                return;
            }
            QVERIFY(waitUntil([&] { return link.online == 1 && sim.carrier(); }));
            QVERIFY(sim.waitFor([&] { return sim.isLocked() == (firmware >= 25); }, 1000));
            QCOMPARE(link.board.info().version, firmware);
            QCOMPARE(sim.attenuationByte(), attnByte);
            QCOMPARE(sim.received(BoardProtocol::Unlock), foreign);
            QCOMPARE(sim.isLocked(), firmware >= 25);
            if (sim.isLocked())
                QCOMPARE(sim.lockState().ip, 0x7F000001u);
        }
        QVERIFY(sim.waitFor([&] { return !sim.carrier() && !sim.isLocked(); }, 2000));
        QVERIFY(log.waitFor("mo0: exit done"));
    }

    // A silent board times out and is connected again without unlocking;
    // a disconnect request clears the target for good.
    void timeoutAndDisconnect()
    {
        SimBoard sim;
        Link link;
        link.board.connectTo(sim.boardIP());
        QVERIFY(waitUntil([&] { return link.online == 1; }));
        const int off = link.offline; // the first connect counts one
        sim.setSilent(true);
        QVERIFY(waitUntil([&] { return link.offline == off + 1; }, 4000));
        sim.setSilent(false);
        QVERIFY(waitUntil([&] { return link.online == 2; }, 4000));
        QVERIFY(sim.waitFor([&] { return sim.isLocked(); }, 1000));
        QCOMPARE(sim.received(BoardProtocol::Unlock), 0);
        QCOMPARE(sim.refusedLocks(), 0);
        // A late "not locked yet" does not undo the disconnect asked for.
        link.call([&] { link.board.disconnectRequest(); });
        LockInfo unlocked;
        std::memset(unlocked.identity, 0, sizeof unlocked.identity);
        sim.sendToClient(BoardProtocol::lockStatus(unlocked, false));
        QVERIFY(waitUntil([&] { return link.offline == off + 2; }));
        QTest::qWait(450);
        QCOMPARE(link.online.load(), 2);
        QCOMPARE(link.board.linkState(), int(FMBoard::NotConnected));
        QVERIFY(sim.waitFor([&] { return !sim.carrier() && !sim.isLocked(); }, 1000));
    }

    // A board slower to answer the lock query than a status tick answers the
    // queries sent meanwhile after the first: their "not locked yet", from
    // before our SET LOCK, is no reboot (no second SET LOCK, no configuring
    // again).
    void lateLockAnswers()
    {
        linktest::LogCapture log;
        SimBoard sim;
        Link link;
        link.board.connectTo(sim.boardIP());
        QVERIFY(sim.waitForCount(BoardProtocol::InfoRequest, 1, 5000));
        QThread::msleep(700); // the board busy; the link asks for the lock at every tick
        QVERIFY(sim.waitFor([&] { return link.online == 1 && sim.carrier(); }, 5000));
        QVERIFY(sim.received(BoardProtocol::LockQuery) >= 2);
        QTest::qWait(500); // the late answers reach the link, a second SET LOCK would reach the board
        QCOMPARE(sim.received(BoardProtocol::SetLock), 1);
        QCOMPARE(log.lines().filter("configuring the board again").size(), 0);
        QVERIFY(log.waitFor("mo0: lock status from before our SET LOCK dropped", 0));
    }

    // Moving to another board takes the first one off air and unlocks it.
    void connectToAnother()
    {
        SimBoard first, second;
        Link link;
        link.board.connectTo(first.boardIP());
        QVERIFY(waitUntil([&] { return link.online == 1 && first.carrier(); }));
        link.board.connectTo(second.boardIP());
        QVERIFY(waitUntil([&] { return link.online == 2 && second.carrier(); }));
        QVERIFY(first.waitFor([&] { return !first.carrier() && !first.isLocked(); }, 2000));
    }
};

QTEST_GUILESS_MAIN(TestFMBoard)
#include "tst_fmboard.moc"
