#include "BoardProtocol.h"
#include "BoundedWait.h"
#include "FMProgram.h"
#include "KeyWatch.h"
#include "LinkTestSupport.h"
#include "RDSCoding.h"
#include "SimBoard.h"
#include "TempProject.h"

#include <QtTest>

#include <cmath>

using linktest::Link;
using testsupport::waitUntil;

namespace {

// Block B of a packed group: bits 26..41.
u16 blockB(const RDSGroup &g)
{
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | g.bytes[i];
    return u16(v >> 22);
}

// The full configurations (41 bytes) sent to channel 1, in the log; with
// untilRds those before the first RDS datagram.
int fullConfigs(const SimBoard &sim, bool untilRds = false)
{
    int n = 0;
    for (const SimBoard::Datagram &d : sim.log()) {
        if (untilRds && d.type == BoardProtocol::RdsData)
            break;
        n += d.type == BoardProtocol::Command && d.bytes.size() == 41 && u8(d.bytes[5]) == 1;
    }
    return n;
}

// The last command to channel 1 in the log (empty when none).
QByteArray lastCommandTo1(const SimBoard &sim)
{
    const QVector<SimBoard::Datagram> &log = sim.log();
    for (auto d = log.rbegin(); d != log.rend(); ++d)
        if (d->type == BoardProtocol::Command && d->bytes.size() > 5 && u8(d->bytes[5]) == 1)
            return d->bytes;
    return {};
}

struct Rig
{
    explicit Rig(const QByteArray &project, u32 firmware = 29) : file(project)
    {
        sim.setFirmware(firmware);
        sim.setCapture(true);
        settings = QSharedPointer<FMSettings>::create(file.path());
        link.board.setSettings(settings);
        link.board.connectTo(sim.boardIP());
    }
    testsupport::TempProject file;
    SimBoard sim;
    QSharedPointer<FMSettings> settings;
    Link link;
};

} // namespace

class TestFMProgram : public QObject
{
    Q_OBJECT

private slots:
    // Three full configurations before any RDS, after the board information,
    // and one with the band configuration that follows at the next status
    // tick; three after each load; single keys send their short commands; a
    // purge of unacknowledged commands sends the full configuration once more.
    void configuration()
    {
        Rig rig(linktest::projectText(1));
        QVERIFY(rig.sim.waitFor([&] { return rig.sim.channel(0).rdsDatagrams > 2; }, 15000));
        QCOMPARE(fullConfigs(rig.sim, true), 3);
        // The band goes with the status tick after going online, however late that comes on a busy machine.
        QVERIFY(rig.sim.waitFor([&] { return rig.sim.carrier() && fullConfigs(rig.sim) >= 4; }, 15000));
        QCOMPARE(fullConfigs(rig.sim), 4);
        const QList<QPair<QString, int>> keys = {{"channel.1.freq", 20}, {"channel.1.gain", 13},
                                                 {"channel.1.volm", 13}, {"channel.1.mute", 13},
                                                 {"channel.1.rate", 16}, {"channel.1.devi", 41}};
        // The other channels' configurations may still be on their way: the key's command is the next to
        // channel 1.
        for (const auto &k : keys) {
            const QByteArray before = lastCommandTo1(rig.sim);
            rig.settings->setValue(k.first, k.first.endsWith("freq") ? "95.8" : "1", true);
            QVERIFY(rig.sim.waitFor([&] { return lastCommandTo1(rig.sim) != before; }, 5000));
            QCOMPARE(lastCommandTo1(rig.sim).size(), k.second);
        }
        const int configs = fullConfigs(rig.sim);
        rig.settings = QSharedPointer<FMSettings>::create(rig.file.path());
        rig.link.board.setSettings(rig.settings);
        // The load's configurations take the place of the next RDS fills, however slowly they come: once
        // RDS flows again, the count is final.
        QVERIFY(rig.sim.waitFor([&] { return fullConfigs(rig.sim) >= configs + 3; }, 15000));
        const int rds = rig.sim.channel(0).rdsDatagrams;
        QVERIFY(rig.sim.waitFor([&] { return rig.sim.channel(0).rdsDatagrams >= rds + 2; }, 15000));
        QCOMPARE(fullConfigs(rig.sim), configs + 3);

        linktest::LogCapture log;
        rig.sim.setDropAcks(true);
        // A key of the project loaded last: the programs follow that one.
        const int commands = rig.sim.received(BoardProtocol::Command);
        rig.settings->setValue("channel.1.gain", "-6", true);
        QVERIFY(rig.sim.waitForCount(BoardProtocol::Command, commands + 1, 15000));
        QVERIFY(log.waitFor("mo0: CF! ", 15000));
        QVERIFY(rig.sim.waitFor([&] { return fullConfigs(rig.sim) > configs + 3; }, 15000));
    }

