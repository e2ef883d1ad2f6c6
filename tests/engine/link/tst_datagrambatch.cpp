#include "BoundedWait.h"
#include "DatagramBatch.h"
#include "LinkTestSupport.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <functional>

#include <netinet/in.h>
#include <unistd.h>

using testsupport::waitUntil;

namespace {

// How many messages of a call the test's send function hands to the kernel
// (all when negative; none: the call fails with the errno the policy set).
std::function<int(int call, mmsghdr *messages, unsigned count)> policy;
QVector<QVector<int>> calls; // per call: the bytes of each message, negative when segmented

int testSend(int fd, mmsghdr *messages, unsigned count, int flags)
{
    QVector<int> shape;
    for (unsigned i = 0; i < count; ++i) {
        const int bytes = int(messages[i].msg_hdr.msg_iov[0].iov_len);
        shape << (messages[i].msg_hdr.msg_controllen ? -bytes : bytes);
    }
    calls << shape;
    const int take = policy ? policy(calls.size() - 1, messages, count) : -1;
    if (take == 0)
        return -1;
    return ::sendmmsg(fd, messages, take < 0 ? count : unsigned(take), flags);
}

// A datagram of `length` bytes that names itself by its number.
QByteArray datagram(int number, int length)
{
    QByteArray d(length, char(number * 7));
    std::memcpy(d.data(), &number, sizeof number);
    return d;
}

// A receiving socket and a sending descriptor connected to it.
struct Loopback
{
    Loopback()
    {
        receiver.bind(QHostAddress(QHostAddress::LocalHost), 0);
        receiver.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 << 20);
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(receiver.localPort());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to);
    }
    ~Loopback() { ::close(fd); }
    QList<QByteArray> receive(int count)
    {
        QList<QByteArray> got;
        waitUntil([&] {
            while (receiver.hasPendingDatagrams())
                got << receiver.receiveDatagram().data();
            return got.size() >= count;
        }, 3000);
        return got;
    }
    QUdpSocket receiver;
    int fd = -1;
};

} // namespace

