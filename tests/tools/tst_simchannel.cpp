#include "BoardCommand.h"
#include "BoardProtocol.h"
#include "HiResClock.h"
#include "LoopbackClient.h"
#include "SimBoard.h"
#include "SimChannel.h"

#include <QElapsedTimer>
#include <QTest>

#include <cmath>

// The FIFO model of a simulated channel: filled by data, drained at the
// channel's sample rate and at 1187.5 bit/s, with overflow and underrun counts.
class TestSimChannel : public QObject
{
    Q_OBJECT

private slots:
    void pcmDrainsAtTheSampleRate()
    {
        for (const auto &[code, rate] : {std::pair{u8(0), 32000.0}, {u8(1), 44100.0}, {u8(2), 48000.0}}) {
            SimChannel c;
            c.setCapacity(16384, 512);
            c.reset(10.0);
            c.config.rateCode = code;
            c.receivePcm(10.0, 8000);
            c.advanceTo(10.0625);
            QCOMPARE(c.pcmFill(), 8000 - 0.0625 * rate);
            QCOMPARE(c.statusEntry().pcmFill, u16(std::floor(8000 - 0.0625 * rate)));
            QCOMPARE(c.pcmUnderruns(), 0);
            c.advanceTo(11.0); // ran dry once
            QCOMPARE(c.pcmFill(), 0.0);
            QCOMPARE(c.pcmUnderruns(), 1);
            c.advanceTo(12.0); // staying empty is the same underrun
            QCOMPARE(c.pcmUnderruns(), 1);
            c.advanceTo(11.5); // time never runs back
            QCOMPARE(c.pcmFill(), 0.0);
        }
    }

    void rdsDrainsAt1187BitsPerSecond()
    {
        SimChannel c;
        c.setCapacity(16384, 512);
        c.reset(0.0);
        c.receiveRds(0.0, 130);
        c.advanceTo(1.0);
        QCOMPARE(c.rdsFill(), 130 - 74.21875);
        QCOMPARE(c.statusEntry().rdsFill, u16(55));
        c.advanceTo(2.0);
        QCOMPARE(c.rdsFill(), 0.0);
        QCOMPARE(c.rdsUnderruns(), 1);
        // The PCM FIFO was never filled: no underrun there.
        QCOMPARE(c.pcmUnderruns(), 0);
    }

    void overflowsLoseTheExcess()
    {
        SimChannel c;
        c.setCapacity(1000, 100);
        c.reset(0.0);
        c.receivePcm(0.0, 768);
        QCOMPARE(c.pcmOverflows(), 0);
        c.receivePcm(0.0, 256);
        QCOMPARE(c.pcmOverflows(), 1);
        QCOMPARE(c.pcmFill(), 1000.0);
        c.receiveRds(0.0, 104);
        QCOMPARE(c.rdsOverflows(), 1);
        QCOMPARE(c.rdsFill(), 100.0);
        c.clearCounters();
        QCOMPARE(c.pcmOverflows(), 0);
        QCOMPARE(c.pcmFill(), 1000.0); // the FIFO itself stays
    }

    void levelFollowsGainUnlessOverridden()
    {
        SimChannel c;
        QCOMPARE(c.rawLevel(), 0u);
        c.config.used = true;
        c.config.gainWord = 65535;
        QCOMPARE(c.rawLevel(), 29967428u);
        c.overrideLevel(12345);
        QCOMPARE(c.statusEntry().rawLevel, 12345u);
        c.clearLevelOverride();
        c.config.used = false;
        QCOMPARE(c.rawLevel(), 0u);
    }

    // Over the socket, in real time: two channels at 48000 and 32000 Hz,
    // fill levels read from two status replies some 150 ms apart.
    void boardDrainsInRealTime()
    {
        SimBoard board;
        LoopbackClient client;
        for (const auto &[channel, rate] : {std::pair{1, 48000}, {2, 32000}}) {
            BoardCommand::ChannelSetup setup;
            setup.channel = channel;
            setup.sampleRate = rate;
            QByteArray command = BoardCommand::rateCommand(setup);
            BoardCommand::stamp(command, u32(channel));
            client.send(board, command);
        }
        QVector<qint16> samples(512, 100);
        for (int i = 1; i <= 60; ++i) {
            client.send(board, BoardProtocol::pcmData(0, true, samples.constData(), 256));
            client.send(board, BoardProtocol::pcmData(1, true, samples.constData(), 256));
            QVERIFY(board.waitForCount(BoardProtocol::PcmData, 2 * i, 2000));
        }

        QVector<BoardProtocol::StatusEntry> first, second;
        QVERIFY(BoardProtocol::parseChannelStatus(
            client.exchange(board, BoardProtocol::statusRequest(), BoardProtocol::ChannelStatus), &first));
        const double t1 = HiResClock::now();
        QElapsedTimer pause;
        pause.start();
        QVERIFY(board.waitFor([&] { return pause.elapsed() >= 150; }, 2000));
        QVERIFY(BoardProtocol::parseChannelStatus(
            client.exchange(board, BoardProtocol::statusRequest(), BoardProtocol::ChannelStatus), &second));
        const double dt = HiResClock::now() - t1;

        const double rate0 = (first[0].pcmFill - second[0].pcmFill) / dt;
        const double rate1 = (first[1].pcmFill - second[1].pcmFill) / dt;
        QVERIFY2(second[0].pcmFill > 0 && second[1].pcmFill > 0, "buffers ran dry too early");
        QVERIFY2(qAbs(rate0 - 48000) < 48000 * 0.15, qPrintable(QString::number(rate0)));
        QVERIFY2(qAbs(rate1 - 32000) < 32000 * 0.15, qPrintable(QString::number(rate1)));
        QVERIFY(first[2].pcmFill == 0 && board.channel(0).pcmUnderruns() == 0);
    }
};

QTEST_GUILESS_MAIN(TestSimChannel)
#include "tst_simchannel.moc"
