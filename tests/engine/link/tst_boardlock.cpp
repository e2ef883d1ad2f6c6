#include "BoundedWait.h"
#include "LinkTestSupport.h"
#include "ProcessRig.h"

#include <QtTest>

using linktest::ProcessRig;
using testsupport::waitUntil;

namespace {

const QString simboard = QStringLiteral(TROVINA_SIMBOARD);
// 10.1.2.3 and 10.1.2.4 as the board reports its lockers (never sent to).
const QString otherUser = QStringLiteral("lock 10.1.2.3 4000 bob@PC2");
const QString thirdUser = QStringLiteral("lock 10.1.2.4 4001 eve@PC3");
constexpr u32 otherIp = 0x0A010203;
constexpr u32 thirdIp = 0x0A010204;

int linesStarting(const QStringList &lines, const QString &prefix)
{
    return int(std::count_if(lines.begin(), lines.end(), [&](const QString &l) { return l.startsWith(prefix); }));
}

} // namespace

// The lock handshake against a simulated board in its own process: a
// board another user holds is never switched off or unlocked by us, and the
// take-over question lives only as long as the lock it asks about.
class TestBoardLock : public QObject
{
    Q_OBJECT

private slots:
    void disconnectBeforeLockStatus_data()
    {
        QTest::addColumn<QString>("unanswered"); // packet type the board leaves unanswered
        QTest::addColumn<int>("how");            // 0 disconnect request, 1 quit, 2 another board
        QTest::newRow("state 2, disconnect request") << "0000" << 0;
        QTest::newRow("state 3, disconnect request") << "0060" << 0;
        QTest::newRow("state 3, quit") << "0060" << 1;
        QTest::newRow("state 2, another board") << "0000" << 2;
    }

    // The link leaves a board before any lock status came: the board is
    // held by another user and gets neither the carrier-off configuration
    // nor UNLOCK.
    void disconnectBeforeLockStatus()
    {
        QFETCH(QString, unanswered);
        QFETCH(int, how);
        linktest::LogCapture log;
        ProcessRig rig(simboard, {}, 1);
        QVERIFY(rig.sim.command(otherUser));
        QVERIFY(rig.sim.command("ignore " + unanswered));
        rig.connect();
        const QString counted = unanswered == "0000" ? "info" : "lockq";
        QVERIFY(waitUntil([&] { return rig.sim.statusValue(counted) >= 2; }, 5000));
        QCOMPARE(rig.state(), unanswered == "0000" ? int(FMBoard::InfoRequested) : int(FMBoard::LockQueried));
        if (how == 0) {
            rig.link.call([&] { rig.link.board.disconnectRequest(); });
        } else if (how == 1) {
            rig.link.board.quit();
            QVERIFY(rig.link.board.wait(10000));
        } else {
            BoardIP other = rig.target();
            other.port = u16(other.port == 65535 ? 1024 : other.port + 1);
            rig.link.board.connectTo(other);
        }
        QVERIFY(waitUntil([&] { return rig.link.offline >= 2 || how == 1; }, 3000));
        QTest::qWait(400);
        const auto st = rig.sim.status();
        QCOMPARE(st.value("unlock"), QString("0"));
        QCOMPARE(st.value("boardcmds"), QString("0"));
        QCOMPARE(st.value("lockip").toUInt(), otherIp);
        // The unanswered lock query is logged once, and once more with its count.
        QCOMPARE(linesStarting(log.lines(), "mo0: get lock"), unanswered == "0060" ? 1 : 0);
        QCOMPARE(linesStarting(log.lines(), "mo0: lock queried "), unanswered == "0060" ? 1 : 0);
    }

