#include "BoundedWait.h"
#include "DatagramBatch.h"
#include "LinkTestSupport.h"
#include "SimBoard.h"
#include "TempProject.h"

#include <QtTest>

#include <atomic>
#include <cerrno>

using linktest::Link;
using testsupport::waitUntil;

namespace {

constexpr int channels = FMBoard::channels;

// Everything a board received, per channel, in arrival order.
struct Received
{
    QVector<qint16> pcm[channels];
    QVector<RDSGroup> groups[channels][4];
    int commands[channels] = {};
    int pcmDatagrams[channels] = {};
    qint64 pcmFrames[channels] = {};
    int rejected = 0;
    int lost = 0; // datagrams the board had no room for
    quint64 ticks = 0;
};

// The send function under test: straight to the kernel, or refusing part of
// every third call (none, then the first message only, then the first two).
std::atomic<int> sendCalls{0};
std::atomic<bool> refuseSome{false};

int countingSend(int fd, mmsghdr *messages, unsigned count, int flags)
{
    const int call = sendCalls.fetch_add(1);
    if (!refuseSome.load() || call % 3 != 0)
        return ::sendmmsg(fd, messages, count, flags);
    const unsigned take = qMin(count, unsigned(call / 3 % 3));
    if (take == 0) {
        errno = EAGAIN;
        return -1;
    }
    return ::sendmmsg(fd, messages, take, flags);
}

// 24 channels of a 7 s sweep (no two datagrams alike within the run) and
// RDS on four streams without clock time (the only groups bound to the
// wall clock).
QByteArray pumpProject()
{
    QByteArray text = "[board]\nband=0\nattn=-5\n[audio.1]\ntype=1\nfrq1=300\nfrq2=5000\nvol1=90\nvol2=30\ntime=7\n"
                      "[rds.1]\nps=TROVINA\npi=d312\nmode=15\nrta=PUMP TEST\ngmin\\4=0 0 0 0 0\n";
    for (int ch = 1; ch <= channels; ++ch)
        text += "[channel." + QByteArray::number(ch) + "]\nused=1\nidaudio=1\nidrds=1\nfreq="
                + QByteArray::number(88.0 + ch * 0.4) + "\n";
    return text;
}

Received stream(DatagramBatch::Mode mode, bool refuse)
{
    DatagramBatch::setMode(mode);
    DatagramBatch::setSendFunction(countingSend);
    refuseSome = refuse;
    sendCalls = 0;
    testsupport::TempProject file(pumpProject());
    SimBoard sim;
    sim.setCapture(true);
    Received r;
    {
        Link link;
        link.board.setSettings(QSharedPointer<FMSettings>::create(file.path()));
        link.board.connectTo(sim.boardIP());
        const bool enough = sim.waitFor([&] {
            for (int i = 0; i < channels; ++i)
                if (sim.channel(i).pcmFrames < 88200 || sim.channel(i).groups[3] < 12)
                    return false;
            return true;
        }, 15000);
        if (!enough)
            qWarning("the board got too little: %lld frames on channel 24",
                     static_cast<long long>(sim.channel(23).pcmFrames));
        r.ticks = link.board.takePumpStats().ticks;
    }
    r.lost = sim.lostDatagrams();
    DatagramBatch::setSendFunction(nullptr);
    for (int i = 0; i < channels; ++i) {
        const SimChannel &c = sim.channel(i);
        for (const SimChannel::PcmCapture &p : c.pcm)
            r.pcm[i] += p.samples;
        for (int s = 0; s < 4; ++s)
            r.groups[i][s] = c.capturedGroups(s);
        r.commands[i] = c.commands;
        r.pcmDatagrams[i] = c.pcmDatagrams;
        r.pcmFrames[i] = c.pcmFrames;
        r.rejected += c.rejected;
    }
    return r;
}

// The shorter of the two is the start of the longer one, and not short.
template <typename T>
QString samePrefix(const QVector<T> &a, const QVector<T> &b, int least)
{
    const int n = qMin(a.size(), b.size());
    if (n < least)
        return QStringLiteral("only %1 of %2").arg(n).arg(least);
    for (int i = 0; i < n; ++i)
        if (!(a[i] == b[i]))
            return QStringLiteral("differs at %1 of %2").arg(i).arg(n);
    return {};
}

} // namespace

// The pump's datagrams reach the board unchanged whichever way they are
// sent; the pump runs only while its link is online.
class TestFMBoardPump : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The reference: every datagram written on its own.
        direct = stream(DatagramBatch::Mode::Direct, false);
        QCOMPARE(sendCalls.load(), 0);
        QCOMPARE(direct.lost, 0);
    }

    void cleanupTestCase() { DatagramBatch::setMode(DatagramBatch::mode()); }

    void sameBytes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("refuse");
        QTest::newRow("sendmmsg") << int(DatagramBatch::Mode::Batched) << false;
        QTest::newRow("sendmmsg, segmented") << int(DatagramBatch::Mode::Segmented) << false;
        QTest::newRow("sendmmsg, kernel refuses some") << int(DatagramBatch::Mode::Batched) << true;
        QTest::newRow("segmented, kernel refuses some") << int(DatagramBatch::Mode::Segmented) << true;
    }

    // Per channel the same PCM samples and RDS groups of every stream in the
    // same order, the same datagram sizes, the same commands; one system
    // call per tick.
    void sameBytes()
    {
        QFETCH(int, mode);
        QFETCH(bool, refuse);
        linktest::LogCapture log;
        const Received r = stream(DatagramBatch::Mode(mode), refuse);
        // The first refusal is logged (the kernel took nothing: EAGAIN).
        QCOMPARE(log.waitFor("mo0: udp send refused (11), ", 0), refuse);
        QVERIFY(sendCalls > 0);
        if (!refuse)
            QVERIFY2(quint64(sendCalls.load()) <= r.ticks + 2,
                     qPrintable(QStringLiteral("%1 calls in %2 ticks").arg(sendCalls.load()).arg(r.ticks)));
        QCOMPARE(r.rejected, 0);
        QCOMPARE(r.lost, 0);
        for (int i = 0; i < channels; ++i) {
            const QString pcm = samePrefix(r.pcm[i], direct.pcm[i], 2 * 88200);
            QVERIFY2(pcm.isEmpty(), qPrintable(QStringLiteral("channel %1 pcm: %2").arg(i + 1).arg(pcm)));
            for (int s = 0; s < 4; ++s) {
                const QString rds = samePrefix(r.groups[i][s], direct.groups[i][s], 12);
                QVERIFY2(rds.isEmpty(),
                         qPrintable(QStringLiteral("channel %1 stream %2: %3").arg(i + 1).arg(s).arg(rds)));
            }
            QCOMPARE(r.pcmFrames[i], qint64(r.pcmDatagrams[i]) * 256);
            QCOMPARE(r.commands[i], direct.commands[i]);
        }
    }

    // No wake-ups without a board; ticks while online, none after the link
    // left the board.
    void onlyOnline()
    {
        DatagramBatch::setMode(DatagramBatch::Mode::Segmented);
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

private:
    Received direct;
};

QTEST_GUILESS_MAIN(TestFMBoardPump)
#include "tst_fmboardpump.moc"
