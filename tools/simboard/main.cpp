// simboard: one to four simulated modulator boards on loopback, for manual
// runs of the program and for the tests that run it as a board in a process
// of its own. Prints what each board receives: every request and command as
// it comes, PCM and RDS data as a summary once per second.
//
// With --control it reads commands from stdin, one per line, applied to
// every board, and answers each with "ok <command>" (or "error <text>")
// after its own output lines:
//   clear                  counters, logs and captures cleared
//   report                 one stats line per board
//   status                 "status sbN key=value ..." per board
//   underruns              "underruns sbN pcm c0,c1,..,c23 rds c0,..,c23"
//   silent S               no answer to anything for S seconds (0.3: 300 ms)
//   mute S                 replies lost for S seconds; the board hears and acts meanwhile
//   restart S BOX          port closed for S seconds (0.3: 300 ms), then back empty with
//                          box number BOX
//   reboot S               back empty at once, but silent for S seconds with the port
//                          open (no "port unreachable"); same box number
//   lock IP PORT NAME      held by another client (IP dotted; never sent to)
//   unlock                 that client lets go
//   drop-acks N            every Nth acknowledgement dropped (0: none)
//   lose-status N          the next N status requests left unanswered
//   delay MS               each command keeps the board busy MS milliseconds before it is
//                          applied and acknowledged; what comes meanwhile waits in order
//   type TYPE              board type from now on (ZQX4, ZQTX, zQTX), as a board put in
//                          its place
//   ignore TYPE|answer TYPE  datagrams of TYPE (hex) recorded, not answered
//   lock-always on|off     lock handshake answered whatever the firmware
//   malformed              malformed and short datagrams sent to the client

#include "BoardInfo.h"
#include "BoardProtocol.h"
#include "SimBoard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <functional>
#include <QStringList>
#include <QTimer>

#include "HiResClock.h"

#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// A board has a processor of its own: however busy the machine that runs
// the simulation is, the board answers in time. The process takes the
// real-time priority the board links take, where it may; its threads
// inherit it.
void runLikeABoard()
{
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR) + 1;
    sched_setscheduler(0, SCHED_RR, &param);
}

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

// One number per channel, comma-separated.
template <class Counter>
QString counts(SimBoard &board, Counter counter)
{
    QStringList parts;
    for (int i = 0; i < 24; ++i)
        parts << QString::number(std::invoke(counter, board.channel(i)));
    return parts.join(QLatin1Char(','));
}

// Frequency (MHz) and deviation (kHz) channel `index` is set to, as a board
// of its type reads the words (other types than ZQX4 in band 0).
QString tuning(SimBoard &board, int index)
{
    const SimChannel::Config &c = board.channel(index).config;
    const bool zqx4 = board.config().boardType == BoardInfo::typeZQX4;
    const int word = int(c.frequencyWord << 8) >> 8; // 24-bit two's complement
    const double centre = zqx4 ? 80.0 + 8.0 * (c.synth & 3) : (c.synth & 1) ? 103.0 : 93.0;
    const double mhz = centre + word * (zqx4 ? 18.75 : 33.75) / 16777216.0;
    const double khz = c.deviationWord * (zqx4 ? 75000.0 : 33750.0) / 16777216.0;
    return QStringLiteral("freq%1=%2 dev%1=%3").arg(index + 1).arg(mhz, 0, 'f', 3).arg(khz, 0, 'f', 1);
}

