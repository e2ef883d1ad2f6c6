// linkload: the whole engine under load. Four simulated boards run in a
// separate simboard process on loopback; four board links stream 96
// channels to them: (a) tones, or (b) with --mp3 MP3 files made here with
// lame, with full RDS sources (PS, long PS, RadioText with RT+ and eRT, AF,
// EON, CT, PTYN, ODA, TMC) on all four streams.
//
// Prints program CPU per second of air time, resident memory, the pump
// interval (p50/p99/max) and missed ticks of every board thread, and what
// the simulated boards counted: underruns and RDS groups per second per
// stream (least..most over the channels). Release build; not a test.
// With --flood, 24 clients send RDS group lines to the data ports of the
// first board's channels as fast as TCP takes them and read the replies.
//
// Usage: linkload [--mp3] [--flood] [--seconds N] (default 600; --short: 30)
//                 [--udp direct|sendmmsg|gso] (default: what the kernel takes)
//        linkload --idle | --unreachable [--seconds N]: the program's cost
//                 with four links and no board, or four boards that do not
//                 answer (loopback ports nobody listens on).
//        linkload --help: the usage; anything else is refused (exit 1).

#include "DatagramBatch.h"
#include "FMBoard.h"
#include "FMSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void rate(RDSSource &s, int g, int r0, int r1, int r2, int r3)
{
    s.gmin[g].on = 1;
    s.gmin[g].rate[0] = r0;
    s.gmin[g].rate[1] = r1;
    s.gmin[g].rate[2] = r2;
    s.gmin[g].rate[3] = r3;
}

RDSSource fullSource(int n)
{
    RDSSource s;
    s.ps = QStringLiteral("TROV%1").arg(n, 4, 10, QLatin1Char('0'));
    s.pi = u16(0xD000 + n);
    s.lps = QStringLiteral("Trovina long programme service name %1").arg(n);
    s.rta = "Now: $0 by $1 on $2 more text to fill the 64 characters here";
    s.rtb = "Second text with $3 and $4";
    s.rtc = QString(100, QLatin1Char('e')) + " $5";
    s.rtd = "eRT D $6";
    s.enc = "UTF-8";
    s.pn1 = "ROCKMUSI";
    s.pn2 = "POP";
    s.afu = 0x07;
    for (int f = 0; f < 12; ++f) {
        RDSAFEntry e;
        e.freq = 880 + f * 13;
        s.afs << e;
    }
    for (int i = 0; i < 8; ++i) {
        EON e;
        e.pi = u16(0x5000 + i);
        e.ps = QStringLiteral("EON%1").arg(i);
        for (int f = 0; f < 4; ++f) {
            RDSAFEntry a;
            a.freq = 900 + i + f * 7;
            e.af << a;
        }
        s.eon << e;
    }
    for (int i = 0; i < 4; ++i) {
        RTag t;
        t.type = i + 1;
        t.text = QStringLiteral("tag%1").arg(i);
        s.rttag << t;
    }
    s.rtitm = 11;
    s.rtxg = 2;
    s.rtgrp = 11;
    s.ertg = 12;
    s.tmcsi = 1;
    s.mode = 0x0F;
    const int types[] = {0, 1, 2, 3, 8, 10, 11, 12, 14, 15};
    for (int t : types)
        rate(s, t, 30, 20, 10, 5);
    rate(s, 4, 1, 0, 0, 0);
    return s;
}

TMCSource fullTmc()
{
    TMCSource t;
    t.used = true;
    t.spn = "VERKEHR";
    for (int i = 0; i < 20; ++i) {
        TMCMessage m;
        m.duration = u8(i % 8);
        m.event = u16(100 + i);
        m.location = u16(1000 + i);
        m.send = 1;
        t.messages << m;
    }
    return t;
}