    // Tone frames are exact at any air time; a sweep of 0 s lasts 1 s.
    void toneFrames()
    {
        const qint64 hours = 10LL * 3600 * 44100;
        const struct { int type; qint64 frame; int left, right; } cases[] = {
            {0, hours + 3, -32767, -16384}, {0, (qint64(1) << 40) + 2, 0, 0}, // sine after 10 h, far out
            {1, 44100, 0, 0}, {1, hours + 1, 32767, 32767}};                  // sweep 1 s on, after 10 h
        for (const auto &c : cases) {
            AudioSource a;
            a.type = u32(c.type);
            a.frq1 = a.frq2 = 11025;
            a.vol1 = 100;
            a.vol2 = c.type ? 100 : 50;
            a.time = 0;
            qint16 l = 0, r = 0;
            FMProgram::toneFrame(a, c.frame, 44100, &l, &r);
            QCOMPARE(qMakePair(int(l), int(r)), qMakePair(c.left, c.right));
        }
        // A hand-written volume above 100 plays at full scale.
        for (u32 type : {0u, 1u}) {
            AudioSource a;
            a.type = type;
            a.frq1 = a.frq2 = 11025;
            a.vol1 = 200;
            a.vol2 = 65535;
            a.time = 1;
            qint16 l = 0, r = 0;
            FMProgram::toneFrame(a, type ? 2 * 44100 + 1 : 1, 44100, &l, &r);
            QCOMPARE(qMakePair(int(l), int(r)), qMakePair(32767, 32767));
        }
    }

    // The signal at the board: the tone bit for bit, files in stereo and
    // mono, RDS in one or four streams with stream 0's PS and RadioText
    // complete and in order.
    void signal_data()
    {
        QTest::addColumn<QString>("file"); // "": tone
        QTest::addColumn<int>("channels");
        QTest::addColumn<u32>("firmware");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("four");
        QTest::newRow("tone, stream 0") << QString() << 2 << 29u << 1 << false;
        QTest::newRow("tone, RDS2 on firmware 28") << QString() << 2 << 28u << 3 << false;
        QTest::newRow("stereo file, RDS2") << "s.wav" << 2 << 29u << 3 << true;
        QTest::newRow("mono file, RDS2") << "m.wav" << 1 << 29u << 15 << true;
    }
    void signal()
    {
        QFETCH(QString, file);
        QFETCH(int, channels);
        QFETCH(bool, four);
        QFETCH(int, mode);
        QFETCH(u32, firmware);
        QTemporaryDir dir;
        const QString path = file.isEmpty() ? file : dir.filePath(file);
        if (!path.isEmpty())
            linktest::writeWav(path, channels, 44100);
        QByteArray text = linktest::projectText(1, mode, path);
        text.replace("[rds.1]\n", "[rds.1]\nrta=RADIO TEXT\ngmin\\0=1 342 342 342 342\ngmin\\2=1 342 342 342 342\n");
        Rig rig(text, firmware);
        testsupport::KeyWatch pos(*rig.settings, "chinfo.1.playpos");
        QVERIFY(rig.sim.waitFor([&] { return rig.sim.channel(0).pcmFrames > 44100 / 2 && rig.sim.channel(0).groups[0] > 40; }, 8000));
        const SimChannel &c = rig.sim.channel(0);
        QCOMPARE(c.rejected, 0);
        QCOMPARE(c.fourStreamDatagrams > 0, four);
        QCOMPARE(c.fourStreamDatagrams, four ? c.rdsDatagrams : 0);
        QVector<qint16> samples;
        for (const SimChannel::PcmCapture &p : c.pcm) {
            QCOMPARE(p.stereo, channels == 2);
            samples += p.samples;
        }
        if (file.isEmpty()) {
            QCOMPARE(samples.mid(0, 8), (QVector<qint16>{0, 0, 32767, 16383, 0, 0, -32767, -16384}));
        } else {
            const int first = samples.indexOf(1); // after the decoder's lead-in silence
            QVERIFY(first >= 0);
            for (int i = 0; i < 20000; ++i)
                QCOMPARE(int(samples[first + i]), i % 30000 + 1);
            QStringList positions;
            QVERIFY(waitUntil([&] { return (positions += pos.take()).size() >= 3; }));
            for (int i = 1; i < positions.size(); ++i) // broadcast only when it moved
                QVERIFY2(positions[i] != positions[i - 1], qPrintable(positions.join('|')));
            QCOMPARE(rig.settings->songInfo(1).file, path);
        }
        int last[3] = {-1, -1, -1}; // PS and RadioText segments in order
        for (const RDSGroup &g : c.capturedGroups(0)) {
            const u16 b = blockB(g);
            const int type = b >> 12;
            if ((type != 0 && type != 2) || g == RDSGroup())
                continue;
            const int seg = type == 0 ? b & 3 : b & 0xF;
            QVERIFY(last[type] < 0 || seg == (type == 0 ? (last[type] + 1) % 4 : last[type] + 1) || (type == 2 && seg == 0));
            last[type] = seg;
        }
    }