    // The other user lets go while the question is open: the link goes
    // online by itself and withdraws the question; a late answer to it
    // changes nothing, and the next foreign lock is asked about again.
    void takeOverAnswerAfterTheLockWent()
    {
        ProcessRig rig(simboard, {}, 2);
        QVERIFY(rig.sim.command(otherUser));
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.unlocks >= 1 && rig.state() == FMBoard::ForeignLock; }, 5000));
        QCOMPARE(rig.link.withdrawn.load(), 0);
        QVERIFY(rig.sim.command("unlock"));
        QVERIFY(waitUntil([&] { return rig.link.online == 1 && rig.sim.statusValue("carrier") == 1; }, 5000));
        QCOMPARE(rig.link.withdrawn.load(), 1);

        // "No" to the withdrawn question: our own board stays on and ours.
        rig.link.call([&] { rig.link.board.unlock(false); });
        QTest::qWait(600);
        QCOMPARE(rig.state(), int(FMBoard::Online));
        auto st = rig.sim.status();
        QCOMPARE(st.value("carrier"), QString("1"));
        QCOMPARE(st.value("locked"), QString("1"));
        QCOMPARE(st.value("lockip").toUInt(), 0x7F000001u);
        QCOMPARE(st.value("unlock"), QString("0"));

        // "Yes" to it, then a third user takes the board: the link asks again.
        rig.link.call([&] { rig.link.board.unlock(true); });
        QVERIFY(rig.sim.command("unlock"));
        QVERIFY(rig.sim.command(thirdUser));
        const int asked = rig.link.unlocks;
        rig.connect(); // the same board again: reconnect, lock query
        QVERIFY(waitUntil([&] { return rig.link.unlocks > asked && rig.state() == FMBoard::ForeignLock; }, 5000));
        QTest::qWait(800);
        QCOMPARE(rig.state(), int(FMBoard::ForeignLock));
        st = rig.sim.status();
        QCOMPARE(st.value("lockip").toUInt(), thirdIp);
        QCOMPARE(st.value("unlock"), QString("0"));
        QCOMPARE(rig.link.online.load(), 1);
    }

    // Another user takes the board while we stream and lets go again: the
    // link finds the lock at its next lock query, stops streaming and asks;
    // when the lock has gone it goes online again by itself and streams on.
    void foreignLockWhileStreaming()
    {
        ProcessRig rig(simboard, {}, 2);
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.online == 1 && rig.sim.statusValue("carrier") == 1; }, 5000));
        QVERIFY(rig.sim.command(otherUser));
        // The lock query goes with every 32nd status request (6.4 s).
        QVERIFY(waitUntil([&] { return rig.link.unlocks >= 1; }, 9000));
        QCOMPARE(rig.state(), int(FMBoard::ForeignLock));
        QVERIFY(rig.sim.command("clear"));
        QTest::qWait(300);
        QCOMPARE(rig.sim.statusValue("pcm"), 0);
        QVERIFY(rig.sim.command("unlock"));
        QVERIFY(waitUntil([&] { return rig.link.online == 2; }, 3000));
        QCOMPARE(rig.link.withdrawn.load(), 1);
        QVERIFY(waitUntil([&] { return rig.sim.statusValue("pcm") > 50; }, 3000));
        const auto st = rig.sim.status();
        QCOMPARE(st.value("lockip").toUInt(), 0x7F000001u);
        QCOMPARE(st.value("unlock"), QString("0"));
    }

    // While the question is open the board is asked about its lock every
    // second or so: the holder is logged once, and once more with the count
    // when the lock has gone.
    void foreignLockLoggedOnce()
    {
        linktest::LogCapture log;
        ProcessRig rig(simboard, {}, 1);
        QVERIFY(rig.sim.command(otherUser));
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.unlocks >= 3; }, 8000));
        QVERIFY(rig.sim.command("unlock"));
        QVERIFY(waitUntil([&] { return rig.link.online == 1; }, 5000));
        const QStringList lines = log.lines();
        QCOMPARE(linesStarting(lines, "mo0: is locked from 10.1.2.3 : 4000 [bob@PC2]"), 1);
        QCOMPARE(linesStarting(lines, "mo0: 10.1.2.3 : 4000 last seen"), 1);
        QVERIFY(log.waitFor("mo0: lock of another client seen in ", 1000));
        const QString end = log.lines().filter("mo0: lock of another client seen in ").value(0);
        QVERIFY2(end.section(' ', 7, 7).toInt() >= 3, qPrintable(end));
    }

    void leaveRightAfterASilence_data()
    {
        QTest::addColumn<bool>("anotherBoard"); // else a disconnect request
        QTest::newRow("disconnect request") << false;
        QTest::newRow("another board") << true;
    }

    // The board was silent and answers again, but its lock status stays
    // away: whether it still holds our lock is in question when the link
    // leaves it. It is asked once more; naming us, it is switched off and
    // unlocked.
    void leaveRightAfterASilence()
    {
        QFETCH(bool, anotherBoard);
        ProcessRig rig(simboard, {}, 1);
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.online == 1 && rig.sim.statusValue("locked") == 1; }, 5000));
        const int from = rig.sim.lines().size();
        QVERIFY(rig.sim.command("ignore 0060"));
        QVERIFY(rig.sim.command("silent 0.7"));
        QVERIFY(rig.sim.waitLine("sb1 answering again", from, 5000) >= 0);
        QVERIFY(rig.sim.command("answer 0060"));
        if (anotherBoard) {
            BoardIP other = rig.target();
            other.port = u16(other.port == 65535 ? 1024 : other.port + 1);
            rig.link.board.connectTo(other);
        } else {
            rig.link.call([&] { rig.link.board.disconnectRequest(); });
        }
        QVERIFY(waitUntil([&] { return rig.sim.statusValue("unlock") == 1; }, 3000));
        const auto st = rig.sim.status();
        QCOMPARE(st.value("carrier"), QString("0"));
        QCOMPARE(st.value("locked"), QString("0"));
    }

    void leaveAfterATimeOut_data()
    {
        QTest::addColumn<bool>("quit"); // else a disconnect request
        QTest::newRow("disconnect request") << false;
        QTest::newRow("quit, information unanswered") << true;
    }

    // The board went silent long enough for a time-out: the lock and the
    // board information are unknown. A disconnect request then ends the
    // link for good (no reconnection when the board answers again). A quit
    // while the board, back, leaves the information request unanswered
    // still finds our lock, and switches the board off with the information
    // known before.
    void leaveAfterATimeOut()
    {
        QFETCH(bool, quit);
        linktest::LogCapture log;
        ProcessRig rig(simboard, {}, 1);
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.online == 1 && rig.sim.statusValue("carrier") == 1; }, 5000));
        const int from = rig.sim.lines().size();
        QVERIFY(rig.sim.command("ignore 0000"));
        QVERIFY(rig.sim.command("silent 2.6"));
        QVERIFY(log.waitFor("mo0: timeout", 5000));
        if (!quit) {
            rig.link.call([&] { rig.link.board.disconnectRequest(); });
            QVERIFY(rig.sim.waitLine("sb1 answering again", from, 5000) >= 0);
            QTest::qWait(1000); // ticks enough for a reconnection
            QCOMPARE(rig.state(), int(FMBoard::NotConnected));
            QCOMPARE(rig.link.online.load(), 1);
            return;
        }
        QVERIFY(rig.sim.waitLine("sb1 answering again", from, 5000) >= 0);
        const int infos = rig.sim.statusValue("info");
        QVERIFY(waitUntil([&] { return rig.sim.statusValue("info") > infos; }, 5000));
        QCOMPARE(rig.state(), int(FMBoard::InfoRequested));
        rig.link.board.quit();
        QVERIFY(rig.link.board.wait(10000));
        const auto st = rig.sim.status();
        QCOMPARE(st.value("unlock"), QString("1"));
        QCOMPARE(st.value("carrier"), QString("0"));
        QCOMPARE(st.value("locked"), QString("0"));
    }

    // The carrier-off configuration at a disconnect is reported as off air.
    void carrierOffReportsOffAir()
    {
        ProcessRig rig(simboard, {}, 1);
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.lastOnAir == 1 && rig.sim.statusValue("carrier") == 1; }, 5000));
        const int offBefore = rig.link.onAirOff;
        rig.link.call([&] { rig.link.board.disconnectRequest(); });
        QVERIFY(waitUntil([&] { return rig.link.offline >= 2; }, 3000));
        QVERIFY(waitUntil([&] { return rig.link.lastOnAir == 0; }, 1000));
        QCOMPARE(rig.link.onAirOff.load(), offBefore + 1);
        QVERIFY(waitUntil([&] { return rig.sim.statusValue("carrier") == 0; }, 2000));
    }

    // A board without the lock handshake (firmware 24) that answers lock
    // queries all the same is left alone: no lock query, no SET LOCK, no
    // second band configuration, four channel configurations (three after
    // the board information, one with the band), no underrun.
    void oldFirmwareLeftAlone()
    {
        ProcessRig rig(simboard, {"--firmware", "24"}, 4);
        QVERIFY(rig.sim.command("lock-always on"));
        rig.connect();
        QVERIFY(waitUntil([&] { return rig.link.online == 1; }, 5000));
        QTest::qWait(7200); // past the 32nd status tick
        const auto st = rig.sim.status();
        QCOMPARE(rig.link.online.load(), 1);
        QCOMPARE(st.value("lockq"), QString("0"));
        QCOMPARE(st.value("setlock"), QString("0"));
        QCOMPARE(st.value("boardcmds"), QString("2"));
        QVERIFY2(st.value("chcmds").startsWith("4,4,4,4,"), qPrintable(st.value("chcmds")));
        // The channels in use (an unused one sends one silence datagram, which runs out).
        QCOMPARE(rig.sim.pcmUnderruns().mid(0, 4), QVector<int>(4, 0));
        // Going off: the carrier goes off; the board has no lock to give back.
        rig.link.call([&] { rig.link.board.disconnectRequest(); });
        QVERIFY(waitUntil([&] { return rig.sim.statusValue("carrier") == 0; }, 3000));
        QCOMPARE(rig.sim.statusValue("unlock"), 0);
    }
};

QTEST_GUILESS_MAIN(TestBoardLock)
#include "tst_boardlock.moc"
