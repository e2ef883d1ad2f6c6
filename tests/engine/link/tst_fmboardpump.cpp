#include "BoundedWait.h"
#include "LinkTestSupport.h"
#include "SimBoard.h"

#include <QtTest>

using linktest::Link;
using testsupport::waitUntil;

// The pump runs only while its link is online.
class TestFMBoardPump : public QObject
{
    Q_OBJECT

private slots:
    // No wake-ups without a board; ticks while online, none after the link
    // left the board.
    void onlyOnline()
    {
        SimBoard sim;
        Link link;
        QTest::qWait(300);
        QCOMPARE(link.board.takePumpStats().ticks, quint64(0));
        link.board.connectTo(sim.boardIP());
        QVERIFY(waitUntil([&] { return link.online == 1; }));
        quint64 ticks = 0;
        QVERIFY(waitUntil([&] { return (ticks += link.board.takePumpStats().ticks) > 20; }));
        link.call([&] { link.board.disconnectRequest(); });
        QVERIFY(waitUntil([&] { return link.board.linkState() == FMBoard::NotConnected; }));
        QTest::qWait(50);
        link.board.takePumpStats();
        QTest::qWait(300);
        QCOMPARE(link.board.takePumpStats().ticks, quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestFMBoardPump)
#include "tst_fmboardpump.moc"
