// Key store figures: stored changes and broadcasts per second with ten
// observers told of each, and the time to open a full-size project.
#include "FMSettings.h"
#include "Observer.h"
#include "SetHandler.h"
#include "SetValue.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

std::atomic<long> delivered{0};

class CountingObserver : public QObject, public Observer
{
public:
    CountingObserver() { installEventFilter(new SetHandler(this)); }
    void setValueEvent(SetValue *) override { delivered.fetch_add(1, std::memory_order_relaxed); }
};

// Ten observers living in one worker thread with its own event loop,
// registered under the given keys (one observer per key).
class ObserverThread
{
public:
    ObserverThread(Settings &s, const QStringList &keys) : settings(s)
    {
        for (const QString &k : keys) {
            auto *o = new CountingObserver;
            o->moveToThread(&thread);
            settings.registerKey(k, o);
            observers.push_back(o);
        }
        thread.start();
    }
    ~ObserverThread()
    {
        for (CountingObserver *o : observers) {
            settings.unregisterObserver(o);
            o->deleteLater();
        }
        thread.quit();
        thread.wait();
    }
    // Lets the observers catch up, so the event queue stays bounded and the
    // figures include delivery.
    static void drain(long expected)
    {
        while (delivered.load(std::memory_order_relaxed) < expected)
            QThread::yieldCurrentThread();
    }

private:
    Settings &settings;
    QThread thread;
    std::vector<CountingObserver *> observers;
};

QString tempFile(QTemporaryDir &dir, const QString &name)
{
    return dir.filePath(name);
}

void BM_StoredChange(benchmark::State &state)
{
    QTemporaryDir dir;
    Settings s(tempFile(dir, "store.fm"));
    // Every store of "channel.1/gain" tells all ten.
    ObserverThread observers(s, {"*", "channel.1/gain", "channel.1", "channel", "*", "channel.1", "channel",
                                 "channel.1/gain", "*", "channel"});
    delivered = 0;
    long i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.setValue(QStringLiteral("channel.1.gain"), qlonglong(++i), true));
        if ((i & 1023) == 0)
            ObserverThread::drain(i * 10);
    }
    ObserverThread::drain(i * 10);
    state.SetItemsProcessed(state.iterations());
    state.counters["events"] = benchmark::Counter(double(delivered), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StoredChange)->UseRealTime();