// A 16-bit stereo WAV of a tone, for lame.
bool writeToneWav(const QString &path, int seconds, int hz)
{
    const int frames = seconds * 44100;
    QByteArray d;
    auto put = [&](quint32 v, int n) { d.append(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), n); };
    d += "RIFF", put(36 + frames * 4, 4), d += "WAVEfmt ", put(16, 4), put(1, 2), put(2, 2);
    put(44100, 4), put(44100 * 4, 4), put(4, 2), put(16, 2), d += "data", put(frames * 4, 4);
    for (int i = 0; i < frames; ++i) {
        const quint32 v = quint16(qint16(8000 * std::sin(2 * M_PI * hz * i / 44100.0)));
        put(v, 2), put(v, 2);
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(d) == d.size();
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long residentKiB()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// UDP RcvbufErrors and SndbufErrors of this network namespace.
QPair<qint64, qint64> udpBufferErrors()
{
    QFile f("/proc/net/snmp");
    if (!f.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("Udp:") || !lines[i + 1].startsWith("Udp:"))
            continue;
        const QList<QByteArray> names = lines[i].simplified().split(' ');
        const QList<QByteArray> values = lines[i + 1].simplified().split(' ');
        return {values.value(names.indexOf("RcvbufErrors")).toLongLong(),
                values.value(names.indexOf("SndbufErrors")).toLongLong()};
    }
    return {-1, -1};
}

// Clients on loopback ports first..first+count-1 that send RDS group lines
// as fast as TCP takes them and read and drop the replies, in one thread.
class Flooders
{
public:
    Flooders(int first, int count) : m_thread([this, first, count] { run(first, count); }) {}
    ~Flooders()
    {
        m_stop = true;
        m_thread.join();
    }
    double sentMB() const { return m_sent / 1e6; }
    int connected() const { return m_connected; }

private:
    void run(int first, int count)
    {
        std::vector<pollfd> fds;
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(u16(first + i));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
                if (fd >= 0)
                    ::close(fd);
                continue;
            }
            fcntl(fd, F_SETFL, O_NONBLOCK);
            fds.push_back({fd, POLLIN | POLLOUT, 0});
        }
        m_connected = int(fds.size());
        QByteArray chunk;
        for (int i = 0; i < 400; ++i)
            chunk += "F00D 0000 0000 " + QByteArray::number(i + 0x1000, 16) + '\n';
        char sink[65536];
        while (!m_stop) {
            if (::poll(fds.data(), fds.size(), 10) <= 0)
                continue;
            for (pollfd &p : fds) {
                if (p.revents & POLLIN)
                    while (::recv(p.fd, sink, sizeof sink, 0) > 0) {
                    }
                if (p.revents & POLLOUT) {
                    const ssize_t n = ::send(p.fd, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL);
                    if (n > 0)
                        m_sent += n;
                }
            }
        }
        for (const pollfd &p : fds)
            ::close(p.fd);
    }

    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::atomic<int> m_connected{0};
    std::thread m_thread;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

[[noreturn]] void refuse(const QString &what)
{
    std::fprintf(stderr, "linkload: %s (see --help)\n", qPrintable(what));
    std::exit(1);
}

struct Options
{
    bool mp3 = false, flood = false, idle = false, unreachable = false;
    int seconds = 600;
};

