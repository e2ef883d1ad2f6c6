#include "FMSettings.h"
#include "Pace.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

using testsupport::Pace;
using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

QByteArray lockProject()
{
    QByteArray ini = "[board]\ngmin=1\nband=0\nattn=0\n";
    for (int ch = 1; ch <= 24; ++ch)
        ini += QStringLiteral("[channel.%1]\nused=1\nfreq=%2\nidrds=%3\n")
                   .arg(ch)
                   .arg(87.6 + ch * 0.4, 0, 'f', 3)
                   .arg(1 + ch % 2)
                   .toLatin1();
    ini += "[rds.1]\nname=A\nps=A\nrta=A\neon\\0=3 10 1 0 1234 0\n";
    ini += "[rds.2]\nname=B\nps=B\nrta=B\n";
    ini += "[tmc.1]\nname=T\n0=1 0 0 1 1\n";
    ini += "[audio.1]\ntype=0\nfrq1=1\nfrq2=1\nvol1=1\nvol2=1\ntime=1\n";
    ini += "[playlist.1]\n0=/gen/0\n";
    return ini;
}

// A board thread: reads every record and writes status, as the channel programs do, until stop, at the
// writers' pace. Counts records that are not whole (half old and half new) or hold values no writer ever
// stored.
void boardThread(FMSettings &p, const std::atomic<bool> &stop, Pace &pace, int board, std::atomic<int> &torn,
                 std::atomic<int> &passes)
{
    int n = 0;
    long taken = 0;
    const auto allSame = [&torn](const auto &list) {
        for (const auto &x : list) {
            if (!(x == list.first()))
                ++torn;
        }
    };
    while (!stop.load()) {
        pace.wait(taken);
        const RDSSource r = p.rds(1);
        if (r.ps != r.rta)
            ++torn;
        p.rdsMap();
        p.rdsNames();
        const TMCSource t = p.tmc(1);
        QList<u16> events;
        for (const TMCMessage &m : t.messages)
            events.append(m.event);
        allSame(events);
        p.tmcMap();
        p.tmcNames();
        allSame(p.playlistFiles(1));
        const AudioSource a = p.audio(1);
        allSame(QList<u16>{a.frq1, a.frq2, a.vol1, a.vol2, a.time});
        p.audioMap();
        p.audioNames();
        if (p.band() < 0 || p.band() > 2 || p.attn() < -31 || p.attn() > 0)
            ++torn;
        const int ch = 1 + (n + board * 7) % 24;
        const ChannelRecord c = p.channelInfo(ch);
        if (c.ch != ch || c.freq < 87.0 || c.freq > 108.0 || (c.devi != 75 && c.devi != 50))
            ++torn;
        ChannelStatus s;
        s.pcmFill = u16(n);
        p.setChannelStatus(ch, s);
        p.channelStatus(ch);
        SongInfo song;
        song.file = QStringLiteral("/song/%1.mp3").arg(n % 3);
        song.sampleRate = n % 2 ? 44100 : 48000;
        p.setPlayInfo(ch, song);
        p.songInfo(ch);
        p.setSongInfo({song});
        p.songInfos();
        const u8 group[13] = {};
        p.notifyRdsLog(ch, 0, 0, 0, QTime(12, 0), group);
        ++n;
        ++passes;
    }
}

