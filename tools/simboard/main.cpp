// simboard: one to four simulated modulator boards on loopback, for manual
// runs of the program. Prints what each board receives: every request and
// command as it comes, PCM and RDS data as a summary once per second.

#include "BoardInfo.h"
#include "BoardProtocol.h"
#include "SimBoard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "HiResClock.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

void print(const QString &line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

u32 typeFromText(const QString &text, bool *ok)
{
    const QByteArray t = text.toLatin1();
    *ok = t.size() == 4;
    if (!*ok)
        return 0;
    return (u32(u8(t[0])) << 24) | (u32(u8(t[1])) << 16) | (u32(u8(t[2])) << 8) | u8(t[3]);
}

// Per-channel totals of the data a board got since the last summary.
struct DataTally
{
    qint64 frames[24] = {};
    qint64 groups[24] = {};
};

QString summary(SimBoard &board, DataTally &last)
{
    QStringList parts;
    for (int i = 0; i < 24; ++i) {
        const SimChannel &c = board.channel(i);
        const qint64 frames = c.pcmFrames - last.frames[i];
        const qint64 groups = c.groups[0] - last.groups[i];
        last.frames[i] = c.pcmFrames;
        last.groups[i] = c.groups[0];
        if (frames || groups)
            parts << QStringLiteral("%1:%2f/%3g fill %4/%5").arg(i).arg(frames).arg(groups)
                         .arg(int(c.pcmFill())).arg(int(c.rdsFill()));
    }
    return parts.join(QStringLiteral("  "));
}

// One line per board for the benchmark: seconds since the counters were
// cleared, underruns and overflows, and per stream the least and most RDS
// groups per second of a channel that got any.
QString stats(int index, SimBoard &board, double seconds)
{
    int pcmUnder = 0, rdsUnder = 0, pcmOver = 0, rdsOver = 0;
    QStringList streams;
    double lo[4] = {1e9, 1e9, 1e9, 1e9}, hi[4] = {};
    for (int i = 0; i < 24; ++i) {
        const SimChannel &c = board.channel(i);
        pcmUnder += c.pcmUnderruns();
        rdsUnder += c.rdsUnderruns();
        pcmOver += c.pcmOverflows();
        rdsOver += c.rdsOverflows();
        for (int s = 0; s < 4; ++s) {
            if (c.groups[s] == 0)
                continue;
            lo[s] = qMin(lo[s], c.groups[s] / seconds);
            hi[s] = qMax(hi[s], c.groups[s] / seconds);
        }
    }
    for (int s = 0; s < 4; ++s)
        streams << (hi[s] > 0 ? QStringLiteral("%1..%2").arg(lo[s], 0, 'f', 3).arg(hi[s], 0, 'f', 3) : "-");
    return QStringLiteral("stats sb%1 seconds %2 underruns pcm %3 rds %4 overflows pcm %5 rds %6 groups/s %7")
        .arg(index + 1).arg(seconds, 0, 'f', 1).arg(pcmUnder).arg(rdsUnder).arg(pcmOver).arg(rdsOver)
        .arg(streams.join(' '));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("simboard"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated modulator boards on loopback."));
    parser.addHelpOption();
    const QCommandLineOption boardsOpt("boards", "Number of boards, 1 to 4.", "n", "1");
    const QCommandLineOption addressOpt("address", "Loopback address of the boards.", "ip", "127.0.0.1");
    const QCommandLineOption portOpt("port", "Port of the first board, the others follow; 0 picks free ports.", "port", "21520");
    const QCommandLineOption typeOpt("type", "Board type: ZQX4, ZQTX, zQTX or any four characters.", "type", "ZQTX");
    const QCommandLineOption firmwareOpt("firmware", "Firmware version (24, 25, 29, ...).", "v", "29");
    const QCommandLineOption pcmOpt("pcm", "PCM buffer size in frames.", "frames", "16384");
    const QCommandLineOption rdsOpt("rds", "RDS buffer size in 16-bit words.", "words", "512");
    const QCommandLineOption discoveryOpt("discovery", "Answer discovery on this port at 127.255.255.255 (0: off).", "port", "0");
    const QCommandLineOption quietOpt("quiet", "Print no status requests and lock queries.");
    const QCommandLineOption controlOpt("control", "Read \"clear\" (counters) and \"report\" (one stats line per board) from stdin; print no summaries.");
    parser.addOptions({boardsOpt, addressOpt, portOpt, typeOpt, firmwareOpt, pcmOpt, rdsOpt, discoveryOpt, quietOpt, controlOpt});
    parser.process(app);

    const int boards = parser.value(boardsOpt).toInt();
    bool typeOk = false;
    const u32 type = typeFromText(parser.value(typeOpt), &typeOk);
    if (boards < 1 || boards > 4 || !typeOk) {
        print(QStringLiteral("simboard: need 1 to 4 boards and a four-character type"));
        return 2;
    }
    const QHostAddress address(parser.value(addressOpt));
    if (!SimBoard::isLoopback(address)) {
        print(QStringLiteral("simboard: %1 is no loopback address").arg(parser.value(addressOpt)));
        return 2;
    }
    const int firstPort = parser.value(portOpt).toInt();
    const int discoveryPort = parser.value(discoveryOpt).toInt();
    const bool quiet = parser.isSet(quietOpt);

    std::vector<std::unique_ptr<SimBoard>> sims;
    std::vector<DataTally> tallies(static_cast<size_t>(boards));
    for (int b = 0; b < boards; ++b) {
        SimBoardConfig cfg;
        cfg.boardType = type;
        cfg.firmware = parser.value(firmwareOpt).toUInt();
        cfg.pcmBufferSize = parser.value(pcmOpt).toUInt();
        cfg.rdsBufferSize = parser.value(rdsOpt).toUInt();
        cfg.mac[5] = u8(b + 1);
        cfg.address = address;
        cfg.port = u16(firstPort > 0 ? firstPort + b : 0);
        auto sim = std::make_unique<SimBoard>(cfg);
        if (!sim->isListening()) {
            print(QStringLiteral("simboard: board %1: %2").arg(b + 1).arg(sim->errorString()));
            return 1;
        }
        if (discoveryPort > 0 && !sim->enableDiscovery(u16(discoveryPort)))
            print(QStringLiteral("simboard: board %1: discovery: %2").arg(b + 1).arg(sim->errorString()));
        const QString prefix = QStringLiteral("sb%1 ").arg(b + 1);
        print(prefix + QStringLiteral("#%1 %2 v%3 listening on %4")
                           .arg(sim->boardIP().boxNumber(), 3, 10, QLatin1Char('0'))
                           .arg(parser.value(typeOpt)).arg(cfg.firmware).arg(sim->boardIP().addressText()));
        QObject::connect(sim.get(), &SimBoard::datagramHandled,
                         [prefix, quiet](int t, const QByteArray &d, const QString &note) {
                             const bool data = t == BoardProtocol::PcmData || t == BoardProtocol::RdsData;
                             const bool routine = t == BoardProtocol::StatusRequest || t == BoardProtocol::LockQuery;
                             if ((data || (quiet && routine)) && note.isEmpty())
                                 return;
                             print(prefix + SimBoard::describe(d) + (note.isEmpty() ? QString() : " -> " + note));
                         });
        QObject::connect(sim.get(), &SimBoard::discoveryHandled,
                         [prefix](int t, const QByteArray &d, const QString &note) {
                             if (t == BoardProtocol::DiscoverRequest || t == BoardProtocol::NetConfig)
                                 print(prefix + QStringLiteral("discovery %1 ").arg(t, 4, 16, QLatin1Char('0'))
                                       + BoardProtocol::hexText(d) + (note.isEmpty() ? QString() : " -> " + note));
                         });
        sims.push_back(std::move(sim));
    }

    double cleared = HiResClock::now();
    QSocketNotifier control(STDIN_FILENO, QSocketNotifier::Read);
    control.setEnabled(parser.isSet(controlOpt));
    QObject::connect(&control, &QSocketNotifier::activated, [&] {
        char line[64] = {};
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            app.quit();
            return;
        }
        if (QByteArray(line).startsWith("clear")) {
            for (auto &sim : sims)
                sim->clearCounters();
            cleared = HiResClock::now();
        } else if (QByteArray(line).startsWith("report")) {
            for (size_t b = 0; b < sims.size(); ++b)
                print(stats(int(b), *sims[b], HiResClock::now() - cleared));
        }
    });
    if (parser.isSet(controlOpt))
        return app.exec();

    QTimer summaries;
    QObject::connect(&summaries, &QTimer::timeout, [&] {
        for (size_t b = 0; b < sims.size(); ++b) {
            const QString s = summary(*sims[b], tallies[b]);
            if (!s.isEmpty())
                print(QStringLiteral("sb%1 data %2").arg(b + 1).arg(s));
        }
    });
    summaries.start(1000);
    return app.exec();
}