void BM_Broadcast(benchmark::State &state)
{
    QTemporaryDir dir;
    Settings s(tempFile(dir, "broadcast.fm"));
    // Every broadcast of "chinfo.3.playpos" tells all ten.
    ObserverThread observers(s, {"*", "chinfo.*", "chinfo.3", "chinfo", "chinfo.*/playpos", "chinfo.3/playpos",
                                 "*", "chinfo.*", "chinfo.3", "chinfo"});
    delivered = 0;
    long i = 0;
    for (auto _ : state) {
        s.notify(QStringLiteral("chinfo.3.playpos"), qlonglong(++i));
        if ((i & 1023) == 0)
            ObserverThread::drain(i * 10);
    }
    ObserverThread::drain(i * 10);
    state.SetItemsProcessed(state.iterations());
    state.counters["events"] = benchmark::Counter(double(delivered), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Broadcast)->UseRealTime();

// A full-size project: 96 channels, 32 RDS sources, 8 TMC sources with
// 100 messages each.
QByteArray bigProject()
{
    QByteArray ini = "[board]\nband=0\nattn=0\ngmin=1\n";
    for (int ch = 1; ch <= 96; ++ch) {
        ini += QStringLiteral("[channel.%1]\nused=1\nmute=0\nmono=0\nfreq=%2\ngain=-3\nvolm=40\ndevi=75\n"
                              "emph=1\nrate=44100\nauto=0\naof=0\natt=dBm\nidaudio=%3\nidrds=%4\n")
                   .arg(ch)
                   .arg(87.5 + ch * 0.2, 0, 'f', 3)
                   .arg(ch % 16 + 1)
                   .arg(ch % 32 + 1)
                   .toLatin1();
    }
    for (int id = 1; id <= 32; ++id) {
        ini += QStringLiteral("[rds.%1]\nused=1\nname=RDS-%1\nps=RDS-%1\nlps=RDS-%1\npi=d3%2\npty=10\ntp=1\n"
                              "ta=0\nms=1\ndec=1\nrta=Radio text A of source %1\nrtb=Radio text B\n"
                              "rtc=Text C\nrtd=Text D\nafu=3\naf=958 1012 1045\nafs=961 1003\nrtxt=3\n"
                              "zone=2\nmins=0\nerr=0\nber=0\nmode=1\ntmcsi=%3\n")
                   .arg(id)
                   .arg(id, 2, 16, QLatin1Char('0'))
                   .arg(id % 8 + 1)
                   .toLatin1();
        for (int g = 0; g < 32; ++g)
            ini += QStringLiteral("gmin\\%1=%2 1 0 0 0\n").arg(g).arg(g % 4 ? 0 : 60).toLatin1();
        for (int e = 0; e < 4; ++e) {
            ini += QStringLiteral("eon\\%1=%2 d4%1 10 1 0 0\neon\\%1\\ps=EON-%1\neon\\%1\\af=958 1012\n")
                       .arg(e)
                       .arg(e + 1)
                       .toLatin1();
        }
    }
    for (int id = 1; id <= 8; ++id) {
        ini += QStringLiteral("[tmc.%1]\nused=1\nname=TMC-%1\nflag=1\nrate=10\nspn=SPN-%1\naid=52550\n"
                              "va0=0\nva1=0\nva2=0\nva3=0\nltn=1\nsid=1\nltcc=d\nltecc=e0\nrpt=3\nenc=0\n")
                   .arg(id)
                   .toLatin1();
        for (int m = 0; m < 100; ++m)
            ini += QStringLiteral("%1=15 1 %2 %3 1 0\n").arg(m).arg(101 + m).arg(12000 + m).toLatin1();
    }
    return ini;
}

class OpenedProject : public FMSettings
{
public:
    using FMSettings::FMSettings;
    // Reads every key of every group, as the loaders do.
    int readAll()
    {
        int keys = 0;
        for (const QString &group : topGroups())
            keys += readGroup(group).size();
        return keys;
    }
};

// The full-size project as a file in dir; empty (the error told) when it
// cannot be written.
QString bigProjectFile(QTemporaryDir &dir, benchmark::State &state)
{
    const QString path = tempFile(dir, "big.fm");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bigProject()) < 0) {
        state.SkipWithError("cannot write the project");
        return QString();
    }
    return path;
}

void BM_OpenProject(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = bigProjectFile(dir, state);
    if (path.isEmpty())
        return;
    int keys = 0;
    for (auto _ : state) {
        OpenedProject project(path);
        keys = project.readAll();
        benchmark::DoNotOptimize(keys);
    }
    state.counters["keys"] = keys;
}
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond)->UseRealTime();

// One stored change of a full-size project written out: the text made from
// the keys, merged onto the file (read again when another writer changed
// it, state.range(0) == 1), written beside it, flushed and put in place.
void BM_WriteChange(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = bigProjectFile(dir, state);
    if (path.isEmpty())
        return;
    Settings project(path);
    int n = 0;
    for (auto _ : state) {
        if (state.range(0)) {
            state.PauseTiming();
            QFile f(path);
            if (!f.open(QIODevice::Append) || f.write(QStringLiteral("[other.%1]\nkey=1\n").arg(n).toLatin1()) < 0)
                state.SkipWithError("cannot write the project");
            f.close();
            state.ResumeTiming();
        }
        project.setValue(QStringLiteral("rds.1.ps"), QStringLiteral("PS%1").arg(++n), false);
        if (!project.sync())
            state.SkipWithError("cannot write the project");
    }
}
BENCHMARK(BM_WriteChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