// The GUI thread's writers and loaders, each of them once a round.
void guiRound(FMSettings &p, int round, QObject *observer)
{
    const QString text = QStringLiteral("R%1").arg(round);
    RDSSource r = p.rds(1);
    r.ps = text;
    r.rta = text;
    p.setRds(1, r);
    p.setRdsName(2, text);
    QList<RDSAFEntry> afs;
    RDSAFEntry a;
    a.freq = 900 + round % 50;
    afs.append(a);
    p.setAfs(2, afs);
    p.setAfr(2, 901);
    p.updateAF(true);
    QList<EON> eon = p.rds(1).eon;
    if (!eon.isEmpty()) {
        eon[0].ta = u8(round & 1);
        p.setEon(1, eon);
    }
    p.setOda(2, {});
    std::array<RDSGroupRate, RDSGroupRate::count> rates = p.rds(2).gmin;
    rates[0].on = 1;
    rates[0].rate[0] = 10 + round % 20;
    p.setGroupRates(2, rates);

    TMCSource t = p.tmc(1);
    t.messages.clear();
    for (int m = 0; m < 1 + round % 4; ++m) {
        TMCMessage msg;
        msg.event = u16(round);
        t.messages.append(msg);
    }
    p.setTmc(1, t);
    p.setTmcKey(1, 0, u16(round));
    TMCMessage msg;
    msg.event = u16(round);
    p.setTmcMessage(1, p.tmc(1).messages.size(), msg);
    p.removeTmcMessage(1, 1);
    p.setTmcName(1, text);

    p.setAudioTone(1, round, round, round, round, round);
    p.setAudioName(1, text);
    p.setAudioType(1, 0);
    const QString gen = QStringLiteral("/gen/%1").arg(round);
    p.setPlaylistFiles(1, {gen, gen});
    p.insertPlaylistFiles(1, 0, {gen});
    p.setPlaylistName(1, text);
    ChannelRecord c = p.channelInfo(1 + round % 24);
    c.devi = round % 2 ? 50 : 75;
    p.setChannelConfig(c.ch, c);
    p.setChannelFreq(c.ch, 88.0 + (round % 150) * 0.1, round % 7 != 0);
    int band = round % 3;
    int attn = -(round % 32);
    p.setBoard(band, attn);
    p.broadcastDistances();

    // Validated operations, as the control server sends them.
    p.set(QStringLiteral("rds.2.pty"), round % 32, true, observer);
    p.set(QStringLiteral("channel.1,3-5.gain"), round % 10, true, observer);
    p.set(QStringLiteral("board.attn"), -(round % 32), true, observer);
    p.add(QStringLiteral("rds.2.afs"), QStringLiteral("98.5"));
    p.del(QStringLiteral("rds.2.afs"));
    p.listKeys(QStringLiteral("rds.1"));
    p.reloadGroups(QStringLiteral("rds."), {1, 2});
    p.reloadGroups(QStringLiteral("tmc."), {1});
    p.loadAudio(1);
    p.loadPlaylist(1);

    // New sources given up again, event rolls, board count.
    p.setRdsUsed(p.addRds());
    p.setTmcUsed(p.addTmc());
    p.addAudio(QString());
    p.setAudioUsed(p.audioMap().lastKey());
    const int pl = p.addPlaylist();
    p.setPlaylistName(pl, text);
    p.removePlaylist(pl);
    Event e;
    e.time = u32(round);
    e.command = QStringLiteral("channel.1.gain 1");
    p.setRoll(QStringLiteral("events.1"), {e}, {1}, true);
    p.setEvent(1, QStringLiteral("events.1"), e);
    p.setRollOptions(QStringLiteral("events.1"), {}, round % 2 == 0);
    QSet<int> expanded;
    bool repeat = false;
    p.loadRoll(QStringLiteral("events.1"), expanded, repeat);
    if (round % 10 == 0) {
        p.setBoardCount(1 + round / 10 % 2);
        p.sync();
    }
}

} // namespace

