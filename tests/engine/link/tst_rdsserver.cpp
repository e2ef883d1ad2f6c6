#include "BoundedWait.h"
#include "FMProgram.h"
#include "KeyWatch.h"
#include "LinkTestSupport.h"
#include "RDSServer.h"
#include "SimBoard.h"
#include "TempProject.h"

#include <QTcpSocket>
#include <QtTest>

#include <memory>

using testsupport::waitUntil;

namespace {

// Channels 1 and 3 used, 2 not. Without a board the ring is never drained,
// so the levels are exact.
u16 port = 0; // of channel 1

struct Client
{
    explicit Client(int channel, u16 first = 0)
    {
        socket.connectToHost(QHostAddress::LocalHost, u16((first ? first : port) + channel - 1));
        greeting = readLines(2);
    }
    QStringList readLines(int n, int timeoutMs = 3000)
    {
        waitUntil([&] {
            lines += take();
            return lines.size() >= n;
        }, timeoutMs);
        const QStringList out = lines.mid(0, n);
        lines = lines.mid(n);
        return out;
    }
    QStringList take()
    {
        QStringList out;
        while (socket.canReadLine())
            out << QString::fromUtf8(socket.readLine()).chopped(1);
        return out;
    }
    QTcpSocket socket;
    QStringList greeting, lines;
};

// Information word of block 0..3 of a packed group.
u16 block(const RDSGroup &g, int index)
{
    int value = 0;
    for (int bit = 26 * index; bit < 26 * index + 16; ++bit)
        value = value << 1 | (g.bytes[bit / 8] >> (7 - bit % 8) & 1);
    return u16(value);
}

} // namespace

class TestRDSServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QByteArray text = linktest::projectText(3);
        text.replace("[channel.2]\nused=1", "[channel.2]\nused=0");
        QVERIFY(project.write(text));
        settings = QSharedPointer<FMSettings>::create(project.path());
        link.board.setSettings(settings);
        port = u16(link.ports.first());
        QVERIFY(port);
        link.board.setRdsPort(port);
        QVERIFY(waitUntil([&] { QTcpSocket s; s.connectToHost(QHostAddress::LocalHost, port + 2);
                                return s.waitForConnected(100); }));
    }

    // Replies to each line; the ring takes 128 groups, then "full".
    void replies()
    {
        const QByteArray group = "1234 5678 9abc def0";
        const struct { int channel; QByteArray input; QStringList replies; } cases[] = {
            {1, group + "\r\n" + group + "\n   \nzz\n", {"1 0", "2 1", "3 -1 2 ", "4 -1 2 noRDS"}}, // empty, bad
            {2, group + "\n", {"1 -1 0 offline"}},
            {3, QByteArray(1500, 'a') + "bcd 1234 5678 9abc def0\n" + group + "\n", {"1 0"}}}; // over-long skipped
        for (const auto &c : cases) {
            Client client(c.channel);
            QCOMPARE(client.greeting, (QStringList{"--", "modul.info Trovina Generator v4.51"}));
            client.socket.write(c.input);
            QCOMPARE(client.readLines(c.replies.size()), c.replies);
            QTest::qWait(50);
            QCOMPARE(client.take(), QStringList());
        }
    }

    // After the same port is set again, a flooding client gets every reply;
    // the ring fills to 128. A split
    // line is answered once. A replaced client's late disconnect leaves the
    // new client's input alone.
    void floodSplitAndReplace()
    {
        link.board.setRdsPort(port); // the same port again: the servers listen on
        QTest::qWait(450);
        testsupport::KeyWatch rdsin(*settings, "rdsin.1");
        Client first(1);
        Client c(1);
        first.socket.disconnectFromHost();
        QByteArray flood;
        for (int i = 0; i < 300; ++i)
            flood += "1234 5678 9abc def0\n";
        c.socket.write(flood + "1234 5678");
        const QStringList r = c.readLines(300, 5000);
        QCOMPARE(r.size(), 300);
        // The ring held the two groups of the first test.
        QCOMPARE(r[125], QString("126 127"));
        QCOMPARE(r[126], QString("127 -1 128 full"));
        QCOMPARE(r[299], QString("300 -1 128 full"));
        c.socket.write(" 9abc def0\n");
        QCOMPARE(c.readLines(1), QStringList{"301 -1 128 full"});
        QTest::qWait(200);
        const QStringList keys = rdsin.take();
        QVERIFY2(!keys.isEmpty() && keys.last() == "rdsin.1=127.0.0.1", qPrintable(keys.join('|')));
    }

    // A client that sends far faster than the lines are handled: its input
    // waits in the kernel, not in the program; every line is answered in
    // order, over-long lines are dropped without an answer, and the groups
    // taken go to the board in the order they came while the board drains
    // the ring.
    void floodHeldInKernel()
    {
        testsupport::TempProject file(linktest::projectText(1));
        SimBoard sim;
        sim.setCapture(true);
        linktest::Link rig;
        u16 base = u16(rig.ports.first());
        rig.board.setSettings(QSharedPointer<FMSettings>::create(file.path()));
        rig.board.connectTo(sim.boardIP());
        QVERIFY(sim.waitFor([&] { return sim.channel(0).rdsDatagrams > 2; }, 5000));
        // Tests running in parallel may have taken the ports meanwhile.
        const auto listening = [&] {
            bool on = false;
            rig.call([&] { on = rig.board.program(0)->rdsServer()->isListening(); });
            return on;
        };
        std::unique_ptr<testsupport::PortRange> other;
        for (int tries = 0; tries < 5 && !waitUntil(listening, 1000); ++tries) {
            other = std::make_unique<testsupport::PortRange>(24);
            base = u16(other->first());
            rig.board.setRdsPort(base);
        }
        QVERIFY(listening());
        Client c(1, base);
        QCOMPARE(c.greeting.size(), 2);

        const int total = 20000; // groups, about 400 kB
        QByteArray longLine(1500, 'x');
        longLine += '\n';
        int sent = 0;
        qint64 peak = 0;
        QStringList replies;
        QElapsedTimer sample;
        sample.start();
        const bool done = waitUntil([&] {
            while (sent < total && c.socket.bytesToWrite() < 256 * 1024) {
                QByteArray chunk;
                for (int end = qMin(total, sent + 1000); sent < end; ++sent)
                    chunk += QByteArray("F00D 0000 ") + QByteArray::number(sent >> 16, 16).rightJustified(4, '0')
                             + ' ' + QByteArray::number(sent & 0xFFFF, 16).rightJustified(4, '0') + '\n';
                c.socket.write(chunk + longLine);
            }
            replies += c.take();
            if (sample.elapsed() >= 5) {
                sample.restart();
                rig.call([&] { peak = qMax(peak, rig.board.program(0)->rdsServer()->bufferedInput()); });
            }
            return replies.size() >= total;
        }, 60000);
        QVERIFY2(done, qPrintable(QString("%1 of %2 answers").arg(replies.size()).arg(total)));
        QVERIFY2(peak <= RDSServer::readBufferSize + RDSServer::bufferSize, qPrintable(QString::number(peak)));

        QVector<int> taken;
        for (int i = 0; i < replies.size(); ++i) {
            const QStringList f = replies[i].split(' ');
            QCOMPARE(f.value(0), QString::number(i + 1));
            if (f.size() == 2)
                taken << i;
            else
                QCOMPARE(f.value(3), QString("full"));
        }
        QVERIFY2(taken.size() > FMProgram::ringSize, qPrintable(QString::number(taken.size()) + replies.mid(0, 3).join('|')));
        QVector<int> aired;
        for (const RDSGroup &g : sim.channel(0).capturedGroups(0))
            if (block(g, 0) == 0xF00D)
                aired << (block(g, 2) << 16 | block(g, 3));
        QVERIFY(aired.size() > 1);
        QCOMPARE(aired, taken.mid(0, aired.size()));
    }

    // A port above 65535 is refused with the failure line.
    void portOutOfRange()
    {
        linktest::LogCapture log;
        link.board.setRdsPort(65530);
        QVERIFY(log.waitFor("sv 7 listen port 65536: "));
        QVERIFY(log.waitFor("sv24 listen port 65553: "));
    }

private:
    testsupport::TempProject project;
    QSharedPointer<FMSettings> settings;
    linktest::Link link;
};

QTEST_GUILESS_MAIN(TestRDSServer)
#include "tst_rdsserver.moc"