class TestDatagramBatch : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        DatagramBatch::setSendFunction(testSend);
        calls.clear();
        policy = nullptr;
    }
    void cleanupTestCase() { DatagramBatch::setSendFunction(nullptr); }

    void order_data()
    {
        QTest::addColumn<bool>("segmented");
        QTest::addColumn<int>("refusal"); // 0 none, 1 part of each call, 2 no segmentation on the route
        QTest::newRow("messages") << false << 0;
        QTest::newRow("segmented") << true << 0;
        QTest::newRow("messages, partly refused") << false << 1;
        QTest::newRow("segmented, partly refused") << true << 1;
        QTest::newRow("segmentation refused") << true << 2;
    }

    // Ticks of mixed datagrams arrive exactly as added, whatever the kernel
    // takes per call; what it left waits, in order, and is counted per owner.
    void order()
    {
        QFETCH(bool, segmented);
        QFETCH(int, refusal);
        DatagramBatch::setMode(segmented ? DatagramBatch::Mode::Segmented : DatagramBatch::Mode::Batched);
        if (refusal == 1) {
            // Nothing (EAGAIN), then one message, then two, then all.
            policy = [](int call, mmsghdr *, unsigned count) {
                errno = EAGAIN;
                return call % 4 == 3 ? -1 : int(qMin(count, unsigned(call % 4)));
            };
        } else if (refusal == 2) {
            // As the kernel does: it takes the messages before the first
            // segmented one, which fails.
            policy = [](int, mmsghdr *messages, unsigned count) {
                for (unsigned i = 0; i < count; ++i)
                    if (messages[i].msg_hdr.msg_controllen) {
                        errno = EIO;
                        return int(i);
                    }
                return -1;
            };
        }
        linktest::LogCapture log;
        Loopback net;
        DatagramBatch batch(2);
        // One tick: a command, an RDS datagram, PCM of three programs, a
        // silence datagram, the last program's PCM after it.
        const QVector<QPair<int, int>> tick = {{41, -1}, {112, -1}, {1032, 0}, {1032, 0}, {1032, 0}, {1032, 0},
                                               {1032, 1}, {1032, 1}, {1032, 2}, {520, 3}, {1032, 5}, {1032, 5}};
        QList<QByteArray> sent;
        QList<int> owners;
        int number = 0;
        for (int t = 0; t < 12; ++t) {
            if (t < 8) {
                for (const auto &d : tick) {
                    sent << datagram(number++, d.first);
                    owners << d.second;
                    batch.add(sent.last().constData(), d.first, d.second);
                }
            }
            const int before = calls.size();
            const bool any = batch.queued() > 0;
            batch.flush(net.fd);
            QCOMPARE(calls.size() - before, !any ? 0 : refusal == 2 && t == 1 ? 2 : 1);
            // Nothing taken: EAGAIN; part taken: the kernel gave no reason.
            if (refusal == 1 && any)
                QCOMPARE(batch.lastError(), batch.queued() == 0 ? 0 : (calls.size() - 1) % 4 == 0 ? EAGAIN : 0);
            // The waiting datagrams are the last ones added, counted per owner.
            const QList<int> waiting = owners.mid(owners.size() - batch.queued());
            for (int o = 0; o < 6; ++o)
                QCOMPARE(batch.queued(o), int(waiting.count(o)));
            int bytes = 0;
            for (const QByteArray &d : sent.mid(sent.size() - batch.queued()))
                bytes += d.size();
            QCOMPARE(batch.queuedBytes(), bytes);
        }
        QCOMPARE(batch.queued(), 0);
        QCOMPARE(net.receive(sent.size()), sent);
        if (segmented && refusal == 0) // command, RDS, the run of PCM, silence, the last run
            QCOMPARE(calls[0], (QVector<int>{41, 112, -7 * 1032, 520, -2064}));
        if (refusal == 2) {
            QVERIFY(log.waitFor("mo2: udp segmentation refused (5), one message per datagram from now on"));
            QCOMPARE(batch.batchMode(), DatagramBatch::Mode::Batched);
            QCOMPARE(calls.last().size(), tick.size());
        }
    }

    // A segmented message stays within the kernel's 64 segments and 64 kB.
    void limits_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<int>>("messages");
        QTest::newRow("bytes") << 1032 << 70 << QVector<int>{-62 * 1032, -8 * 1032};
        QTest::newRow("segments") << 100 << 130 << QVector<int>{-6400, -6400, -200};
        QTest::newRow("one left") << 100 << 65 << QVector<int>{-6400, 100};
    }
    void limits()
    {
        QFETCH(int, length);
        QFETCH(int, count);
        QFETCH(QVector<int>, messages);
        DatagramBatch::setMode(DatagramBatch::Mode::Segmented);
        Loopback net;
        DatagramBatch batch(0);
        QList<QByteArray> sent;
        for (int i = 0; i < count; ++i) {
            sent << datagram(i, length);
            batch.add(sent.last().constData(), length);
        }
        QCOMPARE(batch.flush(net.fd), count);
        QCOMPARE(calls.value(0), messages);
        QCOMPARE(net.receive(count), sent);
    }

    // A datagram the kernel will never take does not hold up the others.
    void refusedForGood()
    {
        DatagramBatch::setMode(DatagramBatch::Mode::Batched);
        policy = [](int, mmsghdr *messages, unsigned) {
            errno = EMSGSIZE;
            return messages[0].msg_hdr.msg_iov[0].iov_len == 77 ? 0 : -1;
        };
        linktest::LogCapture log;
        Loopback net;
        DatagramBatch batch(1);
        const QByteArray bad = datagram(1, 77), good = datagram(2, 100);
        batch.add(bad.constData(), bad.size());
        batch.add(good.constData(), good.size());
        QCOMPARE(batch.flush(net.fd), 0);
        QCOMPARE(batch.queued(), 1);
        QCOMPARE(batch.flush(net.fd), 1);
        QCOMPARE(net.receive(1), QList<QByteArray>{good});
        QVERIFY(log.waitFor("mo1: udp datagram of 77 bytes refused for good (90)"));
    }
};

QTEST_GUILESS_MAIN(TestDatagramBatch)
#include "tst_datagrambatch.moc"