// Lock order of the project model: the record lock is always taken before the key store's lock and no
// operation takes a lock its caller holds. Board threads read every record (checking that each is whole) and
// write status while the GUI thread runs every writer, loader and validated operation; the file's delayed
// write runs in the thread of the project meanwhile. A hang is a deadlock: the run stops with a message after
// a bound instead of hanging the test run.
class TestLockOrder : public QObject
{
    Q_OBJECT

private slots:
    void everyWriterAgainstBoardThreads()
    {
        TempProject file(lockProject());
        FMSettings project(file.path());
        RecordingObserver observer("observer");
        for (const char *key : {"*", "chinfo", "rds.1", "tmc", "playlist.1", "channel"})
            project.registerKey(QLatin1String(key), &observer);

        std::atomic<bool> stop{false};
        std::atomic<int> torn{0};
        std::atomic<int> passes{0};
        // The board threads' reads would keep a writer waiting for ever where the lock lets readers pass a
        // waiting writer: they take a few passes per round of the writers and then wait for the next round.
        Pace pace(16);
        std::thread board1([&] { boardThread(project, stop, pace, 1, torn, passes); });
        std::thread board2([&] { boardThread(project, stop, pace, 2, torn, passes); });
        // The GUI writers run in a thread of their own so that this thread can watch them and deliver the
        // file's delayed writes.
        std::future<void> gui = std::async(std::launch::async, [&] {
            for (int round = 1; round <= 60; ++round) {
                guiRound(project, round, &observer);
                pace.step();
            }
            pace.release();
        });
        QDeadlineTimer deadline(60000);
        while (gui.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
            if (deadline.hasExpired()) {
                std::fputs("FAIL: the project model's writers did not finish: deadlock\n", stderr);
                std::_Exit(2);
            }
            QCoreApplication::processEvents();
        }
        gui.get();
        QVERIFY(QTest::qWaitFor([&] { return passes.load() >= 20; }, 20000));
        stop = true;
        board1.join();
        board2.join();

        QCOMPARE(torn.load(), 0);
        QCOMPARE(project.rds(1).ps, QStringLiteral("R60"));
        QCOMPARE(project.tmc(1).name, QStringLiteral("R60"));
        QCOMPARE(project.playlistFiles(1), QStringList({"/gen/60", "/gen/60", "/gen/60"}));
        QCOMPARE(project.audio(1).frq1, u16(60));
        QVERIFY(observer.flush());
        QVERIFY(observer.count() > 0);
        project.unregisterObserver(&observer);
    }

    void autoAfFollowsFrequenciesFromTwoThreads()
    {
        // The flag that makes the automatic AF lists follow the frequencies is set by updateAF and read by
        // the distance update: both under the record lock. The lists end up computed from the last
        // frequencies.
        TempProject file(lockProject());
        FMSettings project(file.path());
        project.updateAF(true);
        const auto freqOf = [](int ch, int round) { return 88.0 + ch * 0.4 + (round % 2) * 0.1; };
        std::atomic<bool> stop{false};
        // Two updates per store at most: looping without a pace, the AF thread could take the lock again
        // each time it lets go and keep the writer out (the lock is not fair).
        Pace pace(2);
        std::thread af([&] {
            long taken = 0;
            while (!stop.load()) {
                pace.wait(taken);
                project.updateAF(true);
            }
        });
        std::future<void> writer = std::async(std::launch::async, [&] {
            for (int round = 0; round < 40; ++round) {
                for (int ch = 2; ch <= 24; ch += 2) {
                    project.setChannelFreq(ch, freqOf(ch, round), true);
                    pace.step();
                }
            }
        });
        const bool finished = writer.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
        stop = true;
        pace.release();
        if (!finished) {
            std::fputs("FAIL: the frequency writer did not finish: deadlock\n", stderr);
            std::_Exit(2);
        }
        af.join();
        writer.get();

        const QList<RDSAFEntry> list = project.rds(1).af;
        for (int ch = 2; ch <= 24; ch += 2) {
            const qint32 code = qint32(std::lround(freqOf(ch, 39) * 10.0));
            const bool present = std::any_of(list.cbegin(), list.cend(), [&](const RDSAFEntry &e) {
                return e.mark == ch && e.freq == code;
            });
            QVERIFY2(present, qPrintable(QStringLiteral("channel %1").arg(ch)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLockOrder)
#include "tst_lockorder.moc"