// The command line: --help prints the usage and ends the program, as does an
// unknown option or value, with an error, before anything runs.
Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The whole engine under load: four board links stream 96 channels to four simulated "
                       "boards for 10 minutes and print what it cost."));
    parser.addHelpOption();
    const QCommandLineOption mp3("mp3", "Play MP3 files (made with lame) instead of tones.");
    const QCommandLineOption flood("flood",
                                   "24 clients send RDS group lines to the first board's data ports.");
    const QCommandLineOption shortRun("short", "Run for 30 s.");
    const QCommandLineOption seconds("seconds", "Run for N seconds (default 600).", "N");
    const QCommandLineOption udp("udp",
                                 "Send datagrams one by one (direct), in batches (sendmmsg) or as segments "
                                 "(gso); default: what the kernel takes.",
                                 "mode");
    const QCommandLineOption idle("idle", "Four links and no board: the program's own cost.");
    const QCommandLineOption unreachable("unreachable",
                                         "Four boards that do not answer (loopback ports nobody "
                                         "listens on).");
    parser.addOptions({mp3, flood, shortRun, seconds, udp, idle, unreachable});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        refuse(QStringLiteral("unknown argument '%1'").arg(parser.positionalArguments().first()));

    Options o;
    o.mp3 = parser.isSet(mp3);
    o.flood = parser.isSet(flood);
    o.idle = parser.isSet(idle);
    o.unreachable = parser.isSet(unreachable);
    o.seconds = parser.isSet(shortRun) ? 30 : 600;
    if (parser.isSet(seconds)) {
        bool ok = false;
        o.seconds = parser.value(seconds).toInt(&ok);
        if (!ok || o.seconds < 1)
            refuse(QStringLiteral("--seconds takes a whole number of seconds, not '%1'")
                       .arg(parser.value(seconds)));
    }
    if (parser.isSet(udp)) {
        const QString mode = parser.value(udp);
        if (mode == QLatin1String("direct"))
            DatagramBatch::setMode(DatagramBatch::Mode::Direct);
        else if (mode == QLatin1String("sendmmsg"))
            DatagramBatch::setMode(DatagramBatch::Mode::Batched);
        else if (mode == QLatin1String("gso"))
            DatagramBatch::setMode(DatagramBatch::Mode::Segmented);
        else
            refuse(QStringLiteral("--udp takes direct, sendmmsg or gso, not '%1'").arg(mode));
    }
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app);
    const bool mp3 = options.mp3, flood = options.flood;
    const bool idle = options.idle, unreachable = options.unreachable;
    const int seconds = options.seconds;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    QTemporaryDir dir;
    QByteArray project = "[board]\nband=0\nattn=0\n";
    if (mp3) {
        for (int k = 1; k <= 8; ++k) {
            const QString wav = dir.filePath(QStringLiteral("t%1.wav").arg(k));
            const QString out = dir.filePath(QStringLiteral("t%1.mp3").arg(k));
            if (!writeToneWav(wav, 20, 300 + 100 * k)
                || QProcess::execute("lame", {"--quiet", "-b", "192", "--tt", QStringLiteral("Title %1").arg(k),
                                              "--ta", "Artist", "--tl", "Album", wav, out}) != 0) {
                std::fprintf(stderr, "linkload: lame failed\n");
                return 1;
            }
            project += QStringLiteral("[audio.%1]\ntype=2\nfile=%2\n").arg(k).arg(out).toUtf8();
        }
    } else {
        project += "[audio.1]\ntype=0\nfrq1=1000\nfrq2=1500\nvol1=50\nvol2=50\n";
    }
    for (int ch = 1; ch <= 96; ++ch)
        project += QStringLiteral("[channel.%1]\nused=1\nidaudio=%2\nidrds=%3\nfreq=%4\n")
                       .arg(ch).arg(mp3 ? (ch - 1) % 8 + 1 : 1).arg(mp3 ? ch : 0)
                       .arg(87.6 + (ch - 1) % 24 * 0.8, 0, 'f', 1).toUtf8();
    const QString path = dir.filePath("load.fm");
    QFile pf(path);
    if (!pf.open(QIODevice::WriteOnly) || pf.write(project) != project.size())
        return 1;
    pf.close();
    QSharedPointer<FMSettings> settings(new FMSettings(path));
    if (mp3) {
        settings->setTmc(1, fullTmc());
        for (int ch = 1; ch <= 96; ++ch)
            settings->setRds(ch, fullSource(ch));
    }

    if (idle || unreachable) {
        std::vector<std::unique_ptr<FMBoard>> links;
        for (int b = 0; b < 4; ++b) {
            links.emplace_back(new FMBoard(u8(b), 0, 52));
            links.back()->setSettings(settings);
            if (unreachable) {
                BoardIP ip;
                ip.ip = 0x7F000001;
                ip.port = u16(29000 + int(QCoreApplication::applicationPid() % 500) * 2 + b);
                links.back()->connectTo(ip);
            }
        }
        wait(2000);
        const double cpu0 = cpuSeconds();
        QElapsedTimer t;
        t.start();
        wait(seconds * 1000);
        std::printf("linkload %s, 96 channels on 4 links, %.0f s\n", idle ? "idle, no board" : "idle, 4 unreachable boards",
                    t.elapsed() / 1000.0);
        std::printf("cpu %.4f s per s\n", (cpuSeconds() - cpu0) / (t.elapsed() / 1000.0));
        for (auto &b : links) {
            b->quit();
            b->wait();
        }
        return 0;
    }

    const int port = 24000 + int(QCoreApplication::applicationPid() % 1000) * 4;
    QProcess sim;
    sim.setProgram(QStringLiteral(TROVINA_SIMBOARD));
    sim.setArguments({"--boards", "4", "--port", QString::number(port), "--control", "--quiet"});
    sim.start();
    if (!sim.waitForStarted(5000)) {
        std::fprintf(stderr, "linkload: simboard did not start\n");
        return 1;
    }
    wait(500);

    // RDS data ports (with --flood only): channel N on rdsBase + N - 1.
    const int rdsBase = flood ? 30000 + int(QCoreApplication::applicationPid() % 300) * 100 : 0;
    std::vector<std::unique_ptr<FMBoard>> boards;
    for (int b = 0; b < 4; ++b) {
        boards.emplace_back(new FMBoard(u8(b), u16(rdsBase), 52));
        boards.back()->setSettings(settings);
        BoardIP ip;
        ip.ip = 0x7F000001;
        ip.port = u16(port + b);
        ip.mac[5] = u8(b + 1);
        boards.back()->connectTo(ip);
    }
    // Settle: connect, configure, fill the buffers.
    wait(6000);
    const long idleKiB = residentKiB();
    std::unique_ptr<Flooders> flooders;
    if (flood) {
        flooders.reset(new Flooders(rdsBase, 24));
        wait(2000);
    }
    sim.write("clear\n");
    for (auto &b : boards)
        b->takePumpStats();
    const QPair<qint64, qint64> udp0 = udpBufferErrors();
    const double cpu0 = cpuSeconds();
    QElapsedTimer air;
    air.start();
    wait(seconds * 1000);
    const double airSeconds = air.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    sim.write("report\n");
    wait(500);
    const QList<QByteArray> lines = sim.readAllStandardOutput().split('\n');

    std::printf("linkload %s, 96 channels on 4 boards, %.0f s of air time\n", mp3 ? "mp3 + full RDS" : "tones",
                airSeconds);
    std::printf("cpu %.3f s per s of air time, resident %ld KiB (%ld KiB before any client)\n", cpu / airSeconds,
                residentKiB(), idleKiB);
    const QPair<qint64, qint64> udp1 = udpBufferErrors();
    std::printf("udp %s, receive buffer errors %lld, send buffer errors %lld\n",
                DatagramBatch::modeName(DatagramBatch::mode()), static_cast<long long>(udp1.first - udp0.first),
                static_cast<long long>(udp1.second - udp0.second));
    if (flooders)
        std::printf("flood: %d clients on board 1, %.1f MB sent\n", flooders->connected(), flooders->sentMB());
    flooders.reset();
    for (size_t b = 0; b < boards.size(); ++b) {
        const FMBoard::PumpStats st = boards[b]->takePumpStats();
        std::printf("mo%zu pump ticks %llu p50 %.2f ms p99 %.2f ms max %.2f ms missed %llu\n", b,
                    static_cast<unsigned long long>(st.ticks), st.p50Ms, st.p99Ms, st.maxMs,
                    static_cast<unsigned long long>(st.missed));
    }
    for (const QByteArray &l : lines)
        if (l.startsWith("stats"))
            std::printf("%s\n", l.constData());
    for (auto &b : boards) {
        b->quit();
        b->wait();
    }
    boards.clear();
    sim.closeWriteChannel();
    if (!sim.waitForFinished(3000))
        sim.kill();
    return 0;
}