QString statusLine(int index, SimBoard &board)
{
    const LockInfo lock = board.lockState();
    const auto n = [&board](int type) { return QString::number(board.received(type)); };
    return QStringLiteral("status sb%1 port=%2 box=%3 carrier=%4 attn=%5 locked=%6 lockip=%7 lockport=%8 "
                          "info=%9 statusreq=%10 lockq=%11 setlock=%12 unlock=%13 cmd=%14 pcm=%15 rds=%16 "
                          "boardcmds=%17 acks=%18 acksdropped=%19 rejected=%20 unknown=%21 whilesilent=%22 "
                          "restarts=%23 chcmds=%24")
        .arg(index + 1).arg(board.port()).arg(board.boardIP().boxNumber()).arg(int(board.carrier()))
        .arg(board.attenuationByte()).arg(int(board.isLocked())).arg(lock.ip).arg(lock.port)
        .arg(n(BoardProtocol::InfoRequest), n(BoardProtocol::StatusRequest), n(BoardProtocol::LockQuery),
             n(BoardProtocol::SetLock), n(BoardProtocol::Unlock), n(BoardProtocol::Command),
             n(BoardProtocol::PcmData), n(BoardProtocol::RdsData))
        .arg(board.boardCommands()).arg(board.acksSent()).arg(board.acksDropped()).arg(board.rejected())
        .arg(board.unknownPackets()).arg(board.receivedWhileSilent()).arg(board.restarts())
        .arg(counts(board, &SimChannel::commands))
        + QStringLiteral(" type=%1 ").arg(QString::fromLatin1(QByteArray::fromHex(
              QByteArray::number(board.config().boardType, 16))))
        + tuning(board, 0) + QStringLiteral(" lagms=%1 ownlagms=%2").arg(board.handlingLagMs())
              .arg(board.ownHandlingLagMs());
}