    // Playlists follow their keys; only "playlist." names a playlist.
    void playTexts()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.wav"), b = dir.filePath("b.wav");
        linktest::writeWav(a, 2, 4410);
        linktest::writeWav(b, 2, 4410);
        const QByteArray list = "[playlist.1]\n0=" + a.toUtf8() + "\n[playlist.3]\n0=" + a.toUtf8() + "\n";
        linktest::LogCapture log;
        Rig rig(linktest::projectText(1, 1, "playlist.1") + list);
        QVERIFY(log.waitFor("pr01 play [playlist.1] 1"));
        QVERIFY(waitUntil([&] { return rig.settings->songInfo(1).file == a; }));
        rig.settings->setPlaylistFiles(1, {b});
        QVERIFY(waitUntil([&] { return rig.settings->songInfo(1).file == b; }));
        rig.settings->setAudioFile(1, "/music/a.3");
        QVERIFY(log.waitFor("pr01 play [/music/a.3] 0"));
        // The playlist it no longer plays is no longer followed.
        rig.settings->setPlaylistFiles(1, {a});
        rig.settings->setAudioFile(1, "/music/b.3");
        QVERIFY(log.waitFor("pr01 play [/music/b.3] 0"));
        QCOMPARE(log.lines().filter("pr01 play [/music/a.3]").size(), 1);
    }

    // A store of a channel's frequency reaches the air: the channel's AF list starts with its new tuning
    // frequency, the automatic list of every channel sharing its PI carries it, and so does the EON entry of
    // another programme (channel 4) that names the channel.
    void afListsFollowTheChannels()
    {
        QByteArray text = linktest::projectText(3);
        text.replace("[rds.1]\n", "[rds.1]\nafu=3\ngmin\\0=1 342 0 0 0\n");
        text += "[rds.2]\npi=d399\nmode=1\neon\\0=3 0 0 0 0 0\ngmin\\14=1 342 0 0 0\n"
                "[channel.4]\nused=1\nidrds=2\nfreq=90.0\n";
        Rig rig(text);
        // As the main window does: the automatic AF lists before the boards take the project.
        rig.settings->updateAF(true);
        rig.link.board.setSettings(rig.settings);
        // What a receiver of channel `index` read from the AF list of 0A (or of the EON variant 4 of 14A) in the
        // groups captured: "tuning:frequencies" (100 kHz).
        const auto received = [&](int index, bool eon = false) {
            int tuning = 0;
            QMap<int, QString> freqs;
            for (const RDSGroup &g : rig.sim.channel(index).capturedGroups(0)) {
                const RDSBlocks b = unpackGroup(g.bytes);
                const bool wanted = eon ? (b.info[1] >> 11) == 28 && (b.info[1] & 0xF) == 4 : (b.info[1] >> 11) == 0;
                if (!rdsBlockValid(b, 1) || !rdsBlockValid(b, 2) || !wanted)
                    continue;
                const int hi = b.info[2] >> 8, lo = b.info[2] & 0xFF;
                if (hi >= 225 && hi <= 249) // count code, then the tuning frequency (IEC 62106 AF codes)
                    tuning = lo + 875;
                for (int code : {hi, lo})
                    if (code >= 1 && code <= 204)
                        freqs.insert(code + 875, QString::number(code + 875));
            }
            return QString::number(tuning) + ':' + QStringList(freqs.values()).join(' ');
        };
        QVERIFY(rig.sim.waitFor([&] { return received(2) == "892:884 888 892" && received(3, true) == "884:884 888 892"; }, 5000));
        QCOMPARE(rig.settings->set("channel.3.freq", "90.1", true), 0);
        QVERIFY(rig.sim.waitFor([&] { return received(2).startsWith("901:"); }, 5000));
        for (int clear = 0; clear < 2; ++clear) { // groups sent before the change are gone after the second
            rig.sim.clearCounters();
            QVERIFY(rig.sim.waitFor([&] { return rig.sim.channel(0).groups[0] > 12 && rig.sim.channel(2).groups[0] > 12
                                                 && rig.sim.channel(3).groups[0] > 12; }, 5000));
        }
        QCOMPARE(received(2), QStringLiteral("901:884 888 901"));
        QCOMPARE(received(0), QStringLiteral("884:884 888 901"));
        QCOMPARE(received(3, true), QStringLiteral("884:884 888 901"));
        // A manual AF of the programme reaches the EON entry that names it at once.
        QCOMPARE(rig.settings->add("rds.1.afs", "1012"), 0);
        QVERIFY(rig.sim.waitFor([&] { return received(3, true).endsWith(" 1012"); }, 5000));
    }

    // 24 channels stream within the byte budget of a tick while projects
    // are loaded again and again; the status reaches "chstatus.N".
    void fullBoardWhileLoading()
    {
        Rig rig(linktest::projectText(24, 3));
        rig.sim.setCapture(false);
        rig.sim.overrideChannelLevel(0, 0);
        rig.sim.setChannelFlags(0, 5);
        auto all = [&](qint64 frames) {
            for (int i = 0; i < FMBoard::channels; ++i)
                if (rig.sim.channel(i).groups[3] == 0 || rig.sim.channel(i).pcmFrames <= frames)
                    return false;
            return true;
        };
        QVERIFY(rig.sim.waitFor([&] { return all(0); }, 8000));
        QSharedPointer<FMSettings> project;
        for (int i = 0; i < 8; ++i) {
            project = QSharedPointer<FMSettings>::create(rig.file.path());
            rig.link.board.setSettings(project);
        }
        testsupport::KeyWatch status(*project, "chstatus.1");
        const qint64 frames = rig.sim.channel(23).pcmFrames;
        QVERIFY(rig.sim.waitFor([&] { return all(frames + 11025); }, 4000));
        QVERIFY(waitUntil([&] { return !status.take().isEmpty(); }));
        const ChannelStatus s = project->channelStatus(1);
        QVERIFY(std::isfinite(s.level) && std::isfinite(s.pcmRate) && std::isfinite(s.rdsRate));
        QCOMPARE(s.flags & 0xFF, 5);
        const int most = rig.link.board.takeMaxTickBytes();
        QVERIFY2(most <= FMBoard::tickBudget && most > FMBoard::tickBudget - 4 * 1032, qPrintable(QString::number(most)));
        for (int i = 0; i < FMBoard::channels; ++i)
            QCOMPARE(rig.sim.channel(i).rejected, 0);
    }
};

QTEST_GUILESS_MAIN(TestFMProgram)
#include "tst_fmprogram.moc"
