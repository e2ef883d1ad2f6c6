// RDS coding figures: one coded group without and with bit-error injection,
// one parsed group text line and the character-set conversion of a full
// RadioText. One group is due every 87.6 ms per stream and channel.
#include "RDSCharset.h"
#include "RDSCoding.h"
#include "RDSGroupLine.h"

#include <benchmark/benchmark.h>

namespace {

RDSBlocks sample()
{
    RDSBlocks b;
    b.info[0] = 0xD311;
    b.info[1] = 0x2410;
    b.info[2] = 0x4142;
    b.info[3] = 0x4344;
    return b;
}

void codeGroup(benchmark::State &state, RDSErrorSettings settings)
{
    std::minstd_rand gen(1);
    u8 out[13];
    for (auto _ : state) {
        RDSBlocks b = sample();
        addCheckwords(b);
        finishRdsGroup(out, b, settings, gen);
        benchmark::DoNotOptimize(out);
    }
}

void BM_CodeGroupClean(benchmark::State &state) { codeGroup(state, RDSErrorSettings{0, 2, 0}); }
void BM_CodeGroupRandomErrors(benchmark::State &state) { codeGroup(state, RDSErrorSettings{0x80, 10, 0}); }
void BM_CodeGroupExactErrors(benchmark::State &state) { codeGroup(state, RDSErrorSettings{0x80, 50, 0x81}); }

void BM_ParseLine(benchmark::State &state)
{
    std::minstd_rand gen(1);
    const QByteArray line = "12:00:01.250 ABCD 1234 5678 9abc def0";
    u8 out[13];
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRdsGroupLine(out, line, RDSErrorSettings{}, gen));
}

void BM_RadioTextE1(benchmark::State &state)
{
    const QString text = QString::fromUtf8("Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich #0A$");
    for (auto _ : state) {
        QString t = text;
        const QList<int> keep = rdsUnescape(t, 2);
        benchmark::DoNotOptimize(rdsTextBytes(t, keep, false, QByteArray()));
    }
}

} // namespace

BENCHMARK(BM_CodeGroupClean);
BENCHMARK(BM_CodeGroupRandomErrors);
BENCHMARK(BM_CodeGroupExactErrors);
BENCHMARK(BM_ParseLine);
BENCHMARK(BM_RadioTextE1);
BENCHMARK_MAIN();