// One control command for every board; the error text, empty when done.
QString control(const QStringList &words, std::vector<std::unique_ptr<SimBoard>> &sims, double &cleared)
{
    const QString cmd = words.value(0);
    const auto number = [&words](int i, bool *ok) { return words.value(i).toDouble(ok); };
    bool ok = true;
    if (cmd == QLatin1String("clear")) {
        for (auto &sim : sims)
            sim->clearCounters();
        cleared = HiResClock::now();
    } else if (cmd == QLatin1String("report")) {
        for (size_t b = 0; b < sims.size(); ++b)
            print(stats(int(b), *sims[b], HiResClock::now() - cleared));
    } else if (cmd == QLatin1String("status")) {
        for (size_t b = 0; b < sims.size(); ++b)
            print(statusLine(int(b), *sims[b]));
    } else if (cmd == QLatin1String("underruns")) {
        for (size_t b = 0; b < sims.size(); ++b)
            print(QStringLiteral("underruns sb%1 pcm %2 rds %3").arg(b + 1)
                      .arg(counts(*sims[b], &SimChannel::pcmUnderruns), counts(*sims[b], &SimChannel::rdsUnderruns)));
    } else if (cmd == QLatin1String("silent") || cmd == QLatin1String("reboot") || cmd == QLatin1String("mute")) {
        const double sec = number(1, &ok);
        if (!ok || sec < 0)
            return cmd + QStringLiteral(" needs seconds");
        for (auto &sim : sims) {
            if (cmd == QLatin1String("silent"))
                sim->silenceFor(int(sec * 1000));
            else if (cmd == QLatin1String("mute"))
                sim->muteFor(int(sec * 1000));
            else
                sim->reboot(int(sec * 1000));
        }
    } else if (cmd == QLatin1String("restart")) {
        const double sec = number(1, &ok);
        bool boxOk = false;
        const int box = words.value(2).toInt(&boxOk);
        if (!ok || sec < 0 || !boxOk || box < 0 || box > 0xFFFF)
            return QStringLiteral("restart needs seconds and a box number");
        for (auto &sim : sims)
            sim->restart(int(sec * 1000), u16(box));
    } else if (cmd == QLatin1String("lock")) {
        const QHostAddress ip(words.value(1));
        bool portOk = false;
        const int port = words.value(2).toInt(&portOk);
        if (ip.protocol() != QAbstractSocket::IPv4Protocol || !portOk || words.size() < 4)
            return QStringLiteral("lock needs an IPv4 address, a port and a name");
        for (auto &sim : sims)
            sim->lockForeign(ip.toIPv4Address(), u16(port), QByteArray(1, '\x01') + words.value(3).toLocal8Bit());
    } else if (cmd == QLatin1String("unlock")) {
        for (auto &sim : sims)
            sim->clearLock();
    } else if (cmd == QLatin1String("drop-acks")) {
        const int n = words.value(1).toInt(&ok);
        if (!ok || n < 0)
            return QStringLiteral("drop-acks needs a count");
        for (auto &sim : sims)
            sim->setDropEveryNthAck(n);
    } else if (cmd == QLatin1String("lose-status") || cmd == QLatin1String("delay")) {
        const int n = words.value(1).toInt(&ok);
        if (!ok || n < 0)
            return cmd + QStringLiteral(" needs a number");
        for (auto &sim : sims) {
            if (cmd == QLatin1String("delay"))
                sim->setCommandDelay(n);
            else
                sim->loseStatusReplies(n);
        }
    } else if (cmd == QLatin1String("type")) {
        const u32 type = typeFromText(words.value(1), &ok);
        if (!ok)
            return QStringLiteral("type needs four characters");
        for (auto &sim : sims)
            sim->setBoardType(type);
    } else if (cmd == QLatin1String("ignore") || cmd == QLatin1String("answer")) {
        const int type = words.value(1).toInt(&ok, 16);
        if (!ok)
            return QStringLiteral("%1 needs a packet type in hex").arg(cmd);
        for (auto &sim : sims)
            sim->setIgnored(type, cmd == QLatin1String("ignore"));
    } else if (cmd == QLatin1String("lock-always")) {
        for (auto &sim : sims)
            sim->setLockHandshakeAlways(words.value(1) == QLatin1String("on"));
    } else if (cmd == QLatin1String("malformed")) {
        for (size_t b = 0; b < sims.size(); ++b)
            print(QStringLiteral("malformed sb%1 sent %2").arg(b + 1).arg(sims[b]->sendMalformed()));
    } else {
        return QStringLiteral("unknown command %1").arg(cmd);
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    runLikeABoard();
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
    const QCommandLineOption controlOpt("control", "Read commands from stdin (see the source); print no summaries.");
    const QCommandLineOption lateOpt("late", "Keep the ports closed for this many seconds after start.", "s", "0");
    parser.addOptions({boardsOpt, addressOpt, portOpt, typeOpt, firmwareOpt, pcmOpt, rdsOpt, discoveryOpt, quietOpt,
                       controlOpt, lateOpt});
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
        const double late = parser.value(lateOpt).toDouble();
        print(prefix + QStringLiteral("#%1 %2 v%3 %4 %5")
                           .arg(sim->boardIP().boxNumber(), 3, 10, QLatin1Char('0'))
                           .arg(parser.value(typeOpt)).arg(cfg.firmware)
                           .arg(late > 0 ? QStringLiteral("closed, opens later on") : QStringLiteral("listening on"))
                           .arg(sim->boardIP().addressText()));
        QObject::connect(sim.get(), &SimBoard::portOpened,
                         [prefix](u16 port) { print(prefix + QStringLiteral("port open %1").arg(port)); });
        QObject::connect(sim.get(), &SimBoard::silenceEnded,
                         [prefix] { print(prefix + QStringLiteral("answering again")); });
        if (late > 0) {
            // Datagrams to the closed port get "port unreachable".
            sim->closePort();
            SimBoard *raw = sim.get();
            QTimer::singleShot(int(late * 1000), raw, [raw, prefix] {
                if (!raw->openPort())
                    print(prefix + QStringLiteral("cannot open: ") + raw->errorString());
            });
        }
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
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    stdinNotifier.setEnabled(parser.isSet(controlOpt));
    QByteArray input;
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&] {
        char chunk[512];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            app.quit();
            return;
        }
        input.append(chunk, int(n));
        if (input.size() > 4096 && !input.contains('\n'))
            input.clear(); // no line of ours is that long
        int end;
        while ((end = input.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(input.left(end)).trimmed();
            input.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            const QString error = control(line.split(QLatin1Char(' '), Qt::SkipEmptyParts), sims, cleared);
            print(error.isEmpty() ? QStringLiteral("ok ") + line : QStringLiteral("error ") + error);
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
