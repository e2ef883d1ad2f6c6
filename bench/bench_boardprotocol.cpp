// Board codec figures for one pump tick's worth of work: a full PCM datagram
// (the pump may send up to nine per millisecond), a four-stream RDS datagram,
// a full channel configuration and the parse of a channel status (every 200 ms).
#include "BoardCommand.h"
#include "BoardProtocol.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_PcmDatagram(benchmark::State &state)
{
    std::vector<qint16> samples(512);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qint16(i * 97);
    for (auto _ : state) {
        QByteArray d = BoardProtocol::pcmData(3, true, samples.data(), 256);
        benchmark::DoNotOptimize(d.data());
    }
}

void BM_RdsFourStreams(benchmark::State &state)
{
    u8 buf[4][260] = {};
    const u8 *const streams[4] = {buf[0], buf[1], buf[2], buf[3]};
    for (auto _ : state) {
        QByteArray d = BoardProtocol::rdsData(3, streams, 156, true);
        benchmark::DoNotOptimize(d.data());
    }
}

void BM_FullChannelConfig(benchmark::State &state)
{
    BoardCommand::ChannelSetup c;
    c.channel = 7;
    c.used = true;
    c.frequency = 95.8;
    const BoardWords::SynthPlan plan = BoardWords::synthPlan(0);
    for (auto _ : state) {
        QByteArray d = BoardCommand::fullChannelConfig(c, BoardInfo::typeZQTX, plan);
        BoardCommand::stamp(d, BoardCommand::nextCounter());
        benchmark::DoNotOptimize(d.data());
    }
}

void BM_ParseChannelStatus(benchmark::State &state)
{
    const QByteArray status = BoardProtocol::channelStatus(QVector<BoardProtocol::StatusEntry>(24));
    QVector<BoardProtocol::StatusEntry> entries;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BoardProtocol::parseChannelStatus(status, &entries));
    }
}

} // namespace

BENCHMARK(BM_PcmDatagram);
BENCHMARK(BM_RdsFourStreams);
BENCHMARK(BM_FullChannelConfig);
BENCHMARK(BM_ParseChannelStatus);
BENCHMARK_MAIN();
