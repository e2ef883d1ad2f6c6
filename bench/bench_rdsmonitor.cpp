// The RDS page under the monitor load of a full generator: 96 channels, each
// sending 4 streams of 11.4 groups/s, broadcast from four threads (one per
// board, as the board threads do) as "chinfo.N.rdslog.S" records to one RDS
// page that monitors channel 1. Reports the GUI thread's CPU share and the
// delay from broadcast to handling (p50, p99, max).
// Usage: bench_rdsmonitor [--seconds N] (default 60); runs offscreen.
#include "CommandLine.h"
#include "FMSettings.h"
#include "RDSEncoder.h"
#include "SetValue.h"
#include "TabRDS.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int boards = 4;
constexpr int channelsPerBoard = 24;
constexpr int streams = 4;
constexpr double groupsPerSecond = 1187.5 / 104.0; // 11.4 per stream

QElapsedTimer sinceStart;

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The page as the main window builds it, timing each monitor record: the
// record's time field carries the broadcast time in ms since the start.
class TimedPage : public TabRDS
{
public:
    std::vector<qint64> delays;
    void setValueEvent(SetValue *event) override
    {
        TabRDS::setValueEvent(event);
        const QByteArray v = event->value.toByteArray();
        if (v.size() != 17)
            return;
        const quint32 sent = quint32(u8(v[13])) | quint32(u8(v[14])) << 8 | quint32(u8(v[15])) << 16 |
                             quint32(u8(v[16])) << 24;
        delays.push_back(sinceStart.elapsed() - qint64(sent));
    }
};

// One board's channels: encoders paced to the group rate, records broadcast
// like the channel programs do.
void board(FMSettings *project, int first, double seconds, std::atomic<quint64> *sent)
{
    std::vector<std::unique_ptr<RDSEncoder>> encoders;
    for (int ch = first; ch < first + channelsPerBoard; ++ch) {
        encoders.emplace_back(new RDSEncoder(ch));
        encoders.back()->setRDS(project->rds(1), 95.0);
    }
    quint64 done = 0; // group slots done per channel
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000.0) {
        const quint64 due = quint64(clock.elapsed() / 1000.0 * groupsPerSecond);
        for (; done < due; ++done) {
            for (int i = 0; i < channelsPerBoard; ++i) {
                u8 g[streams][13];
                encoders[i]->generate(g[0], g[1], g[2], g[3]);
                const QTime at = QTime::fromMSecsSinceStartOfDay(int(sinceStart.elapsed()));
                for (auto &s : g)
                    project->notifyRdsLog(first + i, 1, 0, 0, at, s);
                *sent += streams;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    CommandLine options(QStringLiteral("bench_rdsmonitor"),
                        QStringLiteral("Usage: bench_rdsmonitor [--seconds N]\n"
                                       "  --seconds N  how long the load runs (default 60)\n"
                                       "  -h, --help   this text\n"));
    options.addValue(QStringLiteral("--seconds"));
    if (options.parseEarly(argc, argv) != CommandLine::Outcome::Run)
        return options.report();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (options.parse(app.arguments()) != CommandLine::Outcome::Run)
        return options.report();
    double seconds = 60;
    if (options.isSet(QStringLiteral("--seconds"))) {
        bool ok = false;
        seconds = options.value(QStringLiteral("--seconds")).toDouble(&ok);
        if (!ok || !(seconds > 0)) {
            std::fprintf(stderr, "bench_rdsmonitor: --seconds takes a positive number, not '%s'\n",
                         qPrintable(options.value(QStringLiteral("--seconds"))));
            return 2;
        }
    }
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(msg));
    });

    QTemporaryDir dir;
    QByteArray content = "[rds.1]\nname=Bench\nps=TROVINA\nafu=1\ngmin\\0=1 300 0 0 0\ngmin\\2=1 300 0 0 0\n"
                         "mode=15\n";
    for (int ch = 1; ch <= boards * channelsPerBoard; ++ch)
        content += QStringLiteral("[channel.%1]\nused=1\nidrds=1\n").arg(ch).toLatin1();
    QFile file(dir.filePath(QStringLiteral("bench.fm")));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return 1;
    file.close();
    QSharedPointer<FMSettings> project(new FMSettings(file.fileName()));

    TimedPage page;
    page.resize(1100, 760);
    page.setSettings(project);
    page.findChild<QComboBox *>(QStringLiteral("stat"))->setCurrentIndex(1);
    page.findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(4);
    page.show();
    app.processEvents();

    std::atomic<quint64> sent{0};
    sinceStart.start();
    const double cpu0 = threadCpuSeconds();
    std::vector<std::thread> threads;
    for (int b = 0; b < boards; ++b)
        threads.emplace_back(board, project.data(), 1 + b * channelsPerBoard, seconds, &sent);
    QTimer::singleShot(int(seconds * 1000) + 200, &app, &QCoreApplication::quit);
    app.exec();
    for (std::thread &t : threads)
        t.join();
    app.processEvents();
    const double cpu = threadCpuSeconds() - cpu0;
    const double wall = sinceStart.elapsed() / 1000.0;

    std::vector<qint64> d = page.delays;
    std::sort(d.begin(), d.end());
    const auto pct = [&d](double p) { return d.empty() ? 0 : d[std::min(d.size() - 1, size_t(p * d.size()))]; };
    std::printf("records sent %llu handled %zu in %.1f s (%.0f/s)\n", (unsigned long long)sent.load(), d.size(),
                wall, d.size() / wall);
    std::printf("GUI thread CPU %.2f s = %.3f of one core\n", cpu, cpu / wall);
    std::printf("delay broadcast -> handled: p50 %lld ms, p99 %lld ms, max %lld ms\n", (long long)pct(0.5),
                (long long)pct(0.99), (long long)(d.empty() ? 0 : d.back()));
    project->unregisterObserver(&page);
    return 0;
}
